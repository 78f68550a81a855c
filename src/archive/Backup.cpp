// Backup: selects the files, sums their sizes, writes the header and every file as EC2 blocks,
// changing the volume where MaxSize says.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchivePaths.h"
#include "archive/BackupFile.h"
#include "archive/ChunkCoder.h"
#include "archive/HostFile.h"
#include "archive/Spanning.h"
#include "platform/FilePlaces.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "support/Ui.h"

namespace lifto::archive {

class BackupRun {
 public:
  BackupRun(TBackupFile& component, const std::string& archivePath)
      : c_(component), archivePath_(archivePath),
        archiveKey_(LowerText(AbsoluteWindowsPath(TrimText(archivePath)))) {}

  bool Run(const std::vector<std::string>& fileSpecs);

 private:
  void ExpandFileSpec(const std::string& spec);
  void Expand(const std::string& spec, bool subfolders);
  void AddFile(std::string path, std::uint32_t attributes);
  void SumSizes();
  void SaveFileIds();
  void WriteHeader(SpanningWriter& out);
  struct OpenedFile;
  OpenedFile* OpenNext();
  std::optional<ChunkSource> Upcoming();
  void WriteEntry(SpanningWriter& out, ChunkCoder& coder, OpenedFile& file);
  void WriteFileSegment(SpanningWriter& out, ChunkCoder& coder, std::int64_t& remaining);
  void WriteFailed(SpanningWriter& out) {
    c_.Fail(kErrorWriteArchive, out.VolumePath() + ": " + out.Sink().Error());
  }

