// Workstations sharing tables on a PostgreSQL server: each is a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pg/PgTestHelpers.h"
#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"
#include "platform/db/TableLock.h"
#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/ForkedProcess.h"
#include "support/TableProcesses.h"
#include "support/TabelaRede.h"
#include "support/TrataErro.h"

namespace lifto::test {
namespace {

namespace db = platform::db;
using Clock = std::chrono::steady_clock;

class PgLockTest : public PgTest {
 protected:
  void SetUp() override {
    PgTest::SetUp();
    if (IsSkipped()) return;
    Cluster().Exec(kCatalogueSql);
    Cluster().Exec(
        "CREATE TABLE novo (id serial PRIMARY KEY, usuario varchar(10), nomemicro varchar(15));"
        "INSERT INTO novo (usuario, nomemicro) VALUES ('ANA', 'PC1'), ('RUI', 'PC2')");
  }

  static void Open(db::Table& table, const std::string& name = "Novo", bool exclusive = false) {
    table.SetName("TabNovo");
    table.SetDatabaseName("ALIAS_VORN");
    table.SetTableName(name);
    table.SetExclusive(exclusive);
    table.Open();
  }
  /// The table Novo, opened shared (a MakeTable for the other processes).
  static std::unique_ptr<db::Table> Novo() {
    auto table = std::make_unique<db::Table>();
    Open(*table);
    return table;
  }
};

TEST_F(PgLockTest, TheExclusiveOpenFailsWhileAnotherProcessHoldsTheTable) {
  ForkedProcess other([](const ForkedProcess::Channel& channel) {
    db::Table table;
    Open(table);
    channel.Send('o');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(other.Receive(), 'o');
  std::exception_ptr busy;
  try {
    db::Table table;
    Open(table, "Novo", true);
    ADD_FAILURE() << "the exclusive open succeeded";
  } catch (const db::EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), db::code::kTableBusy);
    EXPECT_EQ(e.Message(), "Table is busy.\rTable: :ALIAS_VORN:novo\rUser: " + db::CurrentUserName());
    busy = std::current_exception();
  }
  // The translator explains it as it does for a file.
  FakeUi ui;
  FakeUi::Scope scope(ui);
  support::App().Reset();
  support::TTrataErro translator;
  translator.HandleException(busy);
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{Ansi("O arquivo de dados :ALIAS_VORN:novo está aberto\rpelo "
                                           "Usuário ") + db::CurrentUserName() +
                                      Ansi(".\rVerifique se o programa não está sendo executado e "
                                           "tente novamente")}));
  support::App().Reset();

  db::Table shared;
  Open(shared);  // sharing is fine
  shared.Close();
  other.Kill();  // its session ends with it, and its locks
  other.Wait();
  db::Table table;
  Open(table, "Novo", true);
  EXPECT_TRUE(OpenIsRefusedAsBusy(Novo));
}

TEST_F(PgLockTest, ARecordLockedByAnotherProcessIsRetriedThenGivenUpWithTheTablesMessage) {
  const auto other = EditingFirstRecord(Novo, "NOMEMICRO", "PC5");  // ANA
  ASSERT_EQ(other->Receive(), 'e');
  FakeUi ui;
  FakeUi::Scope scope(ui);
  support::TTabelaRede table;
  Open(table);
  table.SetTentativas(1);
  const auto start = Clock::now();
  EXPECT_THROW(table.Edit(), db::EAbort);
  EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
  EXPECT_FALSE(table.Resultado());
  ASSERT_EQ(ui.progressWindows.size(), 1u);
  EXPECT_EQ(ui.progressWindows[0].operation, Ansi("Alteração"));
  EXPECT_EQ(ui.progressWindows[0].error, "Record locked by another user.\rTable: :ALIAS_VORN:novo");
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{Ansi("Não foi possível alterar registro no momento")}));
  table.Next();
  table.Edit();  // another record is free
  table.Cancel();
  table.First();

  other->Send('x');
  ASSERT_EQ(other->Receive(), 'p');
  table.Edit();  // read afresh: the other's post is there
  EXPECT_TRUE(table.Resultado());
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC5");
  table.SetFieldText("NOMEMICRO", "PC6");
  EXPECT_TRUE(table.Gravar());
  other->Send('x');
  EXPECT_EQ(other->Wait(), 0);
}

TEST_F(PgLockTest, EightProcessesAppendingAtOnceLoseNoRow) {
  constexpr int kProcesses = 8;
  constexpr int kRows = 25;
  AppendTogether(
      kProcesses, kRows,
      [] {
        auto discos = std::make_unique<support::TTabelaRede>();
        discos->SetTentativas(5);
        Open(*discos, "DISCOS");
        return std::unique_ptr<db::Table>(std::move(discos));
      },
      [](int process, int row, db::Table& table) {
        auto& discos = dynamic_cast<support::TTabelaRede&>(table);
        if (!discos.Incluir()) return false;
        discos.SetFieldText("COMPUTADOR", "PC" + std::to_string(process));
        discos.SetFieldInteger("NUMDISCOS", row);
        return discos.Gravar();
      });

  db::Table discos;
  Open(discos, "DISCOS");
  std::set<std::int64_t> numbers;
  std::set<std::string> rows;
  for (discos.First(); !discos.Eof(); discos.Next()) {
    numbers.insert(discos.FieldAsInteger("CONTROLE"));
    rows.insert(discos.FieldAsText("COMPUTADOR") + "/" + discos.FieldAsText("NUMDISCOS"));
  }
  EXPECT_EQ(discos.RecordCount(), kProcesses * kRows);
  EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kProcesses * kRows));
  EXPECT_EQ(rows.size(), static_cast<std::size_t>(kProcesses * kRows));
}

TEST_F(PgLockTest, AServerStoppedInTheMiddleIsAnEngineErrorAndLeavesNoHalfRow) {
  db::Table discos;
  Open(discos, "DISCOS");
  discos.Append();
  discos.SetFieldText("AEX", "C:\\PROJ\\A.AEX");
  discos.Post();
  discos.Append();
  discos.SetFieldText("AEX", "C:\\PROJ\\B.AEX");
  discos.SetFieldInteger("NUMDISCOS", 3);
  Cluster().Stop();
  const auto [code, message] = EngineError([&] { discos.Post(); });
  EXPECT_EQ(code, db::code::kInvalidAliasPath);
  const std::string lost = "Lost the connection to the database server.\rTable: :ALIAS_VORN:discos\r";
  EXPECT_EQ(message.substr(0, lost.size()), lost);
  EXPECT_EQ(discos.State(), db::DataSetState::Insert);  // the row is still the user's to post
  discos.Close();  // also without its server
  EXPECT_FALSE(discos.Active());

  // While it is down, opening is the alias's server being unreachable.
  db::Table down;
  EXPECT_EQ(EngineError([&] { Open(down, "DISCOS"); }).first, db::code::kInvalidAliasPath);

  Cluster().Start();
  db::Table after;
  Open(after, "DISCOS");
  EXPECT_EQ(after.RecordCount(), 1);
  EXPECT_EQ(after.FieldAsText("AEX"), "C:\\PROJ\\A.AEX");
}

}  // namespace
}  // namespace lifto::test
