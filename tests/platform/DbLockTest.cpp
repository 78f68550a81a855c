// Locks between programs, with real processes: each child is a fork of the test.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"
#include "platform/db/TableLock.h"
#include "support/DbSandbox.h"
#include "support/ForkedProcess.h"
#include "support/TableProcesses.h"

namespace lifto::platform::db {
namespace {

using test::DbSandbox;
using test::ForkedProcess;

class DbLockTest : public ::testing::Test {
 protected:
  DbLockTest() {
    sandbox.AddAlias("ALIAS_KORAMI", "F:\\DADOS");
    sandbox.CreateTable("Novo",
                        "CREATE TABLE Novo (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "USUARIO VARCHAR(10), NOMEMICRO VARCHAR(15));"
                        "INSERT INTO Novo (USUARIO, NOMEMICRO) VALUES ('ANA', 'PC1'), ('RUI', 'PC2');");
  }

  static void Open(Table& table, bool exclusive = false) {
    table.SetDatabaseName("ALIAS_KORAMI");
    table.SetTableName("Novo");
    table.SetExclusive(exclusive);
    table.Open();
  }

  /// The table Novo, opened shared (a MakeTable for the other processes).
  static std::unique_ptr<Table> Novo() {
    auto table = std::make_unique<Table>();
    Open(*table);
    return table;
  }

  static int ErrorCodeOf(Table& table, void (Table::*operation)()) {
    try {
      (table.*operation)();
    } catch (const EDBEngineError& e) {
      return e.ErrorCode();
    }
    return 0;
  }

  // An empty dBase file F:\DADOS\LOG.DBF with a text and a number field. @return its host path
  std::filesystem::path CreateLog() const {
    const auto file = sandbox.Dados() / "LOG.dbf";  // the extension as the library writes it
    DBFHandle dbf = DBFCreate(file.c_str());
    DBFAddField(dbf, "QUEM", FTString, 4, 0);
    DBFAddField(dbf, "N", FTInteger, 4, 0);
    DBFClose(dbf);
    return file;
  }

