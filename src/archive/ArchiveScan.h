#pragma once

#include <cstdint>
#include <functional>
#include <string>

/// Walks a whole archive, decoding every entry without writing anything: what `atu list` and
/// `atu test` show. Further volumes are taken from beside the first; none is asked for.
namespace lifto::archive {

struct ScannedEntry {
  std::string name;            ///< as stored (1252)
  std::int32_t stamp = 0;
  std::int64_t bytes = 0;      ///< decoded bytes of file data
  std::string method;          ///< "EC2" or "ECS"
  unsigned volume = 1;         ///< the volume the entry starts on
  bool sound = true;
  std::string problem;         ///< why it is not sound
};

struct ScannedArchive {
  std::string title;
  std::int32_t totalSize = 0;
  std::int32_t fileCount = 0;
  bool headerRead = false;
  bool complete = false;       ///< read to the closing 0
  std::string problem;         ///< what stopped the walk, with the volume and offset
  int damagedEntries = 0;
  int entries = 0;
};

/// @param onEntry called once per entry when its data has been read (also when it is damaged)
/// @param onProgress called after every block with the percent of the header's total size
ScannedArchive ScanArchive(const std::string& archivePath,
                           const std::function<void(const ScannedEntry&)>& onEntry,
                           const std::function<void(int percent)>& onProgress = {});

}  // namespace lifto::archive
