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

/// Copies a file, replacing the target unless failIfExists; carries content, mode, last-write time
/// and attributes, as Windows' file copy does. A read-only target is not replaced, nor a file by
/// itself. The copy is written beside the target and renamed over it, so that a failure (a full
/// disk) leaves the old target whole; a target reached through a link replaces the linked file.
/// @return success
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists = false);
bool DeleteFile(std::string_view path);  ///< a read-only file is not deleted
/// Renames or moves a file or folder; fails when the target exists, except to change only the case of
/// a name ("a.txt" to "A.TXT"). A file moves to another file system as a copy and a delete.
bool RenameFile(std::string_view from, std::string_view to);
bool CreateFolder(std::string_view path);                     ///< one level
bool ForceFolders(std::string_view path);                     ///< every missing level
bool RemoveFolder(std::string_view path);                     ///< an empty folder

/// Attribute bits, or nullopt when nothing is there. Read-only is the lack of write permission (no
/// write bit at all, or none for this user); hidden, system and archive live in the extended
/// attribute user.DOSATTRIB (see DosAttrib.h) where the file system keeps one, otherwise a file
/// reads as archive-set. Folders carry kAttrDirectory.
std::optional<std::uint32_t> GetAttributes(std::string_view path);
/// Sets the attribute bits (kAttrDirectory is ignored). Read-only removes every write permission
/// bit, and clearing it gives the owner write permission back; on a folder it is not kept, since
/// removing a folder's write permission would keep files out of it, which Windows does not.
/// @return false when nothing is there, or when hidden or system cannot be kept because the file
/// system has no extended attributes (archive then stays set).
bool SetAttributes(std::string_view path, std::uint32_t attributes);

/// Windows starts any program file; here a program of this system also needs execute permission,
/// which an archive or a copy from Windows does not carry. A file holding one (an ELF image or a
/// "#!" script) gets execute permission wherever it has read permission; other files stay as they
/// are. @return false when the file cannot be read or its permissions cannot be changed
bool MarkProgramRunnable(std::string_view path);
/// Whether a file beginning with `head` (its first four bytes, or all of a shorter file) holds a
/// program by the rule above: a caller that wrote the file knows without reading it again.
bool IsProgramHead(std::string_view head);
/// The same for the entry `name` of an open folder; a link there is not followed.
bool MarkProgramRunnableAt(int folder, const std::string& name);

/// Last-write time as seconds since the epoch (UTC), or nullopt.
std::optional<std::time_t> GetLastWriteTime(std::string_view path);
bool SetLastWriteTime(std::string_view path, std::time_t when);
/// The same for the entry `name` of an open folder; a link there keeps its target's time.
bool SetLastWriteTimeAt(int folder, const std::string& name, std::time_t when);

/// MS-DOS packed date-time (date in the high word, time in the low word) in local time: bits 0-4
/// seconds / 2, 5-10 minutes, 11-15 hours, 16-20 day, 21-24 month, 25-31 years since 1980.
/// Odd seconds round down; times before 1980 give 1980-01-01 00:00:00, after 2107 the last value.
std::uint32_t ToDosDateTime(std::time_t when);
/// The time of a packed date-time; fields out of range (month 0, hour 31) are held to the nearest
/// valid value.
std::time_t FromDosDateTime(std::uint32_t dosDateTime);

/// One entry of a folder listing.
struct DirEntry {
  std::string name;  ///< the name as it is on disk, in 1252
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::time_t lastWrite = 0;
};

/// The entries of a folder whose names match a Windows wildcard pattern ("*.TXT", "A?.*") without
/// regard to case, "." and ".." included when the pattern matches them, of every kind (folders,
/// hidden and system entries too), in the file system's order. Host names that 1252 cannot hold show
/// "?" for those characters.
/// @param pattern folder and name pattern ("C:\X\*.TXT"); without a folder, the current directory
/// @return nothing when the folder is not there or the pattern names no entry
std::vector<DirEntry> FindFiles(std::string_view pattern);

/// Windows wildcard match without regard to case, by the rules of 8.3-era names: "*" takes any run
/// of characters; "?" takes one character other than a dot, or nothing at a dot or at the end
/// ("A??.TXT" matches "AB.TXT"); a dot followed only by wildcards may also match the end of a name
/// ("*.*" matches "README", "A.*" matches "A"); a "*" followed by a dot cannot pass the last dot of the
/// name ("*." matches only names without an extension).
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace lifto::platform
