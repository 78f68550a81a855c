#include "app/CommandLine.h"

#include <system_error>

#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace lifto::app {
namespace {

std::string RemoveAll(std::string text, const std::string& what) {
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos)) {
    text.erase(pos, what.size());
  }
  return text;
}

RunMode ModeOf(const std::string& firstUpper) {
  // The handlers compare the text of the first argument, so an empty one is none.
  if (firstUpper.empty()) return RunMode::Interactive;
  if (firstUpper == "/E") return RunMode::Edit;
  if (firstUpper == "/C") return RunMode::SelfReplacement;
  if (firstUpper == "/R") return RunMode::AutoUpdate;
  if (firstUpper == "/L") return RunMode::AutoUpdateLog;
  if (firstUpper == "/I") return RunMode::DownloadNewest;
  if (firstUpper == "/D") return RunMode::DownloadOffice;
  return RunMode::ScriptPath;
}

bool IsSwitch(const std::string& argument) {
  const std::string upper = UpperText(argument);
  return upper == "/E" || upper == "/C" || upper == "/R" || upper == "/L" || upper == "/I" ||
         upper == "/D" || argument.rfind("/NV", 0) == 0;
}

}  // namespace

std::string UpperText(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

CommandLine::CommandLine(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {
  mode_ = ModeOf(FirstUpper());
}

std::string CommandLine::Argument(int n) const {
  if (n < 1 || n > Count()) return {};
  return arguments_[static_cast<std::size_t>(n - 1)];
}

std::string CommandLine::FirstUpper() const { return UpperText(Argument(1)); }

bool CommandLine::IsAutoUpdate() const {
  return mode_ == RunMode::AutoUpdate || mode_ == RunMode::AutoUpdateLog;
}

bool CommandLine::IsAutoDownload() const {
  return mode_ == RunMode::DownloadNewest || mode_ == RunMode::DownloadOffice;
}

std::string CommandLine::ProgramNameShown() const {
  return RemoveAll(RemoveAll(UpperText(Argument(2)), ".EXE"), "/");
}

std::string CommandLine::ProgramNameLookup() const { return RemoveAll(Argument(2), "/"); }

std::string CommandLine::ScriptArgument() const {
  std::string path = Argument(1);
  if (!path.empty() && path.front() == '/') path.erase(0, 1);
  return path;
}

std::optional<std::string> CommandLine::NotificationHandleText() const {
  const std::string second = Argument(2);
  if (second.rfind("/NV", 0) != 0) return std::nullopt;
  return second.size() > 4 ? second.substr(4) : std::string();
}

std::vector<std::string> ArgumentsFromHost(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string utf8 = argv[i];
    std::string argument = platform::FromUtf8(utf8);
    if (!IsSwitch(argument) && !utf8.empty() && utf8.front() == '/') {
      std::error_code ec;
      const std::filesystem::path host(utf8);
      if (std::filesystem::exists(host, ec)) argument = platform::ToWindowsPath(host);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace lifto::app
