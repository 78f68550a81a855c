#include "archive/FormatIo.h"

#include <cstring>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"

namespace lifto::archive {
namespace {

void PutLittleEndian(std::uint8_t* out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
  out[2] = static_cast<std::uint8_t>(v >> 16);
  out[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

bool FormatWriter::Int32(std::int32_t value) {
  std::uint8_t bytes[4];
  PutLittleEndian(bytes, value);
  return sink_.Write(bytes, 4);
}

bool FormatWriter::Text(std::string_view text) {
  return Int32(static_cast<std::int32_t>(text.size())) && sink_.Write(text.data(), text.size());
}

bool FormatWriter::Ec2Marker() { return sink_.Write("EC2", 4); }

bool FormatWriter::Block(const DeflatedChunk& block, std::span<const std::uint8_t> chunk,
                         const ChunkBuffer& stream) {
  if (block.stored) {
    return Int32(-static_cast<std::int32_t>(chunk.size())) && sink_.Write(chunk.data(), chunk.size());
  }
  return Int32(static_cast<std::int32_t>(block.length)) && sink_.Write(stream.data(), block.length);
}

bool FormatWriter::DiskRecord(unsigned nextVolume) { return Text(DiskRecordName(nextVolume)); }

void FormatReader::Fail(const std::string& text, const std::string& detail) const {
  throw ArchiveError(text, source_.Path(),
                     detail + " at offset " + std::to_string(source_.Offset()));
}

void FormatReader::Bytes(std::uint8_t* data, std::size_t size) {
  const auto got = source_.Read(data, size);
  if (got < 0) Fail(ErrorText(kErrorReadArchive), source_.Error());
  if (static_cast<std::size_t>(got) != size) Fail(ErrorText(kErrorReadArchive), "archive ends early");
}

std::int32_t FormatReader::Int32() {
  std::uint8_t b[4];
  Bytes(b, 4);
  return static_cast<std::int32_t>(std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) |
                                   (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24));
}

std::string FormatReader::Text(std::int32_t length) {
  if (length < 0 || length > kMaxNameLength) {
    Fail(ErrorText(kErrorReadArchive), "a name of " + std::to_string(length) + " bytes");
  }
  std::string text(static_cast<std::size_t>(length), '\0');
  Bytes(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
  return text;
}

std::int32_t FormatReader::BlockLength() {
  const std::int32_t length = Int32();
  const std::int64_t size = length < 0 ? -std::int64_t{length} : length;
  if (size > static_cast<std::int64_t>(kChunkSize)) {
    Fail(ErrorText(kErrorReadArchive), "a block of " + std::to_string(size) + " bytes");
  }
  return length;
}

void FormatReader::Skip(std::int64_t size) {
  if (!source_.Skip(size)) Fail(ErrorText(kErrorReadArchive), source_.Error());
}

std::string FormatReader::Marker() {
  char marker[5] = {};
  Bytes(reinterpret_cast<std::uint8_t*>(marker), 4);
  return std::string(marker);
}

namespace {

SegmentEnd ReadEc2Body(FormatReader& in, bool write, SegmentBuffers& buffers,
                       const SegmentEvents& events) {
  Ec2SegmentEnd end;
  for (;;) {
    const std::int32_t length = in.BlockLength();
    const auto size = static_cast<std::size_t>(length < 0 ? -std::int64_t{length} : length);
    std::size_t appended = 0;
    bool damaged = false;
    if (size != 0 && write) {
      in.Bytes(buffers.block.data(), size);
      if (length > 0) {
        const auto decoded = buffers.inflater.Inflate({buffers.block.data(), size}, buffers.decoded);
        if (decoded) {
          events.append({buffers.decoded.data(), *decoded});
          appended = *decoded;
        } else {
          damaged = true;
        }
      } else {
        events.append({buffers.block.data(), size});
        appended = size;
      }
    } else if (size != 0) {
      in.Skip(static_cast<std::int64_t>(size));
    }
    const bool goOn = events.afterBlock({appended, damaged, false});
    if (const auto result = end.After(length, damaged, goOn)) return *result;
  }
}

SegmentEnd ReadLegacyBody(FormatReader& in, bool write, SegmentBuffers& buffers,
                          const SegmentEvents& events) {
  std::int64_t left = in.Int32();
  while (left > 0) {
    const std::int32_t length = in.Int32();
    if (length < 1 || length > static_cast<std::int32_t>(kLegacyBlockSize)) {
      in.Fail(ErrorText(kErrorReadArchive), "a legacy block of " + std::to_string(length) + " bytes");
    }
    const auto n = static_cast<std::size_t>(length);
    in.Bytes(buffers.legacyBlock.data(), n);
    std::size_t appended = 0;
    if (write) {
      const auto expanded = Lzrw1KhExpand({buffers.legacyBlock.data(), n}, buffers.legacyDecoded);
      if (!expanded) in.Fail(ErrorText(kErrorReadArchive), "a damaged legacy block");
      events.append({buffers.legacyDecoded.data(), *expanded});
      appended = *expanded;
    }
    left -= std::int64_t{length} + 4;
    if (!events.afterBlock({appended, false, true})) return left > 0 ? SegmentEnd::Stopped : SegmentEnd::Complete;
  }
  return SegmentEnd::Complete;
}

}  // namespace

std::optional<SegmentEnd> Ec2SegmentEnd::After(std::int32_t length, bool damaged, bool goOn) {
  anyDamaged_ = anyDamaged_ || damaged;
  if (anyDamaged_ && (!goOn || length == 0)) return SegmentEnd::CompressionError;
  if (!goOn) return length == 0 ? SegmentEnd::Complete : SegmentEnd::Stopped;
  if (length == 0) return SegmentEnd::Complete;
  return std::nullopt;
}

SegmentEnd ReadSegmentBody(FormatReader& in, const std::string& marker, bool write,
                           SegmentBuffers& buffers, const SegmentEvents& events) {
  if (marker == kMethodEcs) return ReadLegacyBody(in, write, buffers, events);
  if (marker != kMethodEc2) in.Fail(ErrorText(kErrorArchiveType), "method \"" + marker + "\"");
  return ReadEc2Body(in, write, buffers, events);
}

SegmentEnd ReadSegment(FormatReader& in, bool write, SegmentBuffers& buffers,
                       const SegmentEvents& events, std::string* method) {
  const std::string marker = in.Marker();
  if (method != nullptr) *method = marker;
  return ReadSegmentBody(in, marker, write, buffers, events);
}

}  // namespace lifto::archive
