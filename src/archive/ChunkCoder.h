#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "archive/Codecs.h"
#include "archive/HostFile.h"

/// Reads a file in chunks of 16384 bytes and codes each as an EC2 block, in file order. The
/// writer takes the chunks one at a time, and decides only afterwards on which volume each goes:
/// a chunk's block does not depend on where it is written.
namespace lifto::archive {

/// One chunk of the file, read and coded.
struct CodedChunk {
  std::span<const std::uint8_t> data;  ///< the file bytes (may be short when reading failed)
  bool readFailed = false;             ///< the read failed or the file ended early
  std::string readError;
  std::optional<DeflatedChunk> block;  ///< nullopt: compression error
  const ChunkBuffer* stream = nullptr; ///< the zlib stream of a compressed block
};

/// A file the writer has opened to write next, with the bytes to be read from it.
struct ChunkSource {
  HostFile* input = nullptr;
  std::int64_t size = 0;
};
/// The file to be started after those handed out so far, or nullopt when none is ready (yet).
/// Called on the writer's thread; the file stays open until it is finished or the coder is gone.
using UpcomingFiles = std::function<std::optional<ChunkSource>()>;

class ChunkCoder {
 public:
  virtual ~ChunkCoder() = default;
  /// Begins a file: `size` bytes are to be read from `input`, which stays open until Finish.
  /// Files handed out by UpcomingFiles are started in the order handed out; starting any other
  /// file drops what was read ahead.
  virtual void Start(HostFile& input, std::int64_t size) = 0;
  /// The next chunk; valid until the following call. Only called while bytes of the file remain.
  virtual const CodedChunk& Next() = 0;
  /// Ends the file (also early); no chunk is read from it afterwards.
  virtual void Finish() = 0;
};

/// Codes on the calling thread.
std::unique_ptr<ChunkCoder> MakeSerialChunkCoder(TCompressionLevel level);
/// Codes on `threads` worker threads and on the calling thread while it would wait, reading up to
/// 32 chunks ahead, past the end of the current file into those `upcoming` hands out; the chunks
/// come out in file order, byte for byte the same as the serial coder's. Memory stays at 32
/// chunks (about 1 MiB, and at most as many files open) whatever the files.
std::unique_ptr<ChunkCoder> MakeParallelChunkCoder(TCompressionLevel level, unsigned threads,
                                                   UpcomingFiles upcoming = {});

}  // namespace lifto::archive
