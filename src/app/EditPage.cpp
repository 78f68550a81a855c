#include "app/EditPage.h"

#include <algorithm>
#include <exception>
#include <iterator>

#include "app/FormaLifto.h"
#include "platform/Codepage.h"
#include "project/Catalogue.h"
#include "project/ScriptText.h"
#include "support/Application.h"
#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace {

support::Ui& Ui() { return support::CurrentUi(); }

using support::BusyCursor;

bool Blank(const std::string& text) { return project::Trim(text).empty(); }

// A project file that could not be read or written: the message names it and says why.
void ReportFileError(const std::string& what, const std::string& path, const std::exception& error) {
  support::ShowKindMessage(Ansi(what) + path + "\r" + error.what(), 4);
}

// The save dialog's default extension for a name typed without one.
std::string WithDefaultExtension(const std::string& path) {
  const auto slash = path.find_last_of("\\/:");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.find('.') != std::string::npos) return path;
  return path + "." + EditPage::kExtensaoProjeto;
}

}  // namespace

EditPage::EditPage(TFormaLifto& form)
    : form_(form), ownDialog_(std::make_unique<TFormaEdicao>()), entryDialog_(ownDialog_.get()) {
  GrupoCliente.caption = "Cliente:";
  GrupoProjeto.caption = "Projeto:";
  C_projeto.readOnly = true;
  bot_novoproj.hint = "Novo projeto";
  bot_abreproj.hint = "Abrir projeto";
  bot_salvarproj.hint = "Salva Projeto";
  GrupoScript.caption = "Editor de Script:";
  bot_inc.hint = "Incluir Dados";
  bot_alt.hint = "Alterar Dados";
  bot_del.hint = "Excluir Dados";
  SpeedButton1.hint = "Atualiza Script";
  bot_ajuda.hint = "Ajuda";
  PopupMenu1 = {{"Inserir Arquivo", [this] { bot_incClick(); }},
                {"Alterar Arquivo", [this] { bot_altClick(); }},
                {"-", {}},
                {"Excluir arquivo", [this] { bot_delClick(); }}};
  C_clientes.dropDownRows = project::ClientChoice::kLinhasNaLista;
  C_clientes.onChange = [this] {
    if (form_.services().clientChanged) form_.services().clientChanged(form_);
  };
}

void EditPage::PickClient(int row) {
  if (row < 0 || row >= static_cast<int>(C_clientes.items.size())) return;
  C_clientes.SetText(C_clientes.items[static_cast<std::size_t>(row)]);
}

void EditPage::RefreshVersion() {
  if (form_.services().refreshVersion) {
    form_.services().refreshVersion(C_script.items);
  } else {
    project::RefreshVersion(C_script.items);
  }
}

void EditPage::FocusScript() { form_.SetFocus("C_script"); }

void EditPage::ChooseLine(int index) {
  C_script.itemIndex = index >= 0 && index < static_cast<int>(C_script.items.size()) ? index : -1;
}

bool EditPage::SaveChangesFirst() {
  if (!projetoAlterado) return true;
  if (!support::AskConfirmation(Ansi("Deseja salvar modificações no projeto"), "", 1)) return true;
  return SaveProject();
}

void EditPage::bot_novoprojClick() {
  if (!SaveChangesFirst()) return;
  C_script.items = project::NewScript();
  C_script.itemIndex = -1;
  C_projeto.SetText("");
  projetoAlterado = false;
}

void EditPage::bot_abreprojClick() {
  if (!SaveChangesFirst()) return;
  const auto chosen = Ui().ChooseFile(kAbreTitulo, Ansi(kFiltroProjeto), support::FolderPart(C_projeto.Text()));
  if (!chosen) return;
  LoadProject(*chosen);
}

