#include "app/FormaLiftoServices.h"

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
namespace {

// A function this version of the program does not have yet says so plainly, in a message box
// (and so in the transcript); a run that was started to do it by itself ends as not done (1).
void NotAvailable(TFormaLifto& form, const std::string& function) {
  support::ShowKindMessage(function + Ansi(" não está disponível nesta versão do programa."), 1);
  if (form.RunsByItself()) form.EndTool(1);
}

}  // namespace

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

  // ---- Functions not built yet: each default below is replaced by its implementation. ----

  // Downloads: the source "Internet" with "&Atualizar", "/I" and "/D".
  services.download = [](TFormaLifto& form) {
    NotAvailable(form, Ansi("A atualização pela Internet"));
  };
  return services;
}

}  // namespace lifto::app
