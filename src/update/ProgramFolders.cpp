#include "update/ProgramFolders.h"

#include "project/KnownPrograms.h"
#include "support/Utilities.h"
#include "update/InstallRoots.h"
#include "update/Marker.h"

namespace lifto::update {

std::optional<std::string> KnownProgramUpdatesFolder(const std::string& programName) {
  const auto match = project::FindKnownProgram(programName);
  if (!match.Found()) return std::nullopt;
  const auto& row = match.Program();
  const std::string base = match.kindV ? support::AliasPath(std::string(row.alias), true)
                                       : AppPathFolder(std::string(row.programFile));
  return base + "\\updates";
}

std::optional<std::string> KnownProgramMarkerPath(const std::string& programName) {
  const auto match = project::FindKnownProgram(programName);
  if (!match.Found()) return std::nullopt;
  return MarkerPath(std::string(match.Program().alias));
}

std::string BackupFolder(const UpdateContext& context, const std::string& pontoRoot) {
  return (context.programaWindows ? context.pastaServidor : pontoRoot) + "\\updates\\BACKUP";
}

std::string UpdateLogPath(const std::string& serverFolder) {
  return serverFolder + "\\Atualiz.log";
}

}  // namespace lifto::update
