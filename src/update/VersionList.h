#pragma once

#include <string>
#include <vector>

#include "update/UpdateSteps.h"
#include "update/UpdateWindow.h"

/// The script list `c_versao` of the update window: one item per script of the source folder,
/// ‘X.aex | Atualização de março | 6.5.0.12’, whose field 1 (GetField with "|") is the script's
/// file name.
namespace lifto::update {

/// The item of one script: the file name, then " | " and the value of each "DESCRICAO=" or
/// "VERSAO=" line before the "[BACKUP]" or "[PONTO]" line, in file order.
/// @param lines the script's lines, as read
std::string VersionListItem(const std::string& fileName, const std::vector<std::string>& lines);

/// The file name of a list item (its field 1).
std::string ScriptOfItem(const std::string& item);

/// FillVersionList: empties the list; when the drive of `C_caminhoOrigem` (its first character,
/// "C" when empty, an upper-case letter) is ready and the folder exists, fills it with the
/// folder's scripts, enables it and chooses the item of the last logged script (none when
/// the log names none of them); otherwise leaves it disabled.
void FillVersionList(UpdateWindow& window, const UpdateSteps& steps);

}  // namespace lifto::update
