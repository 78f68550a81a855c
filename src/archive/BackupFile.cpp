#include "archive/BackupFile.h"

#include <utility>

#include "archive/ArchiveError.h"
#include "archive/Volume.h"
#include "platform/Cores.h"
#include "support/Ui.h"

namespace lifto::archive {

TBackupFile::TBackupFile() = default;
TBackupFile::~TBackupFile() = default;

void TBackupFile::SetBackupMode(TBackupMode mode) {
  if (mode == backupMode_) return;
  backupMode_ = mode;
  if (mode == bmIncremental) setArchiveFlag_ = true;
}

void TBackupFile::SetVolumeSink(std::shared_ptr<VolumeSink> sink) { sink_ = std::move(sink); }

unsigned TBackupFile::CodingThreads() const {
  return codingThreads_ != 0 ? codingThreads_ : platform::UsableCores();
}

void TBackupFile::ReportError(std::int32_t code) {
  const std::string text = ErrorText(code);
  if (onError_) {
    onError_(*this, code, text);
  } else {
    support::CurrentUi().ShowMessage(4, "Error", text);
  }
}

bool TBackupFile::Progress(const std::string& filename, TPercentage percent) {
  if (onProgress_) onProgress_(*this, filename, percent, continue_);
  return continue_;
}

bool TBackupFile::AskForDisk(std::uint16_t volume) {
  if (onNeedDisk_) {
    onNeedDisk_(*this, volume, continue_);
  } else {
    const std::string text =
        "Please insert disk " + std::to_string(volume) + " and click OK to continue.";
    continue_ = support::CurrentUi().Ask(text, support::kAskInformation);
  }
  return continue_;
}

void TBackupFile::Fail(std::int32_t code, std::string detail) {
  errorCode_ = code;
  continue_ = false;
  errorDetail_ = std::move(detail);
}

}  // namespace lifto::archive
