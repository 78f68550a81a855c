#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// Windows paths (1252 text) to host paths (UTF-8) and back, through the drive mappings of the
/// Environment. "\" and "/" both separate; names compare without regard to case.
namespace lifto::platform {

class Environment;

/// Resolves a Windows path ("F:\KORAMI\DADOS", "\\SERVIDOR\DADOS\X.DB", a relative path) to a host
/// path. Each existing component is matched without regard to case (an exact match wins, then the
/// name in upper case, then in lower case, else the first match in sorted order); components that do not exist keep the case given. "." and empty
/// components are passed over; ".." goes up one level but not above the drive's root.
/// "X:" alone is the drive's root, "X:NAME" is taken as "X:\NAME"; "\NAME" lies on the drive of the
/// current directory; a UNC path uses the longest UNC prefix of [Drives] that matches it.
/// An absolute host path ("/srv/x") is taken as it is. A relative path is relative to the current
/// directory. Uses Environment::Current() (@throw ConfigError when it cannot be loaded).
/// @return nullopt for a path on an unmapped drive or with a zero byte in it
std::optional<std::filesystem::path> ToHostPath(std::string_view windowsPath);
/// The same through a given environment.
std::optional<std::filesystem::path> ToHostPath(std::string_view windowsPath, const Environment& env);

/// The Windows form of a host path: the drive with the longest matching mapping ("Z:\ETC" for
/// "/ETC" through Z=/); a drive's root ends with "\" ("C:\"), a UNC share's root does not. A relative
/// host path is taken from the current directory. Without any matching mapping the host path is
/// returned as it is (in 1252). Uses Environment::Current() (@throw ConfigError).
std::string ToWindowsPath(const std::filesystem::path& hostPath);
/// The same through a given environment.
std::string ToWindowsPath(const std::filesystem::path& hostPath, const Environment& env);

/// True for "X:..." and "\\server..." forms, for "\..." (the current drive's root), and for
/// absolute host paths.
bool IsAbsoluteWindowsPath(std::string_view path);

/// The upper-case drive letter of "x:..." or 0.
char DriveLetterOf(std::string_view windowsPath);

/// True for "\" and "/", the separators of Windows paths.
constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace lifto::platform
