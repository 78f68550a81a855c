#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/HostAttributes.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

std::optional<struct stat> StatOf(const fs::path& file) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return std::nullopt;
  return st;
}

std::optional<struct stat> StatOf(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return std::nullopt;
  return StatOf(*host);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  bool Close() {
    const bool ok = fd_ < 0 || close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

bool CopyContent(int from, int to) {
  char buffer[65536];
  for (;;) {
    const auto got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const auto put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

// Content, then the attributes value, then mode and times: the value needs write permission, and
// writing would move the time.
bool FillCopy(int from, const struct stat& source, int to) {
  if (!CopyContent(from, to)) return false;
  CopyDosAttrib(from, to);
  if (fchmod(to, source.st_mode & 0777) != 0) return false;
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  return futimens(to, times) == 0;
}

}  // namespace

bool FileExists(std::string_view path) {
  const auto st = StatOf(path);
  return st && !S_ISDIR(st->st_mode);
}

bool FolderExists(std::string_view path) {
  const auto st = StatOf(path);
  return st && S_ISDIR(st->st_mode);
}

std::optional<std::uint64_t> FileSize(std::string_view path) {
  const auto st = StatOf(path);
  if (!st || S_ISDIR(st->st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st->st_size);
}

namespace {

std::string CopyName() {
  static unsigned counter = 0;
  return ".~lifto-copy-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// A new file for a copy beside its target, in the target's open folder. It has no name
// (O_TMPFILE, tempName left empty) until NameBeside gives it one once it is whole, so that a
// process killed while copying leaves nothing behind; a file system without unnamed files gets a
// named one at once.
int CreateBeside(int folder, std::string& tempName) {
  tempName.clear();
  const int unnamed = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (unnamed >= 0) return unnamed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = CopyName();
    const int fd = openat(folder, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Names a whole unnamed copy beside its target, for the rename over the target.
bool NameBeside(int folder, int file, std::string& tempName) {
  const std::string self = "/proc/self/fd/" + std::to_string(file);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = CopyName();
    if (linkat(AT_FDCWD, self.c_str(), folder, tempName.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  tempName.clear();
  return false;
}

// The stat of a name in an open folder without following it.
std::optional<struct stat> StatAt(const Located& at) {
  struct stat st {};
  if (fstatat(at.folder.Get(), at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return st;
}

bool ReadOnlyAt(const Located& at, const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return false;
  const UniqueFd file(openat(at.folder.Get(), at.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  return !file.Valid() || HostIsReadOnly(DescriptorPath(file.Get()), st);
}

}  // namespace

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  const auto source = ToHostPath(from);
  const auto target = ToHostPath(to);
  if (!source || !target) return false;
  // Neither side is reached through a link that another user may have planted.
  const UniqueFd in = OpenFile(*source, O_RDONLY);
  struct stat sourceStat {};
  if (!in.Valid() || fstat(in.Get(), &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode)) return false;

  // A link at the target that is ours (or root's) leads to the file it replaces; one that is not
  // is replaced itself, so that nothing is written where it points.
  const auto at = Locate(*target);
  if (!at || at->name == "." || at->name == "..") return false;
  const auto targetStat = StatAt(*at);
  if (targetStat) {
    if (failIfExists || S_ISDIR(targetStat->st_mode) || SameFile(sourceStat, *targetStat) ||
        ReadOnlyAt(*at, *targetStat)) {
      return false;
    }
  }

  // The copy is made beside the target and renamed over it, so that a failure (a full disk) leaves
  // the old target whole.
  std::string tempName;
  Fd out(CreateBeside(at->folder.Get(), tempName));
  if (out.Get() < 0) {
    if (!targetStat || !S_ISREG(targetStat->st_mode)) return false;
    // A folder we may not create files in can still hold a file we may write: write it in place.
    Fd inPlace(openat(at->folder.Get(), at->name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    return inPlace.Get() >= 0 && FillCopy(in.Get(), sourceStat, inPlace.Get()) && inPlace.Close();
  }
  const auto discard = [&] {
    out.Close();
    if (!tempName.empty()) unlinkat(at->folder.Get(), tempName.c_str(), 0);
    return false;
  };
  if (!FillCopy(in.Get(), sourceStat, out.Get())) return discard();
  if (tempName.empty() && !NameBeside(at->folder.Get(), out.Get(), tempName)) return discard();
  if (!out.Close()) return discard();
  const int flags = failIfExists ? RENAME_NOREPLACE : 0;
  const int dir = at->folder.Get();
  if (renameat2(dir, tempName.c_str(), dir, at->name.c_str(), static_cast<unsigned>(flags)) != 0) {
    if (!(failIfExists && errno == EINVAL && !StatAt(*at) && renameat(dir, tempName.c_str(), dir, at->name.c_str()) == 0)) {
      unlinkat(dir, tempName.c_str(), 0);
      return false;
    }
  }
  return true;
}

bool DeleteFile(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  // The last name is removed itself: a link goes, never what it points to.
  const auto at = Locate(*host, Links::Trusted, false);
  if (!at) return false;
  const auto st = StatAt(*at);
  if (!st || S_ISDIR(st->st_mode) || ReadOnlyAt(*at, *st)) return false;
  return unlinkat(at->folder.Get(), at->name.c_str(), 0) == 0;
}

bool RenameFile(std::string_view from, std::string_view to) {
  const auto source = ToHostPath(from);
  const auto target = ToHostPath(to);
  if (!source || !target) return false;
  const auto sourceAt = Locate(*source, Links::Trusted, false);
  const auto targetAt = Locate(*target, Links::Trusted, false);
  if (!sourceAt || !targetAt) return false;
  const auto sourceStat = StatAt(*sourceAt);
  if (!sourceStat) return false;
  const int sourceDir = sourceAt->folder.Get();
  if (const auto targetStat = StatAt(*targetAt)) {
    if (!SameFile(*sourceStat, *targetStat)) return false;
    // The same file under another case ("a.txt" to "A.TXT"): take the name as it was given.
    auto lastSeparator = to.find_last_of("\\/");
    const auto name = to.substr(lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1);
    if (name.empty() || name == "." || name == "..") return false;
    const std::string newName = ToUtf8(name);
    if (newName == sourceAt->name) return true;
    return renameat(sourceDir, sourceAt->name.c_str(), sourceDir, newName.c_str()) == 0;
  }
  const int targetDir = targetAt->folder.Get();
  if (renameat2(sourceDir, sourceAt->name.c_str(), targetDir, targetAt->name.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EINVAL) {  // no RENAME_NOREPLACE here
    return renameat(sourceDir, sourceAt->name.c_str(), targetDir, targetAt->name.c_str()) == 0;
  }
  if (errno == EXDEV && S_ISREG(sourceStat->st_mode)) {
    // Another file system: a file moves as a copy and a delete, as Windows moves it.
    if (!CopyFile(from, to, true)) return false;
    if (unlinkat(sourceDir, sourceAt->name.c_str(), 0) != 0) {
      unlinkat(targetDir, targetAt->name.c_str(), 0);
      return false;
    }
    return true;
  }
  return false;
}

bool CreateFolder(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  const auto at = Locate(*host, Links::Trusted, false);
  return at && mkdirat(at->folder.Get(), at->name.c_str(), 0777) == 0;
}

bool ForceFolders(std::string_view path) {
  const auto host = ToHostPath(path);
  return host && MakeFolders(*host).Valid();
}

bool RemoveFolder(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  const auto at = Locate(*host, Links::Trusted, false);
  return at && unlinkat(at->folder.Get(), at->name.c_str(), AT_REMOVEDIR) == 0;
}

std::optional<std::uint32_t> GetAttributes(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return std::nullopt;
  return HostAttributes(*host);
}

bool SetAttributes(std::string_view path, std::uint32_t attributes) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  // Never changes the mode of what another user's link points to.
  const UniqueFd file = OpenFile(*host, O_PATH);
  return file.Valid() && SetHostAttributes(DescriptorPath(file.Get()), attributes);
}

namespace {

bool MarkOpenProgramRunnable(const UniqueFd& in) {
  struct stat st {};
  if (!in.Valid() || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  char head[4] = {};
  const ssize_t got = ::read(in.Get(), head, sizeof head);
  if (got <= 0 || !IsProgramHead(std::string_view(head, static_cast<std::size_t>(got)))) return true;
  // Each read bit gives the execute bit beside it (r-- to r-x).
  const mode_t runnable = st.st_mode | ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2);
  return runnable == st.st_mode || fchmod(in.Get(), runnable & 07777) == 0;
}

}  // namespace

bool IsProgramHead(std::string_view head) {
  return head.substr(0, 4) == "\x7F" "ELF" || head.starts_with("#!");
}

bool MarkProgramRunnable(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  return MarkOpenProgramRunnable(OpenFile(*host, O_RDONLY));
}

bool MarkProgramRunnableAt(int folder, const std::string& name) {
  // Non-blocking, so that a FIFO put there cannot hold the open.
  return MarkOpenProgramRunnable(UniqueFd(openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK)));
}

std::optional<std::time_t> GetLastWriteTime(std::string_view path) {
  const auto st = StatOf(path);
  if (!st) return std::nullopt;
  return st->st_mtim.tv_sec;
}

bool SetLastWriteTime(std::string_view path, std::time_t when) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  const auto at = Locate(*host);
  if (!at) return false;
  return SetLastWriteTimeAt(at->folder.Get(), at->name, when);
}

bool SetLastWriteTimeAt(int folder, const std::string& name, std::time_t when) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
  // A link left there (one that is not followed) keeps its target's time as it is.
  return utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

std::vector<DirEntry> FindFiles(std::string_view pattern) {
  std::vector<DirEntry> entries;
  const auto lastSeparator = pattern.find_last_of("\\/");
  std::string_view folder;
  std::string_view name = pattern;
  if (lastSeparator != std::string_view::npos) {
    folder = pattern.substr(0, lastSeparator + 1);
    name = pattern.substr(lastSeparator + 1);
  } else if (DriveLetterOf(pattern) != 0) {
    folder = pattern.substr(0, 2);  // "C:*.TXT"
    name = pattern.substr(2);
  }
  if (name.empty()) return entries;
  const auto host = ToHostPath(folder.empty() ? std::string_view(".") : folder);
  if (!host) return entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(host->c_str()), closedir);
  if (!dir) return entries;
  const int dirFd = dirfd(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    auto entryName = FromUtf8(item->d_name);
    if (!WildcardMatch(name, entryName)) continue;
    struct stat st {};
    // A dangling link is still an entry of the folder.
    if (fstatat(dirFd, item->d_name, &st, 0) != 0 && fstatat(dirFd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      continue;
    }
    DirEntry entry;
    entry.name = std::move(entryName);
    entry.attributes = HostAttributes(*host / item->d_name, st);
    entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.lastWrite = st.st_mtim.tv_sec;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace lifto::platform
