#include <sqlite3.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "project/Catalogue.h"
#include "support/CatalogueTables.h"
#include "support/FakeUi.h"
#include "support/ForkedProcess.h"
#include "support/SandboxHome.h"

namespace lifto::project {
namespace {

using test::FakeUi;
using test::QueryRows;
using test::SandboxHome;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

// The project of the catalogue's examples: two "[PONTO]" entries, one "[SERVIDOR]" and one
// "[BACKUP]", saved on disk, whose sources exist except one.
const ScriptLines kScript = {
    "[CONFIG]", "ALIAS=ALIAS_KORAMI", "PROG=KORAMI.EXE", "TIPO=REQ", "DESCRICAO=REQUERIMENTO 6.5", "",
    "[BACKUP]", "B_ARQ7=<PONTO>\\INDICE.IDX", "",
    "[PONTO]", "P_ARQ10=C:\\FONTES\\KORAMI.EXE , \\", "P_ARQ11=C:\\FONTES\\FALTA.TXT , \\TEXTOS\\", "",
    "[SERVIDOR]", "S_ARQ14=C:\\FONTES\\TABSQL.DB , \\DADOS\\", "",
    "[WINDOWS]"};

class Catalogue : public ::testing::Test {
 protected:
  Catalogue() : home_({{"F", "srv"}}, {{"ALIAS_VORN", "F:\\VORN"}}) {
    home_.SetSystemValue("ComputerName", "VENDEDOR1");
    test::CreateCatalogue(home_.HostPath("F:\\VORN"),
                          {{"BETA", "Beta Contabilidade"}, {"ACME", "Acme Escritorio"}, {"ACMEX", "Outro"}});
    home_.Write("C:\\FONTES\\KORAMI.EXE", "12345");
    home_.Write("C:\\FONTES\\TABSQL.DB", "1234567");
    std::string text;
    for (const auto& line : kScript) text += line + "\r\n";
    home_.Write("C:\\PROJ\\ATUAL65.aex", text);
    tables_.Open();
  }
  ~Catalogue() override { tables_.Close(); }

  std::vector<std::string> Rows(const std::string& table, const std::string& columns) {
    return QueryRows(home_.HostPath("F:\\VORN\\" + table + ".sqlite"),
                     "SELECT " + columns + " FROM " + table + " ORDER BY rowid");
  }

  SandboxHome home_;
  FakeUi ui_;
  FakeUi::Scope scope_{ui_};
  CatalogueTables tables_;
  ClientChoice client_{tables_.TabEscr};
};

TEST_F(Catalogue, ClientChoiceFollowsTheIndexAndSaysWhetherTheTextBeginsAClient) {
  struct Case {
    std::string typed;
    std::string abrev;  // where TabEscr stands afterwards
    bool exists;
  };
  for (const Case& c : std::vector<Case>{{"acme", "ACME", true},
                                         {"b", "BETA", true},
                                         {"ACMEX", "ACMEX", true},
                                         {"AB", "ACME", false},   // found, but "ACME" does not begin with it
                                         {"ZZZ", "ACME", false}}) {  // nothing found: the first row
    SCOPED_TRACE(c.typed);
    client_.SetText(c.typed);
    EXPECT_EQ(tables_.TabEscr.FieldAsText("ABREV"), c.abrev);
    EXPECT_EQ(client_.TextoExiste(), c.exists);
  }
  const auto items = client_.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], (std::pair<std::string, std::string>{"ACME", "Acme Escritorio"}));
  EXPECT_EQ(items[2].first, "BETA");
  client_.Pick(2);
  EXPECT_EQ(client_.Text(), "BETA");
  EXPECT_TRUE(client_.TextoExiste());
  EXPECT_EQ(tables_.TabEscr.FieldAsText("ABREV"), "BETA");
}

TEST_F(Catalogue, ASetIsRecordedWithOneRowPerEntryInSectionOrder) {
  client_.SetText("acme");
  EXPECT_TRUE(RecordCatalogue(tables_, client_, {"C:\\PROJ\\ATUAL65.aex", &kScript, 3}));

  const auto discos = Rows("DISCOS", "CONTROLE, AEX, ABREV, DESCRICAO, TIPO, PROG, ALIAS, NUMDISCOS, COMPUTADOR, DATA, HORA");
  ASSERT_EQ(discos.size(), 1u);
  EXPECT_THAT(discos[0], MatchesRegex("1\\|C:\\\\PROJ\\\\ATUAL65\\.aex\\|ACME\\|REQUERIMENTO 6\\.5\\|1\\|"
                                      "KORAMI\\.EXE\\|ALIAS_KORAMI\\|3\\|VENDEDOR1\\|"
                                      "[0-9]{4}-[0-9]{2}-[0-9]{2}\\|[0-9]{2}:[0-9]{2}:[0-9]{2}"));
  // PONTO, PONTO, SERVIDOR, BACKUP; size, date and time only for files that exist.
  const auto arquivos = Rows("ARQUIVOS", "DISCO, CHAVE, NOMEARQ, DESTINOARQ, TAMARQ, DATAARQ IS NOT NULL, HORAARQ IS NOT NULL");
  EXPECT_THAT(arquivos, ElementsAre("1|PONTO|C:\\FONTES\\KORAMI.EXE|\\|5|1|1",
                                    "1|PONTO|C:\\FONTES\\FALTA.TXT|\\TEXTOS\\||0|0",
                                    "1|SERVIDOR|C:\\FONTES\\TABSQL.DB|\\DADOS\\|7|1|1",
                                    "1|BACKUP|<PONTO>\\INDICE.IDX|||0|0"));
}

