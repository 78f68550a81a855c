#include "update/VersionCheck.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "support/PeBuilder.h"

namespace lifto::test {
namespace {

using update::CheckVersion;

/// A script in C:\UPD and, for KORAMI.EXE, the installed executable in the server folder.
class VersionCheckTest : public UpdateFixture {
 protected:
  VersionCheckTest() {
    context = update::UpdateContext{};
    context.statusBar = "Status";
  }

  /// Writes C:\UPD\X.aex with the given "[CONFIG]" lines (CR LF) and returns its path.
  std::string Script(const std::string& config) {
    home.Write(kScript, "[CONFIG]\r\n" + config + "\r\n[BACKUP]\r\n\r\n[PONTO]\r\n");
    return kScript;
  }
  /// A KORAMI script with everything set but the version.
  std::string KoramiScript(const std::string& version) {
    return Script("VERSAO=" + version +
                  "\r\nPROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\nVERWIN=1\r\n"
                  "EXECUTAR=<PONTO>\\KORAMI.EXE /I\r\nTIPO=ATUALIZACAO\r\nNUMDISCOS=2");
  }
  void Install(const std::string& fileVersion) {
    WritePeWithVersion(Host("F:\\KORAMI\\KORAMI.EXE"), {{"FileVersion", fileVersion}});
  }

  static constexpr const char* kScript = "C:\\UPD\\X.aex";
};

TEST_F(VersionCheckTest, ANewerVersionGoesOnWithoutAQuestionAndSetsTheRunState) {
  Install("6.5.0.11");

  EXPECT_TRUE(CheckVersion(context, KoramiScript("6.5.0.12")));

  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(context.C_rede);
  EXPECT_EQ(context.LblTitulo, "TRELO-B System 6.5.0.12");
  EXPECT_EQ(context.comandoExecutar, "<PONTO>\\KORAMI.EXE /I");
  EXPECT_EQ(context.tipoAtualizacao, "ATUALIZACAO");
  EXPECT_EQ(context.numDiscos, 2);
  EXPECT_TRUE(context.programaWindows);
  EXPECT_EQ(context.aliasPrograma, "ALIAS_KORAMI");
  EXPECT_EQ(context.programaExe, "KORAMI.EXE");
  EXPECT_EQ(context.pastaServidor, "F:\\KORAMI");
  // The status the check found is back where it was.
  EXPECT_EQ(context.statusBar, "Status");
  EXPECT_EQ(context.labelstatus, "Status");
  EXPECT_EQ(context.Panelstatus, "Status");
}

TEST_F(VersionCheckTest, AnEqualVersionLeavesOutTheNetworkFiles) {
  Install("6.5.0.12");
  EXPECT_TRUE(CheckVersion(context, KoramiScript("6.5.0.12")));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_FALSE(context.C_rede);
}

TEST_F(VersionCheckTest, AnOlderVersionIsInstalledOnlyWhenThePersonSaysSo) {
  Install("6.5.0.12");
  ui.answers = {false, true};

  EXPECT_FALSE(CheckVersion(context, KoramiScript("6.5.0.11")));
  // Versions compare as whole numbers without their dots: 6.5.1.0 (6510) is older than 65012.
  EXPECT_TRUE(CheckVersion(context, KoramiScript("6.5.1.0")));

  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[0].text,
            Ansi("Deseja atualizar o sistema com a versão: 65011 ,atualmente instalada: 65012 ?"));
  EXPECT_EQ(ui.questions[0].style, 1);
  EXPECT_EQ(ui.questions[1].text,
            Ansi("Deseja atualizar o sistema com a versão: 6510 ,atualmente instalada: 65012 ?"));
  EXPECT_TRUE(context.C_rede);
  EXPECT_EQ(context.statusBar, "Status");
}

TEST_F(VersionCheckTest, ATwoDigitVersionComparesTheFirstTwoNumbersOnly) {
  Install("6.5.0.12");
  EXPECT_TRUE(CheckVersion(context, KoramiScript("6.5")));
  EXPECT_FALSE(context.C_rede);

  context.C_rede = true;
  ui.answers = {false};
  EXPECT_FALSE(CheckVersion(context, KoramiScript("6.4")));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text,
            Ansi("Deseja atualizar o sistema com a versão: 64 ,atualmente instalada: 65 ?"));
}

