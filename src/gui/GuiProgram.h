#pragma once

#include <string>

/// atualizar with the Qt front-end: the Qt application, the Qt Ui, and the main window's view
/// around the program entry.
namespace lifto::gui {

/// @return the program's exit status (app::RunProgram)
int RunAtualizarWithGui(int argc, char** argv, const std::string& fileVersion);

}  // namespace lifto::gui
