#include "app/DownloadModes.h"

#include <optional>
#include <string>
#include <vector>

#include "app/FormaLifto.h"
#include "app/FormaVersoes.h"
#include "net/HelperLink.h"
#include "net/ProgressBarWindow.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "project/KnownPrograms.h"
#include "support/Utilities.h"
#include "update/DownloadFiles.h"
#include "update/InstallRoots.h"
#include "update/Marker.h"
#include "update/OfficeIdentity.h"
#include "update/SetSignatures.h"
#include "update/TextFile.h"

namespace lifto::app {
namespace {

constexpr const char* kServerUpdates = "/home/vornel/updates/";

support::Ui& Ui() { return support::CurrentUi(); }

// DownloadFile with a progress bar that the helper moves; the bar goes back to 0 afterwards.
bool FetchWithBar(const std::string& remotePath, const std::string& localPath, int& position) {
  net::ProgressBarWindow bar([&position](int value) {
    position = value;
    Ui().Repaint();
  });
  const bool downloaded = net::DownloadFile(remotePath, localPath, bar.Handle());
  position = 0;
  return downloaded;
}

std::string ProgramFolder(const project::KnownProgram& row) {
  return std::string(row.programFile.substr(0, row.programFile.find('.')));
}

// The fields of the main window that a download takes from its known-programs row.
void TakeProgram(TFormaLifto& form, const project::KnownProgramMatch& match) {
  const auto& row = match.Program();
  form.context.programaWindows = match.kindV;
  form.context.programaExe = std::string(row.programFile);
  form.context.pastaServidor = support::AliasPath(std::string(row.alias), true);
}

// One download run: the state it shares between its steps, and the steps that the automatic and
// the interactive downloads have in common.
class DownloadRun {
 public:
  DownloadRun(TFormaLifto& form, const project::KnownProgramMatch& match)
      : form_(form), match_(match) {}

  // ReadOfficeIdentity; after a failure the tool has ended.
  std::optional<update::OfficeIdentity> ReadOfficeIdentity() {
    form_.SetStatus("Analizando...");
    Ui().ProcessMessages();
    auto office = update::ReadOfficeTable(update::OfficeTablePath(form_.context));
    if (office) return office;
    form_.SetStatus("Abortado.");
    Ui().ProcessMessages();
    support::ShowKindMessage("Erro na Abertura do INDECR Local", 4);
    form_.DisconnectFromServer();
    net::CloseHelper();
    form_.EndTool(1);
    return std::nullopt;
  }

  void DeleteMarker() { update::WriteMarker(form_.context, false, match_.row); }

  // A name the server gave that may not become a file name here: the run stops without
  // requesting anything with it.
  bool RefuseUnsafeName(const std::string& name) {
    if (update::IsDownloadableScriptName(name)) return false;
    form_.DisconnectFromServer();
    support::ShowKindMessage(
        Ansi("O servidor indicou um nome de arquivo inválido para download: ") + name, 4);
    StayOpenAfterFailure();
    return true;
  }

  // Fetches the script, its archive and, at a site that checks signatures, the signature of
  // each. @return the remote path that failed, nullopt when everything arrived
  std::optional<std::string> FetchSet(const std::string& remoteScript) {
    const bool signatures = update::SiteChecksSignatures();
    if (!Fetch(remoteScript)) return remoteScript;
    if (signatures && !Fetch(remoteScript + ".minisig")) return remoteScript + ".minisig";
    const std::string archive = update::ArchiveOfRemoteScript(remoteScript);
    Ui().ProcessMessages();
    support::WaitSeconds(1);
    form_.SetLabelStatus2(Ansi("Download de arquivo de Atualização(ATU)"));
    if (!Fetch(archive)) return archive;
    if (signatures && !Fetch(archive + ".minisig")) return archive + ".minisig";
    return std::nullopt;
  }

  void FailedDownload(const std::string& remotePath) {
    records_.clear();
    support::ShowKindMessage("Erro no download do arquivo " + remotePath, 4);
    form_.DisconnectFromServer();
    DeleteMarker();
    StayOpenAfterFailure();
  }

  // The end of a download whose files all arrived: checked (at a site that checks signatures),
  // copied into the updates folder and only then named by the marker, so that a failure on the
  // way never leaves a marker that "/R" would follow, nor a success message.
  bool Complete() {
    form_.DisconnectFromServer();
    form_.c_barra.position = 0;
    form_.SetStatus("Ok.");
    if (form_.Formaversoes != nullptr) form_.Formaversoes->statusText = "Ok.";
    Ui().ProcessMessages();
    for (const auto& record : records_) {
      const std::string local = update::RecordLocal(record);
      if (local.size() > 8 && local.substr(local.size() - 8) == ".minisig") continue;
      if (!update::AcceptSetFile(local)) return FailedInstall();
    }
    form_.SetStatusBar("Copiando...");
    form_.labelstatus.caption = Ansi("Copiando Atualização...");
    Ui().ProcessMessages();
    const bool copied = update::InstallDownloadedFiles(records_, [this](const std::string& text) {
      form_.labelstatus.caption = text;
      Ui().Repaint();
    });
    if (!copied) return FailedInstall();
    update::WriteMarker(form_.context, true, match_.row);
    form_.EnableUpdateControls(true);
    records_.clear();
    net::CloseHelper();
    return true;
  }

