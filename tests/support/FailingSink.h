#pragma once

#include <cstdint>
#include <string>

#include "archive/Volume.h"

namespace lifto::test {

/// Archive volumes on disk until a given number of bytes has been written over all volumes; then
/// every write fails, as a disk that fills up in the middle of a volume.
class FailingSink final : public archive::VolumeSink {
 public:
  explicit FailingSink(std::int64_t failAfter) : left_(failAfter) {}
  bool Create(const std::string& path) override { return inner_.Create(path); }
  bool Write(const void* data, std::size_t size) override;
  std::int64_t Position() const override { return inner_.Position(); }
  bool Close() override { return inner_.Close(); }
  std::string Error() const override { return failed_ ? "No space left on device" : inner_.Error(); }

 private:
  archive::FileVolumeSink inner_;
  std::int64_t left_;
  bool failed_ = false;
};

}  // namespace lifto::test
