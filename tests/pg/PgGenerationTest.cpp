// Disk generation's catalogue on a PostgreSQL server, written by two workstations at once.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pg/PgTestHelpers.h"
#include "platform/db/Table.h"
#include "project/Catalogue.h"
#include "support/FakeUi.h"
#include "support/ForkedProcess.h"

namespace lifto::test {
namespace {

namespace db = platform::db;

const project::ScriptLines kScript = {
    "[CONFIG]", "ALIAS=ALIAS_KORAMI", "PROG=KORAMI.EXE", "TIPO=REQ", "DESCRICAO=REQUERIMENTO 6.5", "",
    "[BACKUP]", "B_ARQ7=<PONTO>\\INDICE.IDX", "",
    "[PONTO]", "P_ARQ10=C:\\FONTES\\KORAMI.EXE , \\", "P_ARQ11=C:\\FONTES\\FALTA.TXT , \\TEXTOS\\", "",
    "[SERVIDOR]", "S_ARQ14=C:\\FONTES\\TABSQL.DB , \\DADOS\\", "",
    "[WINDOWS]"};

TEST_F(PgTest, TwoWorkstationsGeneratingAtOnceEachLinkTheirOwnRows) {
  Cluster().Exec(kCatalogueSql);
  Home().SetSystemValue("ComputerName", "VENDEDOR1");
  Home().Write("C:\\FONTES\\KORAMI.EXE", "12345");
  Home().Write("C:\\FONTES\\TABSQL.DB", "1234567");
  std::string text;
  for (const auto& line : kScript) text += line + "\r\n";
  Home().Write("C:\\PROJ\\ATUAL65.aex", text);
  Home().Write("C:\\PROJ\\OUTRO.aex", "[PONTO]\r\nP_ARQ1=C:\\FONTES\\TABSQL.DB , \\\r\n");

  constexpr int kSets = 15;
  auto recorder = [&](const std::string& project) {
    return [&, project](const ForkedProcess::Channel& channel) {
      FakeUi ui;
      FakeUi::Scope scope(ui);
      project::CatalogueTables tables;
      tables.Open();
      project::ClientChoice client(tables.TabEscr);
      client.SetText("ACME");
      channel.Send('r');
      channel.Receive();
      for (int i = 0; i < kSets; ++i) {
        if (!project::RecordCatalogue(tables, client, {project, &kScript, 1})) return 3;
      }
      tables.Close();
      return ui.messages.empty() ? 0 : 4;
    };
  };
  ForkedProcess first(recorder("C:\\PROJ\\ATUAL65.aex"));
  ForkedProcess second(recorder("C:\\PROJ\\OUTRO.aex"));
  ASSERT_EQ(first.Receive(), 'r');
  ASSERT_EQ(second.Receive(), 'r');
  first.Send('g');
  second.Send('g');
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);

  // Each set's rows name its own project's files: ATUAL65 has four entries, OUTRO one.
  std::map<std::int64_t, std::string> sets;
  db::Table discos;
  discos.SetDatabaseName("ALIAS_VORN");
  discos.SetTableName("DISCOS");
  discos.Open();
  for (discos.First(); !discos.Eof(); discos.Next()) {
    EXPECT_EQ(discos.FieldAsText("ABREV"), "acme");
    sets[discos.FieldAsInteger("CONTROLE")] = discos.FieldAsText("AEX");
  }
  ASSERT_EQ(sets.size(), 2u * kSets);
  std::map<std::int64_t, std::vector<std::string>> files;
  db::Table arquivos;
  arquivos.SetDatabaseName("ALIAS_VORN");
  arquivos.SetTableName("ARQUIVOS");
  arquivos.Open();
  for (arquivos.First(); !arquivos.Eof(); arquivos.Next()) {
    files[arquivos.FieldAsInteger("DISCO")].push_back(arquivos.FieldAsText("NOMEARQ"));
  }
  const std::vector<std::string> atual = {"C:\\FONTES\\KORAMI.EXE", "C:\\FONTES\\FALTA.TXT",
                                          "C:\\FONTES\\TABSQL.DB", "<PONTO>\\INDICE.IDX"};
  const std::vector<std::string> outro = {"C:\\FONTES\\TABSQL.DB"};
  for (const auto& [controle, aex] : sets) {
    EXPECT_EQ(files[controle], aex == "C:\\PROJ\\ATUAL65.aex" ? atual : outro) << controle;
  }
  EXPECT_EQ(files.size(), sets.size());
}

}  // namespace
}  // namespace lifto::test
