#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "console/Answers.h"
#include "support/Ui.h"

/// The console front-end, for unattended runs and machines without a display. It prints messages
/// and status lines to the terminal in UTF-8 and answers from LIFTO_ANSWERS (see Answers.h); when
/// no answer is left it asks on a terminal, and otherwise answers "nao" or "cancela", so that a run
/// never waits for input that cannot come. It never reads standard input that is not a terminal.
namespace lifto::console {

class ConsoleUi final : public support::Ui {
 public:
  /// @param answersUtf8 the LIFTO_ANSWERS list
  /// @param in where a person types answers; read only when interactive
  /// @param out where messages, questions and status lines go
  /// @param interactive whether `in` is a terminal
  ConsoleUi(std::string_view answersUtf8, std::istream& in, std::ostream& out, bool interactive);

  /// Where the status line comes from (the main window's status text, 1252). When it has changed,
  /// Repaint and ProcessMessages print it, as the window would repaint it.
  void SetStatusSource(std::function<std::string()> source) { statusSource_ = std::move(source); }

  void ShowMessage(int kind, const std::string& title, const std::string& text) override;
  bool Ask(const std::string& text, int style) override;
  std::optional<std::string> BrowseFolder(const std::string& title, const std::string& startFolder) override;
  std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                        const std::string& startFolder) override;
  /// Several files are answered in one entry separated by "|" ("arquivo=C:\A.EXE|C:\B.EXE").
  std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter,
                                       const std::string& fileName, bool multiSelect) override;
  /// Answered by the next "arquivo=" entry; recorded as the dialog "SaveFile".
  std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& filter,
                                            const std::string& defaultExtension,
                                            const std::string& startFolder) override;
  bool RunDialog(support::DialogRequest& dialog) override;
  void ProcessMessages() override;
  void Repaint() override;
  void SetBusy(bool) override {}
  void OpenProgressWindow(const support::ProgressWindowInfo& info) override;
  void SetProgressPosition(int) override {}
  void CloseProgressWindow() override {}

 private:
  void Print(const std::string& text1252);
  /// A line typed by the person (1252), or nullopt at the end of input.
  std::optional<std::string> ReadLine(const std::string& prompt1252);
  std::optional<std::string> ChoosePath(const std::string& key, const std::string& dialogName,
                                        const std::string& caption,
                                        std::vector<std::pair<std::string, std::string>> fields,
                                        bool multiple = false);
  void PrintStatusIfChanged();

  AnswerQueue answers_;
  std::istream& in_;
  std::ostream& out_;
  bool interactive_;
  std::function<std::string()> statusSource_;
  std::string lastStatus_;
};

/// The console front-end on the process's own streams: answers from LIFTO_ANSWERS, asking on
/// standard input only when it is a terminal.
std::unique_ptr<ConsoleUi> MakeConsoleUi();

}  // namespace lifto::console
