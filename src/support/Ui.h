#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The boundary between the tool's logic and what a person sees. Every message box, question,
/// chooser and modal dialog goes through the current Ui; the Qt front-end, the console front-end
/// and the tests' fake implement it. All texts are 1252.
namespace lifto::support {

/// A modal dialog as data: its class name ("TFormaajustaversao") and named fields that the
/// dialog shows and the person may change. The front-end writes the answers back into `fields`.
struct DialogRequest {
  std::string name;
  std::vector<std::pair<std::string, std::string>> fields;

  std::string Field(const std::string& key) const;
  void SetField(const std::string& key, const std::string& value);
};

/// What the small "please wait" window of a retried table operation shows.
struct ProgressWindowInfo {
  std::string tableName;  ///< lbltabela
  std::string operation;  ///< lbloperacao
  std::string error;      ///< lblerro
  int maximum = 0;        ///< Barra's maximum
};

/// The question style of the archive component's disk prompt (see Ui::Ask).
inline constexpr int kAskInformation = 3;

class Ui {
 public:
  virtual ~Ui() = default;

  /// A modal message box with one "OK" button.
  /// @param kind 1 "Aviso", 2 "Informação", 3 "Confirmação", 4 "Erro" (with the kind's icon and
  ///        beep); 0 a plain box without icon; -1 the standard error box (stop icon)
  /// @param title the box's title (for kinds 0 and -1 the application's title)
  virtual void ShowMessage(int kind, const std::string& title, const std::string& text) = 0;

  /// A modal question titled "Confirmação" with the question icon.
  /// @param style 1: "&Sim"/"&Não"; kAskInformation: the archive component's own box, titled
  ///        "Information" with the information icon and "OK"/"Cancel"; any other: "OK"/"Cancela"
  /// @return true for "&Sim" or "OK"; false for the other button or closing the box
  virtual bool Ask(const std::string& text, int style) = 0;

  /// The folder browser. @return the chosen folder (Windows form) or nullopt when cancelled
  virtual std::optional<std::string> BrowseFolder(const std::string& title,
                                                  const std::string& startFolder) = 0;

  /// The file-open dialog. @param filter "Description|*.aex" pairs
  /// @return the chosen file (Windows form) or nullopt when cancelled
  virtual std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                                const std::string& startFolder) = 0;

  /// The file-open dialog that may let the person choose several files.
  /// @param fileName the file shown at start (Windows form); the dialog opens in its folder
  /// @param multiSelect whether several files may be chosen at once
  /// @return the chosen files (Windows form) in the dialog's order; empty when cancelled.
  ///         The default asks ChooseFile for one file in the folder of fileName.
  virtual std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter,
                                               const std::string& fileName, bool multiSelect);

  /// The file-save dialog. @param defaultExtension the extension ("aex") a name typed without one
  /// receives. @return the chosen file (Windows form) or nullopt when cancelled. The default asks
  /// ChooseFile.
  virtual std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& filter,
                                                    const std::string& defaultExtension,
                                                    const std::string& startFolder);

  /// Shows a modal dialog. @return true when it was closed with OK
  virtual bool RunDialog(DialogRequest& dialog) = 0;

  /// Handles pending window messages (repaints, timers, messages from other programs).
  virtual void ProcessMessages() = 0;

  /// The main window's state changed: show it again (status texts, progress bar, controls).
  virtual void Repaint() = 0;

  /// Hourglass cursor on or off.
  virtual void SetBusy(bool busy) = 0;

  /// The progress window of the retrying table: open (replacing one already open), move, close.
  virtual void OpenProgressWindow(const ProgressWindowInfo& info) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void CloseProgressWindow() = 0;
};

/// The Ui that the tool's operations use. Front-ends and tests install theirs at start.
Ui& CurrentUi();
/// Installs a Ui; it must outlive its use. Passing nullptr restores the silent default.
void SetCurrentUi(Ui* ui);

/// The hourglass of the current Ui for as long as the guard lives, also when work leaves by an error.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace lifto::support
