#include "app/FormaVersoes.h"

#include <utility>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "project/KnownPrograms.h"
#include "project/ScriptText.h"
#include "support/Utilities.h"
#include "update/TextFile.h"

namespace lifto::app {
namespace {

TFormaversoes::ModalView& InstalledView() {
  static TFormaversoes::ModalView view;
  return view;
}

support::Ui& Ui() { return support::CurrentUi(); }

constexpr const char* kServerUpdates = "/home/vornel/updates/";
constexpr const char* kListSeparator = "; ";

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : kListSeparator) + item;
  return text;
}

// The folder name of the program whose display name is given: its program file up to the first
// "."; empty when no known program has that name.
std::string ProgramFolderOfDisplayName(const std::string& displayName) {
  for (const auto& program : project::KnownPrograms()) {
    if (program.displayName == displayName) {
      return std::string(program.programFile.substr(0, program.programFile.find('.')));
    }
  }
  return {};
}

}  // namespace

std::vector<std::array<std::string, 2>> VersionRows(const std::vector<std::string>& listing,
                                                    const std::vector<std::string>& descriptions) {
  std::vector<std::array<std::string, 2>> rows;
  for (const auto& name : listing) {
    if (name == "descricao.txt" || name == "versao.txt") continue;
    const std::string upper = project::UpperCase(name);
    if (upper.find(".AEX") == std::string::npos) continue;
    std::array<std::string, 2> row{name, ""};
    for (const auto& line : descriptions) {
      if (project::UpperCase(support::GetField(line, 1, ";")) == upper) {
        row[1] = support::GetField(line, 2, ";");
        break;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

TFormaversoes::TFormaversoes() {
  caption = Ansi("Lista de Versões");
  heading = Ansi("Selecione a versão");
  C_listaprog.caption = "Lista de Programas";
  C_listaversoes.caption = Ansi("Lista de Versões");
  C_listaversoes.visible = false;
  statusText = "Status";
  bot_download.caption = "&Atualizar";
  bot_download.hint = "Download do arquivo e atualiza o Programa ";
  bot_sair.caption = "&Sair";
  bot_sair.hint = "Sair do Programa";
  ResetGrid();
}

void TFormaversoes::SetModalView(ModalView view) { InstalledView() = std::move(view); }

bool TFormaversoes::ShowModal() {
  modalResult_ = mrNone;
  FormShow();
  if (InstalledView()) {
    InstalledView()(*this);
  } else {
    RunAsRequests();
  }
  Timer1.enabled = false;
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  return modalResult_ == mrOk;
}

void TFormaversoes::RunAsRequests() {
  if (Timer1.enabled) {
    support::WaitMilliseconds(kTimerMs);
    Timer1Timer();
  }
  while (modalResult_ == mrNone) {
    support::DialogRequest answered = AsRequest();
    if (!Ui().RunDialog(answered)) {
      bot_sairClick();
      break;
    }
    ApplyRequest(answered);
    bot_downloadClick();
  }
}

support::DialogRequest TFormaversoes::AsRequest() const {
  support::DialogRequest dialog{kName, {}};
  if (C_listaversoes.visible) {
    std::vector<std::string> rows;
    for (std::size_t i = 1; i < C_grade.rows.size(); ++i) {
      if (C_grade.rows[i][0].empty()) continue;
      rows.push_back(C_grade.rows[i][0] +
                     (C_grade.rows[i][1].empty() ? "" : " - " + C_grade.rows[i][1]));
    }
    dialog.SetField(kVersoes, Join(rows));
    dialog.SetField(kVersao, Version());
  } else {
    dialog.SetField(kProgramas, Join(C_listaprog.items));
    dialog.SetField(kPrograma, Program());
  }
  return dialog;
}

void TFormaversoes::ApplyRequest(const support::DialogRequest& answered) {
  if (C_listaversoes.visible) {
    const std::string chosen = project::UpperCase(project::Trim(answered.Field(kVersao)));
    for (std::size_t i = 1; i < C_grade.rows.size(); ++i) {
      if (project::UpperCase(C_grade.rows[i][0]) == chosen) C_grade.row = static_cast<int>(i);
    }
    return;
  }
  const std::string chosen = project::UpperCase(project::Trim(answered.Field(kPrograma)));
  C_listaprog.itemIndex = -1;
  for (std::size_t i = 0; i < C_listaprog.items.size(); ++i) {
    if (project::UpperCase(C_listaprog.items[i]) == chosen) C_listaprog.itemIndex = static_cast<int>(i);
  }
}

std::string TFormaversoes::Program() const {
  const int i = C_listaprog.itemIndex;
  if (i < 0 || i >= static_cast<int>(C_listaprog.items.size())) return {};
  return C_listaprog.items[static_cast<std::size_t>(i)];
}

std::string TFormaversoes::Version() const {
  const int i = C_grade.row;
  if (i < 1 || i >= static_cast<int>(C_grade.rows.size())) return {};
  return C_grade.rows[static_cast<std::size_t>(i)][0];
}

void TFormaversoes::ResetGrid() {
  C_grade.rows = {{"Arquivos", Ansi("Descrição")}, {"", ""}};
  C_grade.row = 1;
}

void TFormaversoes::FormShow() {
  ResetGrid();
  statusText = "Status";
  FillProgramList();
}

void TFormaversoes::FillProgramList() {
  // The window is reused: a timer left from an earlier showing must not press "&Atualizar".
  Timer1.enabled = false;
  C_listaversoes.visible = false;
  C_listaprog.visible = false;
  C_listaprog.items.clear();
  for (const auto& program : project::KnownPrograms()) {
    if (server_.installed && server_.installed(std::string(program.programFile))) {
      C_listaprog.items.emplace_back(program.displayName);
    }
  }
  C_listaprog.columns = 1;
  C_listaprog.itemIndex = C_listaprog.items.empty() ? -1 : 0;
  if (C_listaprog.items.size() == 1) {
    Timer1.enabled = true;
    return;
  }
  if (C_listaprog.items.size() >= kTwoColumnsFrom) C_listaprog.columns = 2;
  C_listaprog.visible = true;
}

void TFormaversoes::Timer1Timer() {
  Timer1.enabled = false;
  bot_downloadClick();
}

void TFormaversoes::bot_sairClick() { modalResult_ = mrCancel; }

void TFormaversoes::bot_downloadClick() {
  if (C_listaversoes.visible) {
    modalResult_ = mrOk;
    return;
  }
  if (C_listaprog.itemIndex < 0) {
    support::ShowKindMessage("Selecione um Programa para Download", 4);
    return;
  }
  C_listaversoes.visible = true;
  C_listaprog.visible = false;
  Ui().ProcessMessages();
  if (!FetchVersionList()) {
    C_listaversoes.visible = false;
    C_listaprog.visible = true;
  }
}

void TFormaversoes::Status(const std::string& text) {
  statusText = text;
  Ui().Repaint();
}

bool TFormaversoes::FolderMissing(const std::string& folder) {
  server_.waitSeconds(1);
  Ui().ProcessMessages();
  server_.disconnectFromServer();
  Ui().SetBusy(false);
  support::ShowKindMessage(Ansi("Erro Diretório não existe: ") + kServerUpdates + folder, 4);
  return false;
}

bool TFormaversoes::FetchVersionList() {
  Ui().SetBusy(true);
  barPosition = 0;
  Status("Download da lista ...");
  ResetGrid();
  if (!server_.connectToServer()) {
    support::ShowKindMessage("Erro ao se conectar ao servidor, Tente mais tarde", 4);
    Ui().SetBusy(false);
    return false;
  }
  server_.waitSeconds(1);
  Ui().ProcessMessages();
  const std::string folder = ProgramFolderOfDisplayName(Program());
  const std::string remoteFolder = kServerUpdates + folder;
  if (!server_.changeRemoteDir(remoteFolder)) return FolderMissing(folder);
  Ui().ProcessMessages();
  server_.waitSeconds(1);
  Ui().ProcessMessages();
  const std::string local = support::TempFolder() + "\\descricao.txt";
  if (!server_.downloadFile(remoteFolder + "/descricao.txt", local)) return FolderMissing(folder);

  Descriptions = update::ReadTextLines(local).value_or(std::vector<std::string>{});
  platform::DeleteFile(local);
  ResetGrid();
  const auto listing = server_.listRemoteDir(remoteFolder).value_or(std::vector<std::string>{});
  for (auto& line : Descriptions) line = support::PadSeparators(line, ";");
  const auto rows = VersionRows(listing, Descriptions);
  if (!rows.empty()) {
    C_grade.rows.resize(1);
    C_grade.rows.insert(C_grade.rows.end(), rows.begin(), rows.end());
  }
  C_grade.row = static_cast<int>(C_grade.rows.size()) - 1;
  barPosition = 0;
  Ui().SetBusy(false);
  return true;
}

}  // namespace lifto::app
