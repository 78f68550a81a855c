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
using update::RootFolders;

/// KORAMI.EXE registered under "App Paths" with its local folder C:\KORAMI.
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

TEST_F(InstallRootsTest, FindsTheThreeRoots) {
  const auto roots = FindInstallRoots("KORAMI.EXE", "ALIAS_KORAMI");
  ASSERT_TRUE(roots);
  EXPECT_EQ(roots->ponto, "C:\\KORAMI");
  EXPECT_EQ(roots->servidor, "F:\\KORAMI");
  EXPECT_EQ(roots->windows, "C:\\WINDOWS");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(InstallRootsTest, EachMissingRootCancelsWithItsOwnMessage) {
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
              Ansi("Atualização cancelada") + "\r" + each.reason + "\rContacte o suporte da Vornel");
  }
}

TEST_F(InstallRootsTest, APlaceholderIsReplacedByTheFirstKindTheTextNames) {
  const RootFolders roots{"C:\\KORAMI", "F:\\KORAMI", "C:\\WINDOWS"};
  // Found in its exact case, then replaced in every case.
  EXPECT_EQ(ReplacePlaceholder("B_ARQ10=<PONTO>\\INDICE.IDX;<ponto>\\X", roots),
            "B_ARQ10=C:\\KORAMI\\INDICE.IDX;C:\\KORAMI\\X");
  EXPECT_EQ(ReplacePlaceholder("<WINDOWS>\\A <PONTO>\\B", roots), "<WINDOWS>\\A C:\\KORAMI\\B");
  EXPECT_EQ(ReplacePlaceholder("<WINDOWS>\\A <SERVIDOR>\\B", roots), "<WINDOWS>\\A F:\\KORAMI\\B");
  EXPECT_EQ(ReplacePlaceholder("<WINDOWS>\\SYSTEM\\X.DLL", roots), "C:\\WINDOWS\\SYSTEM\\X.DLL");
  EXPECT_FALSE(ReplacePlaceholder("B_ARQ1=<ponto>\\X", roots));
  EXPECT_FALSE(ReplacePlaceholder("C:\\MORBA\\MORBA.EXE /I", roots));
}

TEST_F(InstallRootsTest, ProgramRootsComeFromTheKnownProgramOfTheExecutable) {
  Register("SELDOR.EXE", "C:\\SELDOR");
  Register("OUTRO.EXE", "C:\\OUTRO");
  context.pastaServidor = "F:\\KORAMI";

  context.programaExe = "korami.exe";
  EXPECT_EQ(update::ProgramRoots(context).ponto, "C:\\KORAMI");
  context.programaExe = "C:\\SELDOR\\SELDOR.EXE";
  EXPECT_EQ(update::ProgramRoots(context).ponto, "C:\\SELDOR");
  // No known program: its own "App Paths" entry, as the install step takes it.
  context.programaExe = "OUTRO.EXE";
  const auto roots = update::ProgramRoots(context);
  EXPECT_EQ(roots.ponto, "C:\\OUTRO");
  EXPECT_EQ(roots.servidor, "F:\\KORAMI");
  EXPECT_EQ(roots.windows, "C:\\WINDOWS");
}

TEST_F(InstallRootsTest, FoldersDerivedFromTheAlias) {
  EXPECT_EQ(update::KnownProgramUpdatesFolder("/korami.exe"), "F:\\KORAMI\\updates");
  EXPECT_EQ(update::KnownProgramMarkerPath("KORAMI"), "F:\\KORAMI\\updates\\atualiza.ok");
  EXPECT_EQ(update::UpdateLogPath(context.pastaServidor), "F:\\KORAMI\\Atualiz.log");
  EXPECT_FALSE(update::KnownProgramUpdatesFolder("XYZ.EXE"));
  EXPECT_FALSE(update::KnownProgramMarkerPath("XYZ.EXE"));
  // A known program whose alias this office lacks: no folder to write its marker in.
  EXPECT_EQ(update::KnownProgramMarkerPath("MORBA.EXE"), "");

  EXPECT_EQ(update::BackupFolder(context, "C:\\KORAMI"), "F:\\KORAMI\\updates\\BACKUP");
  context.programaWindows = false;
  EXPECT_EQ(update::BackupFolder(context, "C:\\KORAMI"), "C:\\KORAMI\\updates\\BACKUP");
}

}  // namespace
}  // namespace lifto::test
