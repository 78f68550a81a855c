#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// The command line of atualizar and the run mode it chooses. Arguments are 1252 texts as the
/// platform split them at blanks; the first is compared in upper case and exactly, so a switch
/// with anything behind it ("/Rx") is not a switch but a script path.
namespace lifto::app {

enum class RunMode {
  Interactive,      ///< no argument
  Edit,             ///< "/E" [project]
  SelfReplacement,  ///< "/C" /old-path
  AutoUpdate,       ///< "/R" /program
  AutoUpdateLog,    ///< "/L" /program: the script of the update log's last line
  DownloadNewest,   ///< "/I" /program
  DownloadOffice,   ///< "/D" /program: the office-specific version
  ScriptPath,       ///< anything else: the path of a script, then optionally "/NV" and a handle
};

class CommandLine {
 public:
  CommandLine() = default;
  /// @param arguments the arguments after the program's name
  explicit CommandLine(std::vector<std::string> arguments);

  /// The n-th argument (1-based, as ParamStr), empty when there is none.
  std::string Argument(int n) const;
  int Count() const { return static_cast<int>(arguments_.size()); }
  const std::vector<std::string>& Arguments() const { return arguments_; }

  /// The first argument in upper case ("/R" for "/r").
  std::string FirstUpper() const;
  RunMode Mode() const { return mode_; }
  /// "/R" and "/L": the automatic update of a known program.
  bool IsAutoUpdate() const;
  /// "/I" and "/D": the automatic download.
  bool IsAutoDownload() const;

  /// The program name as the captions show it: the second argument in upper case with every
  /// ".EXE" and every "/" removed ("/korami.exe" → "KORAMI").
  std::string ProgramNameShown() const;
  /// The program name as it is looked up: the second argument with every "/" removed.
  std::string ProgramNameLookup() const;

  /// Path mode: the first argument without its leading "/" ("/C:\UPD\X.aex" → "C:\UPD\X.aex").
  std::string ScriptArgument() const;

  /// Path mode: the text of the calling program's window handle, from the fifth character of a
  /// second argument whose first three characters are "/NV" (exact case; the fourth is a
  /// separator and is not read). nullopt without "/NV". Its conversion is the notification's.
  std::optional<std::string> NotificationHandleText() const;

 private:
  std::vector<std::string> arguments_;
  RunMode mode_ = RunMode::Interactive;
};

/// The text with the letters a to z in upper case (other bytes unchanged).
std::string UpperText(const std::string& text);

/// The arguments of main in the tool's form: each converted from UTF-8 to 1252, and an argument
/// that is an existing absolute host path taken in its Windows form ("/srv/upd/X.aex" →
/// "F:\upd\X.aex"). The switches themselves are never taken as host paths.
std::vector<std::string> ArgumentsFromHost(int argc, const char* const* argv);

}  // namespace lifto::app
