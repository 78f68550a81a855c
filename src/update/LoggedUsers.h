#pragma once

#include "update/UpdateContext.h"

/// The check of the users still logged in to the program's database before an update whose
/// network files are not installed.
namespace lifto::update {

/// Lists the users that the table "Novo" of `aliasPrograma` marks active ("ATIVO") and, while
/// another program still holds the table open, asks whether to look again; the user may stop the
/// update. Active flags left behind by a program that ended (the table opens exclusively) do not
/// stop it. Skipped (false) when the network files are installed (`C_rede`) or the caller gave
/// "/NV"; an MS-DOS program shows "Versao MS-Dos Não implementada" and goes on.
/// @return true when the update is to stop: the table cannot be opened ("Erro ao abrir tabela de
///         usuários (Novo)" and the engine's text) or the user declined to look again
bool CheckLoggedUsers(UpdateContext& context);

}  // namespace lifto::update
