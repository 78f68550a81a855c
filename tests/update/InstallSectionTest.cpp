#include "update/InstallSection.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/SystemFolders.h"
#include "update/ExtractFolder.h"

namespace lifto::test {
namespace {

using update::InstallSection;

class InstallSectionTest : public UpdateFixture {
 protected:
  InstallSectionTest() : extract(update::ExtractFolder()) {
    home.Write(extract + "\\KORAMI.EXE", "new program");
    home.Write(extract + "\\TAB.DB", "new table");
    home.Write(extract + "\\AJUDA.HLP", "new help");
    home.Write(extract + "\\ATUALIZAR.EXE", "new tool");
  }

  const std::string extract;
};

TEST_F(InstallSectionTest, CopiesEachFileToItsFolderBelowTheRoot) {
  const bool done = InstallSection(context, extract, "C:\\KORAMI",
                                   {"P_ARQ12=C:\\FONTES\\KORAMI.EXE , \\",
                                    "P_ARQ13=C:\\FONTES\\TAB.DB , \\DADOS\\NOVOS\\"});

  EXPECT_TRUE(done);
  EXPECT_EQ(Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
  EXPECT_EQ(Read("C:\\KORAMI\\DADOS\\NOVOS\\TAB.DB"), "new table");
  EXPECT_EQ(context.labelstatus2, "Copiando arquivo TAB.DB");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(context.autoAtualizacao);
}

TEST_F(InstallSectionTest, AnyTargetFolderLiesBelowTheRootNeverBesideIt) {
  home.Write(extract + "\\A.DLL", "new library");
  const struct {
    const char* root;
    const char* entry;
    const char* installed;
  } cases[] = {
      {"C:\\KORAMI", "P_ARQ12=C:\\FONTES\\KORAMI.EXE", "C:\\KORAMI\\KORAMI.EXE"},
      {"C:\\KORAMI", "P_ARQ13=C:\\FONTES\\TAB.DB , DADOS\\", "C:\\KORAMI\\DADOS\\TAB.DB"},
      {"C:\\KORAMI\\", "P_ARQ14=C:\\FONTES\\AJUDA.HLP , \\AJUDA", "C:\\KORAMI\\AJUDA\\AJUDA.HLP"},
      {"C:\\WINDOWS", "W_ARQ15=C:\\FONTES\\A.DLL , ", "C:\\WINDOWS\\A.DLL"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(InstallSection(context, extract, c.root, {c.entry})) << c.entry;
    EXPECT_TRUE(Exists(c.installed)) << c.entry;
  }
  for (const char* beside : {"C:\\KORAM", "C:\\KORAMIKORAMI.EXE", "C:\\KORAMIDADOS",
                             "C:\\KORAMI\\AJUDAAJUDA.HLP", "C:\\WINDOWSA.DLL", "C:\\WINDOW"}) {
    EXPECT_FALSE(Exists(beside)) << beside;
  }
}

TEST_F(InstallSectionTest, AFailedCopyStopsTheSectionAndKeepsWhatWasCopied) {
  home.Write("F:\\KORAMI\\DADOS\\TAB.DB", "old table");
  MakeReadOnly("F:\\KORAMI\\DADOS\\TAB.DB");

  const bool done = InstallSection(context, extract, "F:\\KORAMI",
                                   {"S_ARQ14=C:\\FONTES\\AJUDA.HLP , \\",
                                    "S_ARQ15=C:\\FONTES\\TAB.DB , \\DADOS\\",
                                    "S_ARQ16=C:\\FONTES\\KORAMI.EXE , \\"});

  EXPECT_FALSE(done);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, 1);
  EXPECT_EQ(ui.messages[0].text, Ansi("Não foi possível copiar o arquivo TAB.DB"));
  EXPECT_EQ(Read("F:\\KORAMI\\AJUDA.HLP"), "new help");
  EXPECT_EQ(Read("F:\\KORAMI\\DADOS\\TAB.DB"), "old table");
  EXPECT_FALSE(Exists("F:\\KORAMI\\KORAMI.EXE"));
}

TEST_F(InstallSectionTest, TargetsOutsideTheRootAreRefused) {
  home.Write(extract + "\\passwd", "planted");

  EXPECT_FALSE(InstallSection(context, extract, "C:\\KORAMI", {"P_ARQ1=C:\\X\\TAB.DB , \\..\\..\\"}));
  EXPECT_FALSE(InstallSection(context, extract, "C:\\KORAMI", {"P_ARQ2=C:\\X\\.. , \\"}));
  EXPECT_FALSE(InstallSection(context, extract, "C:\\KORAMI", {"P_ARQ3=C:\\X\\../passwd , \\"}));
  EXPECT_FALSE(InstallSection(context, extract, "", {"P_ARQ4=C:\\X\\TAB.DB , \\"}));

  EXPECT_EQ(ui.messages.size(), 4u);
  // A path that climbs above C:\KORAMI stops at the top of the drive: that is where an escape lands.
  EXPECT_FALSE(Exists("C:\\TAB.DB"));
  EXPECT_FALSE(Exists("C:\\passwd"));
  EXPECT_EQ(Read("C:\\KORAMI\\KORAMI.EXE"), "old program");
}

TEST_F(InstallSectionTest, TheRunningToolIsReplacedThroughTheTemporaryFolder) {
  home.Write("C:\\WINDOWS\\SYSTEM\\ATUALIZAR.EXE", "running tool");

  EXPECT_TRUE(InstallSection(context, extract, "C:\\WINDOWS",
                             {"W_ARQ16=C:\\FONTES\\ATUALIZAR.EXE , \\SYSTEM\\"}));

  EXPECT_TRUE(context.autoAtualizacao);
  EXPECT_EQ(Read("C:\\WINDOWS\\SYSTEM\\ATUALIZAR.EXE"), "running tool");
  EXPECT_EQ(Read(platform::PrivateTempFolder() + "\\ATUALIZAR.EXE"), "new tool");
}

TEST_F(InstallSectionTest, TheToolInstalledElsewhereIsCopiedThereToo) {
  context.ownExecutable = "C:\\LIFTO\\atualizar.exe";

  EXPECT_TRUE(InstallSection(context, extract, "C:\\WINDOWS",
                             {"W_ARQ16=C:\\FONTES\\ATUALIZAR.EXE , \\SYSTEM\\"}));

  EXPECT_TRUE(context.autoAtualizacao);
  EXPECT_EQ(Read("C:\\WINDOWS\\SYSTEM\\ATUALIZAR.EXE"), "new tool");
  EXPECT_EQ(Read(platform::PrivateTempFolder() + "\\ATUALIZAR.EXE"), "new tool");
}

TEST_F(InstallSectionTest, AFileNamedLikeTheToolIsNoHandOver) {
  context.ownExecutable = "Z:\\opt\\lifto\\atualizar";

  EXPECT_TRUE(InstallSection(context, extract, "C:\\KORAMI",
                             {"P_ARQ1=C:\\FONTES\\AJUDA.HLP , \\ATUALIZAR\\"}));
  EXPECT_FALSE(context.autoAtualizacao);

  EXPECT_TRUE(InstallSection(context, extract, "C:\\WINDOWS",
                             {"W_ARQ16=C:\\FONTES\\ATUALIZAR.EXE , \\SYSTEM\\"}));
  EXPECT_TRUE(context.autoAtualizacao);
  EXPECT_EQ(Read(platform::PrivateTempFolder() + "\\ATUALIZAR"), "new tool");
}

}  // namespace
}  // namespace lifto::test
