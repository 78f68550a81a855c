#include "archive/Codecs.h"

#include <cstring>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

namespace lifto::archive {
namespace {

constexpr int kWindowBits = 15;  // zlib header and Adler-32 trailer present

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

int DeflateLevelOf(TCompressionLevel level) {
  switch (level) {
    case clNone: return 0;
    case clDefault: return 6;
    case clMax: return 9;
    case clFastest:
    default: return 1;
  }
}

struct ChunkDeflater::State {
  std::unique_ptr<libdeflate_compressor, CompressorFree> compressor;
  // Room for the longest stream the coder can make of a chunk, so that it never gives up on a
  // stream that would still fit into a block: whether it fits is decided here, by its length.
  std::vector<std::uint8_t> stream;
};

ChunkDeflater::ChunkDeflater(TCompressionLevel level) : state_(std::make_unique<State>()) {
  state_->compressor.reset(libdeflate_alloc_compressor(DeflateLevelOf(level)));
  if (state_->compressor) {
    state_->stream.resize(libdeflate_zlib_compress_bound(state_->compressor.get(), kChunkSize));
  }
}

ChunkDeflater::~ChunkDeflater() = default;

std::optional<DeflatedChunk> ChunkDeflater::Deflate(std::span<const std::uint8_t> chunk,
                                                    ChunkBuffer& out) {
  if (!state_->compressor || chunk.size() > kChunkSize) return std::nullopt;
  const std::size_t length =
      libdeflate_zlib_compress(state_->compressor.get(), chunk.data(), chunk.size(),
                               state_->stream.data(), state_->stream.size());
  // A stream longer than a block: the chunk goes into the archive as it is.
  if (length == 0 || length > out.size()) return DeflatedChunk{true, chunk.size()};
  std::memcpy(out.data(), state_->stream.data(), length);
  return DeflatedChunk{false, length};
}

struct BlockInflater::State {
  std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor{
      libdeflate_alloc_decompressor()};
  z_stream stream{};
  bool zlibReady = false;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (zlibReady) inflateEnd(&stream);
  }

  // zlib's inflate, with the rules of a block: the stream ends exactly where the payload does.
  std::optional<std::size_t> InflateWithZlib(std::span<const std::uint8_t> payload, ChunkBuffer& out) {
    if (!zlibReady) zlibReady = inflateInit2(&stream, kWindowBits) == Z_OK;
    if (!zlibReady || inflateReset(&stream) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(payload.data());
    stream.avail_in = static_cast<uInt>(payload.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    if (inflate(&stream, Z_NO_FLUSH) != Z_STREAM_END || stream.avail_in != 0) return std::nullopt;
    return static_cast<std::size_t>(stream.total_out);
  }
};

BlockInflater::BlockInflater() : state_(std::make_unique<State>()) {}

BlockInflater::~BlockInflater() = default;

std::optional<std::size_t> BlockInflater::Inflate(std::span<const std::uint8_t> payload,
                                                  ChunkBuffer& out) {
  if (payload.size() > kChunkSize) return std::nullopt;
  if (state_->decompressor) {
    std::size_t used = 0;
    std::size_t decoded = 0;
    const auto result = libdeflate_zlib_decompress_ex(state_->decompressor.get(), payload.data(),
                                                      payload.size(), out.data(), out.size(),
                                                      &used, &decoded);
    // A block holds one whole stream and nothing else. Taking a partial or padded one would
    // restore a damaged file without a word.
    if (result == LIBDEFLATE_SUCCESS && used == payload.size()) return decoded;
  }
  return state_->InflateWithZlib(payload, out);
}

std::optional<DeflatedChunk> DeflateChunk(std::span<const std::uint8_t> chunk,
                                          TCompressionLevel level, ChunkBuffer& out) {
  ChunkDeflater deflater(level);
  return deflater.Deflate(chunk, out);
}

std::optional<std::size_t> InflateBlock(std::span<const std::uint8_t> payload, ChunkBuffer& out) {
  BlockInflater inflater;
  return inflater.Inflate(payload, out);
}

std::optional<std::size_t> Lzrw1KhExpand(std::span<const std::uint8_t> block, LegacyBuffer& out) {
  const std::size_t length = block.size();
  if (length < 1 || length > kLegacyBlockSize) return std::nullopt;
  if (block[0] == 0x80) {
    std::memcpy(out.data(), block.data() + 1, length - 1);
    return length - 1;
  }
  if (length < 3) return std::nullopt;
  std::size_t x = 3;
  std::size_t y = 0;
  unsigned control = (unsigned{block[1]} << 8) | block[2];
  int bits = 16;
  while (x < length) {
    if (bits == 0) {
      if (x + 1 >= length) return std::nullopt;
      control = (unsigned{block[x]} << 8) | block[x + 1];
      x += 2;
      bits = 16;
      // A control word at the very end governs nothing.
      if (x >= length) break;
    }
    if ((control & 0x8000U) == 0) {
      if (y >= out.size()) return std::nullopt;
      out[y++] = block[x++];
    } else {
      if (x + 1 >= length) return std::nullopt;
      const std::size_t offset = (std::size_t{block[x]} << 4) | (block[x + 1] >> 4);
      if (offset == 0) {
        if (x + 3 >= length) return std::nullopt;
        const std::size_t count = ((std::size_t{block[x + 1]} << 8) | block[x + 2]) + 16;
        if (count > out.size() - y) return std::nullopt;
        std::memset(out.data() + y, block[x + 3], count);
        y += count;
        x += 4;
      } else {
        const std::size_t count = (block[x + 1] & 0x0FU) + 3;
        if (offset > y || count > out.size() - y) return std::nullopt;
        // One byte at a time: a copy closer than its length repeats its last `offset` bytes.
        for (std::size_t k = 0; k < count; ++k) out[y + k] = out[y - offset + k];
        y += count;
        x += 2;
      }
    }
    control = (control << 1) & 0xFFFFU;
    --bits;
  }
  return y;
}

}  // namespace lifto::archive
