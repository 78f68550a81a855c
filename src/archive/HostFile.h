#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace lifto::platform {
class FilePlaces;
}

/// A file of the host opened by its Windows path (or a host path), closed when it goes out of
/// scope. The archive reads and writes through it with plain system calls, so that a block costs
/// one call and nothing is buffered twice.
namespace lifto::archive {

class HostFile {
 public:
  enum class Mode {
    Read,      ///< read-only, shared
    Create,    ///< write, created or emptied
    Append,    ///< write an existing file, at its end
  };

  HostFile() = default;
  ~HostFile();
  HostFile(HostFile&& other) noexcept;
  HostFile& operator=(HostFile&& other) noexcept;
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  /// Opens by a walk that follows only links of the user or root (see platform/SafeFiles.h).
  /// @return true when opened; otherwise Error() says why
  bool Open(const std::string& path, Mode mode);
  /// Opens for reading as Open does, through folders that `places` keeps resolved and open.
  bool OpenForReading(platform::FilePlaces& places, const std::string& path);
  /// Opens a name in an open folder without following a link there.
  /// @param folder a folder descriptor, kept by the caller
  bool OpenAt(int folder, const std::string& name, Mode mode);
  bool IsOpen() const { return fd_ >= 0; }

  /// Reads up to `size` bytes, retrying short reads until the end of the file.
  /// @return bytes read, or -1 on an error
  std::int64_t Read(void* data, std::size_t size);
  /// Writes all bytes. @return false on an error
  bool Write(const void* data, std::size_t size);
  /// Moves the position forward. @return false on an error
  bool Skip(std::int64_t count);
  /// Moves the position to `offset` bytes from the start. @return false on an error
  bool Seek(std::int64_t offset);
  std::int64_t Size() const;  ///< -1 on an error
  /// The file's time of last writing (seconds since 1970); nullopt on an error.
  std::optional<std::time_t> LastWriteTime() const;
  /// @return false when closing reported an error (data not written)
  bool Close();

  /// What the system said about the last failure ("Permission denied", "No such file").
  const std::string& Error() const { return error_; }

 private:
  void Fail();
  bool Adopt(int fd);
  int fd_ = -1;
  std::string error_;
};

}  // namespace lifto::archive