  DbSandbox sandbox;
};

// Whether the thread `tid` of this process comes to sleep in a waiting lock request (fcntl
// F_OFD_SETLKW) before `done` is set; gives up after ten seconds.
bool SleepsInLockWait(pid_t tid, const std::atomic<bool>& done) {
  const auto path = "/proc/self/task/" + std::to_string(tid) + "/syscall";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(path);
    long number = -1;
    std::string fd, command;
    if (in >> number >> fd >> command && number == SYS_fcntl &&
        std::stoul(command, nullptr, 16) == F_OFD_SETLKW) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// The race above finds a shared header lock on insert only some of the time; here a reader holds
// the header lock and the insert must be seen waiting for it.
TEST_F(DbLockTest, AnInsertIntoADbaseFileWaitsForItsReaders) {
  const auto file = CreateLog();
  ForkedProcess reader([&](const ForkedProcess::Channel& channel) {
    TableLock lock(file, "F:\\DADOS\\LOG.DBF", false);
    lock.LockHeader(false);
    channel.Send('h');
    channel.Receive();
    lock.UnlockHeader();
    return 0;
  });
  ASSERT_EQ(reader.Receive(), 'h');
  Table table;
  table.SetTableName("F:\\DADOS\\LOG.DBF");
  table.Open();
  table.Append();
  table.SetFieldText("QUEM", "P1");
  std::atomic<pid_t> tid{0};
  std::atomic<bool> posted{false};
  std::thread writer([&] {
    tid = gettid();
    table.Post();
    posted = true;
  });
  while (tid == 0) std::this_thread::yield();
  const bool waited = SleepsInLockWait(tid, posted);
  reader.Send('x');
  writer.join();
  EXPECT_TRUE(waited) << "the insert did not wait for the reader's header lock";
  EXPECT_EQ(reader.Wait(), 0);
  EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(DbLockTest, ExclusiveOpenFailsWhileAnotherProcessHoldsTheTableOpen) {
  ForkedProcess other([](const ForkedProcess::Channel& channel) {
    Table table;
    Open(table);
    channel.Send('o');
    channel.Receive();  // until told to close
    table.Close();
    channel.Send('c');
    return 0;
  });
  ASSERT_EQ(other.Receive(), 'o');
  Table table;
  try {
    Open(table, true);
    FAIL() << "the exclusive open succeeded";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), code::kTableBusy);
    EXPECT_EQ(e.Message(),
              "Table is busy.\rTable: F:\\DADOS\\Novo.sqlite\rUser: " + CurrentUserName());
  }
  EXPECT_FALSE(table.Active());
  Open(table);  // sharing is fine
  table.Close();

  other.Send('x');
  ASSERT_EQ(other.Receive(), 'c');
  Open(table, true);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(other.Wait(), 0);

  // While held exclusively, nobody else opens it.
  EXPECT_TRUE(test::OpenIsRefusedAsBusy(Novo));
}

TEST_F(DbLockTest, ALockedRecordRefusesEditAndDeleteUntilItsHolderPosts) {
  const auto other = test::EditingFirstRecord(Novo, "NOMEMICRO", "PC5");
  ASSERT_EQ(other->Receive(), 'e');
  Table table;
  Open(table);
  EXPECT_EQ(ErrorCodeOf(table, &Table::Edit), code::kRecordLocked);
  EXPECT_EQ(ErrorCodeOf(table, &Table::Delete), code::kRecordLocked);
  EXPECT_EQ(table.State(), DataSetState::Browse);
  table.Next();
  table.Edit();  // another record is free
  table.Cancel();
  table.First();

  other->Send('x');
  ASSERT_EQ(other->Receive(), 'p');
  table.Edit();  // the edit reads the record afresh: the other's post is there
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC5");
  table.Cancel();
  other->Send('x');
  EXPECT_EQ(other->Wait(), 0);
}

TEST_F(DbLockTest, AProcessThatDiesReleasesItsLocks) {
  ForkedProcess other([](const ForkedProcess::Channel& channel) {
    Table table;
    Open(table);
    table.Edit();
    channel.Send('o');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(other.Receive(), 'o');
  Table table;
  EXPECT_THROW(Open(table, true), EDBEngineError);
  Open(table);
  EXPECT_EQ(ErrorCodeOf(table, &Table::Edit), code::kRecordLocked);
  table.Close();
  other.Kill();
  EXPECT_EQ(other.Wait(), 128 + 9);
  Open(table, true);
  table.Edit();
  table.Post();
}

TEST_F(DbLockTest, EightProcessesAppendingAtOnceLoseNothing) {
  constexpr int kProcesses = 8;
  constexpr int kRows = 20;
  test::AppendTogether(kProcesses, kRows, Novo, [](int process, int row, Table& table) {
    table.Append();
    table.SetFieldText("USUARIO", "P" + std::to_string(process));
    table.SetFieldText("NOMEMICRO", std::to_string(row));
    table.Post();
    return true;
  });

  Table table;
  Open(table);
  std::set<std::int64_t> ids;
  std::set<std::string> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    ids.insert(table.FieldAsInteger("ID"));
    rows.insert(table.FieldAsText("USUARIO") + "/" + table.FieldAsText("NOMEMICRO"));
  }
  EXPECT_EQ(table.RecordCount(), 2 + kProcesses * kRows);
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(2 + kProcesses * kRows));
  EXPECT_EQ(rows.size(), static_cast<std::size_t>(2 + kProcesses * kRows));
}

TEST_F(DbLockTest, ProcessesAppendingToOneDbaseFileLoseNothing) {
  CreateLog();
  constexpr int kProcesses = 4;
  constexpr int kRows = 15;
  test::AppendTogether(
      kProcesses, kRows,
      [] {
        auto table = std::make_unique<Table>();
        table->SetTableName("F:\\DADOS\\LOG.DBF");
        table->Open();
        return table;
      },
      [](int process, int row, Table& table) {
        table.Append();
        table.SetFieldText("QUEM", "P" + std::to_string(process));
        table.SetFieldInteger("N", row);
        table.Post();
        return true;
      });

  Table table;
  table.SetTableName("F:\\DADOS\\LOG.DBF");
  table.Open();
  std::set<std::string> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    rows.insert(table.FieldAsText("QUEM") + "/" + table.FieldAsText("N"));
  }
  EXPECT_EQ(rows.size(), static_cast<std::size_t>(kProcesses * kRows));
  EXPECT_EQ(table.RecordCount(), kProcesses * kRows);
}

}  // namespace
}  // namespace lifto::platform::db
