#include "app/FormaConexao.h"

#include "app/Dialogs.h"
#include "app/FormaLifto.h"
#include "net/HelperLink.h"
#include "net/HelperMessages.h"
#include "net/InternetSettings.h"
#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace conexao {

support::DialogRequest MakeRequest(const std::vector<std::string>& names, const std::string& selected,
                                   bool discagemChecked) {
  std::string items;
  for (const auto& name : names) items += name + net::kDialEntrySeparator;
  support::DialogRequest dialog;
  dialog.name = TFormaConexao::kName;
  dialog.fields = {{kItens, items}, {kConexoes, selected}, {kDiscagem, discagemChecked ? "sim" : "nao"}};
  return dialog;
}

std::vector<std::string> Items(const support::DialogRequest& dialog) {
  std::vector<std::string> names;
  const std::string items = dialog.Field(kItens);
  std::size_t start = 0;
  std::size_t end;
  while ((end = items.find(net::kDialEntrySeparator, start)) != std::string::npos) {
    names.push_back(items.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::optional<std::string> SelectedConnection(const support::DialogRequest& dialog) {
  const std::string chosen = dialog.Field(kConexoes);
  for (const auto& name : Items(dialog)) {
    if (platform::EqualsNoCase(name, chosen)) return name;
  }
  return std::nullopt;
}

bool DiscagemChecked(const support::DialogRequest& dialog) {
  const std::string value = platform::Lower1252(dialog.Field(kDiscagem));
  return value == "sim" || value == "s" || value == "1" || value == "true";
}

bool bot_okClick(const support::DialogRequest& dialog) {
  if (SelectedConnection(dialog)) return true;
  support::ShowKindMessage(Ansi("Erro: Selecione uma conexão dial-up"), 4);
  return false;
}

}  // namespace conexao

void ConfigureInternet(TFormaLifto& form) {
  // The helper runs only to tell which connections there are.
  if (!net::StartHelper()) return;
  const auto names = net::ListDialEntries();
  net::CloseHelper();
  form.services().readInternetSettings(form);

  std::string selected;
  for (const auto& name : names) {
    if (platform::EqualsNoCase(name, form.DialupName)) {
      selected = name;
      break;
    }
  }
  auto dialog = conexao::MakeRequest(names, selected, !form.AutoDial);
  while (support::CurrentUi().RunDialog(dialog)) {
    if (!conexao::bot_okClick(dialog)) continue;
    form.DialupName = *conexao::SelectedConnection(dialog);
    form.AutoDial = !conexao::DiscagemChecked(dialog);
    net::WriteInternetSettings({form.DialupName, form.AutoDial});
    break;
  }
  form.services().readInternetSettings(form);
}

}  // namespace lifto::app
