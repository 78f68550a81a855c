#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "project/Script.h"
#include "project/ScriptTestHelpers.h"
#include "support/SandboxHome.h"

namespace lifto::project {
namespace {

using test::ExampleScript;
using test::ReadFileBytes;
using test::SandboxHome;

TEST(ScriptFile, LineEndsAreCrLfLoneCrOrLoneLf) {
  SandboxHome home;
  home.Write("C:\\X.aex", "[CONFIG]\r\nA=1\rB=2\nC=3\r\n\r\n\n\rD=4");
  EXPECT_EQ(LoadScript("C:\\X.aex"), (ScriptLines{"[CONFIG]", "A=1", "B=2", "C=3", "", "", "", "D=4"}));
  EXPECT_EQ(ParseScriptText(""), ScriptLines{});
  EXPECT_EQ(ParseScriptText("A\r\n"), ScriptLines{"A"});
  EXPECT_EQ(ParseScriptText("\r\n"), ScriptLines{""});
  EXPECT_EQ(ParseScriptText("A\n\r"), (ScriptLines{"A", ""}));  // LF then a lone CR
}

TEST(ScriptFile, SavedExampleIsCrLfAfterEveryLineAndReadsBack) {
  SandboxHome home;
  EXPECT_THROW(SaveScript(ExampleScript(), "C:\\UPD\\X.aex"), std::runtime_error);  // no folder made
  std::filesystem::create_directories(home.HostPath("C:\\UPD"));
  SaveScript(ExampleScript(), "C:\\UPD\\X.aex");
  const std::string bytes = ReadFileBytes(home.HostPath("C:\\UPD\\X.aex"));
  EXPECT_TRUE(bytes.starts_with("[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\n"));
  EXPECT_TRUE(bytes.ends_with("[WINDOWS]\r\nW_ARQ19=C:\\FONTES\\MINHADLL.DLL , \\SYSTEM\\\r\n"));
  EXPECT_NE(bytes.find("EXECUTAR=\r\n\r\n[BACKUP]\r\n"), std::string::npos);
  EXPECT_EQ(LoadScript("c:\\upd\\x.aex"), ExampleScript());
}

TEST(ScriptFile, CodePageBytesArePreserved) {
  SandboxHome home;
  // "ATUALIZAÇÃO" in 1252, a byte 1252 leaves undefined, and a UTF-8 looking pair: all kept.
  const std::string line = "DESCRICAO=ATUALIZA\xC7\xC3O \x81\x9D \xC3\xA7";
  home.Write("C:\\X.aex", "[CONFIG]\r\n" + line + "\r\n");
  ScriptLines lines = LoadScript("C:\\X.aex");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], line);
  SaveScript(lines, "C:\\Y.aex");
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\Y.aex")), "[CONFIG]\r\n" + line + "\r\n");
}

TEST(ScriptFile, FailuresNameTheFileAndLeaveTheOldScriptWhole) {
  SandboxHome home;
  try {
    LoadScript("C:\\FALTA.aex");
    FAIL() << "a missing script loaded";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("C:\\FALTA.aex"), std::string::npos);
  }
  EXPECT_THROW(LoadScript("Q:\\X.aex"), std::runtime_error);  // unmapped drive

  const auto old = home.Write("C:\\RO.aex", "[CONFIG]\r\n");
  std::filesystem::permissions(old, std::filesystem::perms::owner_read);
  EXPECT_THROW(SaveScript(NewScript(), "C:\\RO.aex"), std::runtime_error);
  EXPECT_EQ(ReadFileBytes(old), "[CONFIG]\r\n");

  home.Write("C:\\OK.aex", "old\r\n");
  std::filesystem::permissions(home.HostPath("C:\\OK.aex"), std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_write |
                                                       std::filesystem::perms::group_read);
  SaveScript({"new"}, "C:\\OK.aex");
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\OK.aex")), "new\r\n");
  EXPECT_EQ(std::filesystem::status(home.HostPath("C:\\OK.aex")).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  for (const auto& entry : std::filesystem::directory_iterator(home.HostPath("C:\\"))) {
    EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos)
        << "a temporary file was left behind";
  }
}

