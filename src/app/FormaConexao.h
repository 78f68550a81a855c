#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/Ui.h"

/// The internet settings dialog TFormaConexao ("Conexão Dial-UP", heading "Configuração
/// Internet") as data: the request a front-end shows, and the rule of its OK button. Fields:
///   "itens"       the dial-up connections, each name followed by "È", in the helper's order
///   "C_conexoes"  the chosen connection (one of the items; compared without regard to case)
///   "C_discagem"  "sim" when "Não usar &discagem Automática" is checked, else "nao"
namespace lifto::app {

class TFormaLifto;

namespace conexao {

inline constexpr const char* kItens = "itens";
inline constexpr const char* kConexoes = "C_conexoes";
inline constexpr const char* kDiscagem = "C_discagem";

support::DialogRequest MakeRequest(const std::vector<std::string>& names, const std::string& selected,
                                   bool discagemChecked);
std::vector<std::string> Items(const support::DialogRequest& dialog);
/// The listed connection that C_conexoes names, in the list's spelling; nullopt for none.
std::optional<std::string> SelectedConnection(const support::DialogRequest& dialog);
bool DiscagemChecked(const support::DialogRequest& dialog);

/// bot_okClick: true when a connection is chosen; otherwise shows "Erro: Selecione uma conexão
/// dial-up" (kind 4) and the dialog stays open.
bool bot_okClick(const support::DialogRequest& dialog);

}  // namespace conexao

/// bot_confinetClick: starts the helper only to read the dial-up entries, shows TFormaConexao
/// with the settings read from the registry, stores them on OK, and reads them back.
void ConfigureInternet(TFormaLifto& form);

}  // namespace lifto::app
