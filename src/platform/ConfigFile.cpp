#include "platform/ConfigFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/Codepage.h"
#include "platform/Environment.h"

namespace lifto::platform {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::vector<ConfigSection> ParseConfigText(std::string_view text, const std::filesystem::path& file) {
  std::string converted;
  if (text.starts_with("\xEF\xBB\xBF")) {
    converted = FromUtf8(text.substr(3));
    text = converted;
  }
  std::vector<ConfigSection> sections;
  int number = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    auto raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const auto line = Trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') throw ConfigError(file, number, "a section line must end with \"]\"");
      const auto name = Trim(line.substr(1, line.size() - 2));
      if (name.empty()) throw ConfigError(file, number, "the section has no name");
      sections.push_back({number, std::string(name), {}});
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      throw ConfigError(file, number, "expected \"Name=Value\", a \"[Section]\" or a comment");
    }
    const auto key = Trim(line.substr(0, equals));
    if (key.empty()) throw ConfigError(file, number, "the line has no name before \"=\"");
    if (sections.empty()) throw ConfigError(file, number, "a value before the first \"[Section]\"");
    sections.back().entries.push_back({number, std::string(key), std::string(Trim(line.substr(equals + 1)))});
  }
  return sections;
}

std::optional<std::vector<ConfigSection>> ReadConfigFile(const std::filesystem::path& file) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (ec) throw ConfigError(file, 0, "cannot be examined: " + ec.message());
  if (std::filesystem::is_directory(status)) throw ConfigError(file, 0, "is a folder, not a file");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ConfigError(file, 0, std::string("cannot be read: ") + std::strerror(errno));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw ConfigError(file, 0, "cannot be read");
  return ParseConfigText(buffer.str(), file);
}

}  // namespace lifto::platform
