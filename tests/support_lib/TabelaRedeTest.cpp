#include "support/TabelaRede.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "support/DbSandbox.h"
#include "support/FakeUi.h"
#include "support/ForkedProcess.h"

namespace lifto::support {
namespace {

namespace db = platform::db;
using test::FakeUi;
using test::ForkedProcess;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class TabelaRedeTest : public ::testing::Test {
 protected:
  TabelaRedeTest() : scope(ui) {
    sandbox.AddAlias("ALIAS_KORAMI", "F:\\DADOS");
    sandbox.CreateTable("Novo",
                        "CREATE TABLE Novo (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "USUARIO VARCHAR(10) UNIQUE, NOMEMICRO VARCHAR(15), ATIVO BOOLEAN);"
                        "INSERT INTO Novo (USUARIO, NOMEMICRO, ATIVO) VALUES ('ANA', 'PC1', 1), "
                        "('RUI', 'PC2', 0);");
  }

  static void Setup(db::Table& table) {
    table.SetName("TabUsuarios");
    table.SetDatabaseName("ALIAS_KORAMI");
    table.SetTableName("Novo");
  }

  /// Another workstation: edits the first record, tells, waits `holdMs` (or for a signal when
  /// negative), then posts NOMEMICRO = "PC5".
  static std::unique_ptr<ForkedProcess> HoldFirstRecord(int holdMs) {
    auto child = std::make_unique<ForkedProcess>([holdMs](const ForkedProcess::Channel& channel) {
      db::Table table;
      Setup(table);
      table.Open();
      table.Edit();
      table.SetFieldText("NOMEMICRO", "PC5");
      channel.Send('e');
      if (holdMs < 0) {
        channel.Receive(60000);
        table.Cancel();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        table.Post();
      }
      return 0;
    });
    if (child->Receive() != 'e') ADD_FAILURE() << "the other workstation did not start its edit";
    return child;
  }

