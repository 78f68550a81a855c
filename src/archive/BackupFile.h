#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/Codecs.h"

/// The archive component through which update archives are written (Backup) and restored
/// (Restore). Both report progress, ask for further disks and report one error code at their end
/// through the events below; without handlers the disk prompt and the error box go through the
/// current Ui. One operation runs at a time; handlers must not start another on the same object.
namespace lifto::archive {

enum TBackupMode : std::uint8_t { bmAll = 0, bmIncremental = 1 };
enum TRestoreMode : std::uint8_t {
  rmAll = 0,
  rmNoOverwrite = 1,
  rmNewer = 2,
  rmExisting = 3,
  rmExistingNewer = 4,
};
using TPercentage = int;  ///< 0 to 100

class TBackupFile;
class VolumeSink;

/// Progress of both operations; an empty Filename at the start and end events.
using TProgressEvent = std::function<void(TBackupFile& sender, const std::string& filename,
                                          TPercentage percent, bool& Continue)>;
/// The volume DiskID is needed next; clearing Continue stops the operation.
using TNeedDiskEvent =
    std::function<void(TBackupFile& sender, std::uint16_t diskID, bool& Continue)>;
/// Per-entry decision of Restore: the handler may change the target path and whether to write it.
/// FA is the entry's stored DOS date-time stamp.
using TRestoreFileEvent = std::function<void(TBackupFile& sender, std::string& filename,
                                             std::int32_t FA, bool& doRestore)>;
/// The error code and its text, once at the end of an operation.
using TBackupErrorEvent =
    std::function<void(TBackupFile& sender, std::int32_t error, const std::string& errString)>;

class TBackupFile {
 public:
  TBackupFile();
  ~TBackupFile();
  TBackupFile(const TBackupFile&) = delete;
  TBackupFile& operator=(const TBackupFile&) = delete;

  // ---- Published properties ----

  /// Always "3.00"; assigning does nothing.
  std::string Version() const { return "3.00"; }
  void SetVersion(const std::string&) {}

  const std::string& BackupTitle() const { return backupTitle_; }
  void SetBackupTitle(std::string title) { backupTitle_ = std::move(title); }

  TBackupMode BackupMode() const { return backupMode_; }
  /// Switching to bmIncremental also turns SetArchiveFlag on.
  void SetBackupMode(TBackupMode mode);

  TCompressionLevel CompressionLevel() const { return compressionLevel_; }
  void SetCompressionLevel(TCompressionLevel level) { compressionLevel_ = level; }

  TRestoreMode RestoreMode() const { return restoreMode_; }
  void SetRestoreMode(TRestoreMode mode) { restoreMode_ = mode; }

  /// Volume size limit in bytes for Backup; 0 for one volume of any size.
  std::int32_t MaxSize() const { return maxSize_; }
  void SetMaxSize(std::int32_t bytes) { maxSize_ = bytes; }

  /// Backup clears the archive attribute of each file it wrote.
  bool SetArchiveFlag() const { return setArchiveFlag_; }
  void SetSetArchiveFlag(bool on) { setArchiveFlag_ = on; }

  const TProgressEvent& OnProgress() const { return onProgress_; }
  void SetOnProgress(TProgressEvent handler) { onProgress_ = std::move(handler); }
  const TNeedDiskEvent& OnNeedDisk() const { return onNeedDisk_; }
  void SetOnNeedDisk(TNeedDiskEvent handler) { onNeedDisk_ = std::move(handler); }
  const TRestoreFileEvent& OnRestoreFile() const { return onRestoreFile_; }
  void SetOnRestoreFile(TRestoreFileEvent handler) { onRestoreFile_ = std::move(handler); }
  const TBackupErrorEvent& OnError() const { return onError_; }
  void SetOnError(TBackupErrorEvent handler) { onError_ = std::move(handler); }

