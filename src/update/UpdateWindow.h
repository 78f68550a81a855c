#pragma once

#include <string>
#include <vector>

#include "update/UpdateContext.h"

/// What the update procedure needs of the main window beyond the run state it shares with the
/// other update steps: the source choice, the source folder box, the script list `c_versao`, the
/// layout of a running update, and the end of the tool. The main window implements it; tests use
/// a plain fake.
namespace lifto::update {

class UpdateWindow {
 public:
  virtual ~UpdateWindow() = default;

  /// The run state the window shares with the steps (status texts, options, fields).
  virtual UpdateContext& Context() = 0;

  /// The chosen item of `C_origemDados`: 0 "Disco", 1 "Internet".
  virtual int SourceItem() const = 0;
  /// Puts a text into `C_caminhoOrigem` as the program does; a changed text refills the script
  /// list (`C_caminhoOrigemChange`), as typing does.
  virtual void SetSourceFolder(const std::string& text) = 0;

  /// The script list `c_versao`: its items, the chosen one (-1 none) and whether it is enabled.
  virtual std::vector<std::string>& VersionItems() = 0;
  virtual int& VersionItemIndex() = 0;
  virtual bool& VersionListEnabled() = 0;

  /// From the start of the work on: `Panelstatus` shown at left 3, top 8; `bot_atualizar`,
  /// `bot_confinet` and `Titulo1` hidden; the window 220 pixels high. It stays so until the tool
  /// ends, so that no second run can start.
  virtual void ShowWorkingLayout() = 0;

  /// One more disk confirmed (`discosGerados`, which disk generation shares).
  virtual void CountDiskConfirmed() = 0;

  /// Closes the window, which ends the tool: the update was refused or stopped (exit status 1).
  virtual void CloseWindow() = 0;
  /// Ends the tool with an exit status (0 the update was installed, 1 it was not).
  virtual void EndTool(int exitStatus) = 0;
  /// The update failed and the window stays open: when it is closed later, the tool ends with 1.
  virtual void MarkFailed() = 0;
};

}  // namespace lifto::update
