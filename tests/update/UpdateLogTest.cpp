#include "update/UpdateLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::test {
namespace {

using update::CleanUpdatesFolder;
using update::LastLoggedScript;
using update::ScriptNameOfLogLine;
using update::UpdateLogLine;
using update::WriteUpdateLog;

std::string LogLine(const std::string& script) {
  return Ansi("Atualização para versao 6.5 : F:\\KORAMI\\UPDATES\\") + script +
         Ansi(" no dia 01/02/2003 às 09:00:00");
}

std::string LogOf(std::initializer_list<std::string> scripts) {
  std::string log;
  for (const auto& script : scripts) log += LogLine(script) + "\r\n";
  return log;
}

class UpdateLogTest : public UpdateFixture {
 protected:
  UpdateLogTest() { support::SetCurrentClock(&clock); }
  ~UpdateLogTest() override { support::SetCurrentClock(nullptr); }

  FixedClock clock{2001, 3, 5, 10, 22, 31};
};

TEST_F(UpdateLogTest, LineIsWrittenIn1252WithCrLf) {
  WriteUpdateLog(context, "F:\\KORAMI", "F:\\KORAMI\\UPDATES\\X.aex", "6.5.0.12");

  EXPECT_EQ(Read("F:\\KORAMI\\Atualiz.log"),
            "Atualiza\xE7\xE3o para versao 6.5.0.12 : F:\\KORAMI\\UPDATES\\X.aex no dia "
            "05/03/2001 \xE0s 10:22:31\r\n");
}

TEST_F(UpdateLogTest, TwentyFifthLineIsAppendedAndTheTwentySixthStartsAfresh) {
  std::string log;
  for (int i = 0; i < 24; ++i) log += LogLine("OLD" + std::to_string(i) + ".aex") + "\r\n";
  home.Write("F:\\KORAMI\\Atualiz.log", log);

  WriteUpdateLog(context, "F:\\KORAMI", "F:\\KORAMI\\UPDATES\\X.aex", "6.5.0.12");
  const std::string written = Read("F:\\KORAMI\\Atualiz.log");
  EXPECT_EQ(written.substr(0, log.size()), log);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 25);

  WriteUpdateLog(context, "F:\\KORAMI", "F:\\KORAMI\\UPDATES\\Y.aex", "6.5.0.13");
  EXPECT_EQ(Read("F:\\KORAMI\\Atualiz.log"),
            "Atualiza\xE7\xE3o para versao 6.5.0.13 : F:\\KORAMI\\UPDATES\\Y.aex no dia "
            "05/03/2001 \xE0s 10:22:31\r\n");
}

TEST_F(UpdateLogTest, ReadOnlyLogIsReportedAndKeptWhole) {
  const std::string before = LogOf({"A.aex"});
  home.Write("F:\\KORAMI\\Atualiz.log", before);
  MakeReadOnly("F:\\KORAMI\\Atualiz.log");

  EXPECT_THROW(WriteUpdateLog(context, "F:\\KORAMI", "F:\\KORAMI\\UPDATES\\X.aex", "6.5"),
               std::runtime_error);
  EXPECT_EQ(Read("F:\\KORAMI\\Atualiz.log"), before);
  // No half-written file is left beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Host("F:\\KORAMI")))
    ++files;
  EXPECT_EQ(files, 2);  // DADOS and the log
}

TEST_F(UpdateLogTest, WhatAnotherUserPutInPlaceOfTheLogIsReplacedNeverFollowedNorWaitedOn) {
  const std::string victim = home.Write("C:\\VICTIM\\.bashrc", "victim's shell").string();
  const std::string log = Host("F:\\KORAMI").string() + "/Atualiz.log";
  struct Planted {
    const char* what;
    std::function<bool()> plant;
    bool needsSecondUser;
  };
  const Planted cases[] = {
      {"a link to a private file", [&] { return ::symlink(victim.c_str(), log.c_str()) == 0; }, true},
      {"a link to a device", [&] { return ::symlink("/dev/zero", log.c_str()) == 0; }, true},
      {"a FIFO", [&] { return ::mkfifo(log.c_str(), 0666) == 0; }, false},
  };
  for (const auto& planted : cases) {
    SCOPED_TRACE(planted.what);
    std::filesystem::remove(log);
    if (planted.needsSecondUser) {
      if (!CanActAsSecondUser()) {
        std::cout << "not tried, " << planted.what << ": " << kNeedsRoot << "\n";
        continue;
      }
      MakeShared(Host("F:\\KORAMI"));
      ASSERT_TRUE(AsSecondUser(planted.plant));
    } else {
      ASSERT_TRUE(planted.plant());
    }

    WriteUpdateLog(context, "F:\\KORAMI", "F:\\KORAMI\\UPDATES\\X.aex", "6.5.0.12");

    ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(log)));
    EXPECT_EQ(Read("F:\\KORAMI\\Atualiz.log"), UpdateLogLine("6.5.0.12", "F:\\KORAMI\\UPDATES\\X.aex") + "\r\n");
    EXPECT_EQ(ReadFileBytes(victim), "victim's shell");
  }
}

