#pragma once

#include <filesystem>
#include <string>

namespace lifto::platform {

/// WindowsFolder of system.ini (default "C:\WINDOWS"), no trailing backslash ("C:\" gives "C:").
/// @throw ConfigError when the environment cannot be loaded
std::string SystemWindowsFolder();

/// The value of an environment variable in 1252, empty when unset.
std::string EnvironmentVariable(const std::string& name);

/// The temporary folder as the tool uses it, in Windows form, without a trailing backslash: TEMP,
/// then TMP (a value of blanks only counts as unset), else $TMPDIR or /tmp. The values may be Windows
/// paths ("C:\TEMP") or host paths ("/var/tmp").
/// When the folder found can be written by another user (writable by group or others, as /tmp is, or
/// owned by someone else), the private folder "lifto-<uid>" inside it is used instead: owned by the
/// user with mode 0700, created when missing. So no other user can plant or swap the tool's
/// temporary files. @throw std::runtime_error naming the folder when it is missing or on an unmapped
/// drive, when the private folder exists with another owner or mode or is not a plain folder, or
/// when it cannot be kept private (a parent writable by others without the sticky bit, or one that
/// belongs to a user other than root and the running one, who could rename the private folder).
std::string PrivateTempFolder();

/// Whether another user may create or swap entries in a host folder: it belongs to someone else,
/// or its mode lets group or others write there (as /tmp). False when it is no folder.
bool OthersMayWriteIn(const std::filesystem::path& hostFolder);

/// The Windows form of the running program's own executable ("Z:\opt\lifto\atualizar"); empty
/// when the host does not tell.
std::string OwnExecutablePath();

/// True when the drive ("A".."Z", either case) reports a size: it is mapped and its folder exists.
/// A folder that /etc/fstab names as a mount point (a diskette or other removable medium) counts
/// only while something is mounted there.
bool DriveReady(char driveLetter);

}  // namespace lifto::platform
