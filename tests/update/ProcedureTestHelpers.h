#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/FakeUi.h"
#include "support/SandboxHome.h"
#include "update/UpdateSteps.h"
#include "update/UpdateWindow.h"

namespace lifto::test {

/// The main window as the update procedure sees it, kept as plain data.
class FakeUpdateWindow : public update::UpdateWindow {
 public:
  update::UpdateContext context;
  int sourceItem = 0;
  std::vector<std::string> items;
  int itemIndex = -1;
  bool listEnabled = false;
  bool workingLayout = false;
  int disksConfirmed = 0;
  bool closed = false;
  int endStatus = -1;  ///< -1 while the tool goes on
  bool failed = false;
  /// Runs when the source folder changes, as C_caminhoOrigemChange does.
  std::function<void()> onSourceChange;

  update::UpdateContext& Context() override { return context; }
  int SourceItem() const override { return sourceItem; }
  void SetSourceFolder(const std::string& text) override;
  std::vector<std::string>& VersionItems() override { return items; }
  int& VersionItemIndex() override { return itemIndex; }
  bool& VersionListEnabled() override { return listEnabled; }
  void ShowWorkingLayout() override { workingLayout = true; }
  void CountDiskConfirmed() override { ++disksConfirmed; }
  void CloseWindow() override { closed = true; }
  void EndTool(int exitStatus) override { endStatus = exitStatus; }
  void MarkFailed() override { failed = true; }
};

/// Steps that record what the procedure asked of them and answer as a test sets up. The restore
/// "extracts" by leaving the archive's name in `restored`; sections read come from `sections`.
struct RecordingSteps {
  bool versionOk = true;
  bool usersStop = false;
  /// What the version check leaves in the context (server folder, type, disks).
  std::function<void(update::UpdateContext&)> onCheckVersion;
  bool restoreOk = true;
  bool rootsFound = true;
  bool installOk = true;
  std::string lastLogged;
  std::string extract = "C:\\TEMP\\Vorn";
  std::vector<std::pair<std::string, std::vector<std::string>>> sections;
  std::vector<std::string> calls;  ///< "checkVersion C:\UPD\X.aex", "restore ...", ...

  update::UpdateSteps Steps();
};

/// Writes a script with the lines given (CR LF after each) at a Windows path in the sandbox.
void WriteScript(const SandboxHome& home, const std::string& windowsPath,
                 const std::vector<std::string>& lines);

}  // namespace lifto::test
