#pragma once

#include <string>

namespace lifto::platform {

/// WindowsFolder of system.ini (default "C:\WINDOWS"), no trailing backslash.
std::string SystemWindowsFolder();

/// The value of an environment variable in 1252, empty when unset.
std::string EnvironmentVariable(const std::string& name);

/// The temporary folder as the tool uses it (Windows form): TEMP, then TMP, else $TMPDIR or /tmp.
/// When the folder found is writable by others, a private folder inside it (owned by the user,
/// mode 0700) is used instead; it is created when missing. @throw std::runtime_error when that
/// private folder exists with another owner or mode.
std::string PrivateTempFolder();

/// The Windows form of the running program's own executable ("Z:\opt\lifto\atualizar").
std::string OwnExecutablePath();

/// True when the drive ("A".."Z") reports a size: its mapping exists and is a folder.
bool DriveReady(char driveLetter);

}  // namespace lifto::platform
