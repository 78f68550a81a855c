#include "platform/SystemFolders.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

bool OnlyBlanks(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

bool OthersMayWrite(const struct stat& folder) {
  return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0 || folder.st_uid != geteuid();
}

[[noreturn]] void Refuse(const fs::path& folder, const std::string& problem) {
  throw std::runtime_error("temporary folder " + folder.string() + ": " + problem);
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned int>(mode & 07777));
  return text;
}

// The folder of the tool's temporary files inside a folder that others can write to.
fs::path PrivateFolderIn(const fs::path& shared, const struct stat& sharedStat) {
  const auto uid = geteuid();
  const auto folder = shared / ("lifto-" + std::to_string(uid));
  // The sticky bit does not bind a folder's owner: another user owning it could rename the
  // private folder away while an update runs and put one of their own in its place.
  if (sharedStat.st_uid != 0 && sharedStat.st_uid != uid) {
    Refuse(shared, "belongs to another user (uid " + std::to_string(sharedStat.st_uid) +
                       "), who could swap the private folder in it");
  }
  // Without the sticky bit another user could rename the private folder away and put one of theirs
  // in its place between our check and our use.
  if ((sharedStat.st_mode & S_ISVTX) == 0 && (sharedStat.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    Refuse(shared, "writable by other users without the sticky bit, so a private folder in it cannot stay private");
  }
  // Held open from the check on, so that every later use reaches the folder checked.
  if (HoldsFolder(folder)) return folder;
  const UniqueFd parent(open(shared.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!parent.Valid()) Refuse(shared, std::string("cannot be opened: ") + std::strerror(errno));
  const std::string name = folder.filename().string();
  const bool created = mkdirat(parent.Get(), name.c_str(), 0700) == 0;
  if (!created && errno != EEXIST) Refuse(folder, std::string("cannot be created: ") + std::strerror(errno));
  UniqueFd held(openat(parent.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!held.Valid() && (errno == ENOTDIR || errno == ELOOP)) {
    Refuse(folder, "is not a plain folder (another user may have planted it)");
  }
  if (!held.Valid()) Refuse(folder, std::string("cannot be opened: ") + std::strerror(errno));
  struct stat st {};
  if (fstat(held.Get(), &st) != 0) Refuse(folder, std::string("cannot be examined: ") + std::strerror(errno));
  if (st.st_uid != uid) Refuse(folder, "belongs to another user (uid " + std::to_string(st.st_uid) + ")");
  if (created && (st.st_mode & 07777) != 0700 && chmod(DescriptorPath(held.Get()).c_str(), 0700) == 0) {
    st.st_mode = S_IFDIR | 0700;
  }
  if ((st.st_mode & 07777) != 0700) Refuse(folder, "has mode " + Octal(st.st_mode) + " instead of 0700");
  HoldFolder(folder, std::move(held));
  return folder;
}

std::string Unescape(const std::string& field) {  // "\040" in fstab and mounts stands for a blank
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// True when the table (fstab or mounts layout) names the folder as a mount point.
bool ListsMountPoint(const char* table, const fs::path& folder) {
  std::ifstream in(table);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint;
    if (!(fields >> device >> mountPoint) || device.starts_with("#")) continue;
    auto listed = fs::path(Unescape(mountPoint)).lexically_normal();
    if (listed.has_relative_path() && !listed.has_filename()) listed = listed.parent_path();
    if (listed == folder) return true;
  }
  return false;
}

}  // namespace

std::string SystemWindowsFolder() {
  auto folder = Environment::Current().SystemValue("WindowsFolder");
  while (!folder.empty() && IsPathSeparator(folder.back())) folder.pop_back();
  return folder.empty() ? "C:\\WINDOWS" : folder;
}

std::string EnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(ToUtf8(name).c_str());
  return value ? FromUtf8(value) : std::string();
}

std::string PrivateTempFolder() {
  std::string value = EnvironmentVariable("TEMP");
  if (OnlyBlanks(value)) value = EnvironmentVariable("TMP");
  if (OnlyBlanks(value)) value = EnvironmentVariable("TMPDIR");
  if (OnlyBlanks(value)) value = "/tmp";
  const auto host = ToHostPath(value);
  if (!host) Refuse(ToUtf8(value), "lies on a drive that is not mapped");
  struct stat st {};
  if (stat(host->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) Refuse(*host, "does not exist");
  return ToWindowsPath(OthersMayWrite(st) ? PrivateFolderIn(*host, st) : *host);
}

bool OthersMayWriteIn(const fs::path& hostFolder) {
  struct stat st {};
  return stat(hostFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && OthersMayWrite(st);
}

std::string OwnExecutablePath() {
  std::error_code ec;
  const auto self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : ToWindowsPath(self);
}

bool DriveReady(char driveLetter) {
  const auto* drive = Environment::Current().FindDrive(std::string(1, driveLetter));
  if (!drive) return false;
  std::error_code ec;
  if (!fs::is_directory(drive->folder, ec)) return false;
  // A removable medium's mount point is an empty folder while nothing is in the drive.
  if (ListsMountPoint("/etc/fstab", drive->folder)) return ListsMountPoint("/proc/self/mounts", drive->folder);
  return true;
}

}  // namespace lifto::platform
