#include "update/BackupFiles.h"

#include <optional>
#include <string_view>
#include <utility>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCase.h"
#include "support/Utilities.h"
#include "update/InstallRoots.h"
#include "update/ProgramFolders.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

// The file that a backup entry ("B_ARQ1=<PONTO>\\DADOS\\X.DB") saves. Its value must start with a
// placeholder and stay below that root: the backup folder is shared, and any other path (or a
// placeholder in the key) would copy a private file where the share's users can read it.
std::optional<std::string> BackupSource(const std::string& entry, const RootFolders& roots) {
  const auto equals = entry.find('=');
  const std::string value = equals == std::string::npos ? entry : entry.substr(equals + 1);
  const std::pair<std::string_view, const std::string*> kinds[] = {
      {"<PONTO>", &roots.ponto}, {"<SERVIDOR>", &roots.servidor}, {"<WINDOWS>", &roots.windows}};
  for (const auto& [placeholder, root] : kinds) {
    if (!value.starts_with(placeholder)) continue;
    const std::string rest = value.substr(placeholder.size());
    if (root->empty() || rest.size() < 2 || !platform::IsPathSeparator(rest[0]) ||
        rest.find(':') != std::string::npos || !StaysBelowRoot(rest)) {
      return std::nullopt;
    }
    return *root + rest;
  }
  return std::nullopt;
}

}  // namespace

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
    const auto source = BackupSource(entry, roots);
    if (!source) {
      support::ShowKindMessage("Item " + entry + Ansi(" da chave backup inválido"), 4);
      continue;
    }
    const std::string& path = *source;
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
