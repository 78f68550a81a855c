#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"

namespace lifto::test {

/// The main window on a manual clock, with the fake Ui and a sandbox LIFTO_HOME, its waits and
/// the work of later steps recorded instead of done.
class FormHarness {
 public:
  FormHarness();
  ~FormHarness();

  /// Creates the window for a command line (1252 arguments) and the file version 8.2.0.0.
  app::TFormaLifto& Create(std::vector<std::string> arguments);
  app::TFormaLifto& form() { return *form_; }

  /// Advances the manual clock and handles what became due.
  void Advance(int milliseconds);
  /// FormShow, then (unless the tool ended) one activation and one paint, as a window system
  /// delivers them after showing the window.
  void ShowActivatePaint();

  FakeUi ui;
  app::MessageLoop::TimePoint now{};
  app::MessageLoop loop;
  SandboxHome home;
  app::FormaLiftoServices services;

  std::vector<int> waits;
  std::map<std::string, std::string> knownFolders;  ///< program name (upper case) → updates folder
  std::vector<std::string> filledFrom;  ///< C_caminhoOrigem at each FillVersionList
  int updates = 0;
  int downloads = 0;
  int catalogueOpens = 0;
  int catalogueCloses = 0;
  std::vector<std::string> generatedProjects;
  bool generateResult = true;

 private:
  FakeUi::Scope scope_{ui};
  std::unique_ptr<app::TFormaLifto> form_;
};

}  // namespace lifto::test
