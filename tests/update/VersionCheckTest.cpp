#include "update/VersionCheck.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "support/PeBuilder.h"

namespace lifto::test {
namespace {

using platform::db::EConvertError;
using update::CheckVersion;

class VersionCheckTest : public UpdateFixture {
 protected:
  VersionCheckTest() {
    context = update::UpdateContext{};
    context.statusBar = "Status";
  }

  /// C:\UPD\X.aex with the given "[CONFIG]" lines; by default a KORAMI update of that version.
  std::string Script(const std::string& version,
                     const std::string& rest = "VERWIN=1\r\nTIPO=ATUALIZACAO\r\nNUMDISCOS=2") {
    home.Write("C:\\UPD\\X.aex", "[CONFIG]\r\nVERSAO=" + version +
                                     "\r\nPROG=KORAMI.EXE\r\nALIAS=ALIAS_KORAMI\r\n" + rest +
                                     "\r\n[BACKUP]\r\n");
    return "C:\\UPD\\X.aex";
  }
  void Install(const std::string& fileVersion) {
    WritePeWithVersion(Host("F:\\KORAMI\\KORAMI.EXE"), {{"FileVersion", fileVersion}});
  }
  std::string Question(const char* offered, const char* installed) {
    return Ansi("Deseja atualizar o sistema com a versão: ") + offered +
           " ,atualmente instalada: " + installed + " ?";
  }
};

TEST_F(VersionCheckTest, NewerGoesOnEqualSkipsTheNetworkFilesOlderAsks) {
  Install("6.5.0.12");
  EXPECT_TRUE(CheckVersion(context, Script("6.5.0.13")));
  EXPECT_TRUE(context.C_rede);
  EXPECT_EQ(context.LblTitulo, "TRELO-B System 6.5.0.13");
  EXPECT_EQ(context.pastaServidor, "F:\\KORAMI");
  EXPECT_EQ(context.numDiscos, 2);
  EXPECT_EQ(context.labelstatus, "Status");

  EXPECT_TRUE(CheckVersion(context, Script("6.5.0.12")));
  EXPECT_FALSE(context.C_rede);

  context.C_rede = true;
  ui.answers = {false, true};
  EXPECT_FALSE(CheckVersion(context, Script("6.5.0.11")));
  // Whole numbers without the dots: 6.5.1.0 (6510) counts as older than 65012.
  EXPECT_TRUE(CheckVersion(context, Script("6.5.1.0")));
  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[0].text, Question("65011", "65012"));
  EXPECT_EQ(ui.questions[0].style, 1);
  EXPECT_EQ(ui.questions[1].text, Question("6510", "65012"));
  EXPECT_TRUE(context.C_rede);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionCheckTest, ATwoDigitVersionComparesTheFirstTwoNumbers) {
  Install("6.5.0.12");
  EXPECT_TRUE(CheckVersion(context, Script("6.5")));
  EXPECT_FALSE(context.C_rede);
  EXPECT_FALSE(CheckVersion(context, Script("6.4")));
  EXPECT_EQ(ui.questions.at(0).text, Question("64", "65"));
}

TEST_F(VersionCheckTest, NothingInstalledOrNothingOfferedAsksNothing) {
  EXPECT_TRUE(CheckVersion(context, Script("0.0.0.1")));
  home.Write("F:\\KORAMI\\KORAMI.EXE", "without version information");
  EXPECT_TRUE(CheckVersion(context, Script("0")));
  EXPECT_FALSE(context.C_rede);  // ‘0’ equals ‘0.0.0.0’

  context.C_rede = true;
  Install("9.9.9.99");
  EXPECT_TRUE(CheckVersion(context, Script("")));
  // An MS-DOS program is reported and compared with nothing installed.
  context.pastaServidor = "F:\\ANTES";
  EXPECT_TRUE(CheckVersion(context, Script("1.0.0.0", "VERWIN=0\r\nTIPO=ATU\r\nNUMDISCOS=1")));
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{Ansi("Versao MS-Dos Não implementada")});
  EXPECT_FALSE(context.programaWindows);
  EXPECT_EQ(context.pastaServidor, "F:\\ANTES");
  EXPECT_TRUE(context.C_rede);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(VersionCheckTest, MissingDiskInformationIsAskedForUntilValidOrCancelled) {
  ui.dialogAnswers.push_back({{{"c_numero", "51"}}, true});
  ui.dialogAnswers.push_back({{{"c_numero", "3"}, {"C_tipos", "Outro"}}, true});
  ui.dialogAnswers.push_back({{{"c_TIPOS", "Requerimento"}}, true});  // names in any case
  EXPECT_TRUE(CheckVersion(context, Script("1.0", "TIPO=ATU")));
  ASSERT_EQ(ui.dialogs.size(), 3u);
  EXPECT_EQ(ui.dialogs[0].name, "TFormaajustaversao");
  EXPECT_EQ(ui.dialogs[0].Field("C_tipos"), Ansi("Atualização"));
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(context.tipoAtualizacao, "REQ");
  EXPECT_EQ(context.numDiscos, 3);  // kept from the answer before

  ui.messages.clear();
  ui.dialogAnswers.push_back({{{"c_numero", "0"}}, true});
  ui.dialogAnswers.push_back({{}, false});
  EXPECT_FALSE(CheckVersion(context, Script("1.0", "NUMDISCOS=2")));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].kind, 1);
  EXPECT_EQ(ui.messages[1].text,
            Ansi("Não informadas as informações sobre esta versão, abortando atualização..."));
}

TEST_F(VersionCheckTest, ADiskCountThatIsNoIntegerOrNoDiskStopsTheUpdate) {
  for (const char* count : {"dois", "3x", "99999999999", "0", "-2"}) {
    ui.messages.clear();
    EXPECT_FALSE(CheckVersion(context, Script("1.0", std::string("TIPO=ATU\r\nNUMDISCOS=") + count)));
    ASSERT_EQ(ui.messages.size(), 1u) << count;
    EXPECT_EQ(ui.messages[0].kind, 4);
    EXPECT_EQ(ui.messages[0].text, "Erro ao ler chave NUMDISCOS, Abortando...");
  }
  EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(VersionCheckTest, AVersionOtherThanDigitsAndDotsIsAConversionError) {
  Install("2024.1.15.1233");
  // 20241151234 exceeds 32 bits and still compares as the larger number.
  EXPECT_TRUE(CheckVersion(context, Script("2024.1.15.1234")));
  EXPECT_THROW(CheckVersion(context, Script("6.5.b")), EConvertError);
  EXPECT_THROW(CheckVersion(context, Script("...")), EConvertError);
  // Beyond any integer: an error, never a number wrapped round into a small one.
  EXPECT_THROW(CheckVersion(context, Script("99999999999.99999999999")), EConvertError);
  Install("6.5.0.12 beta");
  EXPECT_THROW(CheckVersion(context, Script("6.5.0.13")), EConvertError);
  EXPECT_TRUE(ui.questions.empty());
}

}  // namespace
}  // namespace lifto::test
