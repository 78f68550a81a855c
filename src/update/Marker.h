#pragma once

#include <string>

#include "update/UpdateContext.h"

/// The marker file "atualiza.ok" in a program's updates folder: one line, the file name (no
/// folder) of the script that the automatic update ("/R", "/L") is to install, then CR LF.
/// Downloads and diskette copies write it; only its first line is read.
namespace lifto::update {

/// AliasPath(alias, parent) + "\updates\atualiza.ok"; empty when the alias does not exist.
std::string MarkerPath(const std::string& programAlias);

/// On: writes the marker of the program whose database alias is given, naming
/// `scriptEscolhido` (replacing the file). Off: deletes it; nothing when the alias does not exist.
/// @throw std::runtime_error when turning it on for an alias that does not exist (the marker's
///        folder is unknown) or when the file cannot be written
void WriteMarker(const UpdateContext& context, bool on, const std::string& programAlias);
/// As above, for the program of a known-programs row (0 to 3).
/// @throw std::out_of_range for another row
void WriteMarker(const UpdateContext& context, bool on, int knownProgramRow);

/// The script that a marker file names: its first line; empty when there is no such file.
std::string ReadMarker(const std::string& markerPath);

/// Writes a marker file naming a script, replacing it. @throw std::runtime_error as above
void WriteMarkerFile(const std::string& markerPath, const std::string& scriptName);

}  // namespace lifto::update