bool EditPage::LoadProject(const std::string& path) {
  project::ScriptLines lines;
  {
    BusyCursor busy;
    try {
      lines = project::LoadScript(path);
    } catch (const std::exception& error) {
      ReportFileError("Não foi possível abrir o projeto ", path, error);
      return false;
    }
  }
  C_projeto.SetText(path);
  C_script.items = std::move(lines);
  C_script.itemIndex = -1;
  projetoAlterado = false;
  RefreshVersion();
  return true;
}

bool EditPage::SaveProject() {
  std::string path = C_projeto.Text();
  if (path.empty()) {
    RefreshVersion();
    const auto chosen = Ui().ChooseSaveFile(kSalvaTitulo, Ansi(kFiltroProjeto), kExtensaoProjeto, "");
    if (!chosen) return false;
    path = WithDefaultExtension(*chosen);
  }
  BusyCursor busy;
  try {
    project::SaveScript(C_script.items, path);
  } catch (const std::exception& error) {
    ReportFileError("Não foi possível salvar o projeto ", path, error);
    return false;
  }
  C_projeto.SetText(path);
  projetoAlterado = false;
  return true;
}

void EditPage::bot_incClick() {
  ++C_script.updateCount;
  TFormaEdicao& dialog = FormaEdicao();
  dialog.Tag = 0;
  dialog.SetTipo("CONFIG");
  for (int line = std::min(C_script.itemIndex, static_cast<int>(C_script.items.size()) - 1); line >= 0; --line) {
    const std::string& text = C_script.items[static_cast<std::size_t>(line)];
    if (text.find('[') != std::string::npos && text.find(']') != std::string::npos) {
      dialog.SetTipo(text.size() < 2 ? std::string() : text.substr(1, text.size() - 2));
      break;
    }
  }
  dialog.CmbAlias.visible = false;
  dialog.C_dadochave1.visible = true;
  dialog.C_TituloDado1.visible = true;
  dialog.c_tipo.enabled = true;
  if (dialog.ShowModal()) {
    const std::string tipo = dialog.Tipo();
    const std::string value = dialog.C_dadochave1.Text();
    const std::string key = dialog.c_chave.Text();
    const int count = support::CountChar(value, ",") + 1;
    // Only the box shown counts: a tick left on it under another type adds nothing.
    const bool alsoServer = dialog.ChkInclui.visible && dialog.ChkInclui.checked;
    for (int k = 1; k <= count; ++k) {
      project::EntryParts parts;
      parts.key = count == 1 ? key : key + std::to_string(k);
      parts.value = support::GetField(value, k, ",");
      parts.alias = dialog.CmbAlias.SelectedText();
      parts.targetFolder = dialog.c_dadochave2.Text();
      const int line = project::InsertEntry(C_script.items, tipo, parts);
      if (alsoServer) project::InsertEntry(C_script.items, "SERVIDOR", parts);
      C_script.itemIndex = line;
    }
    projetoAlterado = true;
    FocusScript();
  }
  RefreshVersion();
  --C_script.updateCount;
}

void EditPage::bot_altClick() {
  const std::string line = C_script.SelectedText();
  if (Blank(line)) return;
  if (line.front() == '[') {
    bot_incClick();
    return;
  }
  const int index = C_script.itemIndex;
  TFormaEdicao& dialog = FormaEdicao();
  dialog.Tag = 1;
  dialog.SetTipo(project::SectionOfLine(C_script.items, index));
  const auto equals = line.find('=');
  dialog.c_chave.SetText(equals == std::string::npos ? std::string() : line.substr(0, equals));
  const std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
  const std::string field1 = support::GetField(value, 1, ",");
  if (project::Trim(dialog.c_chave.Text()) == "ALIAS") {
    dialog.CmbAlias.visible = true;
    dialog.C_dadochave1.visible = false;
    dialog.C_TituloDado1.visible = true;
    dialog.FillAliases();
    if (!Blank(field1)) {
      dialog.CmbAlias.itemIndex = -1;
      for (std::size_t i = 0; i < dialog.CmbAlias.items.size(); ++i) {
        if (project::SameText(dialog.CmbAlias.items[i], project::Trim(field1))) {
          dialog.CmbAlias.itemIndex = static_cast<int>(i);
        }
      }
    } else {
      dialog.CmbAlias.itemIndex = 0;
    }
  } else {
    dialog.CmbAlias.visible = false;
    dialog.C_dadochave1.visible = true;
    dialog.C_dadochave1.SetText(field1);
  }
  dialog.c_dadochave2.SetText(support::GetField(value, 2, ","));
  dialog.c_tipo.enabled = false;
  if (!dialog.ShowModal()) return;
  project::EntryParts parts;
  parts.key = dialog.c_chave.Text();
  parts.value = dialog.C_dadochave1.Text();
  parts.alias = dialog.CmbAlias.SelectedText();
  parts.targetFolder = dialog.c_dadochave2.Text();
  project::ReplaceEntry(C_script.items, index, dialog.Tipo(), parts);
  projetoAlterado = true;
  FocusScript();
}

