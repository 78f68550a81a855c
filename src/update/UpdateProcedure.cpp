#include "update/UpdateProcedure.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "project/Script.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/CopyDisks.h"
#include "update/RestoreEvents.h"
#include "update/SetSignatures.h"
#include "update/SourceFolder.h"
#include "update/UpdateText.h"
#include "update/VersionList.h"

namespace lifto::update {
namespace {

support::Ui& Ui() { return support::CurrentUi(); }

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void ShowMissingFile(const std::string& path) {
  support::ShowKindMessage("Erro Arquivo " + NameOfFile(path) + Ansi(" não existe"), 4);
}

void ShowNoServerFolder(const UpdateContext& context) {
  std::string reason;
  if (!context.programaWindows) {
    reason = Ansi("Versão MS-Dos não implementada");
  } else if (TrimText(context.aliasPrograma).empty()) {
    reason = Ansi("Alias não configurado no script");
  } else {
    reason = "O alias " + context.aliasPrograma + Ansi(" não existe neste computador");
  }
  support::ShowKindMessage(Ansi("Atualização cancelada") + "\r" + reason, 4);
}

// Step 2 of the installation: the script is copied into the updates folder unless it already
// lies there (written as the "UPDATES" or "UPTEXTOS" folder of the server folder, or the same
// file reached another way).
bool LiesInUpdatesFolder(const UpdateContext& context, const std::string& scriptPath) {
  const std::string name = NameOfFile(scriptPath);
  const std::string upper = UpperAscii(scriptPath);
  for (const char* folder : {"\\UPDATES\\", "\\UPTEXTOS\\"}) {
    const std::string there = context.pastaServidor + folder + name;
    if (upper == UpperAscii(there)) return true;
    if (!context.pastaServidor.empty() && SameFile(scriptPath, there)) return true;
  }
  return false;
}

// Algorithm 2, step 1: waits for a diskette that holds an archive.
bool WaitForDiskette(UpdateContext& context, const std::string& folder) {
  const std::string letter(1, UpperAscii(folder.substr(0, 1))[0]);
  for (;;) {
    if (!support::AskConfirmation(
            Ansi("Insira o primeiro disquete de Atualizaçao no drive ") + letter + ":",
            Ansi("Confirmação"), 2)) {
      return false;
    }
    if (platform::FolderExists(folder)) {
      const auto archives = ListByExtension(folder, "ATU");
      context.arquivoAtu = archives.empty() ? std::string("naoexiste.ATU") : NameOfFile(archives.front());
      if (platform::FileExists(folder + context.arquivoAtu)) return true;
    }
  }
}

// Algorithm 2, step 4: the script chosen in the list ("/R" and "/L" choose it by name).
std::optional<std::string> ChosenScript(UpdateWindow& window, const UpdateSteps& steps,
                                        const std::string& folder) {
  UpdateContext& context = window.Context();
  const std::string mode = UpperAscii(context.firstArgument);
  if (mode == "/R" || mode == "/L") {
    if (mode == "/L") context.scriptEscolhido = steps.lastLoggedScript(context);
    auto& items = window.VersionItems();
    window.VersionItemIndex() = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (UpperAscii(ScriptOfItem(items[i])) == UpperAscii(context.scriptEscolhido)) {
        window.VersionItemIndex() = static_cast<int>(i);
        break;
      }
    }
  }
  const int index = window.VersionItemIndex();
  if (index < 0 || index >= static_cast<int>(window.VersionItems().size())) {
    support::ShowKindMessage(Ansi("Aviso, selecione uma versão no botão de combo"), 1);
    return std::nullopt;
  }
  const std::string script = folder + ScriptOfItem(window.VersionItems()[index]);
  if (!platform::FileExists(script)) {
    ShowMissingFile(script);
    return std::nullopt;
  }
  const std::string archive = ArchiveOfScript(script);
  if (!platform::FileExists(archive)) {
    ShowMissingFile(archive);
    return std::nullopt;
  }
  context.arquivoAtu = NameOfFile(archive);
  return script;
}

void UpdateFromPath(UpdateWindow& window, const UpdateSteps& steps) {
  UpdateContext& context = window.Context();
  support::WaitMilliseconds(1000);
  Ui().ProcessMessages();
  std::string script = context.firstArgument;
  if (!script.empty() && script.front() == '/') script.erase(0, 1);
  std::string folder = FolderOfFile(script);
  if (TrimText(folder).empty()) {
    // A bare file name lies beside the tool's own executable.
    folder = FolderOfFile(OwnExecutablePath(context));
    script = folder + script;
  }
  window.SetSourceFolder(folder);
  context.arquivoAtu = ArchiveOfScript(NameOfFile(script));
  Ui().ProcessMessages();
  FillVersionList(window, steps);
  InstallScript(window, steps, script, SourceFolderOf(context.C_caminhoOrigem));
}

void UpdateFromSource(UpdateWindow& window, const UpdateSteps& steps) {
  UpdateContext& context = window.Context();
  const std::string folder = SourceFolderOf(context.C_caminhoOrigem);
  if (IsDisketteSource(folder)) {
    if (!WaitForDiskette(context, folder)) return;
  } else if (!window.VersionListEnabled()) {
    const auto archives = ListByExtension(folder, "ATU");
    if (archives.empty()) {
      support::ShowKindMessage(Ansi("Atualização não encontrada no diretório ") + folder, 4);
      window.MarkFailed();
      return;
    }
    context.arquivoAtu = NameOfFile(archives.front());
  }

  window.ShowWorkingLayout();
  context.labelstatus = Ansi("Iniciando processo de atualização...");
  Ui().Repaint();

  std::string script;
  if (window.VersionListEnabled()) {
    auto chosen = ChosenScript(window, steps, folder);
    if (!chosen) {
      window.MarkFailed();
      return;
    }
    script = *chosen;
  } else {
    const auto scripts = ListByExtension(folder, "aex");
    if (scripts.empty()) {
      support::ShowKindMessage(Ansi("Erro não existe arquivo de Script"), 4);
      window.MarkFailed();
      return;
    }
    script = scripts.front();
  }
  InstallScript(window, steps, script, folder);
}

}  // namespace

