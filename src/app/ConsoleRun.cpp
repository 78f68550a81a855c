#include "app/ConsoleRun.h"

#include "app/EditPageConsole.h"

#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace {

bool Terminated() { return support::App().Terminated(); }

bool CanPressAtualizar(const TFormaLifto& form) {
  return form.visible && form.enabled && form.bot_atualizar.visible && form.bot_atualizar.enabled;
}

std::string YesNo(bool value) { return value ? "sim" : "nao"; }

void SetOption(TCheckBox& box, const std::string& value) {
  if (value.empty() || !box.enabled) return;
  const std::string upper = UpperText(value);
  if (upper == "SIM" || upper == "S" || upper == "1") box.checked = true;
  if (upper == "NAO" || upper == "N" || upper == "0" || upper == UpperText(Ansi("não"))) {
    box.checked = false;
  }
}

}  // namespace

std::string StatusLine(const TFormaLifto& form) {
  std::string line = form.C_status.panel0;
  if (!form.labelstatus2.caption.empty()) line += " - " + form.labelstatus2.caption;
  return line;
}

support::DialogRequest MainWindowAsDialog(const TFormaLifto& form) {
  support::DialogRequest dialog{"TFormaLifto", {}};
  dialog.SetField("origem", form.C_origemDados.SelectedText());
  dialog.SetField("caminho", form.C_caminhoOrigem.Text());
  dialog.SetField("versao", support::GetField(form.c_versao.SelectedText(), 1, "|"));
  dialog.SetField("local", YesNo(form.C_local.checked));
  dialog.SetField("rede", YesNo(form.C_rede.checked));
  dialog.SetField("windows", YesNo(form.C_windows.checked));
  return dialog;
}

void ApplyMainWindowDialog(TFormaLifto& form, const support::DialogRequest& dialog) {
  const std::string origem = UpperText(dialog.Field("origem"));
  if (form.C_origemDados.enabled) {
    for (std::size_t i = 0; i < form.C_origemDados.items.size(); ++i) {
      if (UpperText(form.C_origemDados.items[i]) == origem &&
          static_cast<int>(i) != form.C_origemDados.itemIndex) {
        MessageLoop::Deliver([&] { form.ChooseOrigemDados(static_cast<int>(i)); });
      }
    }
  }
  const std::string caminho = dialog.Field("caminho");
  if (!caminho.empty() && form.C_caminhoOrigem.enabled) {
    MessageLoop::Deliver([&] { form.C_caminhoOrigem.SetText(caminho); });
  }
  const std::string versao = UpperText(dialog.Field("versao"));
  if (!versao.empty() && form.c_versao.enabled) {
    for (std::size_t i = 0; i < form.c_versao.items.size(); ++i) {
      if (UpperText(support::GetField(form.c_versao.items[i], 1, "|")) == versao) {
        form.c_versao.itemIndex = static_cast<int>(i);
        break;
      }
    }
  }
  if (form.C_opcoes.enabled) {
    SetOption(form.C_local, dialog.Field("local"));
    SetOption(form.C_rede, dialog.Field("rede"));
    SetOption(form.C_windows, dialog.Field("windows"));
  }
}

void RunMainWindowInConsole(TFormaLifto& form, MessageLoop& loop) {
  MessageLoop::Deliver([&] { form.FormShow(); });
  if (Terminated()) return;
  loop.Post([&form] { form.FormActivate(); });
  loop.Post([&form] { form.FormPaint(); });
  for (;;) {
    if (loop.RunUntilIdle()) return;
    // Nothing more happens by itself: the window waits for a person.
    if (EditPageWaits(form)) {
      const support::DialogRequest shown = EditPageAsDialog(form);
      support::DialogRequest answered = shown;
      if (!support::CurrentUi().RunDialog(answered)) break;
      ApplyEditPageDialog(form, shown, answered);
      if (Terminated()) return;
      continue;
    }
    if (!CanPressAtualizar(form)) break;
    support::DialogRequest dialog = MainWindowAsDialog(form);
    if (!support::CurrentUi().RunDialog(dialog)) break;
    ApplyMainWindowDialog(form, dialog);
    if (Terminated()) return;
    if (CanPressAtualizar(form)) MessageLoop::Deliver([&] { form.bot_atualizarClick(); });
  }
  form.Close();
}

}  // namespace lifto::app
