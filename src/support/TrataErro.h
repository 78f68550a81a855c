#pragma once

#include <exception>
#include <functional>
#include <string>
#include <utility>

/// The translator of database-engine errors: the handler of every error that no caller catches.
/// It explains in Portuguese what a damaged or missing table or index, a table held open by
/// another user, a wrong data path or an outdated database structure means and what to do, can
/// start the vendor's repair, index-rebuild and conversion programs, and usually ends the tool.
/// Errors it does not recognise get the standard error display.
namespace lifto::support {

class TTrataErro {
 public:
  /// Settings, all empty at creation (this tool sets none of them, so it starts nothing).
  std::string ConversionCommand;   ///< started after a database-structure error
  std::string ConversionArgument;  ///< its argument
  std::string IndexCommand;        ///< command line of the index-rebuild program
  std::string DataErrorCommand;    ///< command line started after an unrepairable data-file error
  std::string AliasName;           ///< database alias of the application's data

  TTrataErro();

  /// Handles one error that reached the application. The silent abort is passed over.
  /// Raises nothing.
  void HandleException(std::exception_ptr error);

  /// How command lines are started (the platform's program start, window shown normally,
  /// without waiting); tests replace it.
  void SetProgramStarter(std::function<void(const std::string&)> starter);
  /// The tool's own executable (Windows path), whose folder holds the repair program; tests
  /// replace it.
  void SetOwnExecutable(std::string windowsPath) { ownExecutable_ = std::move(windowsPath); }

 private:
  /// @return false for a code that has no explanation
  bool TranslateEntry(int code, const std::string& message, std::exception_ptr error);
  void StructureError(const std::string& message);
  void Start(const std::string& commandLine) const;
  std::string OwnFolder() const;

  std::function<void(const std::string&)> starter_;
  std::string ownExecutable_;
};

/// Creates the single translator and installs it as the application's handler of uncaught
/// errors; called once at start-up by each front-end. @return the translator, for its settings
TTrataErro& InstallErrorTranslator();

}  // namespace lifto::support
