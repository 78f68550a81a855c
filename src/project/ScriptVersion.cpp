#include <optional>
#include <string>

#include "project/Script.h"
#include "project/ScriptText.h"
#include "support/Utilities.h"

namespace lifto::project {
namespace {

std::ptrdiff_t At(std::size_t index) { return static_cast<std::ptrdiff_t>(index); }

bool IsEmptyWithoutBlanks(const std::string& line) { return support::RemoveBlanks(line).empty(); }

bool StartsWithUpper(const std::string& line, std::string_view prefix) {
  return UpperCase(std::string_view(line).substr(0, prefix.size())) == prefix;
}

// An old script without "[BACKUP]" gains an empty one before its first blank line.
void EnsureBackupSection(ScriptLines& lines) {
  std::optional<std::size_t> blank;
  for (const std::string& line : lines) {
    if (line.starts_with("[BACKUP]")) return;
  }
  for (std::size_t line = 0; line < lines.size(); ++line) {
    if (IsEmptyWithoutBlanks(lines[line])) {
      blank = line;
      break;
    }
  }
  if (!blank) return;
  lines.insert(lines.begin() + At(*blank), {std::string(), std::string("[BACKUP]")});
}

// The upper-case file name part of a path: after its last "\" or ":".
std::string UpperFileName(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\:");
  return UpperCase(cut == std::string::npos ? path : path.substr(cut + 1));
}

std::string FileVersionOf(const std::string& windowsPath) {
  const std::string major = support::FileVersionText(windowsPath, 0);
  if (major.empty()) return {};
  return major + "." + support::FileVersionText(windowsPath, 1);
}

}  // namespace

void RefreshVersion(ScriptLines& lines) { RefreshVersion(lines, FileVersionOf); }

void RefreshVersion(ScriptLines& lines, const VersionReader& readVersion) {
  EnsureBackupSection(lines);

  std::size_t firstSection = 0;
  for (std::size_t line = 1; line < lines.size(); ++line) {
    if (IsSectionHeader(lines[line])) {
      firstSection = line;
      break;
    }
  }

  std::string program;
  for (const std::string& line : lines) {
    if (StartsWithUpper(line, "PROG")) {
      program = UpperCase(line.size() > 5 ? line.substr(5) : std::string());
      break;
    }
  }

  // An entry whose file yields no version (a "[BACKUP]" path with a placeholder, a file without
  // version strings) would give the lone "." that no version check can read; it is passed over.
  bool named = false;
  std::string version;
  if (!program.empty()) {
    for (std::size_t line = firstSection; line < lines.size() && version.empty(); ++line) {
      const std::size_t eq = lines[line].find('=');
      if (eq == std::string::npos) continue;
      const std::string path = support::GetField(lines[line].substr(eq + 1), 1, ",");
      if (UpperFileName(path) != program) continue;
      named = true;
      version = readVersion(path);
    }
  }

  std::optional<std::size_t> place;
  bool isVersionLine = false;
  for (std::size_t line = 0; line < lines.size(); ++line) {
    if (IsEmptyWithoutBlanks(lines[line])) {
      place = line;
      break;
    }
    if (StartsWithUpper(lines[line], "VERSAO")) {
      place = line;
      isVersionLine = true;
      break;
    }
  }
  if (!place) return;
  if (!version.empty()) {
    if (isVersionLine) {
      lines[*place] = "VERSAO=" + version;
    } else {
      lines.insert(lines.begin() + At(*place), "VERSAO=" + version);
    }
  } else if (isVersionLine && !named) {
    lines.erase(lines.begin() + At(*place));
  }
}

}  // namespace lifto::project
