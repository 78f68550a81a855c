#include "archive/Codecs.h"

#include <cstring>
#include <new>

#include <zlib.h>

namespace lifto::archive {
namespace {

constexpr int kWindowBits = 15;  // zlib header and Adler-32 trailer present
constexpr int kMemoryLevel = 8;

}  // namespace

int DeflateLevelOf(TCompressionLevel level) {
  switch (level) {
    case clNone: return 0;
    case clDefault: return Z_DEFAULT_COMPRESSION;
    case clMax: return 9;
    case clFastest:
    default: return 1;
  }
}

struct ChunkDeflater::State {
  z_stream stream{};
  bool ready = false;
};

ChunkDeflater::ChunkDeflater(TCompressionLevel level) : state_(std::make_unique<State>()) {
  const int status = deflateInit2(&state_->stream, DeflateLevelOf(level), Z_DEFLATED, kWindowBits,
                                  kMemoryLevel, Z_DEFAULT_STRATEGY);
  state_->ready = status == Z_OK;
}

ChunkDeflater::~ChunkDeflater() {
  if (state_->ready) deflateEnd(&state_->stream);
}

std::optional<DeflatedChunk> ChunkDeflater::Deflate(std::span<const std::uint8_t> chunk,
                                                    ChunkBuffer& out) {
  if (!state_->ready) return std::nullopt;
  z_stream& s = state_->stream;
  if (deflateReset(&s) != Z_OK) return std::nullopt;
  s.next_in = const_cast<Bytef*>(chunk.data());
  s.avail_in = static_cast<uInt>(chunk.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&s, Z_FINISH);
  if (status == Z_STREAM_END) return DeflatedChunk{false, static_cast<std::size_t>(s.total_out)};
  // The stream did not fit into the output space: the chunk goes into the archive as it is.
  if (status == Z_OK) return DeflatedChunk{true, chunk.size()};
  return std::nullopt;
}

struct BlockInflater::State {
  z_stream stream{};
  bool ready = false;
};

BlockInflater::BlockInflater() : state_(std::make_unique<State>()) {
  state_->ready = inflateInit2(&state_->stream, kWindowBits) == Z_OK;
}

BlockInflater::~BlockInflater() {
  if (state_->ready) inflateEnd(&state_->stream);
}

std::optional<std::size_t> BlockInflater::Inflate(std::span<const std::uint8_t> payload,
                                                  ChunkBuffer& out) {
  if (!state_->ready || payload.size() > kChunkSize) return std::nullopt;
  z_stream& s = state_->stream;
  if (inflateReset(&s) != Z_OK) return std::nullopt;
  s.next_in = const_cast<Bytef*>(payload.data());
  s.avail_in = static_cast<uInt>(payload.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&s, Z_NO_FLUSH);
  // A block holds one whole stream. One that stops short of its end was cut or decodes to more
  // than a chunk; taking its partial output would restore a damaged file without a word.
  if (status != Z_STREAM_END) return std::nullopt;
  return static_cast<std::size_t>(s.total_out);
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
