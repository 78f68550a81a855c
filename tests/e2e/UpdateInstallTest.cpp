#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "e2e/UpdateOfficeHelpers.h"
#include "support/SecondUser.h"

// Updates installed through the real atualizar, in each way an office starts one.
namespace lifto::test {
namespace {

const std::vector<UpdateFile> kFiles = {
    {"PONTO", "KORAMI.EXE", "new program", "\\"},
    {"SERVIDOR", "TABSQL.DB", "new table", "\\DADOS\\"},
    {"WINDOWS", "MINHADLL.DLL", "new library", "\\SYSTEM\\"},
};

void ExpectInstalled(const Office& office) {
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
  EXPECT_EQ(office.Read("F:\\KORAMI\\DADOS\\TABSQL.DB"), "new table");
  EXPECT_EQ(office.Read("C:\\WINDOWS\\SYSTEM\\MINHADLL.DLL"), "new library");
}

TEST(UpdateInstall, InteractiveFromAFolderWithTheScriptChosen) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  office.MakeUpdate("F:\\UPD", "W", "6.5.0.10", {{"PONTO", "KORAMI.EXE", "other", "\\"}});
  const auto before = office.Snapshot();

  const AtualizarRun run =
      office.Run({}, "TFormaLifto.caminho=F:\\UPD,TFormaLifto.versao=x.aex,ok");

  EXPECT_EQ(run.status, 0) << run.output;
  ExpectInstalled(office);
  // The set was copied into the updates folder, with the marker naming it.
  EXPECT_EQ(office.Read("F:\\KORAMI\\UPDATES\\atualiza.ok"), "X.aex\r\n");
  EXPECT_EQ(office.Read("F:\\KORAMI\\UPDATES\\X.ATU"), office.Read("F:\\UPD\\X.ATU"));
  const auto log = office.LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_THAT(log[0], ::testing::MatchesRegex(
                          "Atualização para versao 6\\.5\\.0\\.12 : F:\\\\KORAMI\\\\UPDATES\\\\X\\.aex "
                          "no dia [0-9]{2}/[0-9]{2}/[0-9]{4} às [0-9]{2}:[0-9]{2}:[0-9]{2}"));
  EXPECT_TRUE(run.Shows(R"("kind":2,"title":"Informação","text":"Atualização do Sistema Realizada com Sucesso!")"));

  // Nothing outside the roots (C:\KORAMI, F:\KORAMI, C:\WINDOWS) and the private temporary
  // folder changed; the extraction folder is gone again.
  for (const auto& path : ChangedPaths(before, office.Snapshot())) {
    const bool inRoots = path.rfind("drive_c/KORAMI/", 0) == 0 || path.rfind("srv/KORAMI/", 0) == 0 ||
                         path.rfind("drive_c/WINDOWS/", 0) == 0 || path == "transcript.jsonl" ||
                         path == "output.txt";
    EXPECT_TRUE(inRoots) << path;
  }
  // The extraction folder lies in the private temporary folder (TEMP), not on a drive.
  EXPECT_FALSE(std::filesystem::exists(office.Home().Home() / "temp" / "Vorn"));
}

TEST(UpdateInstall, TargetsThatClimbAboveTheirRootLandNowhere) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12",
                    {{"PONTO", "ESCAPED.EXE", "escaped program", "\\..\\..\\"},
                     {"SERVIDOR", "ESCAPED.DB", "escaped table", "\\..\\..\\..\\"}});
  const auto before = office.Snapshot();

  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"}, "ok,ok,ok");

  // Such a path stops at the top of the drive; a host path joined without that rule would reach
  // the drive folder's parent, the sandbox itself.
  for (const auto& top : {office.Host("C:\\"), office.Host("F:\\"), office.Home().Home()}) {
    EXPECT_FALSE(std::filesystem::exists(top / "ESCAPED.EXE")) << top;
    EXPECT_FALSE(std::filesystem::exists(top / "ESCAPED.DB")) << top;
  }
  for (const auto& path : ChangedPaths(before, office.Snapshot())) {
    EXPECT_EQ(path.find("ESCAPED"), std::string::npos) << path << "\n" << run.output;
  }
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.Shows("Não foi possível copiar o arquivo ESCAPED.EXE")) << run.output;
}

