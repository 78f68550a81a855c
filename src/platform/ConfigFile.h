#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The INI files of the environment root (system.ini, aliases.ini): 1252 text with CR LF or LF
/// line ends, "[Section]" lines and "Key=Value" lines; blank lines and lines that start with ";"
/// or "#" are passed over. Keys and values lose their surrounding blanks and tabs.
namespace lifto::platform {

struct ConfigEntry {
  int line = 0;  ///< 1-based line number in the file
  std::string key;
  std::string value;
};

struct ConfigSection {
  int line = 0;
  std::string name;
  std::vector<ConfigEntry> entries;
};

/// Parses the text of an INI file. A file that starts with the UTF-8 byte order mark is read as
/// UTF-8 and converted to 1252. @param file names the file in errors
/// @throw ConfigError naming the file and line of a line that is neither a section, a "Key=Value"
/// line, a comment nor blank, or of a "Key=Value" line before the first section.
std::vector<ConfigSection> ParseConfigText(std::string_view text, const std::filesystem::path& file);

/// Reads and parses an INI file. @return nullopt when the file does not exist
/// @throw ConfigError when it exists but cannot be read, or is malformed
std::optional<std::vector<ConfigSection>> ReadConfigFile(const std::filesystem::path& file);

}  // namespace lifto::platform
