// Folders, file listing and deletion, database alias folders.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

constexpr std::size_t kEnvironmentTextMax = 4096;

bool WritableByOthers(const std::string& windowsFolder) {
  const auto host = platform::ToHostPath(windowsFolder);
  return host && platform::OthersMayWriteIn(*host);
}

bool IsSymlink(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  std::error_code ec;
  return host && std::filesystem::is_symlink(*host, ec);
}

bool RemoveLink(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  std::error_code ec;
  return host && std::filesystem::remove(*host, ec);
}

}  // namespace

std::string WindowsFolder() { return platform::SystemWindowsFolder(); }

std::string EnvironmentText(const std::string& name) {
  std::string value = platform::EnvironmentVariable(name);
  if (value.size() > kEnvironmentTextMax) value.resize(kEnvironmentTextMax);
  return value;
}

std::string TempFolder() {
  std::string folder = EnvironmentText("TEMP");
  if (RemoveBlanks(folder).empty()) folder = EnvironmentText("TMP");
  // Neither set: the host's own temporary folder, which is shared, so the private one inside it.
  if (RemoveBlanks(folder).empty()) return platform::PrivateTempFolder();
  if (folder[0] == '/') folder = platform::ToWindowsPath(folder);
  if (WritableByOthers(folder)) return platform::PrivateTempFolder();
  return folder;
}

std::vector<std::string> ListFiles(const std::string& pattern) {
  std::vector<std::string> list;
  if (pattern.find_first_of("*?") != std::string::npos) {
    const std::string folder = FolderPart(pattern);
    for (const auto& entry : platform::FindFiles(pattern)) list.push_back(folder + entry.name);
  } else if (platform::FileExists(pattern)) {
    list.push_back(pattern);
  }
  return list;
}

bool DeleteFolderTree(const std::string& folder, bool keep) {
  if (!platform::FolderExists(folder)) return false;
  const std::string pattern = folder + "\\*.*";
  // "." and ".." (and any name ending in a dot) are not the folder's own content.
  auto isContent = [](const std::string& entry) { return !entry.empty() && entry.back() != '.'; };
  bool result = true;
  for (const auto& entry : ListFiles(pattern)) {
    if (!isContent(entry)) continue;
    // A link is removed as a link: following one into a folder elsewhere would empty that folder.
    if (IsSymlink(entry)) {
      if (!RemoveLink(entry)) {
        result = false;
        break;
      }
    } else if (platform::FileExists(entry) && !platform::DeleteFile(entry)) {
      result = false;
      break;
    }
  }
  if (result) {
    for (const auto& entry : ListFiles(pattern)) {
      if (!isContent(entry)) continue;
      if (!DeleteFolderTree(entry, false)) {
        result = false;
        break;
      }
    }
  }
  if (result && !keep) platform::RemoveFolder(folder);
  return result;
}

std::string AliasPath(const std::string& alias, bool parent) {
  const auto parameters = platform::Environment::Current().AliasParameters(alias);
  if (!parameters) return {};
  std::string path;
  for (const auto& line : *parameters) {
    std::string head = line.substr(0, 4);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (head == "PATH") path = line.size() > 5 ? line.substr(5) : std::string();
  }
  if (!path.empty() && path.back() == '\\') path.pop_back();
  if (parent) {
    const auto slash = path.rfind('\\');
    if (slash != std::string::npos) path.resize(slash);
  }
  return path;
}

}  // namespace lifto::support
