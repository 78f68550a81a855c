#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// File operations on Windows paths, with Windows semantics.
namespace lifto::platform {

/// Windows file attribute bits.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

bool FileExists(std::string_view path);    ///< a regular file (not a folder) exists there
bool FolderExists(std::string_view path);  ///< a folder exists there
std::optional<std::uint64_t> FileSize(std::string_view path);

/// Copies a file, replacing the target unless failIfExists; carries content, mode and last-write
/// time, as Windows' file copy does. A read-only target is not replaced. @return success
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists = false);
bool DeleteFile(std::string_view path);  ///< a read-only file is not deleted
bool RenameFile(std::string_view from, std::string_view to);  ///< fails when the target exists
bool CreateFolder(std::string_view path);                     ///< one level
bool ForceFolders(std::string_view path);                     ///< every missing level
bool RemoveFolder(std::string_view path);                     ///< an empty folder

/// Attribute bits, or nullopt when nothing is there. Read-only is the lack of write permission;
/// hidden, system and archive live in the extended attribute user.DOSATTRIB where the file system
/// keeps one, otherwise a file reads as archive-set.
std::optional<std::uint32_t> GetAttributes(std::string_view path);
bool SetAttributes(std::string_view path, std::uint32_t attributes);

/// Last-write time as seconds since the epoch (UTC), or nullopt.
std::optional<std::time_t> GetLastWriteTime(std::string_view path);
bool SetLastWriteTime(std::string_view path, std::time_t when);

/// MS-DOS packed date-time (date in the high word, time in the low word) in local time.
std::uint32_t ToDosDateTime(std::time_t when);
std::time_t FromDosDateTime(std::uint32_t dosDateTime);

/// One entry of a folder listing.
struct DirEntry {
  std::string name;  ///< the name as it is on disk, in 1252
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::time_t lastWrite = 0;
};

/// The entries of a folder whose names match a Windows wildcard pattern ("*.TXT", "A?.*") without
/// regard to case, "." and ".." included when the pattern matches them, in the file system's order.
/// @param pattern folder and name pattern ("C:\X\*.TXT")
std::vector<DirEntry> FindFiles(std::string_view pattern);

/// Windows wildcard match without regard to case ("*.*" matches a name without a dot too).
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace lifto::platform
