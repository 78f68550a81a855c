#pragma once

#include <string>

#include "update/RestoreEvents.h"

/// The restore of an update archive through the archive component, set as the main window's
/// `C_back` is for updates.
namespace lifto::update {

/// Restores every entry of the archive under its bare name into the folder (`BackupTitle`
/// "Atualização", `RestoreMode` rmAll, `RestoreFullPath` off), its events going to the handlers.
/// A damaged archive that the component gives up on by exception is reported like its other
/// errors, through C_backError, so that nothing is installed from it.
/// @return true when the whole archive was restored
bool RestoreUpdateArchive(const std::string& archivePath, const std::string& targetFolder,
                          RestoreEvents& events);

}  // namespace lifto::update
