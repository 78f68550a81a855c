#include "app/FormaEdicao.h"

#include <optional>
#include <utility>

#include "platform/Codepage.h"
#include "project/KnownPrograms.h"
#include "project/ScriptText.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace {

TFormaEdicao::ModalView& InstalledView() {
  static TFormaEdicao::ModalView view;
  return view;
}

bool Blank(const std::string& text) { return project::Trim(text).empty(); }

bool IsYes(const std::string& text) {
  const std::string upper = project::UpperCase(project::Trim(text));
  return upper == "SIM" || upper == "S" || upper == "1";
}

bool IsNo(const std::string& text) {
  const std::string upper = project::UpperCase(project::Trim(text));
  return upper == "NAO" || upper == "N" || upper == "0" || upper == project::UpperCase(Ansi("não"));
}

int IndexOfText(const std::vector<std::string>& items, const std::string& text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (project::SameText(items[i], text)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

const std::vector<std::string>& EntryTypes() {
  static const std::vector<std::string> types = {"CONFIG", "BACKUP", "PONTO", "SERVIDOR", "WINDOWS"};
  return types;
}

TFormaEdicao::TFormaEdicao() {
  caption = Ansi("Edição de Dados");
  c_tipo.items = EntryTypes();
  c_tipo.itemIndex = 0;
  c_titulodado.caption = "Nome da Chave";
  c_chave.upperCase = true;
  C_dadochave1.upperCase = true;
  C_TituloDado1.caption = Ansi("Configuração");
  CmbAlias.visible = false;
  C_TituloDado2.caption = "Pasta Destino";
  c_dadochave2.items = {"\\", "\\DADOS\\", "\\TEXTOS\\", "\\UPDATES\\", "\\UPTEXTOS\\", "\\SYSTEM\\"};
  bot_abrir.hint = "Localiza Arquivo";
  ChkInclui.caption = Ansi("Incluir também no servidor");
  ChkInclui.hint = Ansi("Inclui este arquivo para ser também copiado para o servidor");
  bot_ok.caption = "OK";
  bot_ok.hint = "Confirma";
  bot_can.caption = "Cancela";
  bot_can.hint = "Cancela";
  ArrangeForType();
}

void TFormaEdicao::SetModalView(ModalView view) { InstalledView() = std::move(view); }

bool TFormaEdicao::ShowModal() {
  modalResult_ = mrNone;
  activated_ = false;
  FormShow();
  FormActivate();
  if (InstalledView()) {
    InstalledView()(*this);
  } else {
    RunAsRequests();
  }
  // A view that closed without a result (the window's close box) cancelled.
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  return modalResult_ == mrOk;
}

void TFormaEdicao::RunAsRequests() {
  while (modalResult_ == mrNone) {
    const support::DialogRequest before = AsRequest();
    support::DialogRequest answered = before;
    const bool ok = support::CurrentUi().RunDialog(answered);
    ApplyRequest(before, answered);
    if (ok) {
      bot_okClick();
    } else {
      bot_canClick();
    }
  }
}

void TFormaEdicao::FormShow() { ChkInclui.checked = false; }

void TFormaEdicao::FormActivate() {
  if (activated_) return;
  activated_ = true;
  ArrangeForType();
  if (Tag == 0) {
    c_chave.SetText("");
    C_dadochave1.SetText("");
    if (IsFileType()) c_dadochave2.SetText("");
  }
  if (c_tipo.enabled) {
    SetFocus("c_tipo");
  } else if (c_chave.visible) {
    SetFocus("c_chave");
  } else {
    SetFocus("C_dadochave1");
  }
  multiSelect = c_tipo.enabled;
}

void TFormaEdicao::ChooseTipo(int itemIndex) {
  c_tipo.itemIndex = itemIndex;
  c_tipoChange();
}

void TFormaEdicao::c_tipoChange() {
  ArrangeForType();
  c_chave.SetText("");
  C_dadochave1.SetText("");
  if (IsFileType()) c_dadochave2.SetText("");
}

void TFormaEdicao::SetTipo(const std::string& name) { c_tipo.itemIndex = IndexOfText(EntryTypes(), name); }

bool TFormaEdicao::IsFileType() const {
  const std::string tipo = Tipo();
  return tipo == "PONTO" || tipo == "SERVIDOR" || tipo == "WINDOWS";
}

void TFormaEdicao::ArrangeForType() {
  const std::string tipo = Tipo();
  const bool file = IsFileType();
  c_chave.visible = !file;
  c_titulodado.visible = !file;
  if (tipo == "CONFIG") C_TituloDado1.caption = Ansi("Configuração");
  if (tipo == "BACKUP") C_TituloDado1.caption = "Backup";
  if (file) C_TituloDado1.caption = Ansi("Arq. Origem");
  c_dadochave2.visible = file;
  C_TituloDado2.visible = file;
  bot_abrir.visible = file;
  ChkInclui.visible = tipo == "PONTO";
  larguraDado1 = bot_abrir.visible ? kLarguraDado1Estreita : kLarguraDado1;
}

void TFormaEdicao::FillAliases() {
  CmbAlias.items.clear();
  for (const auto& program : project::KnownPrograms()) CmbAlias.items.emplace_back(program.alias);
}

void TFormaEdicao::bot_abrirClick() {
  const std::string start = support::GetField(C_dadochave1.Text(), 1, ",");
  const std::vector<std::string> chosen =
      support::CurrentUi().ChooseFiles("Selecione um Arquivo", "Todos os Arquivos|*.*", start, multiSelect);
  if (!chosen.empty()) {
    if (Tag == 0) {
      std::string joined;
      for (const auto& path : chosen) joined += (joined.empty() ? "" : " , ") + path;
      C_dadochave1.SetText(joined);
    } else {
      C_dadochave1.SetText(chosen.front());
    }
  }
  SetFocus("C_dadochave1");
}

void TFormaEdicao::C_dadochave1Exit() {
  if (Blank(C_dadochave1.Text()) && c_dadochave2.visible) bot_abrirClick();
}

void TFormaEdicao::C_dadochave1KeyDown(bool enter) {
  if (enter && !c_dadochave2.visible) bot_okClick();
}

void TFormaEdicao::c_dadochave2KeyDown(bool enter) {
  if (enter) bot_okClick();
}

void TFormaEdicao::c_dadochave2Enter() { c_dadochave2.droppedDown = true; }

bool TFormaEdicao::ValidateFields() const {
  const std::string tipo = Tipo();
  if (tipo.empty()) return false;
  if (tipo == "PONTO" || tipo == "SERVIDOR") {
    return !Blank(C_dadochave1.Text()) && !Blank(c_dadochave2.Text());
  }
  if (project::SameText(project::Trim(c_chave.Text()), "ALIAS")) return !Blank(CmbAlias.SelectedText());
  return !Blank(C_dadochave1.Text());
}

void TFormaEdicao::bot_okClick() {
  if (!ValidateFields()) {
    support::ShowKindMessage(Ansi("Erro dados não preenchidos"), 4);
    return;
  }
  SetFocus("Titulo");
  modalResult_ = mrOk;
}

void TFormaEdicao::bot_canClick() { modalResult_ = mrCancel; }

void TFormaEdicao::SetFocus(const std::string& controlName) {
  focusedControl = controlName;
  ++focusRequests;
}

support::DialogRequest TFormaEdicao::AsRequest() const {
  support::DialogRequest request{kName, {}};
  request.SetField(kTipo, Tipo());
  if (c_chave.visible) request.SetField(kChave, c_chave.Text());
  if (C_dadochave1.visible) request.SetField(kDado1, C_dadochave1.Text());
  if (CmbAlias.visible) request.SetField(kAlias, CmbAlias.SelectedText());
  if (c_dadochave2.visible) request.SetField(kDado2, c_dadochave2.Text());
  if (ChkInclui.visible) request.SetField(kInclui, ChkInclui.checked ? "sim" : "nao");
  if (bot_abrir.visible) request.SetField(kAbrir, "");
  return request;
}

void TFormaEdicao::ApplyRequest(const support::DialogRequest& before, const support::DialogRequest& answered) {
  // A field is answered when its text differs from what the dialog showed, matched by name
  // without regard to case.
  auto answer = [&](const char* name) -> std::optional<std::string> {
    std::optional<std::string> shown;
    std::optional<std::string> given;
    for (const auto& [key, value] : before.fields) {
      if (project::SameText(key, name)) shown = value;
    }
    for (const auto& [key, value] : answered.fields) {
      if (project::SameText(key, name)) given = value;
    }
    if (!given || given == shown) return std::nullopt;
    return given;
  };
  if (auto tipo = answer(kTipo); tipo && c_tipo.enabled) {
    const int index = IndexOfText(c_tipo.items, std::string(project::Trim(*tipo)));
    if (index >= 0 && index != c_tipo.itemIndex) ChooseTipo(index);
  }
  if (auto chave = answer(kChave); chave && c_chave.visible) c_chave.SetText(*chave);
  if (auto alias = answer(kAlias); alias && CmbAlias.visible) {
    CmbAlias.itemIndex = IndexOfText(CmbAlias.items, std::string(project::Trim(*alias)));
  }
  if (auto dado1 = answer(kDado1); dado1 && C_dadochave1.visible) C_dadochave1.SetText(*dado1);
  if (auto dado2 = answer(kDado2); dado2 && c_dadochave2.visible) c_dadochave2.SetText(*dado2);
  if (auto inclui = answer(kInclui); inclui && ChkInclui.visible) {
    if (IsYes(*inclui)) ChkInclui.checked = true;
    if (IsNo(*inclui)) ChkInclui.checked = false;
  }
  if (auto abrir = answer(kAbrir); abrir && bot_abrir.visible && IsYes(*abrir)) bot_abrirClick();
}

}  // namespace lifto::app