  test::DbSandbox sandbox;
  FakeUi ui;
  FakeUi::Scope scope;
};

TEST_F(TabelaRedeTest, ALockedRecordIsRetriedForTentativasSecondsThenGivenUp) {
  auto other = HoldFirstRecord(-1);
  TTabelaRede table;
  Setup(table);
  table.SetTentativas(2);
  table.Open();
  const auto start = Clock::now();
  EXPECT_THROW(table.Edit(), db::EAbort);
  const double took = SecondsSince(start);
  EXPECT_GE(took, 2.0);  // no later than the retries: the last position says when they ended
  EXPECT_FALSE(table.Resultado());
  EXPECT_EQ(table.State(), db::DataSetState::Browse);

  ASSERT_EQ(ui.progressWindows.size(), 1u);
  EXPECT_EQ(ui.progressWindows[0].tableName, "TabUsuarios");
  EXPECT_EQ(ui.progressWindows[0].operation, Ansi("Alteração"));
  EXPECT_EQ(ui.progressWindows[0].error,
            "Record locked by another user.\rTable: F:\\DADOS\\Novo.sqlite");
  EXPECT_EQ(ui.progressWindows[0].maximum, 2);
  ASSERT_FALSE(ui.progressPositions.empty());
  EXPECT_EQ(ui.progressPositions.front(), 0);
  // Whole seconds elapsed at the last retry: 1, or 2 when it fell on the very millisecond or
  // the machine was slow; never the third second.
  EXPECT_GE(ui.progressPositions.back(), 1);
  EXPECT_LE(ui.progressPositions.back(), 2);
  // The attempts are paced, not spun: about one every 50 ms.
  EXPECT_LE(ui.progressPositions.size(), 2000u / 50 + 2);
  EXPECT_EQ(ui.progressCloses, 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_EQ(ui.messages[0].title, "Erro");
  EXPECT_EQ(ui.messages[0].text, Ansi("Não foi possível alterar registro no momento"));

  other->Send('x');
  EXPECT_EQ(other->Wait(), 0);
  table.Refresh();
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC1");  // unchanged
}

TEST_F(TabelaRedeTest, ALockReleasedAfterTwoSecondsLetsTheEditSucceed) {
  auto other = HoldFirstRecord(2000);
  TTabelaRede table;
  Setup(table);
  table.SetTentativas(5);
  table.Open();
  const auto start = Clock::now();
  table.Edit();
  EXPECT_GE(SecondsSince(start), 1.5);
  EXPECT_TRUE(table.Resultado());
  EXPECT_EQ(table.State(), db::DataSetState::Edit);
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC5");  // what the other posted
  EXPECT_EQ(ui.progressWindows.size(), 1u);
  EXPECT_EQ(ui.progressCloses, 1);
  EXPECT_TRUE(ui.messages.empty());
  table.SetFieldText("NOMEMICRO", "PC6");
  EXPECT_TRUE(table.Gravar());
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC6");
  EXPECT_EQ(other->Wait(), 0);
}

TEST_F(TabelaRedeTest, TentativasRuleAndATableMadeInCodeGivesUpAtTheFirstFailure) {
  TTabelaRede table;
  EXPECT_EQ(table.Tentativas(), 0);
  table.SetTentativas(-3);
  EXPECT_EQ(table.Tentativas(), 5);
  table.SetTentativas(7);
  EXPECT_EQ(table.Tentativas(), 7);
  table.SetTentativas(0);
  EXPECT_EQ(table.Tentativas(), 5);

  auto other = HoldFirstRecord(-1);
  TTabelaRede fresh;  // Tentativas 0
  Setup(fresh);
  fresh.Open();
  EXPECT_THROW(fresh.Delete(), db::EAbort);
  EXPECT_TRUE(ui.progressWindows.empty());  // every retry shows the window: there was none
  EXPECT_EQ(ui.MessageTexts(),
            std::vector<std::string>{Ansi("Não foi possível excluir registro no momento")});
  EXPECT_EQ(fresh.RecordCount(), 2);
  other->Send('x');
}

TEST_F(TabelaRedeTest, AnOperationThatSucceedsAtOnceShowsNothing) {
  TTabelaRede table;
  Setup(table);
  table.SetTentativas(5);
  table.Open();
  EXPECT_TRUE(table.Incluir());
  table.SetFieldText("USUARIO", "EVA");
  table.SetFieldBoolean("ATIVO", true);
  EXPECT_TRUE(table.Gravar());
  EXPECT_EQ(table.FieldAsInteger("ID"), 3);  // the auto-increment, read back
  EXPECT_EQ(table.RecordCount(), 3);
  table.First();
  EXPECT_EQ(FieldTextPadded(table, "USUARIO", false), "ANA       ");
  table.Edit();
  table.SetFieldText("NOMEMICRO", "PC3");
  EXPECT_TRUE(table.Gravar());
  table.Delete();
  EXPECT_TRUE(table.Resultado());
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_TRUE(ui.progressWindows.empty());
  EXPECT_EQ(ui.progressCloses, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TabelaRedeTest, UserHandlersSetBeforeAreKeptAndCalled) {
  std::vector<std::string> calls;
  const auto record = [&calls](const char* name) {
    return [&calls, name](db::Table&) { calls.emplace_back(name); };
  };
  db::DataSetEvents events;
  events.AfterOpen = record("AfterOpen");
  events.BeforeInsert = record("BeforeInsert");
  events.AfterInsert = record("AfterInsert");
  events.BeforeEdit = record("BeforeEdit");
  events.AfterEdit = record("AfterEdit");
  events.BeforeDelete = record("BeforeDelete");
  events.AfterDelete = record("AfterDelete");
  TTabelaRede table(events);
  Setup(table);
  table.Open();
  table.Incluir();
  table.Cancel();
  table.Edit();
  table.Cancel();
  table.Delete();
  EXPECT_EQ(calls, (std::vector<std::string>{"AfterOpen", "BeforeInsert", "AfterInsert",
                                             "BeforeEdit", "AfterEdit", "BeforeDelete",
                                             "AfterDelete"}));
  // A handler assigned afterwards replaces the table's own behaviour.
  bool replaced = false;
  table.Events().BeforeEdit = [&](db::Table&) { replaced = true; };
  table.Edit();
  EXPECT_TRUE(replaced);
}

TEST_F(TabelaRedeTest, AUserPostErrorHandlerRunsAfterTheTableGaveUpAndCanMakeItFail) {
  std::vector<db::DataAction> seen;
  db::DataSetEvents events;
  events.OnPostError = [&](db::Table&, db::EDatabaseError& error, db::DataAction& action) {
    seen.push_back(action);
    EXPECT_EQ(error.Message(), Ansi("Não foi possível atualizar arquivo no momento"));
    action = db::DataAction::Fail;
  };
  TTabelaRede table(events);
  Setup(table);
  table.SetTentativas(1);
  table.Open();
  table.Incluir();
  table.SetFieldText("USUARIO", "ANA");  // a unique index refuses it on every attempt
  try {
    table.Gravar();
    FAIL() << "the post did not fail";
  } catch (const db::EDatabaseError& e) {
    EXPECT_EQ(e.Message(), Ansi("Não foi possível atualizar arquivo no momento"));
  }
  EXPECT_EQ(seen, std::vector<db::DataAction>{db::DataAction::Abort});
  EXPECT_FALSE(table.Resultado());
  ASSERT_EQ(ui.progressWindows.size(), 1u);
  EXPECT_EQ(ui.progressWindows[0].operation, Ansi("Gravação"));
  EXPECT_EQ(ui.progressWindows[0].error.substr(0, 14), "Key violation.");
  EXPECT_EQ(ui.progressCloses, 1);
  EXPECT_EQ(ui.MessageTexts(),
            std::vector<std::string>{Ansi("Não foi possível atualizar arquivo no momento")});
}

/// A table whose engine cannot write its changes to disk.
class FailingSave : public TTabelaRede {
 public:
  void SaveChanges() override {
    throw db::EDBEngineError(db::code::kWriteFailed, "Write failed.");
  }
};

TEST_F(TabelaRedeTest, TheSaveCheckRaisesTheWriteErrorWithTheWord) {
  FailingSave table;
  Setup(table);
  table.Open();
  table.Incluir();
  table.SetFieldText("USUARIO", "EVA");
  try {
    table.Gravar();
    FAIL();
  } catch (const db::EDBEngineError& e) {
    EXPECT_EQ(e.Message(), Ansi("Erro de Gravação\rNão é possível gravar registro no momento"));
    EXPECT_TRUE(e.Entries().empty());
  }
  try {
    table.Delete();
    FAIL();
  } catch (const db::EDBEngineError& e) {
    EXPECT_EQ(e.Message(), Ansi("Erro de Gravação\rNão é possível excluir registro no momento"));
  }
}

TEST_F(TabelaRedeTest, ARecordDeletedElsewhereIsNotSwappedForItsNeighbour) {
  TTabelaRede mine, theirs;
  Setup(mine);
  Setup(theirs);
  mine.Open();
  theirs.Open();
  theirs.Delete();  // the record mine stands on
  try {
    mine.Edit();
    FAIL();
  } catch (const db::EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), db::code::kRecordDeleted);
  }
  EXPECT_EQ(mine.State(), db::DataSetState::Browse);
  EXPECT_EQ(mine.RecordCount(), 1);
}

}  // namespace
}  // namespace lifto::support
