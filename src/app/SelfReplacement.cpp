#include "app/SelfReplacement.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "platform/TextCase.h"

namespace lifto::app {
namespace {

std::string ProgramName(const std::string& path) {
  std::string name = platform::Upper1252(path.substr(path.find_last_of("\\/:") + 1));
  if (name.ends_with(".EXE")) name.resize(name.size() - 4);
  return name;
}

}  // namespace

bool IsToolProgram(const std::string& path, const std::string& ownExecutable) {
  if (path.empty() || ProgramName(path).empty() || ProgramName(path) != ProgramName(ownExecutable)) return false;
  const auto host = platform::ToHostPath(path);
  if (!host) return false;
  const platform::UniqueFd file = platform::OpenFile(*host, O_RDONLY);
  struct stat st {};
  if (!file.Valid() || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  char bytes[4] = {};
  const ssize_t got = ::read(file.Get(), bytes, sizeof bytes);
  const std::string_view head(bytes, got > 0 ? static_cast<std::size_t>(got) : 0);
  return head == "\x7F" "ELF" || head.starts_with("#!") || head.starts_with("MZ");
}

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
