#include "platform/FilePlaces.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>

#include "platform/Codepage.h"
#include "platform/FolderNames.h"
#include "platform/HostAttributes.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "platform/TextCase.h"

namespace lifto::platform {

namespace fs = std::filesystem;

std::optional<FilePlaces::Place> FilePlaces::Find(std::string_view windowsPath) {
  const auto cut = windowsPath.find_last_of("\\/");
  const bool hostPath = !windowsPath.empty() && windowsPath[0] == '/' &&
                        (windowsPath.size() < 2 || !IsPathSeparator(windowsPath[1]));
  const std::string_view name = cut == std::string_view::npos ? windowsPath : windowsPath.substr(cut + 1);
  if (hostPath || cut == std::string_view::npos || name.empty() || name == "." || name == ".." ||
      windowsPath.find('\0') != std::string_view::npos) {
    auto host = ToHostPath(windowsPath);
    if (!host) return std::nullopt;
    return Place{nullptr, {}, std::move(*host)};
  }
  const std::string_view folderPath = windowsPath.substr(0, cut + 1);
  auto found = folders_.find(std::string(folderPath));
  if (found == folders_.end()) {
    auto host = ToHostPath(folderPath);
    if (!host) return std::nullopt;
    found = folders_.emplace(std::string(folderPath), Folder{std::move(*host), {}, {}}).first;
  }
  Folder& folder = found->second;
  return Place{&folder, NameIn(folder, name), {}};
}

// The on-disk name by the rules of ToHostPath: the exact name, in upper case, in lower case, else
// the first match in sorted order of the folder's listing; else the name as given.
std::string FilePlaces::NameIn(Folder& folder, std::string_view name1252) {
  const std::string key(name1252);
  if (const auto known = folder.onDisk.find(key); known != folder.onDisk.end()) return known->second;
  const int fd = FolderFd(folder);
  const auto present = [&](const std::string& utf8) {
    struct stat st {};
    return fd >= 0 ? ::fstatat(fd, utf8.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                   : ::lstat((folder.host / utf8).c_str(), &st) == 0;
  };
  const std::string exact = ToUtf8(name1252);
  std::optional<std::string> onDisk;
  if (present(exact)) onDisk = exact;
  for (const auto& variant : {Upper1252(name1252), Lower1252(name1252)}) {
    if (onDisk) break;
    auto utf8 = ToUtf8(variant);
    if (utf8 != exact && present(utf8)) onDisk = std::move(utf8);
  }
  if (!onDisk) {
    if (!folder.byUpperName) {
      // Listed once: a long list of names of other case in a large folder would list it for each.
      folder.byUpperName.emplace();
      std::error_code ec;
      for (fs::directory_iterator it(folder.host, ec), end; !ec && it != end; it.increment(ec)) {
        auto entry = it->path().filename().string();
        (*folder.byUpperName)[Upper1252(FromUtf8(entry))].push_back(std::move(entry));
      }
    }
    if (const auto listed = folder.byUpperName->find(Upper1252(name1252)); listed != folder.byUpperName->end()) {
      onDisk = ChooseOnDiskName(name1252, listed->second);
    }
  }
  if (!onDisk) return exact;  // not there (yet): looked for again at the next use
  return folder.onDisk.emplace(key, std::move(*onDisk)).first->second;
}

int FilePlaces::FolderFd(const Folder& folder) {
  if (chainEnd_ == &folder) return chain_.back().fd.Get();
  if (otherFolder_ == &folder) return other_.Get();
  const fs::path& host = folder.host;
  bool plain = host.is_absolute();
  for (const auto& part : host.relative_path()) plain = plain && !part.empty() && part != "." && part != "..";
  // A path below a held folder is walked whole, so that it goes through the held descriptor.
  if (!plain || ThroughHeldFolder(host) != host) {
    other_ = OpenFolder(host);
    otherFolder_ = &folder;
    return other_.Get();
  }
  chainEnd_ = nullptr;
  std::size_t level = 0;
  auto part = host.begin();
  while (part != host.end() && level < chain_.size() && chain_[level].name == *part) {
    ++part;
    ++level;
  }
  chain_.resize(level);
  for (; part != host.end(); ++part) {
    // Each name as the walk of the whole path takes it: a link is followed only when trusted.
    UniqueFd fd = chain_.empty() ? UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC))
                                 : OpenFolder(*part, Links::Trusted, chain_.back().fd.Get());
    if (!fd.Valid()) return -1;
    chain_.push_back({*part, std::move(fd)});
  }
  chainEnd_ = &folder;
  return chain_.back().fd.Get();
}

std::optional<struct stat> FilePlaces::Stat(std::string_view windowsPath) {
  const auto place = Find(windowsPath);
  if (!place) return std::nullopt;
  struct stat st {};
  if (!place->folder) return ::stat(place->host.c_str(), &st) == 0 ? std::optional(st) : std::nullopt;
  const int fd = FolderFd(*place->folder);
  const bool ok = fd >= 0 ? ::fstatat(fd, place->name.c_str(), &st, 0) == 0
                          : ::stat((place->folder->host / place->name).c_str(), &st) == 0;
  return ok ? std::optional(st) : std::nullopt;
}

std::optional<std::uint32_t> FilePlaces::Attributes(std::string_view windowsPath) {
  const auto st = Stat(windowsPath);
  if (!st) return std::nullopt;
  const auto place = Find(windowsPath);  // the name is known now: no look on disk
  return HostAttributes(place->folder ? place->folder->host / place->name : place->host, *st);
}

UniqueFd FilePlaces::OpenForReading(std::string_view windowsPath) {
  const auto place = Find(windowsPath);
  if (!place) {
    errno = ENOENT;
    return UniqueFd();
  }
  if (!place->folder) return OpenFile(place->host, O_RDONLY);
  const int fd = FolderFd(*place->folder);
  // A folder that the walk refuses is refused again, with its reason, by the walk of the whole path.
  if (fd < 0) return OpenFile(place->folder->host / place->name, O_RDONLY);
  return OpenFile(place->name, O_RDONLY, 0666, Links::Trusted, fd);
}

}  // namespace lifto::platform
