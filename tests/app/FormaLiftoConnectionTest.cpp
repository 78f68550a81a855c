// The main window's side of the connection to the update server: where its status texts go.
#include <gtest/gtest.h>

#include "FormTestHelpers.h"

namespace lifto::app {
namespace {

TEST(FormaLiftoConnection, StatusGoesToThePanelInPanelModeAndToTheBarOfTheWindowThatRuns) {
  const struct {
    bool modoPainel;
    int barraPrincipal;
    bool inPanel;
    bool inMainBar;
  } cases[] = {{false, 1, false, true}, {true, 1, true, true}, {true, 2, true, false}, {false, 0, false, false}};
  for (const auto& c : cases) {
    test::FormHarness harness;
    TFormaLifto& form = harness.Create({});
    std::string versionListBar;
    form.versionListStatus = [&](const std::string& text) { versionListBar = text; };
    form.modoPainel = c.modoPainel;
    form.barraPrincipal = c.barraPrincipal;
    const int before = harness.ui.processMessagesCalls;
    form.ShowConnectionStatus("Conectando...");
    EXPECT_EQ(form.context.Panelstatus == "Conectando...", c.inPanel);
    EXPECT_EQ(form.context.labelstatus == "Conectando...", c.inPanel);
    EXPECT_EQ(form.context.statusBar == "Conectando...", c.inMainBar);
    EXPECT_EQ(versionListBar == "Conectando...", !c.inMainBar);
    EXPECT_GT(harness.ui.processMessagesCalls, before);
  }
}

}  // namespace
}  // namespace lifto::app