TEST_F(VersionCheckTest, AMissingOrUnversionedExecutableCountsAsNothingInstalled) {
  EXPECT_TRUE(CheckVersion(context, KoramiScript("0.0.0.1")));
  // ‘0’ equals ‘0.0.0.0’.
  EXPECT_TRUE(CheckVersion(context, KoramiScript("0")));
  EXPECT_FALSE(context.C_rede);

  context.C_rede = true;
  home.Write("F:\\KORAMI\\KORAMI.EXE", "not a program");
  EXPECT_TRUE(CheckVersion(context, KoramiScript("1.0.0.0")));
  EXPECT_TRUE(context.C_rede);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(VersionCheckTest, WithoutAnOfferedVersionNothingIsCompared) {
  Install("9.9.9.99");
  EXPECT_TRUE(CheckVersion(context, KoramiScript("")));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(context.C_rede);
  EXPECT_EQ(context.LblTitulo, "TRELO-B System ");
}

TEST_F(VersionCheckTest, AnMsDosProgramIsReportedAndComparedWithNothingInstalled) {
  Install("9.9.9.99");
  context.pastaServidor = "F:\\ANTES";
  const auto script = Script(
      "VERSAO=1.0.0.0\r\nPROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\nVERWIN=0\r\nTIPO=ATU\r\nNUMDISCOS=1");

  EXPECT_TRUE(CheckVersion(context, script));

  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Versao MS-Dos N\xE3o implementada"});
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_FALSE(context.programaWindows);
  EXPECT_EQ(context.pastaServidor, "F:\\ANTES");
  EXPECT_TRUE(context.aliasPrograma.empty());
}

TEST_F(VersionCheckTest, TheTitleNeedsTheProgramFileInItsExactCase) {
  context.LblTitulo = "Antes";
  const auto script =
      Script("VERSAO=1.0\r\nPROG=korami.exe\r\nALIAS=ALIAS_KORAMI\r\nTIPO=ATU\r\nNUMDISCOS=1");
  EXPECT_TRUE(CheckVersion(context, script));
  EXPECT_EQ(context.LblTitulo, "Antes");
  EXPECT_EQ(context.programaExe, "korami.exe");
}

TEST_F(VersionCheckTest, MissingDiskInformationIsAskedFor) {
  ui.dialogAnswers.push_back({{{"C_tipos", "Requerimento"}, {"c_numero", "3"}}, true});
  const auto script = Script("VERSAO=1.0\r\nPROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\nTIPO=ATU");

  EXPECT_TRUE(CheckVersion(context, script));

  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].name, "TFormaajustaversao");
  EXPECT_EQ(context.tipoAtualizacao, "REQ");
  EXPECT_EQ(context.numDiscos, 3);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionCheckTest, TheDiskDialogTakesOnlyItsItemsAndOneToFifty) {
  ui.dialogAnswers.push_back({{{"c_numero", "51"}}, true});
  ui.dialogAnswers.push_back({{{"c_numero", "0"}}, true});
  ui.dialogAnswers.push_back({{{"c_numero", " 50 "}, {"C_tipos", "Outro"}}, true});
  ui.dialogAnswers.push_back({{{"C_tipos", "atualizacao"}}, true});
  const auto script = Script("PROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\nNUMDISCOS=2");

  EXPECT_TRUE(CheckVersion(context, script));

  ASSERT_EQ(ui.dialogs.size(), 4u);
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0].kind, 1);
  // Shown again with the answer given, so that the person corrects only what was wrong.
  EXPECT_EQ(context.tipoAtualizacao, "ATU");
  EXPECT_EQ(context.numDiscos, 50);
}

TEST_F(VersionCheckTest, ACancelledDiskDialogStopsTheUpdate) {
  ui.dialogAnswers.push_back({{{"c_numero", "99"}}, true});
  ui.dialogAnswers.push_back({{}, false});
  const auto script = Script("VERSAO=1.0\r\nPROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\nNUMDISCOS=2");

  EXPECT_FALSE(CheckVersion(context, script));

  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].kind, 1);
  EXPECT_EQ(ui.messages[1].text,
            Ansi("Não informadas as informações sobre esta versão, abortando atualização..."));
  EXPECT_TRUE(context.pastaServidor.empty());
}

TEST_F(VersionCheckTest, ADiskCountThatIsNoIntegerStopsTheUpdate) {
  for (const char* count : {"dois", "3x", "99999999999"}) {
    ui.messages.clear();
    const auto script = Script(std::string("VERSAO=1.0\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\nNUMDISCOS=") + count);
    EXPECT_FALSE(CheckVersion(context, script)) << count;
    ASSERT_EQ(ui.messages.size(), 1u) << count;
    EXPECT_EQ(ui.messages[0].kind, 4);
    EXPECT_EQ(ui.messages[0].text, "Erro ao ler chave NUMDISCOS, Abortando...");
  }
  EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(VersionCheckTest, AVersionThatIsNoNumberIsAConversionError) {
  Install("6.5.0.12");
  EXPECT_THROW(CheckVersion(context, KoramiScript("6.5.b")), platform::db::EConvertError);
  EXPECT_THROW(CheckVersion(context, KoramiScript("...")), platform::db::EConvertError);
  // Far beyond any integer: an error, never a number wrapped round to look older or newer.
  EXPECT_THROW(CheckVersion(context, KoramiScript("99999999999.99999999999")),
               platform::db::EConvertError);
  Install("6.5.0.12 beta");
  EXPECT_THROW(CheckVersion(context, KoramiScript("6.5.0.13")), platform::db::EConvertError);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(VersionCheckTest, LongVersionsCompareWithoutOverflow) {
  // 20241151234 does not fit 32 bits; it still compares as the larger number.
  Install("2024.1.15.1233");
  EXPECT_TRUE(CheckVersion(context, KoramiScript("2024.1.15.1234")));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(context.C_rede);
  EXPECT_EQ(update::VersionNumber("18446744073709551615"), 18446744073709551615u);
  EXPECT_THROW(update::VersionNumber("18446744073709551616"), platform::db::EConvertError);
}

}  // namespace
}  // namespace lifto::test
