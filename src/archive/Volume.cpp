#include "archive/Volume.h"

#include <algorithm>
#include <cstring>

namespace lifto::archive {

FileVolumeSink::~FileVolumeSink() { Close(); }

bool FileVolumeSink::Create(const std::string& path) {
  Close();
  used_ = 0;
  written_ = 0;
  if (!file_.Open(path, HostFile::Mode::Create)) {
    error_ = path + ": " + file_.Error();
    return false;
  }
  return true;
}

bool FileVolumeSink::Flush() {
  if (used_ == 0) return true;
  if (!file_.Write(buffer_.data(), used_)) {
    error_ = file_.Error();
    return false;
  }
  written_ += static_cast<std::int64_t>(used_);
  used_ = 0;
  return true;
}

bool FileVolumeSink::Write(const void* data, std::size_t size) {
  if (!file_.IsOpen()) {
    error_ = "no volume open";
    return false;
  }
  if (used_ + size > buffer_.size()) {
    if (!Flush()) return false;
    if (size >= buffer_.size()) {
      if (!file_.Write(data, size)) {
        error_ = file_.Error();
        return false;
      }
      written_ += static_cast<std::int64_t>(size);
      return true;
    }
  }
  std::memcpy(buffer_.data() + used_, data, size);
  used_ += size;
  return true;
}

bool FileVolumeSink::Close() {
  if (!file_.IsOpen()) return true;
  const bool flushed = Flush();
  const bool closed = file_.Close();
  if (!closed && flushed) error_ = file_.Error();
  used_ = 0;
  return flushed && closed;
}

bool VolumeSource::Open(const std::string& path) {
  Close();
  path_ = path;
  return file_.Open(path, HostFile::Mode::Read);
}

void VolumeSource::Close() {
  file_.Close();
  begin_ = end_ = 0;
  offset_ = 0;
}

std::int64_t VolumeSource::Read(void* data, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(data);
  std::size_t got = 0;
  while (got < size) {
    if (begin_ == end_) {
      // Large reads go straight to the caller's buffer.
      if (size - got >= buffer_.size()) {
        const auto n = file_.Read(out + got, size - got);
        if (n < 0) return -1;
        got += static_cast<std::size_t>(n);
        offset_ += n;
        break;
      }
      const auto n = file_.Read(buffer_.data(), buffer_.size());
      if (n < 0) return -1;
      if (n == 0) break;
      begin_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    const std::size_t take = std::min(size - got, end_ - begin_);
    std::memcpy(out + got, buffer_.data() + begin_, take);
    begin_ += take;
    got += take;
    offset_ += static_cast<std::int64_t>(take);
  }
  return static_cast<std::int64_t>(got);
}

bool VolumeSource::Skip(std::int64_t count) {
  const auto buffered = static_cast<std::int64_t>(end_ - begin_);
  if (count <= buffered) {
    begin_ += static_cast<std::size_t>(count);
  } else {
    if (!file_.Skip(count - buffered)) return false;
    begin_ = end_ = 0;
  }
  offset_ += count;
  return true;
}

bool VolumeSource::Rewind(std::int64_t offset) {
  if (!file_.Seek(offset)) return false;
  begin_ = end_ = 0;
  offset_ = offset;
  return true;
}

}  // namespace lifto::archive
