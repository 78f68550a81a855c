#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// Windows paths (1252 text) to host paths and back, through the drive mappings of the
/// current Environment. "\" and "/" both separate; names compare without regard to case.
namespace lifto::platform {

/// Resolves a Windows path ("F:\KORAMI\DADOS", "\\SERVIDOR\DADOS\X.DB", a relative path) to a host
/// path. Each existing component is matched without regard to case (an exact match wins, else the
/// first match in sorted order); components that do not exist keep the case given.
/// An absolute host path ("/srv/x") is taken as it is. A relative path is relative to the
/// current directory. @return nullopt for a path on an unmapped drive.
std::optional<std::filesystem::path> ToHostPath(std::string_view windowsPath);

/// The Windows form of a host path: the drive with the longest matching mapping ("Z:" for "/").
std::string ToWindowsPath(const std::filesystem::path& hostPath);

/// True for "X:..." and "\\server..." forms, and for absolute host paths.
bool IsAbsoluteWindowsPath(std::string_view path);

/// The upper-case drive letter of "x:..." or 0.
char DriveLetterOf(std::string_view windowsPath);

}  // namespace lifto::platform
