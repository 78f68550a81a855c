#include "app/EditPageConsole.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/MessageLoop.h"
#include "platform/Codepage.h"
#include "project/ScriptText.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace {

// The answer of a field when it differs from what the dialog showed (names without case).
std::optional<std::string> Changed(const support::DialogRequest& shown, const support::DialogRequest& answered,
                                   const char* name) {
  std::optional<std::string> before;
  std::optional<std::string> after;
  for (const auto& [key, value] : shown.fields) {
    if (project::SameText(key, name)) before = value;
  }
  for (const auto& [key, value] : answered.fields) {
    if (project::SameText(key, name)) after = value;
  }
  if (!after || after == before) return std::nullopt;
  return after;
}

// A line given by its number or by its whole text; -1 when none matches.
int LineOf(const std::vector<std::string>& lines, const std::string& given) {
  const std::string wanted(project::Trim(given));
  if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos && wanted.size() < 9) {
    const int index = std::stoi(wanted);
    return index < static_cast<int>(lines.size()) ? index : -1;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (project::SameText(project::Trim(lines[i]), wanted)) return static_cast<int>(i);
  }
  return -1;
}

using Command = std::pair<const char*, std::function<void(TFormaLifto&)>>;

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"bot_novoproj", [](TFormaLifto& f) { f.C_edicao.bot_novoprojClick(); }},
      {"bot_abreproj", [](TFormaLifto& f) { f.C_edicao.bot_abreprojClick(); }},
      {"bot_salvarproj", [](TFormaLifto& f) { f.C_edicao.bot_salvarprojClick(); }},
      {"bot_inc", [](TFormaLifto& f) { f.C_edicao.bot_incClick(); }},
      {"bot_alt", [](TFormaLifto& f) { f.C_edicao.bot_altClick(); }},
      {"bot_del", [](TFormaLifto& f) { f.C_edicao.bot_delClick(); }},
      {"SpeedButton1", [](TFormaLifto& f) { f.C_edicao.SpeedButton1Click(); }},
      {"bot_ajuda", [](TFormaLifto& f) { f.C_edicao.bot_ajudaClick(); }},
      {"bot_gerar", [](TFormaLifto& f) { f.bot_gerarClick(); }},
      {"bot_alvo", [](TFormaLifto& f) { f.bot_alvoClick(); }},
      {"bot_sair", [](TFormaLifto& f) { f.bot_sairClick(); }},
      {"Inserir Arquivo", [](TFormaLifto& f) { f.C_edicao.PopupMenu1[0].onClick(); }},
      {"Alterar Arquivo", [](TFormaLifto& f) { f.C_edicao.PopupMenu1[1].onClick(); }},
      {"Excluir arquivo", [](TFormaLifto& f) { f.C_edicao.PopupMenu1[3].onClick(); }},
      {"C_scriptDblClick", [](TFormaLifto& f) { f.C_edicao.C_scriptDblClick(); }},
      {"Delete", [](TFormaLifto& f) { f.C_edicao.C_scriptKeyDown(EditPage::kVkDelete); }},
  };
  return commands;
}

}  // namespace

bool EditPageWaits(const TFormaLifto& form) {
  return form.visible && form.enabled && form.C_pag.activePage == "C_edicao";
}

support::DialogRequest EditPageAsDialog(const TFormaLifto& form) {
  const EditPage& page = form.C_edicao;
  support::DialogRequest dialog{"TFormaLifto", {}};
  dialog.SetField("C_clientes", page.C_clientes.Text());
  dialog.SetField("C_projeto", page.C_projeto.Text());
  dialog.SetField("C_script", page.C_script.itemIndex < 0 ? std::string() : std::to_string(page.C_script.itemIndex));
  dialog.SetField("comando", "");
  return dialog;
}

void ApplyEditPageDialog(TFormaLifto& form, const support::DialogRequest& shown,
                         const support::DialogRequest& answered) {
  EditPage& page = form.C_edicao;
  if (auto client = Changed(shown, answered, "C_clientes")) {
    MessageLoop::Deliver([&] { page.SetClientText(*client); });
  }
  if (auto line = Changed(shown, answered, "C_script")) page.ChooseLine(LineOf(page.C_script.items, *line));
  const auto command = Changed(shown, answered, "comando");
  if (!command || project::Trim(*command).empty()) return;
  for (const auto& entry : Commands()) {
    // The pair itself is captured: the fuzzing build's clang takes no structured binding there.
    if (project::SameText(entry.first, project::Trim(*command))) {
      MessageLoop::Deliver([&] { entry.second(form); });
      return;
    }
  }
  std::string known;
  for (const auto& [name, run] : Commands()) known += (known.empty() ? "" : ", ") + std::string(name);
  support::ShowKindMessage(Ansi("Comando desconhecido: ") + *command + Ansi(". Comandos: ") + known, 1);
}

}  // namespace lifto::app
