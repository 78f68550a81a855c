#pragma once

#include <optional>
#include <string>

namespace lifto::platform {

/// Size of the version information block of a Windows executable (PE, RT_VERSION), 0 when it has
/// none or cannot be read.
std::size_t VersionInfoSize(const std::string& windowsPath);

/// Queries a string of the version block as "\StringFileInfo\041604E4\FileVersion" (doubled
/// backslashes are accepted as single ones). nullopt when the file, the block or the value is
/// missing. The value comes back in 1252.
std::optional<std::string> QueryVersionString(const std::string& windowsPath, const std::string& query);

}  // namespace lifto::platform
