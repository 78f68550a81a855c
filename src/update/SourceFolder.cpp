#include "update/SourceFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string text) {
  for (char& c : text) c = Upper(c);
  return text;
}

}  // namespace

std::string SourceFolderOf(const std::string& caminhoOrigem) {
  if (!caminhoOrigem.empty() && caminhoOrigem.back() == '\\') return caminhoOrigem;
  return caminhoOrigem + "\\";
}

bool IsDisketteSource(const std::string& folder) {
  if (folder.empty()) return false;
  const char letter = Upper(folder.front());
  return letter == 'A' || letter == 'B';
}

std::vector<std::string> ListByExtension(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  for (const auto& entry : platform::FindFiles(folder + "*." + extension)) {
    if ((entry.attributes & platform::kAttrDirectory) != 0) continue;
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = UpperAscii(a);
    const std::string ub = UpperAscii(b);
    return ua != ub ? ua < ub : a < b;
  });
  for (auto& name : names) name = folder + name;
  return names;
}

std::string ArchiveOfScript(const std::string& scriptPath) {
  // Only the file name changes: a folder whose name holds the letters "aex" stays the folder
  // the script lies in.
  const std::string name = NameOfFile(scriptPath);
  return scriptPath.substr(0, scriptPath.size() - name.size()) + ReplaceAllNoCase(name, "aex", "ATU");
}

std::string NameOfFile(const std::string& path) { return BareFileName(path); }

std::string FolderOfFile(const std::string& path) {
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
  const auto hostA = platform::ToHostPath(a);
  const auto hostB = platform::ToHostPath(b);
  if (!hostA || !hostB) return false;
  std::error_code error;
  return std::filesystem::equivalent(*hostA, *hostB, error) && !error;
}

}  // namespace lifto::update
