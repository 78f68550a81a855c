#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FormaLifto.h"
#include "app/MessageLoop.h"

/// The program entry of atualizar, shared by both front-ends: the environment, the application's
/// title and handler of uncaught errors, the windows in their order of creation, and the run.
namespace lifto::app {

/// The windows of the tool, created in this order at start-up; only the main window is shown.
struct LiftoWindows {
  std::unique_ptr<TFormaLifto> FormaLifto;
  std::unique_ptr<TFormaEdicao> FormaEdicao;
  std::unique_ptr<TFormaversoes> Formaversoes;
  std::unique_ptr<TFormaConexao> FormaConexao;
  std::unique_ptr<TFormaajustaversao> Formaajustaversao;
  std::vector<std::string> creationOrder;  ///< class names, as they were created
};

LiftoWindows CreateWindows(CommandLine commandLine, const std::string& fileVersion,
                           MessageLoop& loop, FormaLiftoServices services = DefaultFormaLiftoServices());

/// Installs the application-wide handler of errors that escape an event handler. Until the
/// database-error translator takes this place, it shows the error in the standard error box and
/// marks the run as failed.
void InstallUncaughtErrorHandler();

/// Loads LIFTO_HOME (system.ini, aliases.ini) and reads both registry hives once, so that a
/// broken configuration is found at start and not in the middle of an update.
/// @return false when the environment is unusable: the message, naming the file and the line, has
///         gone to `err` (UTF-8) and to the Ui as an error, and the exit status is 2
bool LoadEnvironment(std::ostream& err);

/// How a front-end shows the main window and runs the loop until the tool ends.
using MainWindowRunner = std::function<void(TFormaLifto&, MessageLoop&)>;

/// The program entry, with the front-end's Ui already installed: loads the environment, sets the
/// title "Programa de Atualização" and the handler of uncaught errors, takes the arguments of
/// main (ArgumentsFromHost), creates the windows and runs the main window.
/// @return the exit status: 0 work done or window closed, 1 failure or refusal, 2 environment unusable
int RunProgram(int argc, const char* const* argv, const std::string& fileVersion,
               const MainWindowRunner& runMainWindow, std::ostream& err);

}  // namespace lifto::app