  TBackupFile& c_;
  std::string archivePath_;
  std::string archiveKey_;
  std::vector<std::string> files_;
  std::unordered_set<std::string> known_;
  std::vector<std::string> fileIds_;
  std::string fileIdFile_;
  // A selected file opened for writing, or what the system said when it could not be: the
  // parallel coder reads the files that follow while the current one's last chunks are coded.
  struct OpenedFile {
    std::size_t index = 0;
    HostFile input;
    bool opened = false;
    std::int64_t size = 0;
  };
  std::deque<OpenedFile> opened_;  // the file being written first, then those opened ahead
  std::size_t nextToOpen_ = 0;
  // Each entry is looked at up to five times (selected, summed, checked, opened twice): through
  // folders resolved once, not by resolving and walking its whole path each time.
  platform::FilePlaces places_;
  bool Exists(const std::string& path) {
    const auto st = places_.Stat(path);
    return st && !S_ISDIR(st->st_mode);
  }
};

void BackupRun::ExpandFileSpec(const std::string& spec) {
  std::string path = spec;
  bool subfolders = false;
  const std::string trimmed = TrimText(path);
  if (!trimmed.empty() && trimmed[0] == '/') {
    // On a host path "/" separates folders, so the switch counts only standing apart at the end.
    const std::string lower = LowerText(trimmed);
    if (lower.size() >= 3 && lower.compare(lower.size() - 2, 2, "/s") == 0 &&
        static_cast<unsigned char>(lower[lower.size() - 3]) <= ' ') {
      subfolders = true;
      path = trimmed.substr(0, trimmed.size() - 2);
    }
  } else {
    // A "/" may separate folders in a Windows path too ("C:\dados/sub\*.*"): only a "/s" that
    // ends the selection is the switch.
    const std::string lower = LowerText(trimmed);
    if (lower.size() >= 2 && lower.compare(lower.size() - 2, 2, "/s") == 0) {
      subfolders = true;
      path = trimmed.substr(0, trimmed.size() - 2);
    }
  }
  Expand(LowerText(AbsoluteWindowsPath(TrimText(path))), subfolders);
}

void BackupRun::Expand(const std::string& spec, bool subfolders) {
  const std::string folder = FolderPart(spec);
  const std::string mask = FileNamePart(spec);
  // A spec that names one file (a project lists each of its files so) is looked up directly:
  // reading the whole folder again for each name of a long list costs more than coding the
  // smaller files. A name ending in "." is left to the listing, whose matching takes it as a
  // name without extension.
  const bool oneName = !subfolders && !mask.empty() && mask.find_first_of("*?") == std::string::npos &&
                       mask.back() != '.';
  if (oneName) {
    const auto attributes = places_.Attributes(spec);
    if (attributes && (*attributes & platform::kAttrDirectory) == 0) AddFile(spec, *attributes);
    return;
  }
  for (const auto& entry : platform::FindFiles(spec)) {
    if (entry.name == "." || entry.name == "..") continue;
    if ((entry.attributes & platform::kAttrDirectory) != 0) {
      // The mask applies to folder names too: only matching folders are searched.
      if (subfolders) Expand(LowerText(folder + entry.name + "\\" + mask), true);
      continue;
    }
    AddFile(LowerText(folder + entry.name), entry.attributes);
  }
}

void BackupRun::AddFile(std::string path, std::uint32_t attributes) {
  if (known_.contains(path) || path == archiveKey_) return;
  if (c_.backupMode_ == bmIncremental && (attributes & platform::kAttrArchive) == 0) return;
  known_.insert(path);
  files_.push_back(std::move(path));
}

void BackupRun::SumSizes() {
  c_.totalSize_ = 0;
  c_.filesDone_ = 0;
  for (const auto& path : files_) {
    if (!Exists(path)) continue;
    HostFile input;
    if (!input.OpenForReading(places_, path)) {
      throw ArchiveError(ErrorText(kErrorReadFile), path, input.Error());
    }
    const std::int64_t size = input.Size();
    c_.totalSize_ += size;
    if (c_.saveFileID_) {
      const auto when = input.LastWriteTime();
      const auto stamp = static_cast<std::int32_t>(platform::ToDosDateTime(when.value_or(0)));
      fileIds_.push_back(FileIdLine(path, stamp, size));
    }
  }
}

void BackupRun::SaveFileIds() {
  std::string text;
  for (const auto& line : fileIds_) text += line + "\r\n";
  std::string detail;
  try {
    const std::string folder = platform::PrivateTempFolder();
    std::random_device random;
    for (int attempt = 0; attempt < 100 && fileIdFile_.empty(); ++attempt) {
      char name[16];
      std::snprintf(name, sizeof name, "FID%04X.TMP", random() & 0xFFFFU);
      const std::string path = folder + (folder.ends_with('\\') ? "" : "\\") + name;
      const auto host = platform::ToHostPath(path);
      if (!host) break;
      const int fd = ::open(host->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0) {
        detail = path + ": " + std::strerror(errno);
        if (errno == EEXIST) continue;
        break;
      }
      const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      const bool closed = ::close(fd) == 0;
      if (!written || !closed) {
        detail = path + ": the file-ID list could not be written";
        ::unlink(host->c_str());
        break;
      }
      fileIdFile_ = path;
    }
  } catch (const std::exception& e) {
    detail = e.what();
  }
  if (fileIdFile_.empty()) {
    c_.Fail(kErrorTemporaryFile, detail);
    return;
  }
  files_.insert(files_.begin(), fileIdFile_);
  c_.totalSize_ += static_cast<std::int64_t>(text.size());
}

void BackupRun::WriteHeader(SpanningWriter& out) {
  c_.volume_ = 1;
  bool ok = out.Begin(archivePath_);
  c_.fileCount_ = static_cast<std::int32_t>(files_.size() - (fileIdFile_.empty() ? 0 : 1));
  ok = ok && out.Out().Text(c_.backupTitle_) &&
       out.Out().Int32(static_cast<std::int32_t>(static_cast<std::uint32_t>(c_.totalSize_))) &&
       out.Out().Int32(c_.fileCount_);
  c_.done_ = 0;
  if (!ok) WriteFailed(out);
}

// Opens the next selected file that still exists; a failure is kept for the file's turn, so that
// it is reported where opening the file then would have met it.
BackupRun::OpenedFile* BackupRun::OpenNext() {
  while (nextToOpen_ < files_.size()) {
    const std::size_t index = nextToOpen_++;
    if (!Exists(files_[index])) continue;  // vanished since it was selected
    OpenedFile& file = opened_.emplace_back();
    file.index = index;
    file.opened = file.input.OpenForReading(places_, TrimText(files_[index]));
    if (file.opened) file.size = file.input.Size();
    return &file;
  }
  return nullptr;
}

// The coder reads ahead only into files that opened: the writing stops at one that did not.
std::optional<ChunkSource> BackupRun::Upcoming() {
  if (!c_.continue_ || (!opened_.empty() && !opened_.back().opened)) return std::nullopt;
  OpenedFile* file = OpenNext();
  if (file == nullptr || !file->opened) return std::nullopt;
  return ChunkSource{&file->input, file->size};
}

void BackupRun::WriteEntry(SpanningWriter& out, ChunkCoder& coder, OpenedFile& file) {
  const std::string& path = files_[file.index];
  const bool isFileIds = file.index == 0 && !fileIdFile_.empty();
  const std::string trimmed = TrimText(path);
  if (!out.Out().Text(isFileIds ? std::string(kFileListName) : trimmed)) {
    throw ArchiveError(ErrorText(kErrorWriteArchive), out.VolumePath(), out.Sink().Error());
  }
  c_.currentFile_ = trimmed;

  HostFile& input = file.input;
  if (!file.opened) {
    c_.Fail(kErrorReadFile, c_.currentFile_ + ": " + input.Error());
  } else {
    const auto when = input.LastWriteTime();
    const auto stamp = static_cast<std::int32_t>(platform::ToDosDateTime(when.value_or(0)));
    if (!out.Out().Int32(stamp)) {
      c_.Fail(kErrorReadFile, out.VolumePath() + ": " + out.Sink().Error());
    } else {
      std::int64_t remaining = file.size;
      coder.Start(input, remaining);
      do {
        WriteFileSegment(out, coder, remaining);
      } while (remaining > 0 && c_.continue_);
      coder.Finish();
      if (!isFileIds) ++c_.filesDone_;
    }
  }
  input.Close();
  if (c_.setArchiveFlag_) {
    if (const auto attributes = platform::GetAttributes(path)) {
      platform::SetAttributes(path, *attributes & ~std::uint32_t{platform::kAttrArchive});
    }
  }
}

void BackupRun::WriteFileSegment(SpanningWriter& out, ChunkCoder& coder, std::int64_t& remaining) {
  if (!out.Out().Ec2Marker()) {
    WriteFailed(out);
    return;
  }
  while (remaining > 0 && c_.continue_) {
    if (!out.RoomForChunk()) break;
    const CodedChunk& chunk = coder.Next();
    if (chunk.readFailed) {
      c_.Fail(kErrorReadFile, c_.currentFile_ + ": " + chunk.readError);
      break;
    }
    remaining -= static_cast<std::int64_t>(chunk.data.size());
    c_.done_ += static_cast<std::int64_t>(chunk.data.size());
    if (!chunk.block) {
      c_.Fail(kErrorCompression, c_.currentFile_);
    } else if (!out.Out().Block(*chunk.block, chunk.data, *chunk.stream)) {
      WriteFailed(out);
    }
    support::CurrentUi().ProcessMessages();
    c_.Progress(c_.currentFile_, Percent(c_.done_, c_.totalSize_));
  }
  if (!out.Out().Int32(0)) {
    WriteFailed(out);
    return;
  }
  if (remaining > 0 && c_.continue_) {
    switch (out.NextVolume()) {
      case SpanningWriter::Change::Continued: c_.volume_ = out.Volume(); break;
      case SpanningWriter::Change::Declined: c_.continue_ = false; break;
      case SpanningWriter::Change::Failed: WriteFailed(out); break;
    }
  }
}

bool BackupRun::Run(const std::vector<std::string>& fileSpecs) {
  c_.errorCode_ = 0;
  c_.errorDetail_.clear();
  c_.currentFile_.clear();
  for (const auto& spec : fileSpecs) ExpandFileSpec(spec);

  c_.continue_ = true;
  c_.Progress("", 0);
  SumSizes();
  if (c_.saveFileID_) SaveFileIds();

  std::shared_ptr<VolumeSink> sink = c_.sink_ ? c_.sink_ : std::make_shared<FileVolumeSink>();
  SpanningWriter out(*sink, c_.maxSize_, [this](std::uint16_t volume) { return c_.AskForDisk(volume); });
  bool result = false;
  try {
    WriteHeader(out);
    const unsigned threads = c_.CodingThreads();
    auto coder = threads > 1 ? MakeParallelChunkCoder(c_.compressionLevel_, std::min(threads - 1, 3U),
                                                      [this] { return Upcoming(); })
                             : MakeSerialChunkCoder(c_.compressionLevel_);
    while (c_.continue_ && (!opened_.empty() || OpenNext() != nullptr)) {
      WriteEntry(out, *coder, opened_.front());
      opened_.pop_front();
    }
    if (c_.continue_) {
      result = out.Out().Int32(0);
      if (!result) WriteFailed(out);
    }
    if (!sink->Close() && result) {
      result = false;
      WriteFailed(out);
    }
  } catch (...) {
    sink->Close();
    if (!fileIdFile_.empty()) platform::DeleteFile(fileIdFile_);
    throw;
  }
  if (!fileIdFile_.empty() && platform::FileExists(fileIdFile_)) platform::DeleteFile(fileIdFile_);
  c_.Progress("", 100);
  if (c_.errorCode_ != 0) c_.ReportError(c_.errorCode_);
  return result;
}

bool TBackupFile::Backup(const std::vector<std::string>& fileSpecs, const std::string& archivePath) {
  if (maxSize_ < 0 || (maxSize_ > 0 && maxSize_ < kMinimumMaxSize)) {
    throw std::invalid_argument("MaxSize " + std::to_string(maxSize_) +
                                " is too small for a block: a volume must hold at least " +
                                std::to_string(kMinimumMaxSize) + " bytes (or 0 for one volume)");
  }
  BackupRun run(*this, archivePath);
  return run.Run(fileSpecs);
}

}  // namespace lifto::archive
