// EC2 blocks straight from the fuzzer. Read as a block, the bytes decode to the same data as
// zlib's inflate decodes them to, or are a compression error where zlib refuses them too (the
// fast decoder may accept a few streams zlib is stricter about, never different data). Taken as
// a chunk, they make a block that zlib and InflateBlock both turn back into the chunk.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <zlib.h>

#include "archive/Codecs.h"

namespace {

using namespace lifto::archive;

// A zlib-based reader's view of a block: one inflate call into 16384 bytes, the whole payload
// being one stream.
std::optional<std::size_t> ZlibInflate(const std::uint8_t* data, std::size_t size, ChunkBuffer& out) {
  z_stream s{};
  if (inflateInit2(&s, 15) != Z_OK) std::abort();
  s.next_in = const_cast<Bytef*>(data);
  s.avail_in = static_cast<uInt>(size);
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&s, Z_NO_FLUSH);
  const std::optional<std::size_t> result =
      status == Z_STREAM_END && s.avail_in == 0 ? std::optional<std::size_t>(s.total_out) : std::nullopt;
  inflateEnd(&s);
  return result;
}

void ReadAsBlock(const std::uint8_t* data, std::size_t size) {
  static ChunkBuffer ours;
  static ChunkBuffer theirs;
  static BlockInflater inflater;
  const auto n = inflater.Inflate({data, size}, ours);
  if (n && *n > kChunkSize) std::abort();
  if (size > kChunkSize) {
    if (n) std::abort();  // no block is longer than its buffer
    return;
  }
  const auto z = ZlibInflate(data, size, theirs);
  if (z && (!n || *n != *z || std::memcmp(ours.data(), theirs.data(), *z) != 0)) std::abort();
}

void CodeAsChunk(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  const auto level = static_cast<TCompressionLevel>(data[0] % 4);
  const std::span<const std::uint8_t> chunk(data + 1, std::min(size - 1, kChunkSize));
  static ChunkBuffer stream;
  static ChunkBuffer decoded;
  const auto block = DeflateChunk(chunk, level, stream);
  if (!block) std::abort();
  if (block->stored) {
    if (block->length != chunk.size()) std::abort();
    return;
  }
  for (const bool zlib : {false, true}) {
    const auto n = zlib ? ZlibInflate(stream.data(), block->length, decoded)
                        : InflateBlock({stream.data(), block->length}, decoded);
    if (!n || *n != chunk.size() || std::memcmp(decoded.data(), chunk.data(), *n) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAsBlock(data, size);
  CodeAsChunk(data, size);
  return 0;
}
