#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "archive/Codecs.h"
#include "archive/Volume.h"

/// The archive's fields as bytes: what the writer puts into a volume and the reader takes out.
namespace lifto::archive {

/// Writes fields to the open volume of a sink. Each call returns false when the sink failed.
class FormatWriter {
 public:
  explicit FormatWriter(VolumeSink& sink) : sink_(sink) {}
  bool Int32(std::int32_t value);
  /// A string: its length, then its bytes.
  bool Text(std::string_view text);
  /// "EC2" and NUL, opening a segment.
  bool Ec2Marker();
  /// One EC2 block: the length of the zlib stream and the stream, or the negated length of a
  /// stored chunk and the chunk.
  bool Block(const DeflatedChunk& block, std::span<const std::uint8_t> chunk,
             const ChunkBuffer& stream);
  /// A disk record naming the next volume.
  bool DiskRecord(unsigned nextVolume);

 private:
  VolumeSink& sink_;
};

/// Reads fields from the open volume of a source. A short read or an unreadable volume throws
/// ArchiveError naming the volume and the offset.
class FormatReader {
 public:
  explicit FormatReader(VolumeSource& source) : source_(source) {}
  std::int32_t Int32();
  /// A string of the given length; a length outside 0 to kMaxNameLength is a damaged archive.
  std::string Text(std::int32_t length);
  void Bytes(std::uint8_t* data, std::size_t size);
  /// An EC2 block's length field; a block longer than a chunk is a damaged archive.
  std::int32_t BlockLength();
  void Skip(std::int64_t size);
  /// The 4-byte method marker, taken up to its first NUL.
  std::string Marker();
  VolumeSource& Source() { return source_; }

  /// Throws the archive's read failure for this volume: text, volume path and offset.
  [[noreturn]] void Fail(const std::string& text, const std::string& detail) const;

 private:
  VolumeSource& source_;
};

/// The buffers and decoder state that reading segments needs, made once per operation.
struct SegmentBuffers {
  ChunkBuffer block{};
  ChunkBuffer decoded{};
  LegacyBuffer legacyBlock{};
  LegacyBuffer legacyDecoded{};
  BlockInflater inflater;
};

/// One block read, as the events see it.
struct BlockRead {
  std::size_t appended = 0;       ///< decoded bytes appended (0 when skipping, and for an EC2 end)
  bool compressionError = false;  ///< the block's compressed data could not be decoded
  bool legacy = false;            ///< an LZRW1-KH block of an "ECS" segment
};

/// What happens around each block of a segment being read.
struct SegmentEvents {
  /// Takes the decoded bytes of a block; called only when the segment is written. Throws to fail.
  std::function<void(std::span<const std::uint8_t>)> append;
  /// Called after every block (EC2: also after its closing 0 length). @return whether to go on
  std::function<bool(const BlockRead&)> afterBlock;
};

enum class SegmentEnd {
  Complete,          ///< the segment was read to its end
  Stopped,           ///< afterBlock asked to stop
  CompressionError,  ///< a compressed block could not be decoded
};

/// Reads one segment (method marker and body), decoding it when `write` is set and passing over
/// its blocks otherwise. After a damaged compressed block the segment goes on only when
/// afterBlock asks to; it then still ends as CompressionError.
/// @param method receives the segment's method marker ("EC2", "ECS") when given
/// @throw ArchiveError "Invalid archive type" for an unknown marker; "Cannot read archive" for a
///        short read, a block longer than its buffer, or a legacy block that breaks its bounds
SegmentEnd ReadSegment(FormatReader& in, bool write, SegmentBuffers& buffers,
                       const SegmentEvents& events, std::string* method = nullptr);

/// Reads the rest of a segment whose method marker was read already (see ReadSegment).
SegmentEnd ReadSegmentBody(FormatReader& in, const std::string& marker, bool write,
                           SegmentBuffers& buffers, const SegmentEvents& events);

/// How an EC2 segment ends, told block by block: at its closing 0, or when afterBlock stops it.
class Ec2SegmentEnd {
 public:
  /// @param length the block's length field; @param damaged its data could not be decoded;
  /// @param goOn what afterBlock answered
  /// @return the segment's end once it has one
  std::optional<SegmentEnd> After(std::int32_t length, bool damaged, bool goOn);

 private:
  bool anyDamaged_ = false;
};

}  // namespace lifto::archive
