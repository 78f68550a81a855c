#include <stdexcept>
#include <string>

#include "project/KnownPrograms.h"
#include "project/Script.h"
#include "project/ScriptText.h"

namespace lifto::project {
namespace {

std::ptrdiff_t At(std::size_t index) { return static_cast<std::ptrdiff_t>(index); }

// The key of a file entry at a line: its position-derived number, unless another entry of the
// same section already carries that key. The profile reader would give both entries the first
// one's value, so that the second file would never be installed; the next free number keeps
// the "<letter>_ARQ<number>" form and leaves every unique key as the position gives it.
std::string FileEntryKey(const ScriptLines& lines, std::size_t index, std::string_view letter) {
  std::size_t first = index;
  while (first > 0 && !IsSectionHeader(lines[first - 1])) --first;
  std::size_t last = index + 1;
  while (last < lines.size() && !IsSectionHeader(lines[last])) ++last;
  auto used = [&](const std::string& key) {
    for (std::size_t line = first; line < last; ++line) {
      if (line != index && SameText(KeyOfLine(lines[line]), key)) return true;
    }
    return false;
  };
  const std::string prefix = std::string(letter) + "_ARQ";
  for (std::size_t number = index;; ++number) {
    std::string key = prefix + std::to_string(number);
    if (!used(key)) return key;
  }
}

// Setting ALIAS sets the PROG of the same block to the alias's known program.
void SetProgramOfAlias(ScriptLines& lines, std::size_t index, std::string_view alias) {
  const KnownProgram* program = KnownProgramOfAlias(alias);
  if (program == nullptr) return;
  for (std::size_t line = index + 1; line < lines.size() && !IsSectionHeader(lines[line]); ++line) {
    // Only the line keyed PROG, so that a description mentioning the word stays untouched.
    if (SameText(KeyOfLine(lines[line]), "PROG")) {
      lines[line] = "PROG=" + std::string(program->programFile);
      return;
    }
  }
}

void ComposeEntry(ScriptLines& lines, std::size_t index, std::string_view section,
                  const EntryParts& parts) {
  if (section == "CONFIG") {
    const bool isAlias = SameText(Trim(parts.key), "ALIAS");
    lines[index] = parts.key + "=" + (isAlias ? parts.alias : parts.value);
    if (isAlias) SetProgramOfAlias(lines, index, parts.alias);
    return;
  }
  std::string line = FileEntryKey(lines, index, section.substr(0, 1)) + "=" + parts.value;
  if (section == "PONTO" || section == "SERVIDOR" || section == "WINDOWS") {
    line += " , " + parts.targetFolder;
  }
  lines[index] = std::move(line);
}

}  // namespace

int InsertEntry(ScriptLines& lines, std::string_view section, const EntryParts& parts) {
  const std::string header = "[" + std::string(section) + "]";
  std::size_t position = lines.empty() ? 0 : lines.size() - 1;
  for (std::size_t line = 0; line < lines.size(); ++line) {
    if (lines[line] != header) continue;
    for (std::size_t below = line; below < lines.size(); ++below) {
      if (Trim(lines[below]).empty()) {
        position = below;
        break;
      }
    }
    break;
  }
  std::size_t index;
  if (lines.empty() || position == lines.size() - 1) {
    // The last section has no blank line after it: the entry goes to the end of the file.
    lines.emplace_back();
    index = lines.size() - 1;
  } else {
    lines.insert(lines.begin() + At(position), std::string());
    index = position;
  }
  ComposeEntry(lines, index, section, parts);
  return static_cast<int>(index);
}

void ReplaceEntry(ScriptLines& lines, int index, std::string_view section, const EntryParts& parts) {
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) {
    throw std::out_of_range("script line " + std::to_string(index) + " does not exist");
  }
  ComposeEntry(lines, static_cast<std::size_t>(index), section, parts);
}

bool DeleteEntry(ScriptLines& lines, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return false;
  if (IsSectionHeader(lines[static_cast<std::size_t>(index)])) return false;
  lines.erase(lines.begin() + index);
  return true;
}

}  // namespace lifto::project
