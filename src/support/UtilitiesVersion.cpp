// Version strings of executables.
#include "platform/VersionResource.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

// The query path as the tool stores it, with its backslashes doubled.
constexpr const char* kQueryPrefix = "\\\\StringFileInfo\\\\041604E4\\\\";

const char* ValueNameOf(int kind) {
  static const char* const names[] = {"FileVersion",    "FileVersion",      "ProductVersion", "ProductVersion",
                                      "CompanyName",    "ProductName",      "LegalCopyright", "OriginalFilename",
                                      "InternalName",   "FileDescription"};
  return kind >= 0 && kind <= 9 ? names[kind] : nullptr;
}

// "1.2.3.4" gives "1.2"; a string with fewer than two dots is whole.
std::string UpToSecondDot(const std::string& version) {
  const auto first = version.find('.');
  if (first == std::string::npos) return version;
  const auto second = version.find('.', first + 1);
  return second == std::string::npos ? version : version.substr(0, second);
}

// What follows the second dot, found in the tool's two copying steps: from the first dot, copy
// from its third character on (past the dot and the minor number's first digit), then copy what
// follows the next dot of that copy. A string ending right at its first dot has nothing to copy
// in the first step, which shows CopyChars' message.
std::string AfterSecondDot(const std::string& version) {
  const auto first = version.find('.');
  if (first == std::string::npos) return {};
  const std::string fromFirstDot = version.substr(first);
  const std::string rest =
      CopyChars(fromFirstDot, 2, static_cast<int>(fromFirstDot.size()) - 1);
  const auto next = rest.find('.');
  if (next == std::string::npos) return {};
  const std::string fromNextDot = rest.substr(next);
  return CopyChars(fromNextDot, 1, static_cast<int>(fromNextDot.size()));
}

}  // namespace

std::string FileVersionText(const std::string& fileName, int kind) {
  const char* valueName = ValueNameOf(kind);
  if (valueName == nullptr) return {};
  if (platform::VersionInfoSize(fileName) == 0) return {};
  const auto found = platform::QueryVersionString(fileName, std::string(kQueryPrefix) + valueName);
  if (!found) return {};
  switch (kind) {
    case 0:
    case 2: return UpToSecondDot(*found);
    case 1:
    case 3: return AfterSecondDot(*found);
    default: return *found;
  }
}

}  // namespace lifto::support
