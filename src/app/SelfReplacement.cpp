#include "app/SelfReplacement.h"

#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace lifto::app {

bool ReplaceByCopy(const std::string& source, const std::string& target) {
  if (target.empty() || !platform::FileExists(source)) return false;
  const auto hostSource = platform::ToHostPath(source);
  const auto hostTarget = platform::ToHostPath(target);
  if (!hostSource || !hostTarget) return false;

  std::error_code ec;
  if (std::filesystem::equivalent(*hostSource, *hostTarget, ec)) return true;
  if (const auto attributes = platform::GetAttributes(target);
      attributes && (*attributes & platform::kAttrReadOnly) != 0) {
    return false;
  }

  // Beside the target, so that the rename stays within its folder's file system.
  const auto cut = target.find_last_of("\\/") + 1;  // 0 when there is no folder part
  const std::string beside = target.substr(0, cut) + "~" + target.substr(cut) + ".novo";
  const auto hostBeside = platform::ToHostPath(beside);
  if (!hostBeside || !platform::CopyFile(source, beside)) {
    platform::DeleteFile(beside);
    return false;
  }
  std::filesystem::rename(*hostBeside, *hostTarget, ec);
  if (ec) {
    platform::DeleteFile(beside);
    return false;
  }
  return true;
}

}  // namespace lifto::app
