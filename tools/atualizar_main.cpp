// The update tool: chooses the front-end and hands over to the program entry of the core.
#include <iostream>

#include "BuildVersion.h"
#include "app/ConsoleRun.h"
#include "app/Program.h"
#include "console/ConsoleUi.h"
#include "console/FrontEnd.h"
#include "support/Ui.h"
#ifdef LIFTO_HAVE_GUI
#include "gui/GuiProgram.h"
#endif

int main(int argc, char** argv) {
  using namespace lifto;
#ifdef LIFTO_HAVE_GUI
  if (console::ChooseFrontEnd() == console::FrontEndKind::Gui) {
    return gui::RunAtualizarWithGui(argc, argv, app::kBuildFileVersion);
  }
#endif
  auto ui = console::MakeConsoleUi();
  support::SetCurrentUi(ui.get());
  const int status = app::RunProgram(
      argc, argv, app::kBuildFileVersion,
      [&ui](app::TFormaLifto& form, app::MessageLoop& loop) {
        ui->SetStatusSource([&form] { return app::StatusLine(form); });
        app::RunMainWindowInConsole(form, loop);
        ui->SetStatusSource({});
      },
      std::cerr);
  support::SetCurrentUi(nullptr);
  return status;
}
