#include "update/UpdateSteps.h"

#include "project/Script.h"
#include "update/BackupFiles.h"
#include "update/ExtractFolder.h"
#include "update/FinishUpdate.h"
#include "update/InstallRoots.h"
#include "update/InstallSection.h"
#include "update/LoggedUsers.h"
#include "update/RestoreArchive.h"
#include "update/UpdateLog.h"
#include "update/VersionCheck.h"

namespace lifto::update {

UpdateSteps DefaultUpdateSteps() {
  UpdateSteps steps;
  steps.checkVersion = [](UpdateContext& context, const std::string& scriptPath) {
    return CheckVersion(context, scriptPath);
  };
  steps.checkLoggedUsers = [](UpdateContext& context) { return CheckLoggedUsers(context); };
  steps.extractFolder = [] { return ExtractFolder(); };
  steps.clearExtractFolder = [] { ClearExtractFolder(); };
  steps.restore = RestoreUpdateArchive;
  steps.readFileSection = [](const std::string& scriptPath, const std::string& section) {
    return project::ReadFileSection(scriptPath, section);
  };
  steps.findInstallRoots = [](UpdateContext&, const std::string& prog, const std::string& alias) {
    return FindInstallRoots(prog, alias);
  };
  steps.backupFiles = [](UpdateContext& context) { BackupFiles(context); };
  steps.installSection = InstallSection;
  steps.writeUpdateLog = WriteUpdateLog;
  steps.finishUpdate = [](UpdateContext& context) { FinishUpdate(context); };
  steps.runAfterUpdate = [](UpdateContext& context) { RunAfterUpdate(context); };
  steps.lastLoggedScript = [](const UpdateContext& context) { return LastLoggedScript(context); };
  return steps;
}

}  // namespace lifto::update
