// Legacy blocks straight from the fuzzer: whatever the bytes, the expander stays inside the block
// and its 32783-byte buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archive/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > lifto::archive::kLegacyBlockSize) return -1;
  static lifto::archive::LegacyBuffer out;
  const auto n = lifto::archive::Lzrw1KhExpand({data, size}, out);
  if (n && *n > out.size()) std::abort();
  // A stored block comes back as it is.
  if (size > 0 && data[0] == 0x80 && (!n || *n != size - 1)) std::abort();
  return 0;
}
