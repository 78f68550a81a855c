#include "FormTestHelpers.h"

#include "app/CommandLine.h"
#include "support/Application.h"

namespace lifto::test {

FormHarness::FormHarness()
    : loop([this] { return now; },
           [this](std::chrono::milliseconds wait) { now += wait; }),
      home({{"F", "srv"}}) {
  support::App().Reset();
  services = app::DefaultFormaLiftoServices();
  services.waitMilliseconds = [this](int ms) {
    waits.push_back(ms);
    Advance(ms);
  };
  services.knownProgramUpdatesFolder = [this](const std::string& name) -> std::optional<std::string> {
    for (const auto& [program, folder] : knownFolders) {
      if (app::UpperText(name).find(program) != std::string::npos) return folder;
    }
    return std::nullopt;
  };
  services.fillVersionList = [this](app::TFormaLifto& f) { filledFrom.push_back(f.C_caminhoOrigem.Text()); };
  services.updateFromDisk = [this](app::TFormaLifto&) { ++updates; };
  services.download = [this](app::TFormaLifto&) { ++downloads; };
  services.openCatalogueTables = [this](app::TFormaLifto&) { ++catalogueOpens; };
  services.closeCatalogueTables = [this](app::TFormaLifto&) { ++catalogueCloses; };
  services.generateFromProject = [this](app::TFormaLifto&, const std::string& project) {
    generatedProjects.push_back(project);
    return generateResult;
  };
  ui.onProcessMessages = [this] { loop.ProcessPending(); };
}

FormHarness::~FormHarness() {
  form_.reset();
  support::App().Reset();
}

app::TFormaLifto& FormHarness::Create(std::vector<std::string> arguments) {
  form_ = std::make_unique<app::TFormaLifto>(app::CommandLine(std::move(arguments)), "8.2.0.0", loop,
                                             services);
  return *form_;
}

void FormHarness::Advance(int milliseconds) {
  now += std::chrono::milliseconds(milliseconds);
  loop.ProcessPending();
}

void FormHarness::ShowActivatePaint() {
  app::MessageLoop::Deliver([this] { form_->FormShow(); });
  if (support::App().Terminated()) return;
  loop.Post([this] { form_->FormActivate(); });
  loop.Post([this] { form_->FormPaint(); });
  loop.ProcessPending();
}

}  // namespace lifto::test
