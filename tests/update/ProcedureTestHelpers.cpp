#include "update/ProcedureTestHelpers.h"

#include "update/RestoreEvents.h"

namespace lifto::test {

void FakeUpdateWindow::SetSourceFolder(const std::string& text) {
  const bool changed = context.C_caminhoOrigem != text;
  context.C_caminhoOrigem = text;
  if (changed && onSourceChange) onSourceChange();
}

update::UpdateSteps RecordingSteps::Steps() {
  update::UpdateSteps steps;
  steps.checkVersion = [this](update::UpdateContext& context, const std::string& script) {
    calls.push_back("checkVersion " + script);
    if (onCheckVersion) onCheckVersion(context);
    return versionOk;
  };
  steps.checkLoggedUsers = [this](update::UpdateContext&) {
    calls.push_back("checkLoggedUsers");
    return usersStop;
  };
  steps.extractFolder = [this] { return extract; };
  steps.clearExtractFolder = [this] { calls.push_back("clearExtractFolder"); };
  steps.restore = [this](const std::string& archive, const std::string& folder,
                         update::RestoreEvents&) {
    calls.push_back("restore " + archive + " " + folder);
    return restoreOk;
  };
  steps.readFileSection = [this](const std::string&, const std::string& section) {
    for (const auto& [name, entries] : sections) {
      if (name == section) return entries;
    }
    return std::vector<std::string>{};
  };
  steps.findInstallRoots = [this](update::UpdateContext&, const std::string& prog,
                                  const std::string& alias) -> std::optional<update::RootFolders> {
    calls.push_back("findInstallRoots " + prog + " " + alias);
    if (!rootsFound) return std::nullopt;
    return update::RootFolders{"C:\\KORAMI", "F:\\KORAMI", "C:\\WINDOWS"};
  };
  steps.backupFiles = [this](update::UpdateContext&) { calls.push_back("backupFiles"); };
  steps.installSection = [this](update::UpdateContext&, const std::string&, const std::string& root,
                                const std::vector<std::string>& entries) {
    calls.push_back("installSection " + root + " " + std::to_string(entries.size()));
    return installOk;
  };
  steps.writeUpdateLog = [this](update::UpdateContext&, const std::string& folder,
                                const std::string& script, const std::string& version) {
    calls.push_back("writeUpdateLog " + folder + " " + script + " " + version);
  };
  steps.finishUpdate = [this](update::UpdateContext&) { calls.push_back("finishUpdate"); };
  steps.runAfterUpdate = [this](update::UpdateContext&) { calls.push_back("runAfterUpdate"); };
  steps.lastLoggedScript = [this](const update::UpdateContext&) { return lastLogged; };
  return steps;
}

void WriteScript(const SandboxHome& home, const std::string& windowsPath,
                 const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  home.Write(windowsPath, text);
}

}  // namespace lifto::test
