// The update tool: chooses the front-end and hands over to the program entry of the core.
#include <exception>
#include <iostream>

#include "BuildVersion.h"
#include "app/ConsoleRun.h"
#include "app/Program.h"
#include "console/ConsoleUi.h"
#include "console/FrontEnd.h"
#include "support/Ui.h"
#ifdef LIFTO_HAVE_GUI_MODULE
#include "gui/GuiModule.h"
#include "platform/LoadableModule.h"
#endif

namespace {

#ifdef LIFTO_HAVE_GUI_MODULE
// The window front-end lives in a module beside the program, loaded only when it is chosen. A
// module that cannot be loaded ends the run: a silent console run instead would wait for answers
// nobody sees.
int RunGuiModule(int argc, char** argv) {
  using namespace lifto;
  gui::GuiModuleEntry* entry = nullptr;
  try {
    entry = reinterpret_cast<gui::GuiModuleEntry*>(
        platform::LoadModuleEntry(platform::BesideOwnExecutable(gui::kGuiModuleFile), gui::kGuiModuleEntry));
  } catch (const std::exception& error) {
    std::cerr << "atualizar: the window front-end is not available (" << error.what()
              << "); LIFTO_UI=console runs without it\n";
    return 1;
  }
  return entry(argc, argv, app::kBuildFileVersion);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  using namespace lifto;
#ifdef LIFTO_HAVE_GUI_MODULE
  if (console::ChooseFrontEnd() == console::FrontEndKind::Gui) return RunGuiModule(argc, argv);
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
