#pragma once

#include <string>
#include <vector>

#include "update/UpdateContext.h"

/// The copy of the restored files of one section ("[PONTO]", "[SERVIDOR]" or "[WINDOWS]") to
/// their root.
namespace lifto::update {

/// Copies each entry's file from the extraction folder to root + the entry's target folder,
/// creating that folder when missing; copies replace the target and carry its attributes.
/// An entry naming the tool's own executable is copied to the private temporary folder as well
/// (where FinishUpdate starts it to replace the old executable) and sets `autoAtualizacao`.
///
/// The first copy that fails shows "Não foi possível copiar o arquivo " + name (kind 1) and ends
/// the section; files copied before stay. An entry whose target would leave the root (a ".."
/// folder, a name with a separator) fails the same way, before anything is written.
/// @param extractFolder the folder the archive was restored into
/// @param root the section's install root ("C:\KORAMI")
/// @param entries "key=source path , \target folder\" texts of the section
/// @return false when a copy failed
bool InstallSection(UpdateContext& context, const std::string& extractFolder,
                    const std::string& root, const std::vector<std::string>& entries);

}  // namespace lifto::update
