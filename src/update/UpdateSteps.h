#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/UpdateContext.h"

/// The steps of the other parts of an update that the update procedure drives, each a plain
/// function object so that the procedure's own decisions are tested with fakes.
/// DefaultUpdateSteps() wires the tool's own implementations.
namespace lifto::update {

class RestoreEvents;

/// The folders behind the placeholders "<PONTO>", "<SERVIDOR>" and "<WINDOWS>".
struct RootFolders {
  std::string ponto;
  std::string servidor;
  std::string windows;
};

struct UpdateSteps {
  /// CheckVersion: reads "[CONFIG]" of the script, compares the versions (asking when the
  /// installed one is newer). @return false: the update must not go on
  std::function<bool(UpdateContext&, const std::string& scriptPath)> checkVersion;
  /// CheckLoggedUsers. @return true: users are still logged in and the person chose to stop
  std::function<bool(UpdateContext&)> checkLoggedUsers;

  /// The extraction folder (Windows path, no trailing backslash) and ClearExtractFolder.
  std::function<std::string()> extractFolder;
  std::function<void()> clearExtractFolder;

  /// Restore of the archive component with the main window's settings (flat, every entry),
  /// its events going to the handlers given.
  /// @return true when the whole archive was restored
  std::function<bool(const std::string& archivePath, const std::string& targetFolder,
                     RestoreEvents& events)>
      restore;

  /// ReadFileSection: a section of the script as "key=value" texts, by the profile reader's rules.
  std::function<std::vector<std::string>(const std::string& scriptPath, const std::string& section)>
      readFileSection;

  /// The install roots of "PROG" and "ALIAS"; nullopt after the message that cancels the update.
  std::function<std::optional<RootFolders>(UpdateContext&, const std::string& prog,
                                           const std::string& alias)>
      findInstallRoots;

  std::function<void(UpdateContext&)> backupFiles;
  /// InstallSection. @return false when a copy failed
  std::function<bool(UpdateContext&, const std::string& extractFolder, const std::string& root,
                     const std::vector<std::string>& entries)>
      installSection;
  std::function<void(UpdateContext&, const std::string& folder, const std::string& scriptPath,
                     const std::string& version)>
      writeUpdateLog;
  std::function<void(UpdateContext&)> finishUpdate;
  std::function<void(UpdateContext&)> runAfterUpdate;

  /// LastLoggedScript: the script of the last line of the log beside `C_caminhoOrigem`.
  std::function<std::string(const UpdateContext&)> lastLoggedScript;
};

/// The tool's own steps.
UpdateSteps DefaultUpdateSteps();

}  // namespace lifto::update