void EditPage::bot_delClick() {
  const std::string line = C_script.SelectedText();
  if (Blank(line)) return;
  if (line.front() == '[') {
    support::ShowKindMessage(Ansi("Não se pode apagar um Grupo de opções"), 4);
    return;
  }
  const int index = C_script.itemIndex;
  project::DeleteEntry(C_script.items, index);
  C_script.itemIndex = index - 1;
  FocusScript();
  projetoAlterado = true;
}

void EditPage::SpeedButton1Click() { RefreshVersion(); }

void EditPage::bot_ajudaClick() { Ui().ShowMessage(0, support::App().Title(), HelpText()); }

void EditPage::C_scriptKeyDown(int key) {
  if (key == kVkDelete) bot_delClick();
}

void EditPage::C_scriptMouseDown(bool rightButton, int itemAtPointer) {
  if (rightButton && itemAtPointer >= 0) ChooseLine(itemAtPointer);
}

std::string EditPage::HelpText() {
  static const char* const lines[] = {
      "Com Este módulo você poderá gerar os disco de instalação.",
      "No Editor de Script Você tem 5 Grupos de dados:",
      "",
      "",
      "[CONFIG]  -> configurções gerais do sistema ",
      "              -> ALIAS: é o alias do programa ex:ALIAS_KORAMI",
      "              -> PROG: é o nome do programa local registrado(registry)",
      "                  no windows ex:KORAMI.EXE",
      "              -> VERSAO: versão do programa.exe",
      "              -> VERWIN: se igual a 1 (um) é programa windows, e 0 (zero)",
      "                  para msdos",
      "              -> TIPO: é o tipo gerado,'ATU' para Atualização ou 'REQ'",
      "                  para requerimentos",
      "              -> DESCRICAO: é a descrição do disco gerado",
      "              -> EXECUTAR: Nome de um arquivo .exe para ser executado após",
      "                  a atualização, exemplo: <PONTO>\\MORBA.EXE /I",
      "",
      "[BACKUP]  -> indica os arquivos que serão copiados(backup)",
      "           para o diretório <ALIAS>\\UPDATES\\BACKUP (caso programa windows),",
      "           ou <PROG>\\UPDATES\\BACKUP (caso programa msdos) no momento",
      "           da atualização. Veja alguns exemplos:",
      "                  chave1=<PONTO>\\INDICE.IDX",
      "                  chave2=<SERVIDOR>\\DADOS\\TABSQL.DB",
      "                  chave3=<WINDOWS>\\SYSTEM\\MINHADLL.DLL",
      "",
      "[PONTO]   -> indica onde serão instalados os arquivos no ponto local.",
      "           esta configuração depende do item Config->prog.",
      "",
      "[SERVIDOR]    -> indica os arquivos que serão instalados na rede isto ",
      "           baseado no ALIAS.",
      "",
      "[WINDOWS] -> arquivos a ser instalado no windows local."};
  std::string text;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (i > 0) text += '\r';
    text += Ansi(lines[i]);
  }
  return text;
}

}  // namespace lifto::app
