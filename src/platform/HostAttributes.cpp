#include "platform/HostAttributes.h"

#include <cerrno>
#include <string>

#include <sys/xattr.h>
#include <unistd.h>

#include "platform/DosAttrib.h"
#include "platform/Files.h"

namespace lifto::platform {
namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr std::uint32_t kKeptInXattr = kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kFolderBit = kAttrDirectory;
constexpr std::uint32_t kReadOnlyBit = kAttrReadOnly;
constexpr std::uint32_t kArchiveBit = kAttrArchive;

// The raw value; nullopt when there is none or the file system keeps none.
std::optional<std::string> ReadXattr(const std::filesystem::path& file) {
  std::string value(128, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto got = getxattr(file.c_str(), kDosAttribName, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;
    const auto needed = getxattr(file.c_str(), kDosAttribName, nullptr, 0);
    if (needed < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(needed) + 1);
  }
  return std::nullopt;
}

}  // namespace

bool HostIsReadOnly(const std::filesystem::path& file, const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(file.c_str(), W_OK) != 0;
}

std::uint32_t HostAttributes(const std::filesystem::path& file, const struct stat& st) {
  const bool folder = S_ISDIR(st.st_mode);
  std::uint32_t bits = folder ? kFolderBit : 0;
  if (HostIsReadOnly(file, st)) bits |= kAttrReadOnly;
  std::optional<std::uint32_t> stored;
  if (const auto value = ReadXattr(file)) stored = DecodeDosAttrib(*value);
  if (stored) {
    bits |= *stored & kKeptInXattr;
  } else if (!folder) {
    bits |= kAttrArchive;  // as a file that was never backed up
  }
  return bits;
}

std::optional<std::uint32_t> HostAttributes(const std::filesystem::path& file) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return std::nullopt;
  return HostAttributes(file, st);
}

bool SetHostAttributes(const std::filesystem::path& file, std::uint32_t attributes) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return false;
  const bool folder = S_ISDIR(st.st_mode);
  const bool readOnly = (attributes & kAttrReadOnly) != 0;
  const auto previous = ReadXattr(file);
  const auto wanted = attributes & kKeptInXattr;
  bool kept = true;
  // A file without the value reads as archive-set: no need to write one to say so.
  if (previous || wanted != (folder ? 0 : kArchiveBit)) {
    // Servers that keep the value also read read-only and folder from it.
    const auto stored = wanted | (readOnly && !folder ? kReadOnlyBit : 0) | (folder ? kFolderBit : 0);
    const auto value = EncodeDosAttrib(stored, previous.value_or(std::string()));
    // Changing an extended attribute needs write permission; a read-only file gets it back below.
    if (!folder && (st.st_mode & S_IWUSR) == 0) chmod(file.c_str(), (st.st_mode | S_IWUSR) & 07777);
    if (setxattr(file.c_str(), kDosAttribName, value.data(), value.size(), 0) != 0) {
      const bool unsupported = errno == ENOTSUP;
      // Without extended attributes only the archive bit's default can be had.
      kept = unsupported && (wanted & (kAttrHidden | kAttrSystem)) == 0;
    }
  }
  if (!folder) {
    auto mode = st.st_mode & 07777;
    if (readOnly) {
      mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      mode |= S_IWUSR;
    }
    if (chmod(file.c_str(), mode) != 0) return false;
  }
  return kept;
}

void CopyDosAttrib(int fromFd, int toFd) {
  std::string value(256, '\0');
  const auto got = fgetxattr(fromFd, kDosAttribName, value.data(), value.size());
  if (got < 0) return;
  fsetxattr(toFd, kDosAttribName, value.data(), static_cast<std::size_t>(got), 0);
}

}  // namespace lifto::platform
