#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

/// The registry: two hives kept as regedit export files, HKLM.reg and HKCU.reg, in LIFTO_HOME.
/// Reads "REGEDIT4" (1252) and "Windows Registry Editor Version 5.00" (UTF-16LE) exports; writes
/// are atomic (temporary file and rename) under a lock file, so that two programs writing at once
/// lose nothing.
namespace lifto::platform {

enum class RootKey { LocalMachine, CurrentUser };

/// A registry value: REG_SZ text or REG_DWORD.
using RegistryData = std::variant<std::string, std::uint32_t>;

/// Reads a value; the key path may start with "\" and compares without regard to case; an empty
/// name is the default value "@". nullopt when the key or value is missing.
/// @throw ConfigError for a malformed hive file
std::optional<RegistryData> ReadRegistry(RootKey root, const std::string& keyPath,
                                         const std::string& valueName);
bool RegistryKeyExists(RootKey root, const std::string& keyPath);
/// Writes a value, creating the key when missing. @return false when the hive cannot be written
bool WriteRegistry(RootKey root, const std::string& keyPath, const std::string& valueName,
                   const RegistryData& data);

}  // namespace lifto::platform
