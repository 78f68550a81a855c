#include "app/KnownProgramFolders.h"

#include <variant>

#include "project/KnownPrograms.h"
#include "support/Utilities.h"

namespace lifto::app {

std::optional<std::string> KnownProgramUpdatesFolder(const std::string& programName) {
  const auto match = project::FindKnownProgram(programName);
  if (!match.Found()) return std::nullopt;
  const auto& row = match.Program();
  std::string folder;
  if (match.kindV) {
    folder = support::AliasPath(std::string(row.alias), true);
  } else {
    const auto path = support::ReadRegistryValue(
        platform::RootKey::LocalMachine,
        "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + std::string(row.programFile),
        "Path", 7);
    if (const auto* text = std::get_if<std::string>(&path)) folder = *text;
  }
  return folder + "\\updates";
}

}  // namespace lifto::app
