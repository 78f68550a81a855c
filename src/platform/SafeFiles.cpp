#include "platform/SafeFiles.h"

#include <cerrno>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

UniqueFd OpenStart(bool absolute, int start) {
  if (absolute) return UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  return UniqueFd(::openat(start, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

void PushParts(std::deque<std::string>& parts, const fs::path& path) {
  std::vector<std::string> names;
  for (const auto& part : path.relative_path()) {
    const auto name = part.string();
    if (!name.empty() && name != ".") names.push_back(name);
  }
  parts.insert(parts.begin(), names.begin(), names.end());
}

std::optional<std::string> ReadLinkAt(int folder, const std::string& name) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(folder, name.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

// The folders held open for the run, by their host path at the time of the check.
struct Held {
  fs::path path;
  UniqueFd folder;
};

std::mutex& HeldLock() {
  static std::mutex lock;
  return lock;
}

std::vector<Held>& HeldFolders() {
  static std::vector<Held> held;
  return held;
}

// The part of an absolute path below a held folder, and that folder's descriptor; a rest that
// climbs out with ".." is not taken below it.
std::optional<std::pair<int, fs::path>> FindHeld(const fs::path& path) {
  if (!path.is_absolute()) return std::nullopt;
  const fs::path normal = path.lexically_normal();
  const std::lock_guard guard(HeldLock());
  for (const auto& held : HeldFolders()) {
    auto it = normal.begin();
    bool below = true;
    for (const auto& part : held.path) {
      if (it == normal.end() || *it != part) {
        below = false;
        break;
      }
      ++it;
    }
    if (!below) continue;
    fs::path rest;
    for (; it != normal.end(); ++it) {
      if (*it == "..") return std::nullopt;
      rest /= *it;
    }
    return std::pair{held.folder.Get(), rest};
  }
  return std::nullopt;
}

enum class Walk { Locate, MakeFolders };

// The one walk behind Locate and MakeFolders.
std::optional<Located> DoWalk(const fs::path& path, Links links, bool followLast, int start, Walk walk) {
  UniqueFd folder;
  std::deque<std::string> parts;
  if (const auto held = FindHeld(path)) {
    folder.Reset(::fcntl(held->first, F_DUPFD_CLOEXEC, 0));
    PushParts(parts, held->second);
  } else {
    folder = OpenStart(path.is_absolute(), start);
    PushParts(parts, path);
  }
  if (!folder.Valid()) return std::nullopt;
  int follows = 0;
  while (!parts.empty()) {
    const std::string name = parts.front();
    parts.pop_front();
    const bool last = parts.empty();
    if (name == ".." && links == Links::None) {
      errno = EACCES;
      return std::nullopt;
    }
    if (last && !followLast && walk == Walk::Locate) return Located{std::move(folder), name};

    struct stat st {};
    if (::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return std::nullopt;
      if (walk == Walk::Locate) {
        if (last) return Located{std::move(folder), name};
        return std::nullopt;
      }
      if (::mkdirat(folder.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) return std::nullopt;
      if (::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    }
    if (S_ISLNK(st.st_mode)) {
      if (links == Links::None || !IsTrustedLink(st)) {
        if (last && walk == Walk::Locate) return Located{std::move(folder), name};
        errno = ELOOP;
        return std::nullopt;
      }
      const auto target = ReadLinkAt(folder.Get(), name);
      if (!target || ++follows > kMaxLinks) {
        if (target) errno = ELOOP;
        return std::nullopt;
      }
      const fs::path targetPath(*target);
      PushParts(parts, targetPath);
      if (targetPath.is_absolute()) folder = OpenStart(true, start);
      if (!folder.Valid()) return std::nullopt;
      if (parts.empty()) return Located{std::move(folder), "."};  // a link to "/"
      continue;
    }
    if (last && walk == Walk::Locate) return Located{std::move(folder), name};
    if (!S_ISDIR(st.st_mode)) {
      errno = ENOTDIR;
      return std::nullopt;
    }
    // O_NOFOLLOW: a folder swapped for a link since the look above is refused, not followed.
    UniqueFd next(::openat(folder.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.Valid()) return std::nullopt;
    folder = std::move(next);
  }
  return Located{std::move(folder), "."};
}

}  // namespace

bool IsTrustedLink(const struct stat& link) { return link.st_uid == 0 || link.st_uid == ::geteuid(); }

std::optional<Located> Locate(const fs::path& path, Links links, bool followLast, int start) {
  return DoWalk(path, links, followLast, start, Walk::Locate);
}

UniqueFd OpenFile(const fs::path& path, int flags, mode_t mode, Links links, int start) {
  auto at = Locate(path, links, true, start);
  if (!at) return UniqueFd();
  const bool reading = (flags & O_ACCMODE) == O_RDONLY && (flags & O_NONBLOCK) == 0;
  UniqueFd fd(::openat(at->folder.Get(), at->name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode));
  if (fd.Valid() && reading) ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::optional<fs::path> ResolvedPath(const fs::path& path) {
  const auto at = Locate(path);
  if (!at) return std::nullopt;
  struct stat st {};
  if (::fstatat(at->folder.Get(), at->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
    errno = ELOOP;
    return std::nullopt;
  }
  std::error_code ec;
  const fs::path folder = fs::read_symlink(DescriptorPath(at->folder.Get()), ec);
  if (ec) {
    errno = ec.value();
    return std::nullopt;
  }
  return at->name == "." ? folder : folder / at->name;
}

UniqueFd MakeFolders(const fs::path& path, Links links, int start) {
  auto at = DoWalk(path, links, true, start, Walk::MakeFolders);
  return at ? std::move(at->folder) : UniqueFd();
}

UniqueFd OpenFolder(const fs::path& path, Links links, int start) {
  auto at = Locate(path, links, true, start);
  if (!at) return UniqueFd();
  if (at->name == ".") return std::move(at->folder);
  return UniqueFd(::openat(at->folder.Get(), at->name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool ReplaceFile(const fs::path& path, std::string_view bytes, int start) {
  const auto at = Locate(path, Links::Trusted, true, start);
  if (!at) return false;
  const int dir = at->folder.Get();
  const char* name = at->name.c_str();
  struct stat old {};
  const bool exists = ::fstatat(dir, name, &old, AT_SYMLINK_NOFOLLOW) == 0;
  // Only a regular file passes its permissions on; a link left here is another user's.
  const bool keepMode = exists && S_ISREG(old.st_mode);
  if (exists && S_ISDIR(old.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (keepMode) {
    const UniqueFd file(::openat(dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!file.Valid()) return false;
    // A read-only file stays as it is, as it would on Windows; the rename alone would replace it.
    if ((old.st_mode & 0222) == 0 || ::access(DescriptorPath(file.Get()).c_str(), W_OK) != 0) {
      errno = EACCES;
      return false;
    }
  }

  std::string temporary;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
    temporary = at->name + ".~" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd.Reset(::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.Valid() && errno != EEXIST) return false;
  }
  if (!fd.Valid()) {
    errno = EEXIST;
    return false;
  }
  bool ok = true;
  for (std::string_view rest = bytes; ok && !rest.empty();) {
    const ssize_t written = ::write(fd.Get(), rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    ok = written >= 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(written));
  }
  ok = ok && (!keepMode || ::fchmod(fd.Get(), old.st_mode & 07777) == 0);
  ok = ok && ::fsync(fd.Get()) == 0;
  ok = ::close(fd.Release()) == 0 && ok;
  ok = ok && ::renameat(dir, temporary.c_str(), dir, name) == 0;
  if (!ok) {
    const int error = errno;
    ::unlinkat(dir, temporary.c_str(), 0);
    errno = error;
    return false;
  }
  // The rename itself reaches the disk with the folder's entry.
  const UniqueFd folder(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Valid()) ::fsync(folder.Get());
  return true;
}

bool RemoveTree(int folder, const std::string& name) {
  struct stat st {};
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT;
  // A folder without write or search permission for us could not be emptied.
  if ((st.st_mode & S_IRWXU) != S_IRWXU) ::fchmodat(folder, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0);
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
  if (!dir) {
    ::close(fd);
    return false;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string entryName = entry->d_name;
    if (entryName != "." && entryName != "..") names.push_back(entryName);
  }
  bool removed = true;
  for (const auto& entryName : names) removed = RemoveTree(::dirfd(dir.get()), entryName) && removed;
  if (!removed) return false;
  return ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

void HoldFolder(const fs::path& hostPath, UniqueFd folder) {
  const fs::path path = hostPath.lexically_normal();
  const std::lock_guard guard(HeldLock());
  auto& held = HeldFolders();
  for (auto& each : held) {
    if (each.path == path) {
      each.folder = std::move(folder);
      return;
    }
  }
  held.push_back({path, std::move(folder)});
}

bool HoldsFolder(const fs::path& hostPath) {
  const fs::path path = hostPath.lexically_normal();
  const std::lock_guard guard(HeldLock());
  for (const auto& each : HeldFolders()) {
    if (each.path == path) return true;
  }
  return false;
}

fs::path ThroughHeldFolder(const fs::path& path, int* heldFd) {
  const auto held = FindHeld(path);
  if (heldFd != nullptr) *heldFd = held ? held->first : -1;
  if (!held) return path;
  const fs::path through = DescriptorPath(held->first);
  return held->second.empty() ? through : through / held->second;
}

std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::optional<std::string> ReadSmallFile(const fs::path& path, std::size_t maxBytes) {
  const UniqueFd fd = OpenFile(path, O_RDONLY);
  if (!fd.Valid()) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return std::nullopt;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return bytes;
    // Checked as it is read: the size that fstat showed may grow meanwhile.
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      errno = EFBIG;
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace lifto::platform
