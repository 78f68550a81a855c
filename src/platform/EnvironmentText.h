#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/Environment.h"

namespace lifto::platform {

/// Builds an environment from the texts of its system.ini and aliases.ini, by the same rules as
/// Environment::LoadFrom, without touching the disk: no folder is created and no default
/// system.ini written. A missing text is a missing file. Relative drive folders lie in home.
/// Checks a configuration before it is installed, and lets the reader be fuzzed safely.
/// @throw ConfigError naming home/system.ini or home/aliases.ini and the line
Environment EnvironmentFromTexts(const std::filesystem::path& home,
                                 std::optional<std::string_view> systemIni,
                                 std::optional<std::string_view> aliasesIni);

}  // namespace lifto::platform
