#include "platform/FolderNames.h"

#include <algorithm>
#include <system_error>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/TextCase.h"

namespace lifto::platform {

namespace fs = std::filesystem;

std::optional<std::string> ChooseOnDiskName(std::string_view name1252,
                                            const std::vector<std::string>& matching) {
  if (matching.empty()) return std::nullopt;
  for (const auto& wanted : {std::string(name1252), Upper1252(name1252), Lower1252(name1252)}) {
    const auto utf8 = ToUtf8(wanted);
    if (std::find(matching.begin(), matching.end(), utf8) != matching.end()) return utf8;
  }
  return *std::min_element(matching.begin(), matching.end());
}

std::optional<fs::path> FolderNames::HostPathOf(std::string_view windowsPath) {
  // A host path is taken as it is, as ToHostPath takes it.
  if (!windowsPath.empty() && windowsPath[0] == '/') return ToHostPath(windowsPath);
  const auto cut = windowsPath.find_last_of("\\/");
  if (cut == std::string_view::npos || cut + 1 == windowsPath.size()) return ToHostPath(windowsPath);
  const std::string_view folder = windowsPath.substr(0, cut + 1);
  const std::string_view name = windowsPath.substr(cut + 1);
  if (name == "." || name == "..") return ToHostPath(windowsPath);

  const std::string key = Upper1252(folder);
  auto found = folders_.find(key);
  if (found == folders_.end()) {
    const auto host = ToHostPath(folder);
    if (!host) return std::nullopt;
    Listing listing{*host, {}};
    std::error_code ec;
    for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
      auto entry = it->path().filename().string();
      listing.byUpperName[Upper1252(FromUtf8(entry))].push_back(std::move(entry));
    }
    found = folders_.emplace(key, std::move(listing)).first;
  }
  Listing& listing = found->second;
  auto& matching = listing.byUpperName[Upper1252(name)];
  if (auto onDisk = ChooseOnDiskName(name, matching)) return listing.host / *onDisk;
  matching.push_back(ToUtf8(name));
  return listing.host / matching.back();
}

}  // namespace lifto::platform
