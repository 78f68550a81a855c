#pragma once

#include <string>

#include "update/UpdateContext.h"

/// The copy of an update's script and archive volumes from a diskette or a folder into the
/// program's updates folder, from where the archive is then restored and where later runs
/// ("/R", "/L", the script list) find it.
namespace lifto::update {

/// The folder that receives the disks, with a trailing "\": `pastaServidor` + "\UPDATES\" for an
/// update ("TIPO" starting with "ATU"), `pastaServidor` + "\UPTEXTOS\" otherwise.
std::string DiskCopyFolder(const UpdateContext& context);

/// CopyDisksToUpdates: copies the script, writes the marker "atualiza.ok" naming it (updates
/// only), then each volume 1 to `numDiscos` (‘X.ATU’, ‘X.002’, ‘X.003’...), asking
/// "Insira o Disco " + number (OK or Cancela) while a volume is not there.
/// At a site that checks signatures (SetSignatures.h) each file is checked where it lies before
/// it is copied, its signature file is copied beside it, the marker is written only after the
/// last volume, and a refused file takes away every copy this run made.
/// @param scriptPath the script; on success it becomes its copy in the updates folder
/// @return false when a disk was declined or a copy failed (what was copied stays), when a file
///         was refused for its signature (its refusal shown), or when the server folder is
///         unknown (nothing is written then)
bool CopyDisksToUpdates(UpdateContext& context, std::string& scriptPath);

}  // namespace lifto::update