  /// Restore rebuilds the stored folders below the target folder.
  bool RestoreFullPath() const { return restoreFullPath_; }
  void SetRestoreFullPath(bool on) { restoreFullPath_ = on; }

  /// Backup stores the file-ID list as the first entry, "FILE:LIST".
  bool SaveFileID() const { return saveFileID_; }
  void SetSaveFileID(bool on) { saveFileID_ = on; }

  // ---- Operations ----

  /// Writes an archive of the files that the specifications name.
  /// @param fileSpecs paths whose last part may hold * and ?, each optionally followed by "/s"
  ///        to search subfolders too (for host paths the switch must stand apart, as " /s")
  /// @param archivePath the first volume; further ones get the extensions .002, .003...
  /// @return true when the archive was completely written
  /// @throw ArchiveError when a selected file cannot be opened while sizes are summed or an entry
  ///        name cannot be written; std::invalid_argument for a MaxSize too small for any chunk,
  ///        before anything is written
  bool Backup(const std::vector<std::string>& fileSpecs, const std::string& archivePath);

  /// Restores an archive into a folder (or, with an empty folder, to the stored paths).
  /// @return true when the whole archive was read without error and without being stopped;
  ///         false at once, without any event, when no file lies at archivePath
  /// @throw ArchiveError "Cannot read archive" when the first volume or its header cannot be read,
  ///        "Invalid archive type" for a bad marker of a skipped or continued segment; other
  ///        ArchiveErrors when the archive ends early or a further volume cannot be opened
  bool Restore(const std::string& archivePath, const std::string& targetFolder);

  /// Reports an error code: through OnError when assigned, else in an error box with one OK button.
  void ReportError(std::int32_t code);

  // ---- Beyond the published interface ----

  /// What the last failure was about: the file and what the system said (for messages).
  const std::string& ErrorDetail() const { return errorDetail_; }
  /// Makes Backup write its volumes through another sink (tests: a disk that fails).
  void SetVolumeSink(std::shared_ptr<VolumeSink> sink);
  /// How many threads code (Backup) and decode (Restore) blocks: 1 codes on the calling thread
  /// only; 0, the default, takes one per core the process may run on. The archive and the files
  /// written are the same whatever the count.
  void SetCodingThreads(unsigned threads) { codingThreads_ = threads; }

 private:
  friend class BackupRun;
  friend class RestoreRun;

  /// Fires OnProgress when assigned. @return the continue flag afterwards
  bool Progress(const std::string& filename, TPercentage percent);
  /// OnNeedDisk, or the default prompt. @return the continue flag afterwards
  bool AskForDisk(std::uint16_t volume);
  /// Records a failure: the error code, what it concerns, and a cleared continue flag.
  void Fail(std::int32_t code, std::string detail);
  /// The threads to code or decode on: the count set, or one per usable core.
  unsigned CodingThreads() const;

  std::string backupTitle_;
  TBackupMode backupMode_ = bmAll;
  TCompressionLevel compressionLevel_ = clFastest;
  TRestoreMode restoreMode_ = rmAll;
  std::int32_t maxSize_ = 0;
  bool setArchiveFlag_ = false;
  TProgressEvent onProgress_;
  TNeedDiskEvent onNeedDisk_;
  TRestoreFileEvent onRestoreFile_;
  TBackupErrorEvent onError_;
  bool restoreFullPath_ = false;
  bool saveFileID_ = false;

  // Run state shared by both operations.
  bool continue_ = false;
  std::int32_t errorCode_ = 0;
  std::int64_t totalSize_ = 0;
  std::int64_t done_ = 0;
  std::string currentFile_;
  std::int32_t fileCount_ = 0;
  std::int32_t filesDone_ = 0;
  std::uint16_t volume_ = 0;
  std::string errorDetail_;
  std::shared_ptr<VolumeSink> sink_;
  unsigned codingThreads_ = 0;
};

}  // namespace lifto::archive
