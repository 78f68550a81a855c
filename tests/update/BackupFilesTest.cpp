#include "update/BackupFiles.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"

namespace lifto::test {
namespace {

using update::BackupFiles;

class BackupFilesTest : public UpdateFixture {
 protected:
  BackupFilesTest() {
    home.Write("C:\\KORAMI\\INDICE.IDX", "local index");
    home.Write("F:\\KORAMI\\DADOS\\TAB.DB", "server table");
    home.Write("F:\\KORAMI\\updates\\BACKUP\\OLD.DB", "last update's backup");
  }
};

TEST_F(BackupFilesTest, SavesTheNamedFilesUnderTheirBareNames) {
  context.listaBackup = {"B_ARQ10=<PONTO>\\INDICE.IDX", "B_ARQ11=<SERVIDOR>\\DADOS\\TAB.DB"};

  BackupFiles(context);

  EXPECT_EQ(Read("F:\\KORAMI\\updates\\BACKUP\\INDICE.IDX"), "local index");
  EXPECT_EQ(Read("F:\\KORAMI\\updates\\BACKUP\\TAB.DB"), "server table");
  EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\BACKUP\\OLD.DB"));
  EXPECT_EQ(context.statusBar, "Backup");
  EXPECT_EQ(context.labelstatus2, "Copiando arquivo B_ARQ11=F:\\KORAMI\\DADOS\\TAB.DB");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BackupFilesTest, BadAndMissingEntriesAreReportedAndPassedOver) {
  // A placeholder only in the key, or a value that climbs out of its root, would copy any
  // file (a private one of the user's) into the shared backup folder.
  home.Write("C:\\PRIVADO\\NOTES.TXT", "private notes");
  context.listaBackup = {"B_ARQ1=C:\\KORAMI\\INDICE.IDX", "B_ARQ2=<PONTO>\\NADA.IDX",
                         "B_ARQ3=<PONTO>\\<WINDOWS>\\INDICE.IDX", "B_ARQ4=<PONTO>\\INDICE.IDX",
                         "B_ARQ10<PONTO>=C:\\PRIVADO\\NOTES.TXT", "B_ARQ11=<PONTO>\\..\\PRIVADO\\NOTES.TXT",
                         "B_ARQ12=<PONTO>C:\\PRIVADO\\NOTES.TXT"};

  BackupFiles(context);

  ASSERT_EQ(ui.messages.size(), 6u);
  for (std::size_t i = 3; i < 6; ++i) {
    EXPECT_EQ(ui.messages[i].text, "Item " + context.listaBackup[i + 1] + Ansi(" da chave backup inválido"));
  }
  EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\BACKUP\\NOTES.TXT"));
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_EQ(ui.messages[0].text, Ansi("Item B_ARQ1=C:\\KORAMI\\INDICE.IDX da chave backup inválido"));
  EXPECT_EQ(ui.messages[1].kind, 2);
  EXPECT_EQ(ui.messages[1].text,
            Ansi("Um arquivo de backup para atualização não foi encontrado\rB_ARQ2=<PONTO>\\NADA.IDX"));
  // Only the first kind of placeholder is replaced.
  EXPECT_EQ(ui.messages[2].text, Ansi("Um arquivo de backup para atualização não foi encontrado\r"
                                      "B_ARQ3=<PONTO>\\<WINDOWS>\\INDICE.IDX"));
  EXPECT_EQ(Read("F:\\KORAMI\\updates\\BACKUP\\INDICE.IDX"), "local index");
}

TEST_F(BackupFilesTest, TheAutomaticUpdateMakesNoBackup) {
  context.firstArgument = "/r";
  context.listaBackup = {"B_ARQ10=<PONTO>\\INDICE.IDX"};

  BackupFiles(context);

  EXPECT_TRUE(Exists("F:\\KORAMI\\updates\\BACKUP\\OLD.DB"));
  EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\BACKUP\\INDICE.IDX"));
  EXPECT_EQ(context.statusBar, "");
}

TEST_F(BackupFilesTest, WithoutAFolderForTheBackupNothingIsTouched) {
  // An MS-DOS program whose local folder is unknown: "\updates\BACKUP" would be a folder of
  // whatever drive is current.
  context.programaWindows = false;
  context.programaExe = "";
  context.listaBackup = {"B_ARQ10=<SERVIDOR>\\DADOS\\TAB.DB"};

  BackupFiles(context);

  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(Exists("F:\\KORAMI\\updates\\BACKUP\\OLD.DB"));
}

}  // namespace
}  // namespace lifto::test
