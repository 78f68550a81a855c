#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

#include "platform/UniqueFd.h"

/// Many files of a few folders read one after another (the files a backup selects, sums and
/// writes): each folder's Windows path is resolved once, and the folder is walked to (by the walk
/// of SafeFiles.h) once for the entries that follow in it, so that each use of an entry costs a
/// call or two instead of a resolution and a walk of its whole path. The results are those of
/// FileExists, GetAttributes and an open by HostFile on the same path, as long as the folders on
/// the way are not renamed while one object is in use.
namespace lifto::platform {

class FilePlaces {
 public:
  /// What stat says of the file (links followed); nullopt when nothing is there.
  std::optional<struct stat> Stat(std::string_view windowsPath);
  /// The attribute bits, as GetAttributes gives them; nullopt when nothing is there.
  std::optional<std::uint32_t> Attributes(std::string_view windowsPath);
  /// Opens for reading as OpenFile does (a link is followed only when SafeFiles.h lets it through).
  /// @return an invalid descriptor with errno set (ENOENT for a path without drive mapping)
  UniqueFd OpenForReading(std::string_view windowsPath);

 private:
  struct Folder {
    std::filesystem::path host;
    std::unordered_map<std::string, std::string> onDisk;  // names already found, 1252 to UTF-8
    std::optional<std::unordered_map<std::string, std::vector<std::string>>> byUpperName;
  };
  /// Where a path lies: a name in a known folder, or (for the forms a folder cannot stand for:
  /// no separator, ".", "..") the whole host path with `folder` null.
  struct Place {
    Folder* folder = nullptr;
    std::string name;  // UTF-8
    std::filesystem::path host;
  };
  std::optional<Place> Find(std::string_view windowsPath);
  std::string NameIn(Folder& folder, std::string_view name1252);
  /// The folder opened (O_PATH); -1 when it cannot be walked to.
  int FolderFd(const Folder& folder);

  std::unordered_map<std::string, Folder> folders_;  // by the folder's Windows path as given
  // The folders from the root down to the one used last, each open: the next folder is walked
  // from the deepest of them above it, so that a list in name order ("LIB\A.SO", "LIB\DRI\X.SO",
  // "LIB\B.SO", "SHARE\...") walks each name once, and the descriptors held stay as few as the
  // levels of one path.
  struct Level {
    std::filesystem::path name;
    UniqueFd fd;
  };
  std::vector<Level> chain_;
  const Folder* chainEnd_ = nullptr;  // the folder the chain ends at, if it does
  UniqueFd other_;                    // a folder walked whole (below a held folder, a relative path)
  const Folder* otherFolder_ = nullptr;
};

}  // namespace lifto::platform
