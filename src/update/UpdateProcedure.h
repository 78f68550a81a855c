#pragma once

#include <string>

#include "update/UpdateSteps.h"
#include "update/UpdateWindow.h"

/// The update procedure with the source "Disco" (the button "&Atualizar" and the delay timer of
/// the automatic modes): it finds the script and archive on a diskette, in a folder or as the
/// command line names them, checks the version and the logged-in users, copies diskettes into
/// the updates folder, restores the archive into the extraction folder, saves and installs the
/// files, logs the update and ends the tool.
namespace lifto::update {

/// bot_atualizarClick with the source "Disco", in every mode: path mode (`modoCaminho`), "/R"
/// (the script the marker names), "/L" (the script of the log's last line), or interactive (the
/// script chosen in the list, else the first of the folder or diskette).
/// The tool ends with 0 once the update is installed, with 1 when the version check or the user
/// check stops it or a section copy fails; after the other failures the window stays open and
/// the run counts as failed.
void UpdateFromDisk(UpdateWindow& window, const UpdateSteps& steps);

/// The installation of a script from its source folder (checks, copy of the disks, restore,
/// roots, backup, sections, log, end), as the procedure runs it once the script is known.
/// @param scriptPath the script (Windows path)
/// @param sourceFolder its folder, with a trailing "\"
void InstallScript(UpdateWindow& window, const UpdateSteps& steps, std::string scriptPath,
                   std::string sourceFolder);

}  // namespace lifto::update
