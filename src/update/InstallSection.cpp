#include "update/InstallSection.h"

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"
#include "platform/SystemFolders.h"
#include "platform/TextCase.h"
#include "project/Script.h"
#include "support/Utilities.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

// Whether an entry's file is the tool's own executable. The file name is compared, not the whole
// entry: here the tool's file has no ".EXE", and "ATUALIZAR" would also be found in
// "ATUALIZAR.HLP", whose copy must not take over the tool.
bool NamesTheTool(const std::string& name, const std::string& ownName) {
  const std::string upper = platform::Upper1252(name);
  return upper == ownName ||
         (ownName.find('.') == std::string::npos && upper == ownName + ".EXE");
}

// The entry's target folder joined to its root, ending in "\". An empty folder is the root
// itself (an entry with no second field, a "WINDOWS" entry left without one in the editor), and
// one without a leading or trailing "\" is a folder below the root all the same: nothing is ever
// created or written beside a root ("C:\KORAMIKORAMI.EXE", "C:\KORAMIDADOS\").
std::string TargetFolderBelow(std::string root, std::string relative) {
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  relative = TrimText(relative);
  if (relative.empty() || (relative.front() != '\\' && relative.front() != '/')) {
    relative.insert(0, 1, '\\');
  }
  if (relative.back() != '\\' && relative.back() != '/') relative.push_back('\\');
  return root + relative;
}

// Copies one entry; false when a copy failed or the target would leave the root.
bool InstallEntry(UpdateContext& context, platform::FolderNames& names,
                  const std::string& extractFolder, const std::string& root,
                  const std::string& entry) {
  const std::string targetFolder = support::GetField(entry, 2, ",");
  const std::string name = project::FileNameOfPath(support::GetField(entry, 1, ","));
  SetLabelStatus2(context, "Copiando arquivo " + name);
  if (root.empty() || !StaysBelowRoot(targetFolder) || !IsPlainFileName(name)) return false;

  const std::string target = TargetFolderBelow(root, targetFolder);
  const std::string folder = target.substr(0, target.size() - 1);
  if (!folder.empty() && !platform::FolderExists(folder)) platform::ForceFolders(folder);

  const std::string source = extractFolder + "\\" + name;
  const std::string ownName = platform::Upper1252(OwnExecutableName(context));
  if (!NamesTheTool(name, ownName)) {
    const auto hostSource = names.HostPathOf(source);
    const auto hostTarget = names.HostPathOf(target + name);
    return hostSource && hostTarget && platform::CopyFile(hostSource->string(), hostTarget->string());
  }

  // The tool itself: a running executable is not overwritten in place; the copy in the
  // temporary folder finishes the replacement once this process has ended.
  if (platform::Upper1252(OwnExecutablePath(context)) != platform::Upper1252(target + name) &&
      !platform::CopyFile(source, target + name)) {
    return false;
  }
  if (!platform::CopyFile(source, platform::PrivateTempFolder() + "\\" + ownName)) return false;
  context.autoAtualizacao = true;
  return true;
}

}  // namespace

bool InstallSection(UpdateContext& context, const std::string& extractFolder,
                    const std::string& root, const std::vector<std::string>& entries) {
  // The extraction folder and the targets are listed once for the whole section.
  platform::FolderNames names;
  for (const auto& entry : entries) {
    if (!InstallEntry(context, names, extractFolder, root, entry)) {
      const std::string name = project::FileNameOfPath(support::GetField(entry, 1, ","));
      support::ShowKindMessage(Ansi("Não foi possível copiar o arquivo ") + name, 1);
      return false;
    }
  }
  return true;
}

}  // namespace lifto::update
