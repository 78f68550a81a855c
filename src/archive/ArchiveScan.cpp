#include "archive/ArchiveScan.h"

#include <memory>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "archive/FormatIo.h"
#include "archive/Spanning.h"
#include "platform/Files.h"

namespace lifto::archive {
namespace {

class Scanner {
 public:
  Scanner(const std::string& path, const std::function<void(const ScannedEntry&)>& onEntry,
          const std::function<void(int)>& onProgress)
      : path_(path), onEntry_(onEntry), onProgress_(onProgress) {}

  ScannedArchive Run() {
    try {
      if (!source_.Open(path_)) throw ArchiveError(ErrorText(kErrorReadArchive), path_, source_.Error());
      FormatReader in(source_);
      result_.title = in.Text(in.Int32());
      result_.totalSize = in.Int32();
      result_.fileCount = in.Int32();
      result_.headerRead = true;
      Entries(in);
    } catch (const ArchiveError& e) {
      result_.problem = e.Describe();
      if (open_) Finish(e.Describe());
    }
    return result_;
  }

 private:
  void Entries(FormatReader& in) {
    for (;;) {
      const std::int32_t length = in.Int32();
      if (length == 0) break;
      const std::string name = in.Text(length);
      if (IsDiskRecord(name)) {
        if (!open_) in.Fail(ErrorText(kErrorReadArchive), "a disk record outside an entry");
        NextVolume(name);
        Segment(in);
        continue;
      }
      if (open_) Finish({});
      entry_ = ScannedEntry{};
      entry_.name = name;
      entry_.stamp = in.Int32();
      entry_.volume = volume_;
      open_ = true;
      Segment(in);
    }
    if (open_) Finish({});
    result_.complete = true;
  }

  void NextVolume(const std::string& record) {
    const auto number = FollowingVolume(record, volume_, source_.Path());
    const std::string next = VolumePath(path_, DiskRecordDigits(record));
    source_.Close();
    if (!platform::FileExists(next)) {
      throw ArchiveError("Volume " + std::to_string(number) + " is missing", next);
    }
    if (!source_.Open(next)) throw ArchiveError(ErrorText(kErrorReadArchive), next, source_.Error());
    volume_ = number;
  }

  void Segment(FormatReader& in) {
    SegmentEvents events;
    events.append = [this](std::span<const std::uint8_t> bytes) {
      entry_.bytes += static_cast<std::int64_t>(bytes.size());
      done_ += static_cast<std::int64_t>(bytes.size());
    };
    events.afterBlock = [this](const BlockRead&) {
      if (onProgress_) onProgress_(Percent(done_, result_.totalSize));
      return true;
    };
    std::string method;
    const SegmentEnd end = ReadSegment(in, true, *buffers_, events, &method);
    if (entry_.method.empty()) entry_.method = method;
    if (end == SegmentEnd::CompressionError) {
      entry_.sound = false;
      entry_.problem = ErrorText(kErrorCompression);
    }
  }

  void Finish(const std::string& problem) {
    if (!problem.empty() && entry_.sound) {
      entry_.sound = false;
      entry_.problem = problem;
    }
    ++result_.entries;
    if (!entry_.sound) ++result_.damagedEntries;
    if (onEntry_) onEntry_(entry_);
    open_ = false;
  }

  std::string path_;
  const std::function<void(const ScannedEntry&)>& onEntry_;
  const std::function<void(int)>& onProgress_;
  VolumeSource source_;
  std::unique_ptr<SegmentBuffers> buffers_ = std::make_unique<SegmentBuffers>();
  ScannedArchive result_;
  ScannedEntry entry_;
  bool open_ = false;
  unsigned volume_ = 1;
  std::int64_t done_ = 0;
};

}  // namespace

ScannedArchive ScanArchive(const std::string& archivePath,
                           const std::function<void(const ScannedEntry&)>& onEntry,
                           const std::function<void(int)>& onProgress) {
  Scanner scanner(archivePath, onEntry, onProgress);
  return scanner.Run();
}

}  // namespace lifto::archive
