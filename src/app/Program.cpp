#include "app/Program.h"

#include <exception>
#include <ostream>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Registry.h"
#include "support/Application.h"
#include "support/MessagePump.h"
#include "support/TrataErro.h"
#include "support/Utilities.h"

namespace lifto::app {
namespace {

// The environment's messages name host files, so they are UTF-8.
void ReportUnusableEnvironment(const std::string& messageUtf8, std::ostream& err) {
  err << "atualizar: " << messageUtf8 << std::endl;
  support::ShowKindMessage(platform::FromUtf8(messageUtf8), 4);
  support::App().SetExitCode(2);
}

// Removes the pending-messages handler when the run ends, also by an error.
struct PendingMessagesScope {
  explicit PendingMessagesScope(MessageLoop& loop) {
    support::SetPendingMessagesHandler([&loop] { loop.ProcessPending(); });
  }
  ~PendingMessagesScope() { support::SetPendingMessagesHandler({}); }
  PendingMessagesScope(const PendingMessagesScope&) = delete;
  PendingMessagesScope& operator=(const PendingMessagesScope&) = delete;
};

}  // namespace

LiftoWindows CreateWindows(CommandLine commandLine, const std::string& fileVersion,
                           MessageLoop& loop, FormaLiftoServices services) {
  LiftoWindows windows;
  windows.FormaLifto =
      std::make_unique<TFormaLifto>(std::move(commandLine), fileVersion, loop, std::move(services));
  windows.creationOrder.emplace_back("TFormaLifto");
  windows.FormaEdicao = std::make_unique<TFormaEdicao>();
  windows.FormaLifto->C_edicao.UseEntryDialog(*windows.FormaEdicao);
  windows.creationOrder.emplace_back(TFormaEdicao::kName);
  windows.Formaversoes = std::make_unique<TFormaversoes>();
  windows.FormaLifto->Formaversoes = windows.Formaversoes.get();
  windows.creationOrder.emplace_back(TFormaversoes::kName);
  windows.FormaConexao = std::make_unique<TFormaConexao>();
  windows.creationOrder.emplace_back(TFormaConexao::kName);
  windows.Formaajustaversao = std::make_unique<TFormaajustaversao>();
  windows.creationOrder.emplace_back(TFormaajustaversao::kName);
  return windows;
}

// Errors that no handler caught go to the database-error translator, which explains engine errors
// in Portuguese and shows every other error in the standard box. Either way the run did not do its
// work, and the exit status says so.
void InstallUncaughtErrorHandler() {
  support::TTrataErro& translator = support::InstallErrorTranslator();
  support::App().SetExceptionHandler([&translator](std::exception_ptr error) {
    support::App().SetExitCode(1);
    translator.HandleException(error);
  });
}

bool LoadEnvironment(std::ostream& err) {
  try {
    platform::Environment::Current();
    // Reading any value parses the whole hive; a malformed line is reported here, at start.
    platform::ReadRegistry(platform::RootKey::LocalMachine, "\\Software", "");
    platform::ReadRegistry(platform::RootKey::CurrentUser, "\\Software", "");
    return true;
  } catch (const std::exception& e) {
    ReportUnusableEnvironment(e.what(), err);
  } catch (...) {
    ReportUnusableEnvironment("the environment (LIFTO_HOME) cannot be loaded", err);
  }
  return false;
}

int RunProgram(int argc, const char* const* argv, const std::string& fileVersion,
               const MainWindowRunner& runMainWindow, std::ostream& err) {
  InstallUncaughtErrorHandler();
  support::App().SetTitle(Ansi("Programa de Atualização"));
  if (!LoadEnvironment(err)) return support::App().ExitCode();

  MessageLoop loop;
  PendingMessagesScope pending(loop);
  try {
    LiftoWindows windows = CreateWindows(CommandLine(ArgumentsFromHost(argc, argv)), fileVersion, loop);
    runMainWindow(*windows.FormaLifto, loop);
    windows.FormaLifto->FormClose();
  } catch (...) {
    // What escapes the start-up itself: shown as any uncaught error, and the run failed.
    support::App().HandleException(std::current_exception());
    if (support::App().ExitCode() == 0) support::App().SetExitCode(1);
  }
  return support::App().ExitCode();
}

}  // namespace lifto::app