void UpdateFromDisk(UpdateWindow& window, const UpdateSteps& steps) {
  if (window.Context().modoCaminho) {
    UpdateFromPath(window, steps);
  } else {
    UpdateFromSource(window, steps);
  }
}

void InstallScript(UpdateWindow& window, const UpdateSteps& steps, std::string scriptPath,
                   std::string sourceFolder) {
  UpdateContext& context = window.Context();
  // The version check reads the script: at a site that checks signatures, only a signed one.
  if (!AcceptSetFile(scriptPath)) {
    window.MarkFailed();
    return;
  }
  if (!steps.checkVersion(context, scriptPath)) {
    window.CloseWindow();
    return;
  }
  if (context.pastaServidor.empty()) {
    // Nothing of the update can be placed without the server folder: say why and refuse it.
    ShowNoServerFolder(context);
    window.CloseWindow();
    return;
  }
  if (steps.checkLoggedUsers(context)) {
    window.CloseWindow();
    return;
  }
  if (!LiesInUpdatesFolder(context, scriptPath)) {
    if (!CopyDisksToUpdates(context, scriptPath)) {
      window.MarkFailed();
      return;
    }
    sourceFolder = FolderOfFile(scriptPath);
  }

  steps.clearExtractFolder();
  const std::string extract = steps.extractFolder();
  if (!platform::ForceFolders(extract)) {
    throw std::runtime_error("Cannot create the extraction folder " + extract);
  }
  context.erroAtualizacao = false;
  const std::string scriptCopy = extract + "\\" + NameOfFile(scriptPath);
  platform::CopyFile(scriptPath, scriptCopy);

  const std::string archive = sourceFolder + context.arquivoAtu;
  RestoreEvents events(window);
  if (!platform::FileExists(archive)) {
    // Without its archive the update would go on to install nothing but fail on every file.
    ShowMissingFile(archive);
    context.erroAtualizacao = true;
  } else if (!AcceptSetFile(archive)) {
    // Further volumes are checked as the restore asks for them.
    context.erroAtualizacao = true;
  } else if (!steps.restore(archive, extract, events)) {
    // A restore stopped without an error report (a volume declined) installs nothing either.
    context.erroAtualizacao = true;
  }

  context.c_barra = 0;
  SetStatus(context, "Preparando...");
  Ui().ProcessMessages();

  bool installed = false;
  if (context.erroAtualizacao) {
    support::ShowKindMessage(Ansi("Foi detectado um erro ao fazer a Atualização,") + "\r" +
                                 Ansi("Atualização não foi feita com sucesso."),
                             4);
  } else {
    const auto config = steps.readFileSection(scriptCopy, "CONFIG");
    const auto ponto = steps.readFileSection(scriptCopy, "PONTO");
    const auto servidor = steps.readFileSection(scriptCopy, "SERVIDOR");
    const auto windows = steps.readFileSection(scriptCopy, "WINDOWS");
    context.listaBackup = steps.readFileSection(scriptCopy, "BACKUP");

    const auto roots =
        steps.findInstallRoots(context, project::FindKeyValue(config, "PROG"), project::FindKeyValue(config, "ALIAS"));
    if (roots) {
      steps.backupFiles(context);
      context.autoAtualizacao = false;
      struct Section {
        bool chosen;
        const char* status;
        int passes;
        const std::string* root;
        const std::vector<std::string>* entries;
      };
      const Section sections[] = {
          {context.C_local, "Ponto...", 2, &roots->ponto, &ponto},
          {context.C_rede, "SERVIDOR...", 1, &roots->servidor, &servidor},
          {context.C_windows, "Windows...", 1, &roots->windows, &windows},
      };
      for (const auto& section : sections) {
        if (!section.chosen) continue;
        SetStatus(context, section.status);
        for (int i = 0; i < section.passes; ++i) Ui().ProcessMessages();
        if (!steps.installSection(context, extract, *section.root, *section.entries)) {
          // Files copied so far stay; the extraction folder is emptied by the next run.
          window.EndTool(1);
          return;
        }
      }
      SetStatus(context, "Atualizando Log...");
      context.labelstatus2.clear();
      Ui().ProcessMessages();
      steps.writeUpdateLog(context, roots->servidor, scriptPath, project::FindKeyValue(config, "VERSAO"));

      SetLabelStatus2(context, Ansi("Atualização realizada com sucesso!"));
      SetStatus(context, "Ok.");
      Ui().ProcessMessages();
      steps.finishUpdate(context);
      steps.runAfterUpdate(context);
      installed = true;
      window.EndTool(0);
    }
  }
  if (!installed) window.MarkFailed();

  steps.clearExtractFolder();
  SetStatus(context, "Status");
  Ui().ProcessMessages();
  Ui().SetBusy(false);
}

}  // namespace lifto::update
