#include "update/LoggedUsers.h"

#include <functional>

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/db/Table.h"
#include "support/DbSandbox.h"
#include "support/ForkedProcess.h"

namespace lifto::test {
namespace {

using update::CheckLoggedUsers;

class LoggedUsersTest : public UpdateFixture {
 protected:
  LoggedUsersTest() {
    DbSandbox::ExecSql(Host("F:\\KORAMI\\DADOS\\Novo.sqlite"),
                       "CREATE TABLE Novo (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "ATIVO BOOLEAN, USUARIO VARCHAR(10), NOMEMICRO VARCHAR(15));"
                       "INSERT INTO Novo (ATIVO, USUARIO, NOMEMICRO) VALUES "
                       "(1, 'ANA', 'PC1'), (0, 'EVA', 'PC3'), (1, 'RUI', 'PC2');");
    context.C_rede = false;  // equal versions: the network files are not installed
  }

  static void OpenNovo(platform::db::Table& table) {
    table.SetDatabaseName("ALIAS_KORAMI");
    table.SetTableName("Novo");
    table.Open();
  }

  // Another workstation running the program: holds "Novo" open until told 'q'; on 'r' it logs
  // RUI out.
  static int Workstation(const ForkedProcess::Channel& channel) {
    platform::db::Table table;
    OpenNovo(table);
    channel.Send('o');
    for (char signal = channel.Receive(); signal == 'r'; signal = channel.Receive()) {
      for (table.First(); !table.Eof(); table.Next()) {
        if (table.FieldAsText("USUARIO") != "RUI") continue;
        table.Edit();
        table.SetFieldBoolean("ATIVO", false);
        table.Post();
      }
      channel.Send('d');
    }
    table.Close();
    channel.Send('c');
    return 0;
  }

  const std::string anaAndRui = "ANA       \t Em  PC1\rRUI       \t Em  PC2\r";
};

TEST_F(LoggedUsersTest, UsersStillLoggedInMayStopTheUpdate) {
  ForkedProcess other(Workstation);
  ASSERT_EQ(other.Receive(), 'o');
  ui.answers = {false};

  EXPECT_TRUE(CheckLoggedUsers(context));

  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].style, 1);
  EXPECT_EQ(ui.questions[0].text,
            "Lista dos Usuarios Logados:\r\r" + anaAndRui + "\r\rFazer Pesquisa Novamente ?");
  other.Send('q');
  EXPECT_EQ(other.Receive(), 'c');
}

TEST_F(LoggedUsersTest, LookingAgainSeesWhoLoggedOutAndWhenTheTableIsFree) {
  ForkedProcess other(Workstation);
  ASSERT_EQ(other.Receive(), 'o');
  FakeUi asking;
  FakeUi::Scope scope(asking);
  asking.answers = {true, true};
  // While the first question is on the screen RUI logs out, during the second the program ends.
  asking.onAsk = [&](const std::string&) {
    const bool first = asking.questions.empty();
    other.Send(first ? 'r' : 'q');
    ASSERT_EQ(other.Receive(), first ? 'd' : 'c');
  };

  EXPECT_FALSE(CheckLoggedUsers(context));

  ASSERT_EQ(asking.questions.size(), 2u);
  EXPECT_EQ(asking.questions[1].text,
            "Lista dos Usuarios Logados:\r\rANA       \t Em  PC1\r\r\rFazer Pesquisa Novamente ?");
}

TEST_F(LoggedUsersTest, FlagsLeftByAProgramThatEndedDoNotStopTheUpdate) {
  EXPECT_FALSE(CheckLoggedUsers(context));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoggedUsersTest, ATableThatCannotBeOpenedStopsTheUpdate) {
  home.AddAlias("ALIAS_KORAMI", "F:\\NADA");

  EXPECT_TRUE(CheckLoggedUsers(context));

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_EQ(ui.messages[0].text.rfind(Ansi("Erro ao abrir tabela de usuários (Novo)\r"), 0), 0u)
      << ui.messages[0].text;
  EXPECT_GT(ui.messages[0].text.size(), Ansi("Erro ao abrir tabela de usuários (Novo)\r").size());
}

TEST_F(LoggedUsersTest, NoCheckWhenTheNetworkFilesAreInstalledOrACallerWaits) {
  home.AddAlias("ALIAS_KORAMI", "F:\\NADA");  // any look at the table would fail

  context.C_rede = true;
  EXPECT_FALSE(CheckLoggedUsers(context));
  context.C_rede = false;
  context.secondArgument = "/NV:1234";
  EXPECT_FALSE(CheckLoggedUsers(context));
  EXPECT_TRUE(ui.messages.empty());

  context.secondArgument.clear();
  context.programaWindows = false;
  EXPECT_FALSE(CheckLoggedUsers(context));
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{Ansi("Versao MS-Dos Não implementada")});
}

}  // namespace
}  // namespace lifto::test
