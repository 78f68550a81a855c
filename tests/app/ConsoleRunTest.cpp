#include <gtest/gtest.h>

#include "FormTestHelpers.h"
#include "app/ConsoleRun.h"
#include "app/Program.h"
#include "support/Application.h"

namespace lifto::test {
namespace {

TEST(ConsoleRun, InteractiveRunWithoutAnswersClosesTheWindow) {
  FormHarness h;
  app::TFormaLifto& f = h.Create({});
  app::RunMainWindowInConsole(f, h.loop);
  ASSERT_EQ(h.ui.dialogs.size(), 1u);
  EXPECT_EQ(h.ui.dialogs[0].name, "TFormaLifto");
  EXPECT_EQ(h.ui.dialogs[0].Field("origem"), "Disco");
  EXPECT_EQ(h.ui.dialogs[0].Field("caminho"), "A:\\");
  EXPECT_EQ(h.ui.dialogs[0].Field("rede"), "sim");
  EXPECT_EQ(h.updates, 0);
  EXPECT_TRUE(support::App().Terminated());
  EXPECT_FALSE(f.visible);
  EXPECT_EQ(support::App().ExitCode(), 0);
}

TEST(ConsoleRun, TheWindowDialogSetsTheControlsAndPressesAtualizar) {
  FormHarness h;
  h.services.fillVersionList = [](app::TFormaLifto& f) {
    f.c_versao.items = {"A.aex | primeira", "X.aex | segunda | 6.5.0.12"};
    f.c_versao.enabled = true;
  };
  bool rede = true;
  std::string chosen;
  h.services.updateFromDisk = [&](app::TFormaLifto& f) {
    chosen = f.C_caminhoOrigem.Text() + " " + f.c_versao.SelectedText();
    rede = f.C_rede.checked;
    f.MarkWorkDone();
  };
  app::TFormaLifto& f = h.Create({});
  h.ui.dialogAnswers.push_back(
      {{{"caminho", "F:\\UPD"}, {"versao", "x.AEX"}, {"rede", "nao"}}, true});
  app::RunMainWindowInConsole(f, h.loop);
  EXPECT_EQ(chosen, "F:\\UPD X.aex | segunda | 6.5.0.12");
  EXPECT_FALSE(rede);
  EXPECT_EQ(h.ui.dialogs.size(), 1u);
  EXPECT_EQ(support::App().ExitCode(), 0);
}

TEST(ConsoleRun, AnAutomaticRunEndsByItselfAfterItsTimer) {
  FormHarness h;
  h.home.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
  h.knownFolders["KORAMI"] = "F:\\KORAMI\\updates";
  app::TFormaLifto& f = h.Create({"/R", "/KORAMI.EXE"});
  app::RunMainWindowInConsole(f, h.loop);
  EXPECT_EQ(h.updates, 1);
  EXPECT_TRUE(h.ui.dialogs.empty());  // no button to press: nobody is asked
  EXPECT_TRUE(support::App().Terminated());
  EXPECT_EQ(support::App().ExitCode(), 1);
}

TEST(Program, WindowsAreCreatedInStartUpOrder) {
  FormHarness h;
  const auto windows = app::CreateWindows(app::CommandLine(), "8.2.0.0", h.loop, h.services);
  EXPECT_EQ(windows.creationOrder,
            (std::vector<std::string>{"TFormaLifto", "TFormaEdicao", "TFormaversoes", "TFormaConexao",
                                      "TFormaajustaversao"}));
  EXPECT_EQ(windows.FormaLifto->caption, "Lifto 8.2");
}

}  // namespace
}  // namespace lifto::test
