#pragma once

#include <memory>

#include "archive/FormatIo.h"

/// Reads the segments that a restore writes and decodes their blocks. Reading the archive and
/// the events stay on the caller's thread, in archive order; only where the blocks are decoded
/// differs, so that one core and several write the same files with the same events.
namespace lifto::archive {

class SegmentDecoder {
 public:
  virtual ~SegmentDecoder() = default;
  /// Starts on the segment at the source's position, which is to be written: reads its marker
  /// and, where blocks are decoded ahead, its first blocks. A failure waits for Read, so that it
  /// comes where reading the segment in one go would have met it.
  virtual void Begin(FormatReader& in) = 0;
  /// Reads the segment begun as ReadSegment does when writing: the same events in the same order
  /// with the same arguments, the same result and the same exceptions.
  virtual SegmentEnd Read(FormatReader& in, const SegmentEvents& events) = 0;
  /// Gives up the segment begun without reading it (its target could not be opened); where the
  /// source stands afterwards is unspecified.
  virtual void Drop() = 0;
};

/// Decodes each block on the calling thread when Read reaches it.
std::unique_ptr<SegmentDecoder> MakeSerialSegmentDecoder(SegmentBuffers& buffers);
/// Reads up to eight blocks ahead and decodes them on `workers` threads; the calling thread
/// decodes too while it would otherwise wait. Memory stays at eight blocks whatever the archive.
std::unique_ptr<SegmentDecoder> MakeParallelSegmentDecoder(SegmentBuffers& buffers, unsigned workers);

}  // namespace lifto::archive
