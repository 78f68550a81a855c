#include <string>

#include "platform/Profile.h"
#include "project/Script.h"
#include "project/ScriptText.h"

namespace lifto::project {

ScriptLines ParseScriptText(std::string_view text) {
  ScriptLines lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    // CR LF is one line end; a lone CR or a lone LF is one too.
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string ScriptText(const ScriptLines& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

ScriptLines LoadScript(std::string_view path) {
  return ParseScriptText(platform::ReadTextFile(path));
}

void SaveScript(const ScriptLines& lines, std::string_view path) {
  platform::ReplaceTextFile(path, ScriptText(lines));
}

void WriteDiskCount(std::string_view path, int count) {
  ScriptLines lines = LoadScript(path);
  std::size_t line = 0;
  while (line < lines.size() && UpperCase(lines[line]) != "[CONFIG]") ++line;
  if (line < lines.size()) {
    const std::string countLine = "NUMDISCOS=" + std::to_string(count);
    // Only a line keyed NUMDISCOS is replaced, so that a description that merely mentions the
    // word is kept; the block ends at its blank line or, in a script without one, at the next
    // header or the end of the file, so that the count never lands in a file section.
    for (++line; line <= lines.size(); ++line) {
      if (line == lines.size() || Trim(lines[line]).empty() || IsSectionHeader(lines[line])) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(line), countLine);
        break;
      }
      if (KeyOfLine(lines[line]) == "NUMDISCOS") {
        lines[line] = countLine;
        break;
      }
    }
  }
  SaveScript(lines, path);
}

std::vector<std::string> ReadFileSection(std::string_view path, std::string_view section) {
  const platform::ProfileFile profile = platform::ProfileFile::Load(path);
  platform::ProfileKeyNames keys = profile.KeyNames(section, kKeyNameBufferSize);
  // A name cut by the buffer names no entry of the file; reading it would give an empty entry.
  if (keys.lastCut) keys.names.pop_back();
  std::vector<std::string> entries;
  entries.reserve(keys.names.size());
  for (const std::string& name : keys.names) {
    entries.push_back(name + "=" + profile.String(section, name, "", kValueBufferSize));
  }
  return entries;
}

}  // namespace lifto::project
