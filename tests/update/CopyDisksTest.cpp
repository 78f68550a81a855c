#include "update/CopyDisks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TempFolder.h"
#include "update/ProcedureTestHelpers.h"

namespace lifto::test {
namespace {

class CopyDisksTest : public ::testing::Test {
 protected:
  CopyDisksTest() : home_({{"F", "srv"}, {"A", "floppy"}}), scope_(ui_) {
    context_.pastaServidor = "F:\\KORAMI";
    context_.tipoAtualizacao = "ATU";
    context_.numDiscos = 3;
    WriteScript(home_, "A:\\X.aex", {"[CONFIG]", "NUMDISCOS=3"});
    home_.Write("A:\\X.ATU", "volume 1");
  }

  SandboxHome home_;
  FakeUi ui_;
  FakeUi::Scope scope_;
  update::UpdateContext context_;
};

TEST_F(CopyDisksTest, AsksForEachMissingDiskAndCopiesEveryVolume) {
  ui_.answers = {true, true, true};
  ui_.onAsk = [&](const std::string& question) {
    // The person swaps the diskette: the next volume appears after the question.
    if (question == "Insira o Disco 2") home_.Write("A:\\X.002", "volume 2");
    if (question == "Insira o Disco 3") home_.Write("A:\\X.003", "volume 3");
  };
  std::string script = "A:\\X.aex";
  ASSERT_TRUE(update::CopyDisksToUpdates(context_, script));
  EXPECT_EQ(script, "F:\\KORAMI\\UPDATES\\X.aex");
  ASSERT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[0].text, "Insira o Disco 2");
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\UPDATES\\X.003")), "volume 3");
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\UPDATES\\X.ATU")), "volume 1");
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\UPDATES\\atualiza.ok")), "X.aex\r\n");
  EXPECT_EQ(context_.discoCopiado, 4);
}

TEST_F(CopyDisksTest, DeclinedDiskFailsAndKeepsWhatWasCopied) {
  std::string script = "A:\\X.aex";
  EXPECT_FALSE(update::CopyDisksToUpdates(context_, script));
  EXPECT_TRUE(platform::FileExists("F:\\KORAMI\\UPDATES\\X.ATU"));
  EXPECT_FALSE(platform::FileExists("F:\\KORAMI\\UPDATES\\X.002"));
}

TEST_F(CopyDisksTest, RequirementSetGoesToUptextosWithoutMarker) {
  context_.tipoAtualizacao = "REQ";
  context_.numDiscos = 1;
  std::string script = "A:\\X.aex";
  ASSERT_TRUE(update::CopyDisksToUpdates(context_, script));
  EXPECT_EQ(script, "F:\\KORAMI\\UPTEXTOS\\X.aex");
  EXPECT_FALSE(platform::FileExists("F:\\KORAMI\\UPTEXTOS\\atualiza.ok"));
}

TEST_F(CopyDisksTest, ScriptAlreadyInTheUpdatesFolderByAnotherPathIsNotLost) {
  // The source folder reached through another drive letter is the updates folder itself.
  home_.MapDrive("U", "srv/KORAMI/updates");
  WriteScript(home_, "F:\\KORAMI\\updates\\X.aex", {"[CONFIG]"});
  home_.Write("F:\\KORAMI\\updates\\X.ATU", "volume 1");
  context_.numDiscos = 1;
  std::string script = "U:\\X.aex";
  ASSERT_TRUE(update::CopyDisksToUpdates(context_, script));
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\updates\\X.ATU")), "volume 1");
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\updates\\X.aex")), "[CONFIG]\r\n");
}

TEST_F(CopyDisksTest, WithoutServerFolderNothingIsWritten) {
  context_.pastaServidor.clear();
  std::string script = "A:\\X.aex";
  EXPECT_FALSE(update::CopyDisksToUpdates(context_, script));
  EXPECT_EQ(script, "A:\\X.aex");
}

}  // namespace
}  // namespace lifto::test
