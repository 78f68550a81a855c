#include "update/LoggedUsers.h"

#include <string>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "support/TabelaRede.h"
#include "support/Utilities.h"

namespace lifto::update {
namespace {

// One line per active user: the name padded to its field's size, a tab, " Em  " and the computer.
std::string ActiveUsers(support::TTabelaRede& users) {
  std::string list;
  users.Refresh();
  for (users.First(); !users.Eof(); users.Next()) {
    if (!users.FieldAsBoolean("ATIVO")) continue;
    list += support::FieldTextPadded(users, "USUARIO", false) + "\t Em  " +
            users.FieldAsText("NOMEMICRO") + "\r";
  }
  return list;
}

// The exclusive open is the test that no running copy of the program still uses the table.
bool NobodyHoldsItOpen(support::TTabelaRede& users) {
  users.Close();
  users.SetExclusive(true);
  try {
    users.Open();
    return true;
  } catch (const platform::db::EDBEngineError&) {
    users.SetExclusive(false);
    users.Open();
    return false;
  }
}

}  // namespace

bool CheckLoggedUsers(UpdateContext& context) {
  if (context.C_rede) return false;
  if (CalledWithNotification(context)) return false;
  if (!context.programaWindows) {
    support::ShowKindMessage(Ansi("Versao MS-Dos Não implementada"), 4);
    return false;
  }

  support::TTabelaRede users;
  users.SetName("TabNovo");
  users.SetDatabaseName(context.aliasPrograma);
  users.SetTableName("Novo");
  try {
    users.Open();
  } catch (const std::exception& error) {
    support::ShowKindMessage(Ansi("Erro ao abrir tabela de usuários (Novo)") + "\r" + error.what(),
                             4);
    return true;
  }

  bool stop = false;
  for (;;) {
    const std::string list = ActiveUsers(users);
    if (list.empty() || NobodyHoldsItOpen(users)) break;
    if (!support::AskConfirmation("Lista dos Usuarios Logados:\r\r" + list +
                                      "\r\rFazer Pesquisa Novamente ?",
                                  "", 1)) {
      stop = true;
      break;
    }
  }
  users.Close();
  return stop;
}

}  // namespace lifto::update
