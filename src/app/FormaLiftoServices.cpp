#include "app/FormaLiftoServices.h"

#include "app/FormaLifto.h"
#include "app/KnownProgramFolders.h"
#include "platform/Codepage.h"
#include "support/Utilities.h"
#include "update/UpdateProcedure.h"
#include "update/VersionList.h"

namespace lifto::app {
namespace {

// Until the work of a branch is built, the run says so where the status texts go and leaves
// the window as it is; a run that had to do that work then ends as not done.
void NotAvailable(TFormaLifto& form) {
  form.SetStatusBar(Ansi("Atualização indisponível nesta versão do programa"));
}

}  // namespace

FormaLiftoServices DefaultFormaLiftoServices() {
  FormaLiftoServices services;
  services.waitMilliseconds = [](int milliseconds) { support::WaitMilliseconds(milliseconds); };
  services.knownProgramUpdatesFolder = [](const std::string& name) {
    return KnownProgramUpdatesFolder(name);
  };
  services.fillVersionList = [](TFormaLifto& form) {
    update::FillVersionList(form, update::DefaultUpdateSteps());
  };
  services.updateFromDisk = [](TFormaLifto& form) {
    update::UpdateFromDisk(form, update::DefaultUpdateSteps());
  };
  services.download = NotAvailable;
  // As on a computer without the settings: no connection named, automatic dialing on.
  services.readInternetSettings = [](TFormaLifto& form) {
    form.DialupName.clear();
    form.AutoDial = true;
  };
  services.configureInternet = [](TFormaLifto&) {};
  services.hangUp = [](TFormaLifto&) {};
  services.generateDisks = [](TFormaLifto&) {};
  services.chooseGenerationFolder = [](TFormaLifto&) {};
  services.openCatalogueTables = [](TFormaLifto&) {};
  services.closeCatalogueTables = [](TFormaLifto&) {};
  services.newProject = [](TFormaLifto& form) { form.C_edicao.bot_novoprojClick(); };
  services.clientChanged = [](TFormaLifto&) {};
  services.refreshVersion = [](project::ScriptLines& lines) { project::RefreshVersion(lines); };
  services.generateFromProject = [](TFormaLifto& form, const std::string&) {
    form.SetStatusBar(Ansi("Geração de discos indisponível nesta versão do programa"));
    return false;
  };
  return services;
}

}  // namespace lifto::app
