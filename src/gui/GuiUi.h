#pragma once

#include <functional>
#include <memory>

#include "support/Ui.h"

class QWidget;

/// The Qt front-end of the Ui boundary: message boxes with the tool's Portuguese titles, icons and
/// buttons and the system beep, the folder and file choosers, the modal dialogs, the progress
/// window of the retrying table and the busy cursor. Every box, question and dialog also goes to
/// the LIFTO_TRANSCRIPT transcript. Needs a QApplication.
namespace lifto::gui {

class TFrmProg;

class GuiUi final : public support::Ui {
 public:
  GuiUi();
  ~GuiUi() override;

  /// Called when the main window's state changed, to show it again (the main window's view).
  void SetRepaintHandler(std::function<void()> handler) { repaintHandler_ = std::move(handler); }

  void ShowMessage(int kind, const std::string& title, const std::string& text) override;
  bool Ask(const std::string& text, int style) override;
  std::optional<std::string> BrowseFolder(const std::string& title, const std::string& startFolder) override;
  std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                        const std::string& startFolder) override;
  std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter,
                                       const std::string& fileName, bool multiSelect) override;
  std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& filter,
                                            const std::string& defaultExtension,
                                            const std::string& startFolder) override;
  bool RunDialog(support::DialogRequest& dialog) override;
  void ProcessMessages() override;
  void Repaint() override;
  void SetBusy(bool busy) override;
  void OpenProgressWindow(const support::ProgressWindowInfo& info) override;
  void SetProgressPosition(int position) override;
  void CloseProgressWindow() override;

  /// The open progress window, or null (tests).
  TFrmProg* ProgressWindow() const { return progress_.get(); }

 private:
  std::function<void()> repaintHandler_;
  std::unique_ptr<TFrmProg> progress_;
  bool busy_ = false;
};

/// The Qt front-end; a QApplication must exist for as long as it is used.
std::unique_ptr<GuiUi> MakeGuiUi();

/// "Scripts|*.aex|Todos|*.*" as a Qt file filter ("Scripts (*.aex *.AEX);;Todos (*.*)"); each
/// pattern also in upper and lower case, since names on the office's disks compare without case.
std::string QtFileFilter(const std::string& filter);

}  // namespace lifto::gui
