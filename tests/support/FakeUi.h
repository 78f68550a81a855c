#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/Ui.h"

namespace lifto::test {

/// A Ui that records what the logic shows and answers from queues. Install it with FakeUi::Scope.
class FakeUi : public support::Ui {
 public:
  struct Message {
    int kind;
    std::string title;
    std::string text;
  };
  struct Question {
    std::string text;
    int style;
    bool answer;
  };

  std::vector<Message> messages;
  std::vector<Question> questions;
  std::vector<support::DialogRequest> dialogs;  ///< as they were closed, answers applied
  std::vector<support::DialogRequest> shownDialogs;  ///< as they were shown, before the answers
  std::vector<support::ProgressWindowInfo> progressWindows;
  std::vector<int> progressPositions;
  int progressCloses = 0;
  int processMessagesCalls = 0;
  int repaints = 0;

  std::deque<bool> answers;  ///< answers to Ask, in order; false once empty
  /// Runs while a question is on the screen, before it is answered (insert the next diskette).
  std::function<void(const std::string& question)> onAsk;
  std::deque<std::optional<std::string>> folders;  ///< answers to BrowseFolder
  std::vector<std::pair<std::string, std::string>> browsed;  ///< BrowseFolder's title and start
  std::deque<std::optional<std::string>> files;    ///< answers to ChooseFile
  std::deque<std::vector<std::string>> fileLists;   ///< answers to ChooseFiles (empty: cancelled)
  std::deque<std::optional<std::string>> saveFiles;  ///< answers to ChooseSaveFile
  /// Every file chooser shown: "open", "files" or "save", with what it was given.
  struct FileDialog {
    std::string kind;
    std::string title;
    std::string filter;
    std::string start;  ///< start folder, or the file name of ChooseFiles
    bool multiSelect = false;
  };
  std::vector<FileDialog> fileDialogs;
  /// Answers to RunDialog: fields to set, then the result.
  std::deque<std::pair<std::vector<std::pair<std::string, std::string>>, bool>> dialogAnswers;
  /// Called on each ProcessMessages (for example to let a test act while the logic waits).
  std::function<void()> onProcessMessages;

  void ShowMessage(int kind, const std::string& title, const std::string& text) override;
  bool Ask(const std::string& text, int style) override;
  std::optional<std::string> BrowseFolder(const std::string& title, const std::string& start) override;
  std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                        const std::string& start) override;
  std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter,
                                       const std::string& fileName, bool multiSelect) override;
  std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& filter,
                                            const std::string& defaultExtension,
                                            const std::string& start) override;
  bool RunDialog(support::DialogRequest& dialog) override;
  void ProcessMessages() override;
  void Repaint() override { ++repaints; }
  void SetBusy(bool) override {}
  void OpenProgressWindow(const support::ProgressWindowInfo& info) override;
  void SetProgressPosition(int position) override { progressPositions.push_back(position); }
  void CloseProgressWindow() override { ++progressCloses; }

  /// Texts of every message shown, in order.
  std::vector<std::string> MessageTexts() const;

  /// Installs the fake as the current Ui for its lifetime.
  class Scope {
   public:
    explicit Scope(FakeUi& ui);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };
};

}  // namespace lifto::test
