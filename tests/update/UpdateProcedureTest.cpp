#include "update/UpdateProcedure.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "support/TempFolder.h"
#include "update/ProcedureTestHelpers.h"

namespace lifto::test {
namespace {

using ::testing::ElementsAre;

// An office with drives C: and F:, and a script with its archive in C:\UPD.
class UpdateProcedureTest : public ::testing::Test {
 protected:
  UpdateProcedureTest() : home_({{"F", "srv"}}), scope_(ui_) {
    WriteScript(home_, "C:\\UPD\\X.aex", {"[CONFIG]", "PROG=KORAMI.EXE"});
    home_.Write("C:\\UPD\\X.ATU", "archive");
    steps_.onCheckVersion = [](update::UpdateContext& context) {
      context.pastaServidor = "F:\\KORAMI";
      context.tipoAtualizacao = "ATU";
      context.numDiscos = 1;
    };
    steps_.sections = {
        {"CONFIG", {"ALIAS=ALIAS_KORAMI", "PROG=KORAMI.EXE", "VERSAO=6.5.0.12"}},
        {"PONTO", {"P_ARQ13=C:\\FONTES\\KORAMI.EXE , \\"}},
        {"SERVIDOR", {"S_ARQ16=C:\\FONTES\\TABSQL.DB , \\DADOS\\"}},
        {"BACKUP", {"B_ARQ10=<PONTO>\\INDICE.IDX"}},
    };
    window_.context.C_caminhoOrigem = "C:\\UPD";
  }

  // The folder's list as FillVersionList leaves it with X.aex chosen.
  void ChooseFromList(int index) {
    window_.listEnabled = true;
    window_.items = {"X.aex | 6.5.0.12"};
    window_.itemIndex = index;
  }

  void Run() { update::UpdateFromDisk(window_, steps_.Steps()); }

