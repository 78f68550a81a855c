#include "support/FailingSink.h"

namespace lifto::test {

bool FailingSink::Write(const void* data, std::size_t size) {
  if (failed_ || static_cast<std::int64_t>(size) > left_) {
    failed_ = true;
    return false;
  }
  left_ -= static_cast<std::int64_t>(size);
  return inner_.Write(data, size);
}

}  // namespace lifto::test
