#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/FormatIo.h"
#include "archive/Volume.h"

/// Spreading an archive over volumes of limited size: when a chunk may still start on the open
/// volume, how a volume is closed with its disk record and the next one begun, and how the reader
/// finds the volume that a disk record names. Nothing else in the archive knows about volumes.
namespace lifto::archive {

/// Asks for a volume (by its number) to be made available. @return whether to go on
using AskForDisk = std::function<bool(std::uint16_t volume)>;

class SpanningWriter {
 public:
  /// @param maxSize the volume size limit, 0 for one volume of any size
  SpanningWriter(VolumeSink& sink, std::int32_t maxSize, AskForDisk askForDisk);

  /// Creates the first volume at the caller's path. @return false when it cannot be created
  bool Begin(const std::string& archivePath);
  /// Whether another chunk may start on the open volume: none starts at or past
  /// MaxSize - 16484, so a block, the segment end and a disk record still fit.
  bool RoomForChunk() const;

  enum class Change { Continued, Declined, Failed };
  /// Ends the open volume with the disk record of the next one, closes it, asks for the next
  /// disk, and creates the next volume (the archive path with the volume's digits as extension).
  Change NextVolume();

  FormatWriter& Out() { return out_; }
  VolumeSink& Sink() { return sink_; }
  std::uint16_t Volume() const { return volume_; }
  const std::string& VolumePath() const { return path_; }

 private:
  VolumeSink& sink_;
  FormatWriter out_;
  std::int32_t maxSize_;
  AskForDisk askForDisk_;
  std::uint16_t volume_ = 1;
  std::string path_;
};

/// The highest volume number: a volume's name holds three digits.
inline constexpr unsigned kLastVolume = 999;

/// The volume that a disk record names, checked against the volume it was read from: numbers rise
/// strictly up to kLastVolume, so that a volume naming itself (or an earlier one) cannot make a
/// reader go round for ever.
/// @throw ArchiveError ("Invalid disk record", the volume's path) when they do not
std::uint16_t FollowingVolume(const std::string& diskRecord, unsigned currentVolume,
                              const std::string& volumePath);

/// After a disk record: asks for the named volume until a file lies at its path or the answer is
/// to stop, then opens it at offset 0.
/// @param archivePath the volume read so far; replaced by the next volume's path
/// @param volume the number of the volume read so far; replaced by the next one's
/// @return false when the person declined
/// @throw ArchiveError when the record names no following volume or the volume cannot be opened
bool OpenNextVolume(VolumeSource& source, std::string& archivePath, unsigned& volume,
                    const std::string& diskRecord, const AskForDisk& askForDisk);

}  // namespace lifto::archive
