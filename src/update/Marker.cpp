#include "update/Marker.h"

#include <stdexcept>

#include "platform/Files.h"
#include "project/KnownPrograms.h"
#include "support/Utilities.h"
#include "update/TextFile.h"

namespace lifto::update {

std::string MarkerPath(const std::string& programAlias) {
  const std::string folder = support::AliasPath(programAlias, true);
  return folder.empty() ? std::string() : folder + "\\updates\\atualiza.ok";
}

void WriteMarker(const UpdateContext& context, bool on, const std::string& programAlias) {
  const std::string marker = MarkerPath(programAlias);
  // Without the alias the path would resolve against the current drive's root, outside the
  // program's folders. Turning the marker off there has nothing to delete.
  if (marker.empty() && !on) return;
  if (marker.empty()) {
    throw std::runtime_error("Cannot find the updates folder of alias " + programAlias +
                             ": the alias does not exist");
  }
  if (on) {
    WriteMarkerFile(marker, context.scriptEscolhido);
  } else {
    platform::DeleteFile(marker);
  }
}

void WriteMarker(const UpdateContext& context, bool on, int knownProgramRow) {
  const auto& rows = project::KnownPrograms();
  if (knownProgramRow < 0 || knownProgramRow >= static_cast<int>(rows.size())) {
    throw std::out_of_range("No known program in row " + std::to_string(knownProgramRow));
  }
  WriteMarker(context, on, std::string(rows[static_cast<std::size_t>(knownProgramRow)].alias));
}

std::string ReadMarker(const std::string& markerPath) {
  const auto lines = ReadTextLines(markerPath);
  return lines && !lines->empty() ? lines->front() : std::string();
}

void WriteMarkerFile(const std::string& markerPath, const std::string& scriptName) {
  WriteFileAtomically(markerPath, scriptName + "\r\n");
}

}  // namespace lifto::update