TEST(UpdateInstall, LinksThatAnotherUserPlantedInTheShareAreNotFollowed) {
  if (!CanActAsSecondUser()) GTEST_SKIP() << kNeedsRoot;
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  const auto victim = office.Home().Write("C:\\VICTIM\\.bashrc", "victim's shell");
  const std::string table = office.Host("F:\\KORAMI\\DADOS").string() + "/TABSQL.DB";
  const std::string log = office.Host("F:\\KORAMI").string() + "/Atualiz.log";
  MakeShared(office.Host("F:\\KORAMI"));
  MakeShared(office.Host("F:\\KORAMI\\DADOS"));
  ASSERT_TRUE(AsSecondUser([&] {
    return symlink(victim.c_str(), table.c_str()) == 0 && symlink("/dev/zero", log.c_str()) == 0;
  }));

  const AtualizarRun run = office.Run({}, "TFormaLifto.caminho=F:\\UPD,TFormaLifto.versao=x.aex,ok");

  EXPECT_EQ(run.status, 0) << run.output;
  ExpectInstalled(office);
  EXPECT_EQ(ReadFileBytes(victim), "victim's shell");
  EXPECT_FALSE(std::filesystem::is_symlink(table));
  EXPECT_EQ(office.LogLines().size(), 1u);
}

TEST(UpdateInstall, AutomaticUpdateFindsTheMarkerScriptInOtherLetterCase) {
  Office office;
  office.MakeUpdate("F:\\KORAMI\\updates", "X", "6.5.0.12", kFiles);
  office.Write("F:\\KORAMI\\updates\\atualiza.ok", "x.aex\r\n");
  const AtualizarRun run = office.Run({"/r", "/korami.exe"});
  EXPECT_EQ(run.status, 0) << run.output;
  ExpectInstalled(office);
  EXPECT_EQ(office.LogLines().size(), 1u);
}

TEST(UpdateInstall, LogModeInstallsTheScriptOfTheLogsLastLine) {
  Office office;
  office.MakeUpdate("F:\\KORAMI\\updates", "X", "6.5.0.12", kFiles);
  office.MakeUpdate("F:\\KORAMI\\updates", "Y", "6.5.0.13",
                    {{"PONTO", "KORAMI.EXE", "program of Y", "\\"}});
  office.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
  office.Write("F:\\KORAMI\\Atualiz.log",
               "Atualiza\xe7\xe3o para versao 6.5 : F:\\KORAMI\\UPDATES\\Y.aex no dia 01/02/2003 \xe0s "
               "09:00:00\r\n");
  const AtualizarRun run = office.Run({"/L", "/KORAMI.EXE"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "program of Y");
}

TEST(UpdateInstall, PathModeInstallsTheNamedScript) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"});
  EXPECT_EQ(run.status, 0) << run.output;
  ExpectInstalled(office);
  EXPECT_TRUE(office.Exists("F:\\KORAMI\\UPDATES\\X.aex"));
}

TEST(UpdateInstall, ThreeVolumeSetFromTheDisketteDrive) {
  Office office;
  std::string big;
  for (int i = 0; i < 60000; ++i) big += std::to_string(i * 7919 % 104729) + ",";
  const int volumes = office.MakeUpdate("A:", "X", "6.5.0.12",
                                        {{"PONTO", "KORAMI.EXE", big, "\\"},
                                         {"SERVIDOR", "TABSQL.DB", "new table", "\\DADOS\\"}},
                                        {}, 70000);
  ASSERT_EQ(volumes, 3);
  const AtualizarRun run =
      office.Run({}, "TFormaLifto.caminho=A:\\,TFormaLifto.versao=X.aex,ok,ok,ok,ok");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), big);
  EXPECT_EQ(office.Read("F:\\KORAMI\\UPDATES\\X.003"), office.Read("A:\\X.003"));
  // The diskette question, then the component asks again for disks 2 and 3 while restoring.
  const auto questions = run.Lines(R"("type":"question")");
  ASSERT_EQ(questions.size(), 3u) << run.output;
  EXPECT_NE(questions[0].find("Insira o primeiro disquete de Atualizaçao no drive A:"), std::string::npos);
  EXPECT_NE(questions[1].find(R"("text":"Insira o Disco 2")"), std::string::npos);
  EXPECT_NE(questions[2].find(R"("text":"Insira o Disco 3")"), std::string::npos);
}

}  // namespace
}  // namespace lifto::test
