#include "archive/HostFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"

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

bool HostFile::Open(const std::string& path, Mode mode) {
  Close();
  const auto host = platform::ToHostPath(path);
  if (!host) {
    error_ = "no drive mapping for this path";
    return false;
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Create: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Mode::Append: flags |= O_WRONLY | O_APPEND; break;
  }
  fd_ = ::open(host->c_str(), flags, 0666);
  if (fd_ < 0) {
    Fail();
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

std::int64_t HostFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
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
