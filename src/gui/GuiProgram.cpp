#include "gui/GuiProgram.h"

#include <iostream>

#include <QApplication>

#include "app/Program.h"
#include "gui/GuiUi.h"
#include "gui/MainWindowView.h"
#include "support/Ui.h"

namespace lifto::gui {

int RunAtualizarWithGui(int argc, char** argv, const std::string& fileVersion) {
  int qtArgc = 1;  // the tool's own switches are not Qt's
  QApplication qtApp(qtArgc, argv);
  auto ui = MakeGuiUi();
  support::SetCurrentUi(ui.get());
  const int status = app::RunProgram(
      argc, argv, fileVersion,
      [&ui](app::TFormaLifto& form, app::MessageLoop& loop) { RunMainWindow(form, loop, ui.get()); },
      std::cerr);
  support::SetCurrentUi(nullptr);
  return status;
}

}  // namespace lifto::gui
