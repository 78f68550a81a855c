#include "app/FormaLiftoServices.h"

#include "app/DownloadModes.h"
#include "app/FormaConexao.h"
#include "app/FormaLifto.h"
#include "app/FormaLiftoGeneration.h"
#include "net/HelperLink.h"
#include "net/InternetSettings.h"
#include "platform/Codepage.h"
#include "support/Utilities.h"
#include "update/ProgramFolders.h"
#include "update/UpdateProcedure.h"
#include "update/VersionList.h"

namespace lifto::app {

FormaLiftoServices DefaultFormaLiftoServices() {
  FormaLiftoServices services;
  services.waitMilliseconds = [](int milliseconds) { support::WaitMilliseconds(milliseconds); };
  services.knownProgramUpdatesFolder = [](const std::string& name) {
    return update::KnownProgramUpdatesFolder(name);
  };
  services.fillVersionList = [](TFormaLifto& form) {
    update::FillVersionList(form, update::DefaultUpdateSteps());
  };
  services.updateFromDisk = [](TFormaLifto& form) {
    update::UpdateFromDisk(form, update::DefaultUpdateSteps());
  };
  services.readInternetSettings = [](TFormaLifto& form) {
    const auto settings = net::ReadInternetSettings();
    form.DialupName = settings.dialupName;
    form.AutoDial = settings.autoDial;
  };
  services.configureInternet = ConfigureInternet;
  services.hangUp = [](TFormaLifto&) { net::HangUp(); };
  services.generateDisks = GenerateDisksByButton;
  services.chooseGenerationFolder = ChooseGenerationFolder;
  services.openCatalogueTables = OpenCatalogueTables;
  services.closeCatalogueTables = CloseCatalogueTables;
  services.newProject = [](TFormaLifto& form) { form.C_edicao.bot_novoprojClick(); };
  services.clientChanged = ClientChanged;
  services.refreshVersion = [](project::ScriptLines& lines) { project::RefreshVersion(lines); };
  services.generateFromProject = GenerateFromProject;
  services.download = DownloadUpdate;
  return services;
}

}  // namespace lifto::app
