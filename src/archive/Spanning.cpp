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

bool OpenNextVolume(VolumeSource& source, std::string& archivePath, const std::string& diskRecord,
                    const AskForDisk& askForDisk) {
  source.Close();
  const auto volume = DiskRecordVolume(diskRecord);
  if (!volume) throw ArchiveError("Invalid disk record", archivePath, diskRecord);
  bool goOn = askForDisk(*volume);
  archivePath = VolumePath(archivePath, DiskRecordDigits(diskRecord));
  while (goOn && !platform::FileExists(archivePath)) goOn = askForDisk(*volume);
  if (!goOn) return false;
  if (!source.Open(archivePath)) {
    throw ArchiveError(ErrorText(kErrorReadArchive), archivePath, source.Error());
  }
  return true;
}

}  // namespace lifto::archive