  SandboxHome home_;
  FakeUi ui_;
  FakeUi::Scope scope_;
  FakeUpdateWindow window_;
  RecordingSteps steps_;
};

TEST_F(UpdateProcedureTest, FolderUpdateCopiesIntoUpdatesRestoresInstallsAndLogs) {
  ChooseFromList(0);
  Run();

  // The orderings that matter: nothing is touched before the checks, the roots are sought in the
  // restored set, the backup precedes every install, the log follows the last one, and the
  // extraction folder is emptied at the end.
  const std::vector<std::string> milestones = {
      "checkVersion C:\\UPD\\X.aex", "checkLoggedUsers", "restore F:\\KORAMI\\UPDATES\\X.ATU C:\\TEMP\\Vorn",
      "findInstallRoots KORAMI.EXE ALIAS_KORAMI", "backupFiles", "installSection C:\\KORAMI 1",
      "installSection F:\\KORAMI 1", "installSection C:\\WINDOWS 0",
      "writeUpdateLog F:\\KORAMI F:\\KORAMI\\UPDATES\\X.aex 6.5.0.12", "finishUpdate"};
  std::vector<std::string> seen;
  for (const auto& call : steps_.calls) {
    if (std::find(milestones.begin(), milestones.end(), call) != milestones.end()) seen.push_back(call);
  }
  EXPECT_EQ(seen, milestones);
  EXPECT_EQ(steps_.calls.back(), "clearExtractFolder");
  EXPECT_EQ(window_.endStatus, 0);
  EXPECT_FALSE(window_.failed);
  EXPECT_TRUE(window_.workingLayout);
  EXPECT_EQ(window_.context.listaBackup, std::vector<std::string>{"B_ARQ10=<PONTO>\\INDICE.IDX"});
  EXPECT_EQ(ReadFileBytes(home_.HostPath("F:\\KORAMI\\UPDATES\\atualiza.ok")), "X.aex\r\n");
  EXPECT_TRUE(platform::FileExists("F:\\KORAMI\\UPDATES\\X.ATU"));
  EXPECT_TRUE(platform::FileExists("C:\\TEMP\\Vorn\\X.aex"));
  EXPECT_EQ(window_.context.statusBar, "Status");
  EXPECT_EQ(window_.context.labelstatus2, Ansi("Atualização realizada com sucesso!"));
}

TEST_F(UpdateProcedureTest, ListWithoutChoiceWarnsAndStops) {
  ChooseFromList(-1);
  Run();
  EXPECT_THAT(ui_.MessageTexts(), ElementsAre(Ansi("Aviso, selecione uma versão no botão de combo")));
  EXPECT_EQ(ui_.messages[0].kind, 1);
  EXPECT_TRUE(steps_.calls.empty());
  EXPECT_TRUE(window_.failed);
  EXPECT_EQ(window_.endStatus, -1);
}

TEST_F(UpdateProcedureTest, MissingArchiveOfChosenScriptIsNamed) {
  ChooseFromList(0);
  platform::DeleteFile("C:\\UPD\\X.ATU");
  Run();
  EXPECT_THAT(ui_.MessageTexts(), ElementsAre(Ansi("Erro Arquivo X.ATU não existe")));
  EXPECT_TRUE(steps_.calls.empty());
}

TEST_F(UpdateProcedureTest, AutomaticUpdateFindsMarkerScriptInOtherCaseWithoutCopyingIt) {
  WriteScript(home_, "F:\\KORAMI\\updates\\X.aex", {"[CONFIG]"});
  home_.Write("F:\\KORAMI\\updates\\X.ATU", "archive");
  window_.context.firstArgument = "/r";
  window_.context.scriptEscolhido = "x.aex";
  window_.context.C_caminhoOrigem = "F:\\KORAMI\\updates";
  window_.listEnabled = true;
  window_.items = {"A.aex", "X.aex | 6.5"};
  Run();
  EXPECT_EQ(window_.itemIndex, 1);
  ASSERT_GE(steps_.calls.size(), 4u);
  EXPECT_EQ(steps_.calls[0], "checkVersion F:\\KORAMI\\updates\\X.aex");
  // Already in the updates folder: restored from there, no marker written by a copy.
  EXPECT_EQ(steps_.calls[3], "restore F:\\KORAMI\\updates\\X.ATU C:\\TEMP\\Vorn");
  EXPECT_FALSE(platform::FileExists("F:\\KORAMI\\updates\\atualiza.ok"));
  EXPECT_EQ(window_.endStatus, 0);
}

TEST_F(UpdateProcedureTest, LogModeChoosesTheLastLoggedScript) {
  window_.context.firstArgument = "/L";
  window_.context.scriptEscolhido = "X.aex";
  steps_.lastLogged = "Y.aex";
  WriteScript(home_, "C:\\UPD\\Y.aex", {"[CONFIG]"});
  home_.Write("C:\\UPD\\Y.ATU", "archive");
  window_.listEnabled = true;
  window_.items = {"X.aex", "Y.aex"};
  Run();
  EXPECT_EQ(window_.context.scriptEscolhido, "Y.aex");
  EXPECT_EQ(window_.itemIndex, 1);
  EXPECT_EQ(steps_.calls[0], "checkVersion C:\\UPD\\Y.aex");
  EXPECT_EQ(window_.context.arquivoAtu, "Y.ATU");
}

TEST_F(UpdateProcedureTest, RefusedVersionOrLoggedUsersCloseTheWindowBeforeAnyCopy) {
  ChooseFromList(0);
  steps_.versionOk = false;
  Run();
  EXPECT_TRUE(window_.closed);
  EXPECT_THAT(steps_.calls, ElementsAre("checkVersion C:\\UPD\\X.aex"));

  steps_ = RecordingSteps{};
  steps_.usersStop = true;
  window_.closed = false;
  Run();
  EXPECT_TRUE(window_.closed);
  EXPECT_FALSE(platform::FolderExists("F:\\KORAMI\\UPDATES"));
}

TEST_F(UpdateProcedureTest, WithoutServerFolderTheUpdateIsRefusedAndSaysWhy) {
  const struct {
    bool windowsProgram;
    const char* alias;
    const char* reason;
  } cases[] = {
      {false, "", "Versão MS-Dos não implementada"},
      {true, "", "Alias não configurado no script"},
      {true, "ALIAS_NONE", "O alias ALIAS_NONE não existe neste computador"},
  };
  for (const auto& c : cases) {
    ChooseFromList(0);
    steps_ = RecordingSteps{};
    steps_.onCheckVersion = [&](update::UpdateContext& context) {
      context.pastaServidor.clear();
      context.programaWindows = c.windowsProgram;
      context.aliasPrograma = c.alias;
    };
    window_.closed = false;
    ui_.messages.clear();
    Run();
    EXPECT_TRUE(window_.closed) << c.reason;
    ASSERT_EQ(ui_.messages.size(), 1u) << c.reason;
    EXPECT_EQ(ui_.messages[0].kind, 4);
    EXPECT_EQ(ui_.messages[0].text, Ansi("Atualização cancelada") + "\r" + Ansi(c.reason));
    EXPECT_THAT(steps_.calls, ElementsAre("checkVersion C:\\UPD\\X.aex"));
  }
}

TEST_F(UpdateProcedureTest, RestoreFailureInstallsNothingAndEmptiesTheExtractionFolder) {
  ChooseFromList(0);
  steps_.restoreOk = false;
  Run();
  EXPECT_THAT(ui_.MessageTexts(), ElementsAre(Ansi("Foi detectado um erro ao fazer a Atualização,") +
                                              "\r" + Ansi("Atualização não foi feita com sucesso.")));
  EXPECT_EQ(steps_.calls.back(), "clearExtractFolder");
  for (const auto& call : steps_.calls) EXPECT_EQ(call.find("install"), std::string::npos) << call;
  EXPECT_TRUE(window_.failed);
  EXPECT_EQ(window_.endStatus, -1);
}

TEST_F(UpdateProcedureTest, MissingRootStopsBeforeBackup) {
  ChooseFromList(0);
  steps_.rootsFound = false;
  Run();
  for (const auto& call : steps_.calls) {
    EXPECT_NE(call, "backupFiles");
    EXPECT_EQ(call.find("writeUpdateLog"), std::string::npos);
  }
  EXPECT_EQ(steps_.calls.back(), "clearExtractFolder");
  EXPECT_TRUE(window_.failed);
}

TEST_F(UpdateProcedureTest, FailedSectionEndsTheToolWithoutLog) {
  ChooseFromList(0);
  steps_.installOk = false;
  Run();
  EXPECT_EQ(window_.endStatus, 1);
  EXPECT_EQ(steps_.calls.back(), "installSection C:\\KORAMI 1");
}

TEST_F(UpdateProcedureTest, ClearedOptionsSkipTheirSections) {
  ChooseFromList(0);
  window_.context.C_rede = false;
  window_.context.C_windows = false;
  Run();
  int sections = 0;
  for (const auto& call : steps_.calls) sections += call.rfind("installSection", 0) == 0;
  EXPECT_EQ(sections, 1);
  EXPECT_EQ(window_.endStatus, 0);
}

TEST_F(UpdateProcedureTest, LowerCasePathTakesFirstArchiveAndFirstScript) {
  // The list stays disabled for "c:\upd"; the folder's first archive and script are used.
  WriteScript(home_, "C:\\UPD\\Z.aex", {"[CONFIG]"});
  home_.Write("C:\\UPD\\Z.ATU", "archive");
  window_.context.C_caminhoOrigem = "c:\\upd";
  Run();
  ASSERT_GE(steps_.calls.size(), 4u);
  EXPECT_EQ(steps_.calls[0], "checkVersion c:\\upd\\X.aex");
  EXPECT_EQ(window_.context.arquivoAtu, "X.ATU");
  EXPECT_EQ(steps_.calls[3], "restore F:\\KORAMI\\UPDATES\\X.ATU C:\\TEMP\\Vorn");
}

TEST_F(UpdateProcedureTest, FolderWithoutArchiveIsReported) {
  home_.Write("C:\\VAZIO\\LEIA.TXT", "x");
  window_.context.C_caminhoOrigem = "C:\\VAZIO\\";
  Run();
  EXPECT_THAT(ui_.MessageTexts(),
              ElementsAre(Ansi("Atualização não encontrada no diretório C:\\VAZIO\\")));
  EXPECT_FALSE(window_.workingLayout);
}

TEST_F(UpdateProcedureTest, DisketteQuestionRepeatsUntilAnArchiveIsThere) {
  home_.MapDrive("A", "floppy");
  window_.context.C_caminhoOrigem = "a:\\";
  ui_.answers = {true, true, false};
  int asked = 0;
  ui_.onAsk = [&](const std::string&) {
    if (++asked == 2) {
      home_.Write("A:\\X.ATU", "archive");
      WriteScript(home_, "A:\\Y.aex", {"[CONFIG]"});
    }
  };
  Run();
  ASSERT_GE(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[0].text, Ansi("Insira o primeiro disquete de Atualizaçao no drive A:"));
  EXPECT_EQ(ui_.questions[0].style, 2);
  // The archive found on the diskette and the first script listed, whatever their names.
  EXPECT_EQ(window_.context.arquivoAtu, "X.ATU");
  EXPECT_EQ(steps_.calls[0], "checkVersion a:\\Y.aex");
}

TEST_F(UpdateProcedureTest, DisketteQuestionCancelledEndsQuietly) {
  window_.context.C_caminhoOrigem = "B:\\";
  Run();
  EXPECT_EQ(ui_.questions.size(), 1u);
  EXPECT_TRUE(steps_.calls.empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(UpdateProcedureTest, PathModeTakesTheScriptOfTheCommandLine) {
  window_.context.modoCaminho = true;
  window_.context.firstArgument = "/C:\\UPD\\X.aex";
  int refills = 0;
  window_.onSourceChange = [&] { ++refills; };
  Run();
  EXPECT_EQ(window_.context.C_caminhoOrigem, "C:\\UPD\\");
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(window_.context.arquivoAtu, "X.ATU");
  EXPECT_EQ(steps_.calls[0], "checkVersion C:\\UPD\\X.aex");
  EXPECT_EQ(window_.endStatus, 0);
}

TEST_F(UpdateProcedureTest, PathModeBareNameLiesBesideTheTool) {
  window_.context.modoCaminho = true;
  window_.context.firstArgument = "X.aex";
  window_.context.ownExecutable = "C:\\UPD\\ATUALIZAR.EXE";
  Run();
  EXPECT_EQ(window_.context.C_caminhoOrigem, "C:\\UPD\\");
  EXPECT_EQ(steps_.calls[0], "checkVersion C:\\UPD\\X.aex");
}

}  // namespace
}  // namespace lifto::test
