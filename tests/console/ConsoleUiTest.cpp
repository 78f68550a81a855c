#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "console/ConsoleUi.h"
#include "platform/Codepage.h"
#include "support/MessagePump.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::console {
namespace {

class ConsoleUiTest : public ::testing::Test {
 protected:
  void TearDown() override { support::SetPendingMessagesHandler(nullptr); }
  std::string Transcript() const {
    return std::filesystem::exists(transcript_) ? test::ReadFileBytes(transcript_) : std::string();
  }

  test::TempFolder folder_;
  std::filesystem::path transcript_ = folder_.Path() / "t.jsonl";
  test::ScopedVariable transcriptVariable_{"LIFTO_TRANSCRIPT", transcript_.c_str()};
  std::istringstream in_;
  std::ostringstream out_;
};

TEST_F(ConsoleUiTest, WithoutATerminalNothingIsReadAndTheAnswerIsNo) {
  in_.str("sim\nsim\nC:\\X\nok\n");
  ConsoleUi ui("", in_, out_, false);
  EXPECT_FALSE(ui.Ask("Continuar?", 1));
  EXPECT_FALSE(ui.Ask("Inserir disco?", 2));
  EXPECT_EQ(ui.BrowseFolder("Origem", "C:\\"), std::nullopt);
  support::DialogRequest dialog{"TFormaConexao", {{"telefone", "123"}}};
  EXPECT_FALSE(ui.RunDialog(dialog));
  EXPECT_EQ(in_.tellg(), 0);  // standard input untouched
  EXPECT_EQ(Transcript(),
            R"({"type":"question","style":1,"text":"Continuar?","answer":"nao"})" "\n"
            R"({"type":"question","style":2,"text":"Inserir disco?","answer":"cancela"})" "\n"
            R"({"type":"dialog","name":"BrowseFolder","result":"cancela","titulo":"Origem","pasta":""})" "\n"
            R"({"type":"dialog","name":"TFormaConexao","result":"cancela","telefone":"123"})" "\n");
}

TEST_F(ConsoleUiTest, AnswersComeFromTheListInOrder) {
  ConsoleUi ui("sim,pasta=C:\\UPD,TFormaajustaversao.versao=8.3,ok,arquivo=A:\\X.AEX,nao", in_, out_, false);
  EXPECT_TRUE(ui.Ask("Primeira?", 1));
  EXPECT_EQ(ui.BrowseFolder("Origem", ""), "C:\\UPD");
  support::DialogRequest dialog{"TFormaajustaversao", {{"versao", "8.2"}, {"disco", "1"}}};
  EXPECT_TRUE(ui.RunDialog(dialog));
  EXPECT_EQ(dialog.Field("versao"), "8.3");
  EXPECT_EQ(dialog.Field("disco"), "1");
  EXPECT_EQ(ui.ChooseFile("Script", "Scripts|*.aex", ""), "A:\\X.AEX");
  EXPECT_FALSE(ui.Ask("Segunda?", 1));
  EXPECT_FALSE(ui.Ask("Terceira?", 1));  // the list is used up
  const std::string transcript = Transcript();
  EXPECT_NE(transcript.find(R"({"type":"dialog","name":"TFormaajustaversao","result":"ok","versao":"8.3","disco":"1"})"),
            std::string::npos);
  EXPECT_NE(transcript.find(
                R"({"type":"dialog","name":"ChooseFile","result":"ok","titulo":"Script","filtro":"Scripts|*.aex","arquivo":"A:\\X.AEX"})"),
            std::string::npos);
}

TEST_F(ConsoleUiTest, FileChoosersOfSeveralFilesAndOfSavingTakeTheNextFileAnswer) {
  ConsoleUi ui("arquivo=C:\\A.EXE | /b.dll,arquivo=C:\\UM.EXE|C:\\DOIS.EXE,arquivo=F:\\P,arquivo=", in_, out_, false);
  EXPECT_EQ(ui.ChooseFiles("Selecione um Arquivo", "Todos|*.*", "", true),
            (std::vector<std::string>{"C:\\A.EXE", "Z:\\b.dll"}));
  // A chooser of one file takes the answer whole.
  EXPECT_EQ(ui.ChooseFiles("Selecione um Arquivo", "Todos|*.*", "", false),
            std::vector<std::string>{"C:\\UM.EXE|C:\\DOIS.EXE"});
  EXPECT_EQ(ui.ChooseSaveFile("Salva o projeto", "P|*.aex", "aex", ""), "F:\\P");
  EXPECT_EQ(ui.ChooseSaveFile("Salva o projeto", "P|*.aex", "aex", ""), std::nullopt);
  EXPECT_NE(Transcript().find(R"("name":"ChooseFile","result":"ok","titulo":"Selecione um Arquivo","filtro":"Todos|*.*","arquivo":"C:\\A.EXE|Z:\\b.dll"})"),
            std::string::npos);
  EXPECT_NE(Transcript().find(R"({"type":"dialog","name":"SaveFile","result":"cancela","titulo":"Salva o projeto","filtro":"P|*.aex","arquivo":""})"),
            std::string::npos);
}

TEST_F(ConsoleUiTest, OnATerminalItAsksUntilItUnderstands) {
  in_.str("talvez\nS\n\nC:\\DADOS\n");
  ConsoleUi ui("", in_, out_, true);
  EXPECT_TRUE(ui.Ask("Continuar?", 1));
  EXPECT_EQ(ui.BrowseFolder("Origem", ""), std::nullopt);  // an empty line cancels
  EXPECT_EQ(ui.BrowseFolder("Origem", ""), "C:\\DADOS");
  EXPECT_FALSE(ui.Ask("Fim da entrada?", 2));  // end of input closes the box
}

TEST_F(ConsoleUiTest, MessagesAndStatusLinesPrintInUtf8) {
  ConsoleUi ui("", in_, out_, false);
  std::string status;
  ui.SetStatusSource([&] { return status; });
  int pending = 0;
  support::SetPendingMessagesHandler([&] { ++pending; });
  status = Ansi("Copiando arquivos...");
  ui.ProcessMessages();
  ui.ProcessMessages();  // unchanged: not printed again
  ui.ShowMessage(4, "Erro", Ansi("Falha na conexão\r\nTente de novo"));
  EXPECT_EQ(pending, 2);
  EXPECT_EQ(out_.str(), "Copiando arquivos...\nErro: Falha na conexão\nTente de novo\n");
  EXPECT_EQ(Transcript(), R"({"type":"message","kind":4,"title":"Erro","text":"Falha na conexão\r\nTente de novo"})" "\n");
}

}  // namespace
}  // namespace lifto::console
