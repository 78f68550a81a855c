// The real atualizar on an office whose program keeps its users table on a PostgreSQL server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/UpdateOfficeHelpers.h"
#include "pg/PgTestHelpers.h"
#include "platform/db/Table.h"

namespace lifto::test {
namespace {

namespace db = platform::db;

TEST_F(PgTest, TheUserCheckOfAnUpdateReadsTheUsersTableOnTheServer) {
  Cluster().Exec(
      "CREATE TABLE novo (usuario varchar(10), nomemicro varchar(15), ativo boolean);"
      "INSERT INTO novo VALUES ('ANA', 'PC1', true), ('RUI', 'PC2', true), ('EVA', 'PC3', false)");
  Office office("6.5.0.12");
  // The program's folders still come from its PATH line; its tables from the server.
  auto lines = Cluster().AliasLines();
  lines.push_back("PATH=F:\\KORAMI\\DADOS");
  office.Home().AddAliasLines("ALIAS_KORAMI", lines);
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", {{"PONTO", "KORAMI.EXE", "new program", "\\"}});

  {
    db::Table held;  // a running copy of the program, on another session
    held.SetDatabaseName("ALIAS_KORAMI");
    held.SetTableName("Novo");
    held.Open();
    const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"}, "sim,nao");
    EXPECT_EQ(run.status, 1) << run.output;
    const auto questions = run.Lines(R"("type":"question")");
    ASSERT_EQ(questions.size(), 2u) << run.output;
    EXPECT_NE(questions[0].find(R"(Lista dos Usuarios Logados:\r\rANA       \t Em  PC1\rRUI       \t Em  PC2\r\r\rFazer Pesquisa Novamente ?)"),
              std::string::npos)
        << questions[0];
    EXPECT_FALSE(office.Exists("C:\\KORAMI\\KORAMI.EXE"));
  }

  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Lines(R"("type":"question")").empty());
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
}

}  // namespace
}  // namespace lifto::test
