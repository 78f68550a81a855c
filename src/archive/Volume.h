#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/HostFile.h"

/// Where archive volumes are written and read: one open volume file at a time. The writer and the
/// reader go through these, so that tests can put a failing disk under the writer.
namespace lifto::archive {

/// The destination of an archive's volumes.
class VolumeSink {
 public:
  virtual ~VolumeSink() = default;
  /// Creates the volume file (replacing one of that name) and makes it the destination, at 0.
  virtual bool Create(const std::string& path) = 0;
  virtual bool Write(const void* data, std::size_t size) = 0;
  /// Bytes written to the open volume so far.
  virtual std::int64_t Position() const = 0;
  /// Closes the open volume; false when its data could not be written out.
  virtual bool Close() = 0;
  /// What went wrong last, for messages.
  virtual std::string Error() const = 0;
};

/// Volumes as files of the host, written through a buffer so that the small fields of the format
/// do not cost a system call each.
class FileVolumeSink final : public VolumeSink {
 public:
  ~FileVolumeSink() override;
  bool Create(const std::string& path) override;
  bool Write(const void* data, std::size_t size) override;
  std::int64_t Position() const override { return written_ + static_cast<std::int64_t>(used_); }
  bool Close() override;
  std::string Error() const override { return error_; }

 private:
  bool Flush();
  HostFile file_;
  std::array<std::uint8_t, 65536> buffer_{};
  std::size_t used_ = 0;
  std::int64_t written_ = 0;
  std::string error_;
};

/// The open volume being read, through a buffer; skipped data is passed over by moving the file
/// position when it lies beyond the buffer.
class VolumeSource {
 public:
  /// @return false when the file cannot be opened (Error() says why)
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }

  /// Reads up to `size` bytes. @return bytes read (short at the end of the file), -1 on an error
  std::int64_t Read(void* data, std::size_t size);
  /// Moves forward by `count` bytes without reading them. @return false on an error
  bool Skip(std::int64_t count);
  /// Goes back to an offset read before, so that bytes read ahead are read again.
  /// @return false on an error
  bool Rewind(std::int64_t offset);
  /// Offset of the next byte in the volume, for messages.
  std::int64_t Offset() const { return offset_; }
  const std::string& Error() const { return file_.Error(); }

 private:
  HostFile file_;
  std::string path_;
  std::array<std::uint8_t, 65536> buffer_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::int64_t offset_ = 0;
};

}  // namespace lifto::archive
