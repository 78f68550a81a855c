#include "support/Ui.h"

namespace lifto::support {
namespace {

// Used until a front-end installs its own: answers every question with "no" and shows nothing,
// so that core code called without a front-end never blocks.
class SilentUi final : public Ui {
 public:
  void ShowMessage(int, const std::string&, const std::string&) override {}
  bool Ask(const std::string&, int) override { return false; }
  std::optional<std::string> BrowseFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFile(const std::string&, const std::string&,
                                        const std::string&) override {
    return std::nullopt;
  }
  bool RunDialog(DialogRequest&) override { return false; }
  void ProcessMessages() override {}
  void Repaint() override {}
  void SetBusy(bool) override {}
  void OpenProgressWindow(const ProgressWindowInfo&) override {}
  void SetProgressPosition(int) override {}
  void CloseProgressWindow() override {}
};

SilentUi silentUi;
Ui* currentUi = &silentUi;

}  // namespace

std::string DialogRequest::Field(const std::string& key) const {
  for (const auto& [k, v] : fields) {
    if (k == key) return v;
  }
  return {};
}

void DialogRequest::SetField(const std::string& key, const std::string& value) {
  for (auto& [k, v] : fields) {
    if (k == key) {
      v = value;
      return;
    }
  }
  fields.emplace_back(key, value);
}

std::vector<std::string> Ui::ChooseFiles(const std::string& title, const std::string& filter,
                                     const std::string& fileName, bool) {
  const auto slash = fileName.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? std::string() : fileName.substr(0, slash);
  auto chosen = ChooseFile(title, filter, folder);
  if (!chosen) return {};
  return {*chosen};
}

std::optional<std::string> Ui::ChooseSaveFile(const std::string& title, const std::string& filter,
                                              const std::string&, const std::string& startFolder) {
  return ChooseFile(title, filter, startFolder);
}

Ui& CurrentUi() { return *currentUi; }

BusyCursor::BusyCursor() { CurrentUi().SetBusy(true); }
BusyCursor::~BusyCursor() { CurrentUi().SetBusy(false); }

void SetCurrentUi(Ui* ui) { currentUi = ui != nullptr ? ui : &silentUi; }

}  // namespace lifto::support
