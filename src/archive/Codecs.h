#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

/// The block codecs of update archives. "EC2" blocks are one zlib stream per chunk of at most
/// 16384 bytes of file data, or the chunk itself when its stream would not fit in 16384 bytes;
/// legacy "ECS" blocks are LZRW1-KH blocks, which the tool only expands.
namespace lifto::archive {

/// Deflate level of EC2 blocks, in the component's ordinal order (clFastest first).
enum TCompressionLevel : std::uint8_t { clFastest = 0, clNone = 1, clDefault = 2, clMax = 3 };

inline constexpr std::size_t kChunkSize = 16384;          ///< file data per EC2 block, and its output space
inline constexpr std::size_t kLegacyBlockSize = 32783;    ///< largest legacy block, either side

using ChunkBuffer = std::array<std::uint8_t, kChunkSize>;
using LegacyBuffer = std::array<std::uint8_t, kLegacyBlockSize>;

/// The deflate level of a TCompressionLevel: 1, 0, 6 (the default level) or 9.
int DeflateLevelOf(TCompressionLevel level);

/// What DeflateChunk made of a chunk.
struct DeflatedChunk {
  bool stored = false;     ///< true: the block's payload is the chunk itself
  std::size_t length = 0;  ///< payload length: the zlib stream in the output buffer, or the chunk's
};

/// Codes chunks one after the other, each whole, into a complete zlib stream of its own: nothing
/// is carried from one chunk to the next, so the coder made once gives the bytes of a fresh one.
class ChunkDeflater {
 public:
  /// A coder that cannot get its memory makes every Deflate a compression error.
  explicit ChunkDeflater(TCompressionLevel level);
  ~ChunkDeflater();
  ChunkDeflater(const ChunkDeflater&) = delete;
  ChunkDeflater& operator=(const ChunkDeflater&) = delete;

  /// @param chunk 1 to 16384 bytes of file data
  /// @param out receives the zlib stream when the block is compressed
  /// @return the block, or nullopt for a compression error (the coder has no memory)
  std::optional<DeflatedChunk> Deflate(std::span<const std::uint8_t> chunk, ChunkBuffer& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Decodes compressed EC2 blocks, one complete zlib stream each, whichever deflate coder wrote
/// them. Blocks are decoded whole; a block the fast decoder refuses is tried once more with zlib's
/// inflate, so that every block zlib reads is read as before.
class BlockInflater {
 public:
  BlockInflater();
  ~BlockInflater();
  BlockInflater(const BlockInflater&) = delete;
  BlockInflater& operator=(const BlockInflater&) = delete;

  /// @param payload the block's zlib stream, at most 16384 bytes
  /// @return the count of decoded bytes in `out`, or nullopt for a compression error: the stream
  ///         is damaged (its Adler-32 included), ends before its payload does, needs more than
  ///         the payload, or decodes to more than 16384 bytes
  std::optional<std::size_t> Inflate(std::span<const std::uint8_t> payload, ChunkBuffer& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// One chunk with a state of its own (see ChunkDeflater::Deflate).
std::optional<DeflatedChunk> DeflateChunk(std::span<const std::uint8_t> chunk,
                                          TCompressionLevel level, ChunkBuffer& out);

/// One block with a state of its own (see BlockInflater::Inflate).
std::optional<std::size_t> InflateBlock(std::span<const std::uint8_t> payload, ChunkBuffer& out);

/// Expands one legacy LZRW1-KH block. Every read is checked against the block and every write
/// against the 32783-byte buffer, and a copy may not reach before the start of the output.
/// @param block the block as stored, 1 to 32783 bytes
/// @return the count of expanded bytes in `out`, or nullopt when the block breaks those bounds
std::optional<std::size_t> Lzrw1KhExpand(std::span<const std::uint8_t> block, LegacyBuffer& out);

}  // namespace lifto::archive
