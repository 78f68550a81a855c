// Restore: reads an archive volume after volume and writes its entries into a target folder,
// choosing per entry whether to write it.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>
#include <optional>

#include <fcntl.h>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchivePaths.h"
#include "archive/BackupFile.h"
#include "archive/FormatIo.h"
#include "archive/HostFile.h"
#include "archive/SegmentDecoder.h"
#include "archive/Spanning.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "support/Ui.h"

namespace lifto::archive {

class RestoreRun {
 public:
  RestoreRun(TBackupFile& component, std::string archivePath, const std::string& targetFolder);
  bool Run();

 private:
  std::string TargetPath(const std::string& name) const;
  bool Wanted(const std::string& target, std::int32_t stamp) const;
  void RestoreEntry(FormatReader& in, const std::string& name);
  void ContinueEntry(FormatReader& in);
  SegmentEnd ReadInto(FormatReader& in, HostFile* target);
  bool AfterBlock(const BlockRead& block, bool written);
  void Flush(HostFile& target);
  void CloseTarget(HostFile& target);
  std::string HostTarget();
  bool OpenTargetFolder();

  TBackupFile& c_;
  std::string archivePath_;
  std::string folder_;
  std::int32_t stamp_ = 0;
  unsigned volume_ = 1;  // the number of the volume being read
  bool doRestore_ = true;
  // Whether an entry of this run has begun: only then may a disk record continue it.
  bool entryOpen_ = false;
  // The current file's host path, resolved once per entry: the file operations on it then need
  // no case-insensitive walk of its folders.
  std::string hostTarget_;
  // The target folders, each listed once for the case-insensitive match of the names written.
  platform::FolderNames targetNames_;
  // The folder restored into, held open; below it the current file's folder, reached and made by
  // descriptor without following any link, and the file's name in it.
  std::filesystem::path hostFolder_;
  platform::UniqueFd baseFolder_;
  platform::UniqueFd targetFolder_;
  std::filesystem::path targetBelow_;  // targetFolder_ below baseFolder_, when it was reached so
  // The folders from baseFolder_ down to the last one reached below it, each with its name.
  std::vector<std::pair<std::filesystem::path, platform::UniqueFd>> folderChain_;
  std::string targetName_;
  // Decoded data is gathered before it is written, so that a file costs few system calls.
  std::vector<std::uint8_t> pending_ = std::vector<std::uint8_t>(kWriteBuffer);
  std::size_t pendingUsed_ = 0;
  // The first bytes of the entry being written: whether it is a program is known without
  // opening the file again when it is closed (most entries are none).
  std::string head_;
  static constexpr std::size_t kWriteBuffer = 256 * 1024;
  VolumeSource source_;
  std::unique_ptr<SegmentBuffers> buffers_ = std::make_unique<SegmentBuffers>();
  // Decodes the blocks of the segments written: on further cores where the process has them,
  // while this thread writes the files.
  std::unique_ptr<SegmentDecoder> decoder_;
};

RestoreRun::RestoreRun(TBackupFile& component, std::string archivePath,
                       const std::string& targetFolder)
    : c_(component), archivePath_(std::move(archivePath)) {
  // A host folder takes its Windows form, so that the backslash below still separates.
  folder_ = !targetFolder.empty() && targetFolder[0] == '/' ? AbsoluteWindowsPath(targetFolder)
                                                            : targetFolder;
  if (!folder_.empty() && !folder_.ends_with('\\') && !folder_.ends_with('/')) folder_ += '\\';
  const unsigned threads = c_.CodingThreads();
  decoder_ = threads > 1 ? MakeParallelSegmentDecoder(*buffers_, std::min(threads - 1, 3U))
                         : MakeSerialSegmentDecoder(*buffers_);
}

std::string RestoreRun::TargetPath(const std::string& name) const {
  if (folder_.empty()) return name;
  if (!c_.restoreFullPath_) return folder_ + FileNamePart(name);
  return folder_ + (name.size() > 3 ? name.substr(3) : std::string());
}

bool RestoreRun::Wanted(const std::string& target, std::int32_t stamp) const {
  if (c_.restoreMode_ == rmAll) return true;
  const bool exists = platform::FileExists(target);
  std::int32_t existing = 0;
  if (exists) {
    const auto when = platform::GetLastWriteTime(target);
    existing = static_cast<std::int32_t>(platform::ToDosDateTime(when.value_or(0)));
  }
  switch (c_.restoreMode_) {
    case rmNoOverwrite: return !exists;
    case rmNewer: return !exists || existing < stamp;
    case rmExisting: return exists;
    case rmExistingNewer: return exists && existing < stamp;
    default: return true;
  }
}

bool RestoreRun::AfterBlock(const BlockRead& block, bool written) {
  if (block.compressionError) c_.Fail(kErrorCompression, c_.currentFile_ + ": " + ErrorText(kErrorCompression));
  support::CurrentUi().ProcessMessages();
  // Skipped EC2 blocks are passed over silently; legacy blocks report progress either way.
  if (written || block.legacy) {
    c_.done_ += static_cast<std::int64_t>(block.appended);
    c_.Progress(c_.currentFile_, Percent(c_.done_, c_.totalSize_));
  }
  return c_.continue_;
}

SegmentEnd RestoreRun::ReadInto(FormatReader& in, HostFile* target) {
  SegmentEvents events;
  const bool written = target != nullptr;
  if (written) {
    events.append = [this, target](std::span<const std::uint8_t> bytes) {
      if (head_.size() < 4) {
        const std::size_t taken = std::min<std::size_t>(4 - head_.size(), bytes.size());
        head_.append(reinterpret_cast<const char*>(bytes.data()), taken);
      }
      if (pendingUsed_ + bytes.size() > pending_.size()) Flush(*target);
      std::memcpy(pending_.data() + pendingUsed_, bytes.data(), bytes.size());
      pendingUsed_ += bytes.size();
    };
  }
  events.afterBlock = [this, written](const BlockRead& block) { return AfterBlock(block, written); };
  // A segment written was begun with the decoder before its target was opened.
  return written ? decoder_->Read(in, events) : decoder_->Skip(in, events);
}

void RestoreRun::Flush(HostFile& target) {
  const std::size_t used = std::exchange(pendingUsed_, 0);
  if (used > 0 && !target.Write(pending_.data(), used)) {
    throw ArchiveError(ErrorText(kErrorReadFile), c_.currentFile_, target.Error());
  }
}

std::string RestoreRun::HostTarget() {
  const auto host = targetNames_.HostPathOf(c_.currentFile_);
  return host ? host->string() : c_.currentFile_;
}

// Entries stay inside the folder restored into: it is reached by a walk that follows only links of
// the user or root, and below it no link is followed at all. Restoring to the entries' own paths
// (no folder), or to a place that the caller's handler chose, walks each whole path by the first rule.
bool RestoreRun::OpenTargetFolder() {
  const std::filesystem::path host(hostTarget_);
  targetName_ = host.filename().string();
  if (folder_.empty()) {
    targetBelow_.clear();
    targetFolder_ = platform::MakeFolders(host.parent_path());
    return targetFolder_.Valid();
  }
  if (!baseFolder_.Valid()) {
    const auto hostFolder = platform::ToHostPath(folder_);
    if (!hostFolder) return false;
    hostFolder_ = *hostFolder;
    baseFolder_ = platform::MakeFolders(hostFolder_);
    if (!baseFolder_.Valid()) return false;
  }
  const auto below = host.parent_path().lexically_relative(hostFolder_);
  if (below.empty() || *below.begin() == "..") {
    // Where the caller's handler put the file elsewhere, the file's whole path is walked.
    targetBelow_.clear();
    targetFolder_ = platform::MakeFolders(host.parent_path());
    return targetFolder_.Valid();
  }
  // Entries of one folder follow each other: the folder made for the last one serves again, and
  // of its parents those that the next folder shares, so that a deep tree is not walked from its
  // top for each of its folders.
  if (targetFolder_.Valid() && below == targetBelow_) return true;
  targetBelow_.clear();
  auto part = below.begin();
  std::size_t shared = 0;
  while (part != below.end() && shared < folderChain_.size() && folderChain_[shared].first == *part) {
    ++part;
    ++shared;
  }
  folderChain_.resize(shared);
  for (; part != below.end(); ++part) {
    const int parent = folderChain_.empty() ? baseFolder_.Get() : folderChain_.back().second.Get();
    auto folder = platform::MakeFolders(*part, platform::Links::None, parent);
    if (!folder.Valid()) {
      const int error = errno;
      targetFolder_ = platform::UniqueFd();
      errno = error;
      return false;
    }
    folderChain_.emplace_back(*part, std::move(folder));
  }
  const int folder = folderChain_.empty() ? baseFolder_.Get() : folderChain_.back().second.Get();
  targetFolder_ = platform::UniqueFd(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  if (targetFolder_.Valid()) targetBelow_ = below;
  return targetFolder_.Valid();
}

void RestoreRun::CloseTarget(HostFile& target) {
  if (!target.IsOpen()) return;
  std::string failure;
  try {
    Flush(target);
  } catch (const ArchiveError& e) {
    failure = e.Describe();
  }
  pendingUsed_ = 0;
  const bool closed = target.Close();
  if (!closed && failure.empty()) failure = c_.currentFile_ + ": " + target.Error();
  // Through the folder the file was made in: a walk of the whole path again for each file would
  // cost more than writing most of them.
  platform::SetLastWriteTimeAt(targetFolder_.Get(), targetName_,
                               platform::FromDosDateTime(static_cast<std::uint32_t>(stamp_)));
  if (failure.empty() && platform::IsProgramHead(head_)) {
    platform::MarkProgramRunnableAt(targetFolder_.Get(), targetName_);
  }
  if (!failure.empty() && c_.errorCode_ == 0) c_.Fail(kErrorReadFile, failure);
}

void RestoreRun::RestoreEntry(FormatReader& in, const std::string& name) {
  stamp_ = decoder_->Int32(in);
  head_.clear();
  c_.currentFile_ = TargetPath(name);
  const bool isFileIds = name == kFileListName;
  if (!isFileIds && !folder_.empty() && !c_.restoreFullPath_ && FileNamePart(name).find('/') != std::string::npos) {
    // Stored names separate with "\\" only; restored flat, a "/" would make a subfolder.
    c_.Fail(kErrorReadFile, "the entry \"" + name + "\" is a damaged name (\"/\" in its file name)");
    return;
  }
  if (!isFileIds) {
    // An entry must not reach outside the folder it is restored into.
    const bool safe = folder_.empty() ? IsPlainAbsoluteName(c_.currentFile_)
                                      : StaysInsideFolder(c_.currentFile_.substr(folder_.size()));
    if (!safe) {
      c_.Fail(kErrorReadFile, "the entry \"" + name + "\" would be written outside " +
                                  (folder_.empty() ? std::string("its own path") : folder_));
      return;
    }
  }
  entryOpen_ = true;
  doRestore_ = Wanted(c_.currentFile_, stamp_);
  if (isFileIds) {
    doRestore_ = false;
  } else if (c_.onRestoreFile_) {
    c_.onRestoreFile_(c_, c_.currentFile_, stamp_, doRestore_);
  }
  if (doRestore_) {
    const std::string folder = FolderPart(c_.currentFile_);
    if (folder.empty()) {
      throw ArchiveError(ErrorText(kErrorReadFile), c_.currentFile_, "the target path names no folder");
    }
    hostTarget_ = HostTarget();
    if (!OpenTargetFolder()) {
      if (errno == ELOOP) {
        c_.Fail(kErrorReadFile, c_.currentFile_ + ": a link in the target folder is not followed");
        ReadInto(in, nullptr);
        return;
      }
      doRestore_ = false;  // a folder that cannot be made skips the entry
    }
  }
  if (!doRestore_) {
    ReadInto(in, nullptr);
    return;
  }
  // The first blocks are decoded while the target is made.
  decoder_->Begin(in);
  HostFile target;
  try {
    const auto attributes = platform::GetAttributes(hostTarget_);
    if (attributes && (*attributes & platform::kAttrReadOnly) != 0) {
      decoder_->Drop();
      c_.Fail(kErrorReadFile, c_.currentFile_ + ": the file is read-only");
      return;
    }
    if (!target.OpenAt(targetFolder_.Get(), targetName_, HostFile::Mode::Create)) {
      decoder_->Drop();
      c_.Fail(kErrorReadFile, c_.currentFile_ + ": " + target.Error());
      return;
    }
    ReadInto(in, &target);
    ++c_.filesDone_;
  } catch (const ArchiveError& e) {
    c_.Fail(kErrorReadFile, e.Describe());
  }
  CloseTarget(target);
}

void RestoreRun::ContinueEntry(FormatReader& in) {
  HostFile target;
  if (doRestore_ && !target.OpenAt(targetFolder_.Get(), targetName_, HostFile::Mode::Append)) {
    throw ArchiveError(ErrorText(kErrorReadFile), c_.currentFile_, target.Error());
  }
  try {
    if (doRestore_) decoder_->Begin(in);
    ReadInto(in, doRestore_ ? &target : nullptr);
  } catch (...) {
    CloseTarget(target);
    throw;
  }
  CloseTarget(target);
}

bool RestoreRun::Run() {
  c_.errorCode_ = 0;
  c_.errorDetail_.clear();
  c_.filesDone_ = 0;
  c_.continue_ = true;
  // The last file of an earlier operation is no entry of this archive.
  c_.currentFile_.clear();
  if (!platform::FileExists(archivePath_)) return false;

  if (!source_.Open(archivePath_)) {
    throw ArchiveError(ErrorText(kErrorReadArchive), archivePath_, source_.Error());
  }
  FormatReader in(source_);
  try {
    in.Text(in.Int32());  // the title is not used
    c_.totalSize_ = in.Int32();
    c_.fileCount_ = in.Int32();
  } catch (const ArchiveError& e) {
    throw ArchiveError(ErrorText(kErrorReadArchive), archivePath_, e.Detail());
  }
  c_.done_ = 0;

  doRestore_ = true;
  const AskForDisk ask = [this](std::uint16_t volume) { return c_.AskForDisk(volume); };
  while (c_.continue_) {
    // The decoder may have read the header ahead, while the last entry was written.
    const std::int32_t length = decoder_->Int32(in);
    if (length == 0) break;
    const std::string name = decoder_->Text(in, length);
    if (IsDiskRecord(name)) {
      if (!entryOpen_) {
        // Continuing nothing would append to whatever file was named last: a damaged archive.
        c_.Fail(kErrorReadFile, archivePath_ + ": a disk record where an entry should begin");
        break;
      }
      if (!OpenNextVolume(source_, archivePath_, volume_, name, ask)) break;
      ContinueEntry(in);
    } else {
      RestoreEntry(in, name);
    }
  }
  source_.Close();

  const bool result = c_.errorCode_ == 0 && c_.continue_;
  c_.Progress("", 100);
  if (c_.errorCode_ != 0) c_.ReportError(c_.errorCode_);
  return result;
}

bool TBackupFile::Restore(const std::string& archivePath, const std::string& targetFolder) {
  RestoreRun run(*this, archivePath, targetFolder);
  return run.Run();
}

}  // namespace lifto::archive
