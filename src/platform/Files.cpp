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

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  const auto source = ToHostPath(from);
  auto target = ToHostPath(to);
  if (!source || !target) return false;
  Fd in(open(source->c_str(), O_RDONLY | O_CLOEXEC));
  struct stat sourceStat {};
  if (in.Get() < 0 || fstat(in.Get(), &sourceStat) != 0 || S_ISDIR(sourceStat.st_mode)) return false;

  std::error_code ec;
  if (fs::is_symlink(*target, ec)) {
    // Replace the file the link leads to, not the link.
    const auto real = fs::weakly_canonical(*target, ec);
    if (ec) return false;
    target = real;
  }
  const auto targetStat = StatOf(*target);
  if (targetStat) {
    if (failIfExists || S_ISDIR(targetStat->st_mode) || SameFile(sourceStat, *targetStat) ||
        HostIsReadOnly(*target, *targetStat)) {
      return false;
    }
  }

  // The copy is made beside the target and renamed over it, so that a failure (a full disk) leaves
  // the old target whole.
  auto tempName = (target->parent_path() / ".~lifto-copy-XXXXXX").string();
  Fd out(mkostemp(tempName.data(), O_CLOEXEC));
  if (out.Get() < 0) {
    if (!targetStat) return false;
    // A folder we may not create files in can still hold a file we may write: write it in place.
    Fd inPlace(open(target->c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    return inPlace.Get() >= 0 && FillCopy(in.Get(), sourceStat, inPlace.Get()) && inPlace.Close();
  }
  const auto discard = [&] {
    out.Close();
    unlink(tempName.c_str());
    return false;
  };
  if (!FillCopy(in.Get(), sourceStat, out.Get()) || !out.Close()) return discard();
  const int flags = failIfExists ? RENAME_NOREPLACE : 0;
  if (renameat2(AT_FDCWD, tempName.c_str(), AT_FDCWD, target->c_str(), static_cast<unsigned>(flags)) != 0) {
    if (!(failIfExists && errno == EINVAL && !StatOf(*target) && rename(tempName.c_str(), target->c_str()) == 0)) {
      unlink(tempName.c_str());
      return false;
    }
  }
  return true;
}

bool DeleteFile(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  struct stat st {};
  if (lstat(host->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (!S_ISLNK(st.st_mode) && HostIsReadOnly(*host, st)) return false;
  return unlink(host->c_str()) == 0;
}

bool RenameFile(std::string_view from, std::string_view to) {
  const auto source = ToHostPath(from);
  auto target = ToHostPath(to);
  if (!source || !target) return false;
  struct stat sourceStat {};
  if (lstat(source->c_str(), &sourceStat) != 0) return false;
  struct stat targetStat {};
  if (lstat(target->c_str(), &targetStat) == 0) {
    if (!SameFile(sourceStat, targetStat)) return false;
    // The same file under another case ("a.txt" to "A.TXT"): take the name as it was given.
    auto lastSeparator = to.find_last_of("\\/");
    const auto name = to.substr(lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1);
    if (name.empty() || name == "." || name == "..") return false;
    target = source->parent_path() / ToUtf8(name);
    if (*target == *source) return true;
    return rename(source->c_str(), target->c_str()) == 0;
  }
  if (renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL) return rename(source->c_str(), target->c_str()) == 0;  // no RENAME_NOREPLACE here
  if (errno == EXDEV && S_ISREG(sourceStat.st_mode)) {
    // Another file system: a file moves as a copy and a delete, as Windows moves it.
    if (!CopyFile(from, to, true)) return false;
    if (unlink(source->c_str()) != 0) {
      unlink(target->c_str());
      return false;
    }
    return true;
  }
  return false;
}

bool CreateFolder(std::string_view path) {
  const auto host = ToHostPath(path);
  return host && mkdir(host->c_str(), 0777) == 0;
}

bool ForceFolders(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  std::error_code ec;
  fs::create_directories(*host, ec);
  return fs::is_directory(*host, ec);
}

bool RemoveFolder(std::string_view path) {
  const auto host = ToHostPath(path);
  return host && rmdir(host->c_str()) == 0;
}

std::optional<std::uint32_t> GetAttributes(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return std::nullopt;
  return HostAttributes(*host);
}

bool SetAttributes(std::string_view path, std::uint32_t attributes) {
  const auto host = ToHostPath(path);
  return host && SetHostAttributes(*host, attributes);
}

bool MarkProgramRunnable(std::string_view path) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  Fd in(::open(host->c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (in.Get() < 0 || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  char head[4] = {};
  const ssize_t got = ::read(in.Get(), head, sizeof head);
  const bool elf = got == 4 && std::string_view(head, 4) == "\x7F" "ELF";
  const bool script = got >= 2 && head[0] == '#' && head[1] == '!';
  if (!elf && !script) return true;
  // Each read bit gives the execute bit beside it (r-- to r-x).
  const mode_t runnable = st.st_mode | ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2);
  return runnable == st.st_mode || fchmod(in.Get(), runnable & 07777) == 0;
}

std::optional<std::time_t> GetLastWriteTime(std::string_view path) {
  const auto st = StatOf(path);
  if (!st) return std::nullopt;
  return st->st_mtim.tv_sec;
}

bool SetLastWriteTime(std::string_view path, std::time_t when) {
  const auto host = ToHostPath(path);
  if (!host) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
  return utimensat(AT_FDCWD, host->c_str(), times, 0) == 0;
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