TEST(ScriptFile, WriteDiskCountReplacesOrAddsNumdiscosInConfig) {
  SandboxHome home;
  ScriptLines copy = ExampleScript();
  copy.insert(copy.begin() + 7, "NUMDISCOS=1");
  SaveScript(copy, "C:\\COPIA.aex");
  WriteDiskCount("C:\\COPIA.aex", 3);
  copy[7] = "NUMDISCOS=3";
  EXPECT_EQ(LoadScript("C:\\COPIA.aex"), copy);

  // Without it, the line closes the [CONFIG] block; a lower-case header is found too, and a
  // description that merely mentions the word stays.
  ScriptLines old = {"[config]", "DESCRICAO=SEM NUMDISCOS", "", "[PONTO]"};
  SaveScript(old, "C:\\OLD.aex");
  WriteDiskCount("C:\\OLD.aex", 12);
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\OLD.aex")),
            "[config]\r\nDESCRICAO=SEM NUMDISCOS\r\nNUMDISCOS=12\r\n\r\n[PONTO]\r\n");

  // A [CONFIG] block without a blank line keeps the count out of the next section.
  SaveScript({"[CONFIG]", "PROG=A.EXE", "[BACKUP]", "", "[PONTO]"}, "C:\\TIGHT.aex");
  WriteDiskCount("C:\\TIGHT.aex", 2);
  EXPECT_EQ(LoadScript("C:\\TIGHT.aex"),
            (ScriptLines{"[CONFIG]", "PROG=A.EXE", "NUMDISCOS=2", "[BACKUP]", "", "[PONTO]"}));
  SaveScript({"[CONFIG]"}, "C:\\ONLY.aex");
  WriteDiskCount("C:\\ONLY.aex", 1);
  EXPECT_EQ(LoadScript("C:\\ONLY.aex"), (ScriptLines{"[CONFIG]", "NUMDISCOS=1"}));

  // No [CONFIG] at all: saved unchanged, with CR LF.
  home.Write("C:\\NONE.aex", "[PONTO]\nP_ARQ1=X , \\");
  WriteDiskCount("C:\\NONE.aex", 2);
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\NONE.aex")), "[PONTO]\r\nP_ARQ1=X , \\\r\n");
}

TEST(ScriptFile, ReadFileSectionFollowsTheProfileReader) {
  SandboxHome home;
  SaveScript(ExampleScript(), "C:\\X.aex");
  EXPECT_EQ(ReadFileSection("C:\\X.aex", "ponto"),
            std::vector<std::string>{"P_ARQ13=C:\\FONTES\\KORAMI.EXE , \\"});
  EXPECT_EQ(ReadFileSection("C:\\X.aex", "BACKUP"),
            std::vector<std::string>{"B_ARQ10=<PONTO>\\INDICE.IDX"});
  EXPECT_TRUE(ReadFileSection("C:\\X.aex", "NADA").empty());
  EXPECT_TRUE(ReadFileSection("C:\\FALTA.aex", "PONTO").empty());

  home.Write("C:\\D.aex", "[PONTO]\r\n  P_ARQ1 =  C:\\A.EXE , \\  \r\n; comment\r\np_arq1=C:\\B.EXE , \\\r\n");
  EXPECT_EQ(ReadFileSection("C:\\D.aex", "PONTO"),
            (std::vector<std::string>{"P_ARQ1=C:\\A.EXE , \\", "p_arq1=C:\\A.EXE , \\"}));
}

TEST(ScriptFile, ReadFileSectionKeepsTheReaderBuffers) {
  SandboxHome home;
  // 2,000 names of 9 characters and a zero each: 20,000 characters, more than the name buffer.
  std::string text = "[PONTO]\r\nLONG=" + std::string(3000, 'v') + "\r\n";
  for (int i = 1000; i < 2999; ++i) text += "P_ARQ" + std::to_string(i) + "=C:\\F" + std::to_string(i) + " , \\\r\n";
  home.Write("C:\\BIG.aex", text);
  const auto entries = ReadFileSection("C:\\BIG.aex", "PONTO");
  EXPECT_EQ(entries.front(), "LONG=" + std::string(2047, 'v'));
  // LONG and its zero take 5 characters, then 10 per name: 1,637 whole names fit in the 16,382
  // characters before the two closing zeros; the next would be cut, and a cut name names
  // nothing, so it is left out.
  ASSERT_EQ(entries.size(), 1u + 1637u);
  EXPECT_EQ(entries.back(), "P_ARQ2636=C:\\F2636 , \\");
}

}  // namespace
}  // namespace lifto::project
