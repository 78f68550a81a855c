#include "update/VersionList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "update/ProcedureTestHelpers.h"

namespace lifto::test {
namespace {

using ::testing::ElementsAre;

TEST(VersionListItem, NamesDescriptionAndVersionOfTheHeadOnly) {
  EXPECT_EQ(update::VersionListItem(
                "X.aex", {"[CONFIG]", Ansi("DESCRICAO=Atualização de março"), "VERSAO=6.5.0.12",
                          "", "[BACKUP]", "VERSAO=9.9"}),
            "X.aex | " + Ansi("Atualização de março") + " | 6.5.0.12");
  EXPECT_EQ(update::VersionListItem("Y.aex", {"[PONTO]", "DESCRICAO=late"}), "Y.aex");
  EXPECT_EQ(update::ScriptOfItem("X.aex | A | 6.5"), "X.aex");
  EXPECT_EQ(update::ScriptOfItem("X.aex"), "X.aex");
}

class FillVersionListTest : public ::testing::Test {
 protected:
  FillVersionListTest() : home_({{"F", "srv"}}), scope_(ui_) {
    WriteScript(home_, "F:\\UPD\\B.aex", {"[CONFIG]", "DESCRICAO=segunda", "VERSAO=6.5.0.12"});
    WriteScript(home_, "F:\\UPD\\a.AEX", {"[CONFIG]", "VERSAO=6.5.0.11", "[BACKUP]"});
    WriteScript(home_, "F:\\UPD\\C.aex", {});
    home_.Write("F:\\UPD\\C.ATU", "archive");
  }

  void Fill(const std::string& folder) {
    window_.context.C_caminhoOrigem = folder;
    update::FillVersionList(window_, steps_.Steps());
  }

  SandboxHome home_;
  FakeUi ui_;
  FakeUi::Scope scope_;
  FakeUpdateWindow window_;
  RecordingSteps steps_;
};

TEST_F(FillVersionListTest, ListsEveryScriptAndChoosesNoneWithoutLog) {
  Fill("F:\\UPD");
  EXPECT_TRUE(window_.listEnabled);
  EXPECT_THAT(window_.items, ElementsAre("a.AEX | 6.5.0.11", "B.aex | segunda | 6.5.0.12", "C.aex"));
  EXPECT_EQ(window_.itemIndex, -1);
}

TEST_F(FillVersionListTest, ChoosesTheLastLoggedScriptByExactName) {
  steps_.lastLogged = "B.aex";
  Fill("F:\\UPD\\");
  EXPECT_EQ(window_.itemIndex, 1);
  steps_.lastLogged = "b.aex";
  Fill("F:\\UPD\\");
  EXPECT_EQ(window_.itemIndex, -1);
}

TEST_F(FillVersionListTest, StaysDisabledWithoutAUsableFolder) {
  for (const std::string folder : {"f:\\upd", "F:\\NADA", "Q:\\UPD", "1:\\"}) {
    window_.items = {"old"};
    window_.listEnabled = true;
    Fill(folder);
    EXPECT_FALSE(window_.listEnabled) << folder;
    EXPECT_TRUE(window_.items.empty()) << folder;
  }
}

}  // namespace
}  // namespace lifto::test
