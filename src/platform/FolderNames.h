#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// Host paths of many names in the folders that one piece of work fills (the extraction folder of
/// an update, the folders it installs into), each folder listed once. Resolving every new name by
/// listing its folder again made such work grow with the square of the number of files.
namespace lifto::platform {

/// Which of a folder's names a 1252 name stands for, by the rules of ToHostPath: the exact name,
/// else the name in upper case, else in lower case, else the first in sorted order of the names
/// that match without regard to case. `matching` holds those names (UTF-8, any order).
/// @return nullopt when `matching` is empty
std::optional<std::string> ChooseOnDiskName(std::string_view name1252,
                                            const std::vector<std::string>& matching);

class FolderNames {
 public:
  /// The host path of a Windows file path: its folder resolved by ToHostPath and listed the first
  /// time it is met, its file name matched against that listing by ChooseOnDiskName or kept as
  /// given. A name kept as given is recorded as present, since the caller is about to write it.
  /// An absolute host path is taken as it is.
  /// Names that others add to a folder after it was listed are not seen.
  /// @return nullopt where ToHostPath gives nothing
  std::optional<std::filesystem::path> HostPathOf(std::string_view windowsPath);

 private:
  struct Listing {
    std::filesystem::path host;
    std::unordered_map<std::string, std::vector<std::string>> byUpperName;  // 1252 upper case
  };
  std::unordered_map<std::string, Listing> folders_;  // by the folder's Windows path in upper case
};

}  // namespace lifto::platform
