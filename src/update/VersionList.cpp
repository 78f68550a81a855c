#include "update/VersionList.h"

#include <fstream>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/SourceFolder.h"

namespace lifto::update {
namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool Contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

// The item is built from the head of the script only, so reading stops at its first file
// section; a script that cannot be read shows its file name alone.
std::vector<std::string> ReadHeadLines(const std::string& windowsPath) {
  std::vector<std::string> lines;
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) return lines;
  std::ifstream in(*host, std::ios::binary);
  std::string line;
  bool pending = false;
  char c;
  while (in.get(c)) {
    if (c == '\r' || c == '\n') {
      if (c == '\r' && in.peek() == '\n') in.get();
      const std::string upper = UpperAscii(line);
      lines.push_back(std::move(line));
      line.clear();
      pending = false;
      if (Contains(upper, "[BACKUP]") || Contains(upper, "[PONTO]")) return lines;
    } else {
      line.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(std::move(line));
  return lines;
}

using support::BusyCursor;

}  // namespace

std::string VersionListItem(const std::string& fileName, const std::vector<std::string>& lines) {
  std::string item = fileName;
  for (const auto& line : lines) {
    const std::string upper = UpperAscii(line);
    if (Contains(upper, "DESCRICAO=")) {
      item += " | " + (line.size() > 10 ? line.substr(10) : std::string());
    } else if (Contains(upper, "VERSAO=")) {
      item += " | " + (line.size() > 7 ? line.substr(7) : std::string());
    } else if (Contains(upper, "[BACKUP]") || Contains(upper, "[PONTO]")) {
      break;
    }
  }
  return item;
}

std::string ScriptOfItem(const std::string& item) { return support::GetField(item, 1, "|"); }

void FillVersionList(UpdateWindow& window, const UpdateSteps& steps) {
  BusyCursor busy;
  auto& items = window.VersionItems();
  items.clear();
  window.VersionItemIndex() = -1;

  const std::string text = window.Context().C_caminhoOrigem;
  const char drive = text.empty() ? 'C' : text.front();
  // A lower-case letter is no drive to the drive query, as on the systems the tool comes from.
  const bool validDrive = drive >= 'A' && drive <= 'Z';
  if (!validDrive || !platform::DriveReady(drive) || !platform::FolderExists(text)) {
    window.VersionListEnabled() = false;
    support::CurrentUi().Repaint();
    return;
  }

  for (const auto& path : ListByExtension(SourceFolderOf(text), "aex")) {
    items.push_back(VersionListItem(NameOfFile(path), ReadHeadLines(path)));
  }
  window.VersionListEnabled() = true;
  const std::string last = steps.lastLoggedScript(window.Context());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (ScriptOfItem(items[i]) == last) {
      window.VersionItemIndex() = static_cast<int>(i);
      break;
    }
  }
  support::CurrentUi().Repaint();
}

}  // namespace lifto::update
