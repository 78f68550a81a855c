#include "archive/Spanning.h"

#include <utility>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "platform/Files.h"

namespace lifto::archive {

SpanningWriter::SpanningWriter(VolumeSink& sink, std::int32_t maxSize, AskForDisk askForDisk)
    : sink_(sink), out_(sink), maxSize_(maxSize), askForDisk_(std::move(askForDisk)) {}

bool SpanningWriter::Begin(const std::string& archivePath) {
  volume_ = 1;
  path_ = archivePath;
  return sink_.Create(path_);
}

bool SpanningWriter::RoomForChunk() const {
  return maxSize_ == 0 || sink_.Position() < std::int64_t{maxSize_} - kVolumeReserve;
}

SpanningWriter::Change SpanningWriter::NextVolume() {
  ++volume_;
  const std::string digits = VolumeDigits(volume_);
  if (!out_.DiskRecord(volume_)) return Change::Failed;
  if (!sink_.Close()) return Change::Failed;
  if (!askForDisk_(volume_)) return Change::Declined;
  path_ = archive::VolumePath(path_, digits);
  return sink_.Create(path_) ? Change::Continued : Change::Failed;
}

std::uint16_t FollowingVolume(const std::string& diskRecord, unsigned currentVolume,
                              const std::string& volumePath) {
  const auto next = DiskRecordVolume(diskRecord);
  if (!next) throw ArchiveError("Invalid disk record", volumePath, diskRecord);
  if (*next <= currentVolume || *next > kLastVolume) {
    throw ArchiveError("Invalid disk record", volumePath,
                       diskRecord + " does not follow volume " + std::to_string(currentVolume));
  }
  return *next;
}

bool OpenNextVolume(VolumeSource& source, std::string& archivePath, unsigned& volume,
                    const std::string& diskRecord, const AskForDisk& askForDisk) {
  source.Close();
  const std::uint16_t next = FollowingVolume(diskRecord, volume, archivePath);
  bool goOn = askForDisk(next);
  archivePath = VolumePath(archivePath, DiskRecordDigits(diskRecord));
  while (goOn && !platform::FileExists(archivePath)) goOn = askForDisk(next);
  if (!goOn) return false;
  volume = next;
  if (!source.Open(archivePath)) {
    throw ArchiveError(ErrorText(kErrorReadArchive), archivePath, source.Error());
  }
  return true;
}

}  // namespace lifto::archive