TEST_F(UpdateLogTest, ScriptNameIsThePathsLastPart) {
  EXPECT_EQ(ScriptNameOfLogLine(LogLine("Y.aex")), "Y.aex");
  EXPECT_EQ(ScriptNameOfLogLine(Ansi("Atualização para versao 1 : A:X.aex no dia 1")), "X.aex");
  EXPECT_EQ(ScriptNameOfLogLine("a line of no update"), "");
  EXPECT_EQ(ScriptNameOfLogLine(""), "");
}

TEST_F(UpdateLogTest, CleanupKeepsTheFourUpdatesThatAppearLatest) {
  home.Write("F:\\KORAMI\\Atualiz.log", LogOf({"A.aex", "B.aex", "a.AEX", "C.aex", "D.aex", "E.aex"}));
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    home.Write(std::string("F:\\KORAMI\\UPDATES\\") + name + ".aex", "script");
    home.Write(std::string("F:\\KORAMI\\UPDATES\\") + name + ".ATU", "archive");
  }
  home.Write("F:\\KORAMI\\UPDATES\\A.002", "second volume");
  home.Write("F:\\KORAMI\\UPDATES\\OTHER.aex", "not logged");

  CleanUpdatesFolder(context);

  // "A" counts by its first appearance, so it is the oldest.
  EXPECT_FALSE(Exists("F:\\KORAMI\\UPDATES\\A.aex"));
  EXPECT_FALSE(Exists("F:\\KORAMI\\UPDATES\\A.ATU"));
  for (const char* name : {"B", "C", "D", "E"}) {
    EXPECT_TRUE(Exists(std::string("F:\\KORAMI\\UPDATES\\") + name + ".aex")) << name;
    EXPECT_TRUE(Exists(std::string("F:\\KORAMI\\UPDATES\\") + name + ".ATU")) << name;
  }
  EXPECT_TRUE(Exists("F:\\KORAMI\\UPDATES\\A.002"));
  EXPECT_TRUE(Exists("F:\\KORAMI\\UPDATES\\OTHER.aex"));
  EXPECT_EQ(context.statusBar, "Limpando Area...");
}

TEST_F(UpdateLogTest, CleanupNeverDeletesOutsideTheUpdatesFolder) {
  home.Write("F:\\KORAMI\\Atualiz.log",
             LogOf({"A.aex", "B.aex", "C.aex", "D.aex"}) +
                 Ansi("Atualização para versao 6.5 : F:\\KORAMI\\UPDATES\\../DADOS/NOVO.DB no dia "
                      "01/02/2003 às 09:00:00\r\n") +
                 LogLine("E.aex") + "\r\n");
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    home.Write(std::string("F:\\KORAMI\\UPDATES\\") + name + ".aex", "script");
  }

  CleanUpdatesFolder(context);

  EXPECT_TRUE(Exists("F:\\KORAMI\\DADOS\\NOVO.DB"));
  EXPECT_FALSE(Exists("F:\\KORAMI\\UPDATES\\A.aex"));
}

TEST_F(UpdateLogTest, CleanupOfTheArchiveUsesTheScriptNameOnly) {
  context.pastaServidor = "F:\\AEXPERT";
  home.Write("F:\\AEXPERT\\Atualiz.log", LogOf({"A.aex", "B.aex", "C.aex", "D.aex", "E.aex"}));
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    home.Write(std::string("F:\\AEXPERT\\UPDATES\\") + name + ".aex", "script");
  }
  home.Write("F:\\AEXPERT\\UPDATES\\A.ATU", "archive");
  home.Write("F:\\ATUPERT\\UPDATES\\A.ATU", "another program's archive");

  CleanUpdatesFolder(context);

  EXPECT_FALSE(Exists("F:\\AEXPERT\\UPDATES\\A.ATU"));
  EXPECT_TRUE(Exists("F:\\ATUPERT\\UPDATES\\A.ATU"));
}

TEST_F(UpdateLogTest, LastLoggedScriptReadsTheLogBesideTheSourceFolder) {
  home.Write("F:\\KORAMI\\Atualiz.log", LogOf({"A.aex", "Y.aex"}));

  EXPECT_EQ(LastLoggedScript("F:\\KORAMI\\updates"), "Y.aex");
  EXPECT_EQ(LastLoggedScript("F:\\KORAMI\\updates\\"), "Y.aex");
  EXPECT_EQ(LastLoggedScript("F:\\OTHER\\updates\\"), "");

  home.Write("F:\\KORAMI\\Atualiz.log", "");
  EXPECT_EQ(LastLoggedScript("F:\\KORAMI\\updates"), "");
}

TEST_F(UpdateLogTest, LastLoggedScriptOfADriveRootLooksInTheCurrentFolder) {
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(Host("F:\\KORAMI"));
  home.Write("F:\\KORAMI\\Atualiz.log", LogOf({"Z.aex"}));

  context.C_caminhoOrigem = "A:\\";
  EXPECT_EQ(LastLoggedScript(context), "Z.aex");

  std::filesystem::current_path(saved);
}

}  // namespace
}  // namespace lifto::test
