#include "archive/HostFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FilePlaces.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"

namespace lifto::archive {

HostFile::~HostFile() { Close(); }

HostFile::HostFile(HostFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(std::move(other.error_)) {}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::move(other.error_);
  }
  return *this;
}

void HostFile::Fail() { error_ = std::strerror(errno); }

namespace {

int FlagsOf(HostFile::Mode mode) {
  switch (mode) {
    case HostFile::Mode::Read: return O_RDONLY;
    case HostFile::Mode::Create: return O_WRONLY | O_CREAT | O_TRUNC;
    case HostFile::Mode::Append: return O_WRONLY | O_APPEND;
  }
  return O_RDONLY;
}

}  // namespace

bool HostFile::Open(const std::string& path, Mode mode) {
  Close();
  const auto host = platform::ToHostPath(path);
  if (!host) {
    error_ = "no drive mapping for this path";
    return false;
  }
  return Adopt(platform::OpenFile(*host, FlagsOf(mode)).Release());
}

bool HostFile::OpenForReading(platform::FilePlaces& places, const std::string& path) {
  Close();
  return Adopt(places.OpenForReading(path).Release());
}

bool HostFile::OpenAt(int folder, const std::string& name, Mode mode) {
  Close();
  return Adopt(::openat(folder, name.c_str(), FlagsOf(mode) | O_NOFOLLOW | O_CLOEXEC, 0666));
}

bool HostFile::Adopt(int fd) {
  fd_ = fd;
  if (fd_ < 0) {
    // ELOOP here means a link stood where a file was to be: it is not followed.
    error_ = errno == ELOOP ? "a link stands there and is not followed" : std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    error_ = "is a folder";
    return false;
  }
  return true;
}

std::int64_t HostFile::Read(void* data, std::size_t size) {
  auto* out = static_cast<char*>(data);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd_, out + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail();
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(got);
}

bool HostFile::Write(const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, in, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail();
      return false;
    }
    in += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool HostFile::Skip(std::int64_t count) {
  if (::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) < 0) {
    Fail();
    return false;
  }
  return true;
}

bool HostFile::Seek(std::int64_t offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    Fail();
    return false;
  }
  return true;
}

std::int64_t HostFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::time_t> HostFile::LastWriteTime() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return st.st_mtim.tv_sec;
}

bool HostFile::Close() {
  if (fd_ < 0) return true;
  const int status = ::close(std::exchange(fd_, -1));
  if (status != 0) {
    Fail();
    return false;
  }
  return true;
}

}  // namespace lifto::archive
