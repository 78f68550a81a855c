#include "update/InstallRoots.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "support/Utilities.h"
#include "update/ProgramFolders.h"

namespace lifto::test {
namespace {

using update::FindInstallRoots;
using update::ReplacePlaceholder;

class InstallRootsTest : public UpdateFixture {
 protected:
  InstallRootsTest() { Register("KORAMI.EXE", "C:\\KORAMI"); }

  static void Register(const std::string& programFile, const std::string& folder) {
    ASSERT_TRUE(support::WriteRegistryValue(
        platform::RootKey::LocalMachine,
        "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + programFile, "Path",
        folder, support::kRegString));
  }
};

TEST_F(InstallRootsTest, FindsTheRootsOrCancelsWithTheFirstMissingOne) {
  const auto roots = FindInstallRoots("KORAMI.EXE", "ALIAS_KORAMI");
  ASSERT_TRUE(roots);
  EXPECT_EQ(roots->ponto, "C:\\KORAMI");
  EXPECT_EQ(roots->servidor, "F:\\KORAMI");
  EXPECT_EQ(roots->windows, "C:\\WINDOWS");

  Register("MORBA.EXE", "");  // the key exists, its "Path" is empty
  const struct {
    const char* prog;
    const char* alias;
    std::string reason;
  } cases[] = {
      {"", "ALIAS_KORAMI", Ansi("Programa não configurado no script")},
      {"KORAMI.EXE", "", Ansi("Alias não configurado no script")},
      {"KORAMI.EXE", "ALIAS_NADA", Ansi("Alias não existe no computador")},
      {"PAVRO.EXE", "ALIAS_KORAMI", Ansi("O PAVRO.EXE não esta listado no Registro do Windows")},
      {"MORBA.EXE", "ALIAS_KORAMI", Ansi("O MORBA.EXE não esta listado no Registro do Windows")},
  };
  for (const auto& each : cases) {
    ui.messages.clear();
    EXPECT_FALSE(FindInstallRoots(each.prog, each.alias)) << each.reason;
    ASSERT_EQ(ui.messages.size(), 1u) << each.reason;
    EXPECT_EQ(ui.messages[0].kind, 2);
    EXPECT_EQ(ui.messages[0].text,
              Ansi("Atualização cancelada\r") + each.reason + "\rContacte o suporte da Vornel");
  }
}

TEST_F(InstallRootsTest, APlaceholderIsReplacedByTheFirstKindTheTextNames) {
  const update::RootFolders roots{"C:\\KORAMI", "F:\\KORAMI", "C:\\WINDOWS"};
  // Found in its exact case, then replaced in every case.
  EXPECT_EQ(ReplacePlaceholder("B=<PONTO>\\A;<ponto>\\B", roots), "B=C:\\KORAMI\\A;C:\\KORAMI\\B");
  EXPECT_EQ(ReplacePlaceholder("<WINDOWS>\\A <PONTO>\\B", roots), "<WINDOWS>\\A C:\\KORAMI\\B");
  EXPECT_EQ(ReplacePlaceholder("<WINDOWS>\\A <SERVIDOR>\\B", roots), "<WINDOWS>\\A F:\\KORAMI\\B");
  EXPECT_FALSE(ReplacePlaceholder("B=<ponto>\\X", roots));
}

TEST_F(InstallRootsTest, FoldersOfAProgram) {
  EXPECT_EQ(update::KnownProgramUpdatesFolder("/korami.exe"), "F:\\KORAMI\\updates");
  EXPECT_EQ(update::UpdateLogPath(context.pastaServidor), "F:\\KORAMI\\Atualiz.log");
  EXPECT_FALSE(update::KnownProgramUpdatesFolder("XYZ.EXE"));
  // A known program whose alias this office lacks has no folder to write its marker in.
  EXPECT_EQ(update::KnownProgramMarkerPath("MORBA.EXE"), "");

  // Backups of a program no row knows take its own "App Paths" entry.
  Register("OUTRO.EXE", "C:\\OUTRO");
  context.programaExe = "OUTRO.EXE";
  EXPECT_EQ(update::ProgramRoots(context).ponto, "C:\\OUTRO");
  context.programaExe = "c:\\korami\\korami.exe";
  EXPECT_EQ(update::ProgramRoots(context).ponto, "C:\\KORAMI");
}

}  // namespace
}  // namespace lifto::test
