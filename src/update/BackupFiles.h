#pragma once

#include "update/UpdateContext.h"

/// The saving of the files that the script's "[BACKUP]" section names, before the new files are
/// installed over them.
namespace lifto::update {

/// Empties the backup folder (BackupFolder), then copies there, under its bare name, each file
/// that an entry of `listaBackup` names ("B_ARQ10=<PONTO>\INDICE.IDX", placeholders as
/// ProgramRoots finds them). An entry without placeholder shows "Item " + entry + " da chave
/// backup inválido" (kind 4), a missing file "Um arquivo de backup para atualização não foi
/// encontrado" and the entry (kind 2); a failed copy is passed over; each goes on with the next
/// entry. The automatic update ("/R") makes no backup. Nothing is saved or deleted when the root
/// of the backup folder is unknown.
void BackupFiles(UpdateContext& context);

}  // namespace lifto::update
