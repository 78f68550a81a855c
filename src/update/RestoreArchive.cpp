#include "update/RestoreArchive.h"

#include <exception>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "archive/BackupFile.h"
#include "platform/Codepage.h"
#include "update/SetSignatures.h"

namespace lifto::update {

bool RestoreUpdateArchive(const std::string& archivePath, const std::string& targetFolder,
                          RestoreEvents& events) {
  archive::TBackupFile C_back;
  C_back.SetBackupTitle(Ansi("Atualização"));
  C_back.SetCompressionLevel(archive::clDefault);
  C_back.SetRestoreMode(archive::rmAll);
  C_back.SetRestoreFullPath(false);
  C_back.SetOnProgress([&events](archive::TBackupFile&, const std::string& filename,
                                 archive::TPercentage percent, bool& Continue) {
    events.C_backProgress(filename, percent, Continue);
  });
  C_back.SetOnNeedDisk([&events, &archivePath](archive::TBackupFile&, std::uint16_t diskID, bool& Continue) {
    events.C_backNeedDisk(diskID, Continue);
    // Each further volume is checked once it is there, before the component reads it.
    if (Continue && !AcceptSetFile(archive::VolumePath(archivePath, archive::VolumeDigits(diskID)))) {
      Continue = false;
      events.VolumeRefused();
    }
  });
  C_back.SetOnRestoreFile([&events](archive::TBackupFile&, std::string& filename, std::int32_t FA,
                                    bool& doRestore) { events.C_backRestoreFile(filename, FA, doRestore); });
  C_back.SetOnError([&events](archive::TBackupFile&, std::int32_t error, const std::string& text) {
    events.C_backError(error, text);
  });
  // The component leaves by exception when an archive cannot be read at all (a cut header, a
  // missing further volume); the update must then stop like after any other archive error.
  try {
    return C_back.Restore(archivePath, targetFolder);
  } catch (const archive::ArchiveError& error) {
    events.C_backError(archive::kErrorReadArchive, error.Describe());
  } catch (const std::exception& error) {
    events.C_backError(archive::kErrorReadArchive, error.what());
  }
  return false;
}

}  // namespace lifto::update
