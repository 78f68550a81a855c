#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

/// The registry: two hives kept as regedit export files, HKLM.reg and HKCU.reg, in LIFTO_HOME.
/// Reads "REGEDIT4" (1252) and "Windows Registry Editor Version 5.00" (UTF-16LE or UTF-8) exports;
/// writes the "REGEDIT4" form, atomically (temporary file and rename) under a lock file, so that two
/// programs writing at once lose nothing. The file format itself is in RegistryHive.h.
namespace lifto::platform {

enum class RootKey { LocalMachine, CurrentUser };

/// A registry value: REG_SZ text or REG_DWORD.
using RegistryData = std::variant<std::string, std::uint32_t>;

/// The hive file of a root: LIFTO_HOME/HKLM.reg or LIFTO_HOME/HKCU.reg. @throw ConfigError
std::filesystem::path RegistryHivePath(RootKey root);

/// Reads a value; the key path may start with "\" and compares without regard to case; an empty
/// name is the default value "@". An expandable text (REG_EXPAND_SZ) reads as text, unexpanded.
/// @return nullopt when the key or value is missing or holds another kind of data (binary...)
/// @throw ConfigError for a malformed hive file
std::optional<RegistryData> ReadRegistry(RootKey root, const std::string& keyPath,
                                         const std::string& valueName);
/// A key exists when the hive has it or a key below it. @throw ConfigError for a malformed hive
bool RegistryKeyExists(RootKey root, const std::string& keyPath);
/// Writes a value, creating the key when missing. A malformed hive is left untouched.
/// @return false when the hive cannot be read or written, or the key path is empty
bool WriteRegistry(RootKey root, const std::string& keyPath, const std::string& valueName,
                   const RegistryData& data);

}  // namespace lifto::platform
