#include "update/BackupFiles.h"

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/TextCase.h"
#include "support/Utilities.h"
#include "update/InstallRoots.h"
#include "update/ProgramFolders.h"
#include "update/UpdateText.h"

namespace lifto::update {

void BackupFiles(UpdateContext& context) {
  if (platform::Upper1252(context.firstArgument) == "/R") return;
  SetStatus(context, "Backup");

  const RootFolders roots = ProgramRoots(context);
  const std::string& root = context.programaWindows ? context.pastaServidor : roots.ponto;
  SetLabelStatus2(context, "Copiando arquivos de backup...");
  // Without its root the folder would resolve against the current drive's root: nothing there
  // is the update's to empty.
  if (root.empty()) return;
  const std::string updates = root + "\\updates";
  if (!platform::FolderExists(updates)) platform::CreateFolder(updates);
  const std::string folder = BackupFolder(context, roots.ponto) + "\\";
  if (!platform::FolderExists(folder)) platform::CreateFolder(folder);

  for (const auto& old : support::ListFiles(folder + "*.*")) {
    if (platform::FileExists(old)) platform::DeleteFile(old);
  }

  for (const auto& entry : context.listaBackup) {
    const std::string text = ReplacePlaceholder(entry, roots).value_or(std::string());
    SetLabelStatus2(context, "Copiando arquivo " + text);
    if (text.empty()) {
      support::ShowKindMessage("Item " + entry + Ansi(" da chave backup inválido"), 4);
      continue;
    }
    const auto equals = text.find('=');
    const std::string path = equals == std::string::npos ? text : text.substr(equals + 1);
    if (!platform::FileExists(path)) {
      support::ShowKindMessage(
          Ansi("Um arquivo de backup para atualização não foi encontrado") + "\r" + entry, 2);
      continue;
    }
    // The saved copy keeps the bare name, cut at either separator, so it stays in the folder.
    const std::string name = BareFileName(path);
    if (IsPlainFileName(name)) platform::CopyFile(path, folder + name);
  }
}

}  // namespace lifto::update
