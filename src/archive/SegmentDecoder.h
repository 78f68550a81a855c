#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/FormatIo.h"

/// Reads the entries that a restore goes through and decodes the blocks of those it writes.
/// Deciding about each entry and the events stay on the caller's thread, in archive order; only
/// where and how early the blocks are decoded differs, so that one core and several write the same
/// files with the same events.
namespace lifto::archive {

class SegmentDecoder {
 public:
  virtual ~SegmentDecoder() = default;
  /// The archive's next Int32 and text fields of an entry's header (FormatReader's, with its
  /// failures): taken from what was read ahead, where the next header was.
  virtual std::int32_t Int32(FormatReader& in) = 0;
  virtual std::string Text(FormatReader& in, std::int32_t length) = 0;
  /// Starts on the segment at the source's position, which is to be written: reads its marker
  /// and, where blocks are decoded ahead, its first blocks. A failure waits for Read, so that it
  /// comes where reading the segment in one go would have met it. The entry's event has fired:
  /// from here the next entry's header and blocks may be read ahead.
  virtual void Begin(FormatReader& in) = 0;
  /// Reads the segment begun as ReadSegment does when writing: the same events in the same order
  /// with the same arguments, the same result and the same exceptions.
  virtual SegmentEnd Read(FormatReader& in, const SegmentEvents& events) = 0;
  /// Passes over the segment at the source's position as ReadSegment does when not writing.
  virtual SegmentEnd Skip(FormatReader& in, const SegmentEvents& events) = 0;
  /// Gives up the segment begun without reading it (its target could not be opened); where the
  /// source stands afterwards is unspecified.
  virtual void Drop() = 0;
};

/// Decodes each block on the calling thread when Read reaches it.
std::unique_ptr<SegmentDecoder> MakeSerialSegmentDecoder(SegmentBuffers& buffers);
/// Reads up to 64 blocks ahead, into the next entry's segment once the current entry's event
/// has fired (never two entries ahead), and decodes them on `workers` threads; the calling thread
/// decodes too while it would otherwise wait. Memory stays at 64 blocks whatever the archive.
std::unique_ptr<SegmentDecoder> MakeParallelSegmentDecoder(SegmentBuffers& buffers, unsigned workers);

}  // namespace lifto::archive
