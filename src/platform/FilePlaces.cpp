#include "platform/FilePlaces.h"

#include <algorithm>
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

// From the deepest open folder above it, when there is one: the walk of the names below it is the
// walk the whole path would take from there. A path below a folder held for the run is walked
// whole, so that it goes through the held descriptor.
UniqueFd FilePlaces::Walk(const fs::path& host) const {
  const OpenedFolder* from = nullptr;
  fs::path rest;
  if (ThroughHeldFolder(host) == host) {
    std::ptrdiff_t deepest = 0;
    for (const auto& opened : open_) {
      const fs::path& above = opened.folder->host;
      const auto [a, b] = std::mismatch(above.begin(), above.end(), host.begin(), host.end());
      const auto depth = std::distance(above.begin(), above.end());
      if (a != above.end() || !opened.fd.Valid() || depth <= deepest) continue;
      fs::path below;
      bool plain = true;
      for (auto part = b; part != host.end(); ++part) {
        plain = plain && !part->empty() && *part != "." && *part != "..";
        below /= *part;
      }
      if (!plain) continue;
      from = &opened;
      rest = std::move(below);
      deepest = depth;
    }
  }
  if (!from) return OpenFolder(host);
  if (rest.empty()) return UniqueFd(::fcntl(from->fd.Get(), F_DUPFD_CLOEXEC, 0));
  return OpenFolder(rest, Links::Trusted, from->fd.Get());
}

int FilePlaces::FolderFd(const Folder& folder) {
  constexpr std::size_t kKeptOpen = 16;
  if (!open_.empty() && open_.back().folder == &folder) return open_.back().fd.Get();
  auto found = std::find_if(open_.begin(), open_.end(), [&](const auto& o) { return o.folder == &folder; });
  OpenedFolder entry = found != open_.end() ? std::move(*found) : OpenedFolder{&folder, Walk(folder.host)};
  if (found != open_.end()) {
    open_.erase(found);
  } else if (open_.size() == kKeptOpen) {
    open_.erase(open_.begin());
  }
  open_.push_back(std::move(entry));
  return open_.back().fd.Get();
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
