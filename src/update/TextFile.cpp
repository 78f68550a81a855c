#include "update/TextFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/Paths.h"

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
  if (!platform::FileExists(windowsPath)) return std::nullopt;
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) return std::nullopt;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();

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

  // A read-only file stays as it is, as it would on Windows; the rename alone would replace it.
  struct stat existing {};
  const bool exists = ::stat(host->c_str(), &existing) == 0;
  if (exists) {
    const auto attributes = platform::GetAttributes(windowsPath);
    if (attributes && (*attributes & platform::kAttrReadOnly)) Fail(windowsPath, EACCES);
  }

  // A fresh name beside the target (same file system, so the rename is atomic); O_EXCL never
  // reuses a file that is already there.
  std::filesystem::path temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = *host;
    temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) Fail(windowsPath, errno);
  }
  if (fd < 0) Fail(windowsPath, EEXIST);
  FileDescriptor file(fd);

  auto abandon = [&](int error) {
    ::unlink(temporary.c_str());
    Fail(windowsPath, error);
  };
  if (exists && ::fchmod(file.Get(), existing.st_mode & 07777) != 0) abandon(errno);
  if (!WriteAll(file.Get(), bytes)) abandon(errno);
  if (::fsync(file.Get()) != 0) abandon(errno);
  if (!file.Close()) abandon(errno);
  if (::rename(temporary.c_str(), host->c_str()) != 0) abandon(errno);

  // The rename itself reaches the disk with the folder's entry.
  FileDescriptor folder(::open(host->parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
}

}  // namespace lifto::update
