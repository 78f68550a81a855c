#include "support/FakeUi.h"

namespace lifto::test {

void FakeUi::ShowMessage(int kind, const std::string& title, const std::string& text) {
  messages.push_back({kind, title, text});
}

bool FakeUi::Ask(const std::string& text, int style) {
  if (onAsk) onAsk(text);
  bool answer = false;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  questions.push_back({text, style, answer});
  return answer;
}

std::optional<std::string> FakeUi::BrowseFolder(const std::string& title, const std::string& start) {
  browsed.emplace_back(title, start);
  if (folders.empty()) return std::nullopt;
  auto answer = folders.front();
  folders.pop_front();
  return answer;
}

std::optional<std::string> FakeUi::ChooseFile(const std::string& title, const std::string& filter,
                                              const std::string& start) {
  fileDialogs.push_back({"open", title, filter, start, false});
  if (files.empty()) return std::nullopt;
  auto answer = files.front();
  files.pop_front();
  return answer;
}

std::vector<std::string> FakeUi::ChooseFiles(const std::string& title, const std::string& filter,
                                             const std::string& fileName, bool multiSelect) {
  fileDialogs.push_back({"files", title, filter, fileName, multiSelect});
  if (fileLists.empty()) return {};
  auto answer = fileLists.front();
  fileLists.pop_front();
  return answer;
}

std::optional<std::string> FakeUi::ChooseSaveFile(const std::string& title, const std::string& filter,
                                                  const std::string&, const std::string& start) {
  fileDialogs.push_back({"save", title, filter, start, false});
  if (saveFiles.empty()) return std::nullopt;
  auto answer = saveFiles.front();
  saveFiles.pop_front();
  return answer;
}

bool FakeUi::RunDialog(support::DialogRequest& dialog) {
  shownDialogs.push_back(dialog);
  bool result = false;
  if (!dialogAnswers.empty()) {
    auto [fields, ok] = dialogAnswers.front();
    dialogAnswers.pop_front();
    for (const auto& [key, value] : fields) dialog.SetField(key, value);
    result = ok;
  }
  dialogs.push_back(dialog);
  return result;
}

void FakeUi::ProcessMessages() {
  ++processMessagesCalls;
  if (onProcessMessages) onProcessMessages();
}

void FakeUi::OpenProgressWindow(const support::ProgressWindowInfo& info) {
  progressWindows.push_back(info);
}

std::vector<std::string> FakeUi::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

FakeUi::Scope::Scope(FakeUi& ui) { support::SetCurrentUi(&ui); }
FakeUi::Scope::~Scope() { support::SetCurrentUi(nullptr); }

}  // namespace lifto::test
