#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// Version information of Windows executables (PE32 and PE32+): the RT_VERSION resource with its
/// VS_VERSIONINFO block. The files are untrusted; every read is bounds-checked, and a malformed
/// file reads as one without version information.
namespace lifto::platform {

/// Size of the version information block of a Windows executable (PE, RT_VERSION), 0 when it has
/// none or cannot be read.
std::size_t VersionInfoSize(const std::string& windowsPath);

/// Queries a string of the version block as "\StringFileInfo\041604E4\FileVersion" (doubled
/// backslashes are accepted as single ones; names compare without regard to case). nullopt when
/// the file, the block or the value is missing. The value comes back in 1252.
std::optional<std::string> QueryVersionString(const std::string& windowsPath, const std::string& query);

/// The version information block (the VS_VERSIONINFO resource's bytes) of an executable held in
/// memory; nullopt when there is none or the file is malformed.
std::optional<std::string> VersionInfoBlock(std::string_view executable);

/// Queries a string in a version information block, as QueryVersionString does.
std::optional<std::string> QueryVersionBlock(std::string_view block, std::string_view query);

}  // namespace lifto::platform