  std::vector<std::string>& Records() { return records_; }

 private:
  bool Fetch(const std::string& remotePath) {
    return update::DownloadUpdateFile(remotePath, records_, [this](const std::string& remote,
                                                                    const std::string& local) {
      return form_.barraPrincipal == 1 || form_.Formaversoes == nullptr
                 ? FetchWithBar(remote, local, form_.c_barra.position)
                 : FetchWithBar(remote, local, form_.Formaversoes->barPosition);
    });
  }

  bool FailedInstall() {
    records_.clear();
    support::DeleteFolderTree(update::DownloadFolder(), false);
    form_.SetStatus("Abortado");
    StayOpenAfterFailure();
    return false;
  }

  void StayOpenAfterFailure() {
    form_.EnableUpdateControls(true);
    net::CloseHelper();
    form_.MarkFailed();
  }

  TFormaLifto& form_;
  project::KnownProgramMatch match_;
  std::vector<std::string> records_;
};

// "versao.txt" of the program's folder: its first line without blanks. nullopt after the failure
// was handled.
std::optional<std::string> NewestScript(TFormaLifto& form, const std::string& folder) {
  support::WaitSeconds(1);
  const std::string remote = kServerUpdates + folder + "/versao.txt";
  form.SetStatus(Ansi("Versões Checando"));
  form.SetLabelStatus2(Ansi("Download de arquivo de controle de versão"));
  Ui().ProcessMessages();
  const std::string local = support::TempFolder() + "\\versao.txt";
  auto stayOpen = [&form] {
    form.DisconnectFromServer();
    form.EnableUpdateControls(true);
    net::CloseHelper();
    form.MarkFailed();
  };
  if (!net::DownloadFile(remote, local, 0)) {
    support::ShowKindMessage("Erro ao Download do arquivo " + remote, 4);
    stayOpen();
    return std::nullopt;
  }
  support::WaitSeconds(1);
  const auto lines = update::ReadTextLines(local).value_or(std::vector<std::string>{});
  platform::DeleteFile(local);
  if (lines.empty()) {
    support::ShowKindMessage("Erro: arquivo " + remote + Ansi(" está vazio"), 4);
    stayOpen();
    return std::nullopt;
  }
  return support::RemoveBlanks(lines.front());
}

// The line of "especif.txt" for this office and program. nullopt after the failure was handled.
std::optional<std::string> OfficeScript(TFormaLifto& form, const update::OfficeIdentity& office) {
  support::WaitSeconds(1);
  const std::string remote = std::string(kServerUpdates) + "especif.txt";
  form.context.Panelstatus = "Procurando Arquivos...";
  form.SetStatusBar("Procurando");
  Ui().ProcessMessages();
  const std::string local = support::TempFolder() + "\\especif.txt";
  if (!net::DownloadFile(remote, local, 0)) {
    support::ShowKindMessage("Erro ao Download do arquivo " + remote, 4);
    form.DisconnectFromServer();
    net::CloseHelper();
    form.EndTool(1);
    return std::nullopt;
  }
  support::WaitSeconds(1);
  const auto lines = update::ReadTextLines(local).value_or(std::vector<std::string>{});
  platform::DeleteFile(local);
  return update::OfficeSpecificScript(lines, office, form.context.programaExe);
}

void AutomaticDownload(TFormaLifto& form) {
  const std::string second = form.commandLine().Argument(2);
  const auto match = project::FindKnownProgram(form.commandLine().ProgramNameLookup());
  if (!match.Found()) {
    support::ShowKindMessage("O Programa <" + second + Ansi("> não está configurado para Download"), 4);
    net::CloseHelper();
    form.EndTool(1);
    return;
  }
  form.EnableUpdateControls(false);
  form.SetStatus("Conectando...");
  Ui().ProcessMessages();
  if (!form.ConnectToServer()) {
    support::ShowKindMessage("Erro ao se conectar ao servidor, Tente mais tarde", 4);
    net::CloseHelper();
    form.EndTool(1);
    return;
  }
  TakeProgram(form, match);
  DownloadRun run(form, match);
  const auto office = run.ReadOfficeIdentity();
  if (!office) return;
  run.DeleteMarker();
  const std::string folder = ProgramFolder(match.Program());

  const bool newest = form.commandLine().Mode() == RunMode::DownloadNewest;
  const auto script = newest ? NewestScript(form, folder) : OfficeScript(form, *office);
  if (!script) return;
  if (script->empty()) {
    form.SetStatus("Ok.");
    form.DisconnectFromServer();
    support::ShowKindMessage(Ansi("Arquivo para download específico não existe"), 2);
    net::CloseHelper();
    form.EndTool(1);
    return;
  }
  if (run.RefuseUnsafeName(*script)) return;

  form.context.scriptEscolhido = *script;
  form.SetStatus("Download...");
  Ui().ProcessMessages();
  form.SetLabelStatus2(Ansi("Download de arquivo de Configuração(AEX)"));
  if (const auto failed = run.FetchSet(kServerUpdates + folder + "/" + *script)) {
    run.FailedDownload(*failed);
    return;
  }
  if (!run.Complete()) return;
  support::ShowKindMessage(Ansi("Download Concluído com Sucesso"), 2);
  form.context.modoCaminho = true;

  const std::string tool = support::WindowsFolder() + "\\SYSTEM\\atualizar.exe";
  if (platform::FileExists(tool) &&
      support::AskConfirmation(Ansi("Deseja executar a atualização do sistema agora?"),
                               Ansi("Confirmação"), 1)) {
    support::StartProgram(tool + " /R /" + std::string(match.Program().programFile), 3);
  }
  form.EndTool(0);
}

void InteractiveDownload(TFormaLifto& form) {
  TFormaversoes fallback;
  TFormaversoes& versoes = form.Formaversoes != nullptr ? *form.Formaversoes : fallback;
  versoes.UseServer({
      [&form] { return form.ConnectToServer(); },
      [&form] { form.DisconnectFromServer(); },
      [](const std::string& folder) { return net::ChangeRemoteDir(folder); },
      [&versoes](const std::string& remote, const std::string& local) {
        return FetchWithBar(remote, local, versoes.barPosition);
      },
      [](const std::string& folder) { return net::ListRemoteDir(folder); },
      [](int seconds) { support::WaitSeconds(seconds); },
      [](const std::string& programFile) { return !update::AppPathFolder(programFile).empty(); },
  });
  form.barraPrincipal = 0;
  form.versionListStatus = [&versoes](const std::string& text) { versoes.statusText = text; };
  const bool chosen = versoes.ShowModal();
  form.versionListStatus = nullptr;
  if (!chosen) {
    // The helper was started for this run; it does not outlive it.
    form.barraPrincipal = 1;
    net::CloseHelper();
    return;
  }
  form.EnableUpdateControls(false);
  Ui().ProcessMessages();
  form.context.programaExe.clear();
  form.context.pastaServidor.clear();
  form.context.programaWindows = false;

  project::KnownProgramMatch match;
  const auto& table = project::KnownPrograms();
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (table[row].displayName == versoes.Program()) {
      match = {static_cast<int>(row), table[row].kindCode == "V"};
      break;
    }
  }
  if (!match.Found()) {
    // The list offers only known programs; nothing to download for another name.
    form.DisconnectFromServer();
    form.EnableUpdateControls(true);
    net::CloseHelper();
    return;
  }
  TakeProgram(form, match);
  DownloadRun run(form, match);
  if (!run.ReadOfficeIdentity()) return;
  form.SetStatus("Conectando...");
  Ui().ProcessMessages();
  support::WaitSeconds(1);
  form.barraPrincipal = 1;
  form.SetStatus("Atualizando");
  Ui().ProcessMessages();
  run.DeleteMarker();

  const std::string script = versoes.Version();
  Ui().ProcessMessages();
  form.SetStatus("Download");
  Ui().ProcessMessages();
  support::WaitSeconds(1);
  if (run.RefuseUnsafeName(script)) return;
  form.context.scriptEscolhido = script;
  if (const auto failed = run.FetchSet(kServerUpdates + ProgramFolder(match.Program()) + "/" + script)) {
    form.SetStatus("Abortado");
    Ui().ProcessMessages();
    run.FailedDownload(*failed);
    return;
  }
  if (!run.Complete()) return;
  support::ShowKindMessage(Ansi("Download Concluído..."), 2);
  form.EndTool(0);
}

}  // namespace

void DownloadUpdate(TFormaLifto& form) {
  if (!net::StartHelper()) {
    form.MarkFailed();
    if (form.RunsByItself()) form.EndTool(1);
    return;
  }
  if (form.commandLine().IsAutoDownload()) {
    AutomaticDownload(form);
  } else {
    InteractiveDownload(form);
  }
}

}  // namespace lifto::app