TEST_F(Catalogue, NothingIsRecordedWithoutAClient) {
  for (const std::string typed : {"", "   ", "XYZ", "AB"}) {
    client_.SetText(typed);
    EXPECT_FALSE(RecordCatalogue(tables_, client_, {"C:\\PROJ\\ATUAL65.aex", &kScript, 1})) << typed;
  }
  EXPECT_TRUE(Rows("DISCOS", "*").empty());
  EXPECT_TRUE(Rows("ARQUIVOS", "*").empty());
}

TEST_F(Catalogue, ADiscosTableHeldPastTheRetriesGivesUpWithTheTablesMessage) {
  // Another workstation keeps a write transaction open on DISCOS: reading goes on, posting waits.
  const std::string discos = home_.HostPath("F:\\VORN\\DISCOS.sqlite").string();
  test::ForkedProcess holder([&](const test::ForkedProcess::Channel& channel) {
    sqlite3* db = nullptr;
    sqlite3_open(discos.c_str(), &db);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    channel.Send('h');
    channel.Receive(60000);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
  });
  ASSERT_EQ(holder.Receive(), 'h');
  client_.SetText("ACME");
  EXPECT_THROW(RecordCatalogue(tables_, client_, {"C:\\PROJ\\ATUAL65.aex", &kScript, 1}),
               platform::db::EAbort);
  holder.Send('x');
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_THAT(ui_.MessageTexts(), ElementsAre(Ansi("Não foi possível atualizar arquivo no momento")));
  EXPECT_TRUE(Rows("ARQUIVOS", "*").empty());
}

TEST_F(Catalogue, TwoWorkstationsRecordingAtOnceEachLinkTheirOwnRows) {
  tables_.Close();
  home_.Write("C:\\PROJ\\OUTRO.aex", "[PONTO]\r\nP_ARQ1=C:\\FONTES\\TABSQL.DB , \\\r\n");
  constexpr int kSets = 20;
  auto recorder = [&](const std::string& project) {
    return [&, project](const test::ForkedProcess::Channel& channel) {
      CatalogueTables tables;
      tables.Open();
      ClientChoice client(tables.TabEscr);
      client.SetText("ACME");
      channel.Send('r');
      channel.Receive();
      for (int i = 0; i < kSets; ++i) RecordCatalogue(tables, client, {project, &kScript, 1});
      return 0;
    };
  };
  test::ForkedProcess first(recorder("C:\\PROJ\\ATUAL65.aex"));
  test::ForkedProcess second(recorder("C:\\PROJ\\OUTRO.aex"));
  ASSERT_EQ(first.Receive(), 'r');
  ASSERT_EQ(second.Receive(), 'r');
  first.Send('g');
  second.Send('g');
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);

  EXPECT_EQ(Rows("DISCOS", "COUNT(*)"), std::vector<std::string>{"40"});
  // ATUAL65 has four entries, OUTRO one: each set's rows name its own project's files.
  const auto links = QueryRows(home_.HostPath("F:\\VORN\\ARQUIVOS.sqlite"),
                               "ATTACH '" + home_.HostPath("F:\\VORN\\DISCOS.sqlite").string() +
                                   "' AS d; SELECT d.DISCOS.AEX, COUNT(*), SUM(NOMEARQ = 'C:\\FONTES\\TABSQL.DB') "
                                   "FROM ARQUIVOS JOIN d.DISCOS ON DISCO = CONTROLE GROUP BY DISCO ORDER BY 1, 2, 3");
  std::vector<std::string> expected(kSets, "C:\\PROJ\\ATUAL65.aex|4|1");
  expected.insert(expected.end(), kSets, "C:\\PROJ\\OUTRO.aex|1|1");
  EXPECT_EQ(links, expected);
}

}  // namespace
}  // namespace lifto::project
