#include "update/TextFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"

namespace lifto::update {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  /// Closes now, so that a failure of the last write to disk is seen. @return success
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Far above what a log of a few dozen lines or a marker holds; a larger file is not one of ours.
constexpr std::size_t kMaxTextFileBytes = 1024 * 1024;

// Far above the passes that workstations rewriting the file one after the other cause.
constexpr int kLockAttempts = 1000;

[[noreturn]] void Fail(const std::string& windowsPath, int error) {
  throw std::runtime_error("Cannot create file " + windowsPath + ": " + std::strerror(error));
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> ReadTextLines(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) return std::nullopt;
  // These files lie in shared folders: a planted link, a FIFO or a device is not read.
  const auto read = platform::ReadSmallFile(*host, kMaxTextFileBytes);
  if (!read) return std::nullopt;
  const std::string& text = *read;

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

void WriteFileAtomically(const std::string& windowsPath, const std::string& bytes) {
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) Fail(windowsPath, ENOENT);
  // Walked by descriptor: a link that another user planted in place of the file is replaced
  // itself, and one in place of a folder is refused.
  const auto at = platform::Locate(*host);
  if (!at) Fail(windowsPath, errno);
  const int dir = at->folder.Get();

  // A read-only file stays as it is, as it would on Windows; the rename alone would replace it.
  struct stat existing {};
  const bool exists = ::fstatat(dir, at->name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(existing.st_mode);
  if (exists) {
    const platform::UniqueFd file(::openat(dir, at->name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!file.Valid() || (existing.st_mode & 0222) == 0 ||
        ::access(platform::DescriptorPath(file.Get()).c_str(), W_OK) != 0) {
      Fail(windowsPath, EACCES);
    }
  }

  // The new content goes into an unnamed file beside the target (same file system, so the rename
  // is atomic), named only once it is whole: a process killed meanwhile leaves nothing behind.
  // Where the file system has no unnamed files it is named at once; O_EXCL never reuses a file
  // that is already there.
  std::string temporary;
  const auto nextName = [&](int attempt) {
    temporary = at->name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
  };
  int fd = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  const bool unnamed = fd >= 0;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    nextName(attempt);
    fd = ::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) Fail(windowsPath, errno);
  }
  if (fd < 0) Fail(windowsPath, EEXIST);
  FileDescriptor file(fd);

  bool named = !unnamed;
  auto abandon = [&](int error) {
    if (named) ::unlinkat(dir, temporary.c_str(), 0);
    Fail(windowsPath, error);
  };
  if (exists && ::fchmod(file.Get(), existing.st_mode & 07777) != 0) abandon(errno);
  if (!WriteAll(file.Get(), bytes)) abandon(errno);
  if (::fsync(file.Get()) != 0) abandon(errno);
  if (unnamed) {
    const std::string self = "/proc/self/fd/" + std::to_string(file.Get());
    for (int attempt = 0; !named && attempt < 100; ++attempt) {
      nextName(attempt);
      named = ::linkat(AT_FDCWD, self.c_str(), dir, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0;
      if (!named && errno != EEXIST) abandon(errno);
    }
    if (!named) abandon(EEXIST);
  }
  if (!file.Close()) abandon(errno);
  if (::renameat(dir, temporary.c_str(), dir, at->name.c_str()) != 0) abandon(errno);

  // The rename itself reaches the disk with the folder's entry.
  FileDescriptor folder(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
}

FileRewriteLock::FileRewriteLock(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) Fail(windowsPath, ENOENT);
  // Walked by descriptor, as the rewrite itself: nothing is created where a planted link points.
  const auto at = platform::Locate(*host);
  if (!at) Fail(windowsPath, errno);
  const int dir = at->folder.Get();
  const char* name = at->name.c_str();
  // Each pass locks the file or clears a name that is in the way; the bound keeps someone who
  // plants again and again from holding the update here.
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    // A link that the walk did not follow (another user's), a FIFO or a device is no log: the
    // rewrite replaces it, so the lock removes it first rather than open or follow it.
    struct stat present {};
    if (::fstatat(dir, name, &present, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(present.st_mode)) {
      if (S_ISDIR(present.st_mode)) Fail(windowsPath, EISDIR);
      if (::unlinkat(dir, name, 0) != 0 && errno != ENOENT) Fail(windowsPath, errno);
      continue;
    }
    // Read-only is enough for flock, and a read-only log still refuses the write itself.
    // O_NONBLOCK: a FIFO put there since the look above is not waited on.
    fd_.Reset(::openat(dir, name, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!fd_.Valid()) {
      const int error = errno;
      // Swapped for a link meanwhile: the next pass removes it.
      if (::fstatat(dir, name, &present, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(present.st_mode)) continue;
      Fail(windowsPath, error);
    }
    struct stat locked {};
    if (::fstat(fd_.Get(), &locked) != 0) Fail(windowsPath, errno);
    if (!S_ISREG(locked.st_mode)) continue;
    while (::flock(fd_.Get(), LOCK_EX) != 0) {
      if (errno != EINTR) Fail(windowsPath, errno);
    }
    // The lock holds only while the name still leads to the file locked: a writer before us may
    // have renamed its new file over it.
    struct stat named {};
    if (::fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && locked.st_dev == named.st_dev &&
        locked.st_ino == named.st_ino) {
      return;
    }
  }
  Fail(windowsPath, EAGAIN);
}

}  // namespace lifto::update
