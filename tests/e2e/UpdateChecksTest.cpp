#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/UpdateOfficeHelpers.h"

// What stops an update, and what it leaves behind, through the real atualizar.
namespace lifto::test {
namespace {

const std::vector<UpdateFile> kFiles = {
    {"PONTO", "KORAMI.EXE", "new program", "\\"},
    {"SERVIDOR", "TABSQL.DB", "new table", "\\DADOS\\"},
};

// A second program that holds a table open: the shared lock every program takes on the table.
class TableHeldOpen {
 public:
  explicit TableHeldOpen(const std::filesystem::path& tableFile)
      : fd_(::open((tableFile.string() + ".lck").c_str(), O_RDWR | O_CREAT, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_SH);
  }
  ~TableHeldOpen() {
    if (fd_ >= 0) ::close(fd_);
  }
  TableHeldOpen(const TableHeldOpen&) = delete;
  TableHeldOpen& operator=(const TableHeldOpen&) = delete;

 private:
  int fd_;
};

// The comparison itself is VersionCheckTest's; here, what each outcome leaves installed.
TEST(UpdateChecks, TheVersionDecidesWhatIsInstalled) {
  const struct {
    const char* installed;
    const char* offered;
    int status;
    int questions;
    bool program;  // C:\KORAMI\KORAMI.EXE installed
    bool table;    // F:\KORAMI\DADOS\TABSQL.DB installed (the network files)
  } cases[] = {
      {"6.5.0.12", "6.5.0.11", 1, 1, false, false},  // older: asked, and "no" keeps everything
      {"6.5.0.12", "6.5.0.12", 0, 0, true, false},   // equal: the network files are skipped
      {"6.5.0.11", "6.5.0.12", 0, 0, true, true},    // newer: everything, without a question
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.installed) + " -> " + c.offered);
    Office office(c.installed);
    office.WriteUsers({{"ANA", "PC1", false}});
    office.MakeUpdate("F:\\UPD", "X", c.offered, kFiles);
    const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"}, "nao");
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_EQ(run.Lines(R"("type":"question")").size(), static_cast<std::size_t>(c.questions));
    EXPECT_EQ(office.Exists("C:\\KORAMI\\KORAMI.EXE"), c.program);
    EXPECT_EQ(office.Exists("F:\\KORAMI\\DADOS\\TABSQL.DB"), c.table);
    EXPECT_EQ(office.LogLines().empty(), c.status != 0);
    if (c.status != 0) {
      EXPECT_FALSE(office.Exists("F:\\KORAMI\\UPDATES\\X.aex"));
    }
  }
}

TEST(UpdateChecks, UsersStillLoggedInWhileAnotherProgramHoldsTheTable) {
  Office office("6.5.0.12");
  office.WriteUsers({{"ANA", "PC1", true}, {"RUI", "PC2", true}, {"EVA", "PC3", false}});
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  TableHeldOpen held(office.Host("F:\\KORAMI\\DADOS\\Novo.sqlite"));
  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"}, "sim,nao");
  EXPECT_EQ(run.status, 1);
  const auto questions = run.Lines(R"("type":"question")");
  ASSERT_EQ(questions.size(), 2u) << run.output;
  EXPECT_NE(questions[0].find(R"(Lista dos Usuarios Logados:\r\rANA       \t Em  PC1\rRUI       \t Em  PC2\r\r\rFazer Pesquisa Novamente ?)"),
            std::string::npos)
      << questions[0];
  EXPECT_FALSE(office.Exists("C:\\KORAMI\\KORAMI.EXE"));
}

TEST(UpdateChecks, SectionCopyOntoAReadOnlyTargetEndsWithoutLog) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  office.Write("F:\\KORAMI\\DADOS\\TABSQL.DB", "old table");
  std::filesystem::permissions(office.Host("F:\\KORAMI\\DADOS\\TABSQL.DB"),
                               std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.Shows(R"("kind":1,"title":"Aviso","text":"Não foi possível copiar o arquivo TABSQL.DB")"))
      << run.output;
  // The local file copied before stays; the server file is untouched; no log.
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
  EXPECT_EQ(office.Read("F:\\KORAMI\\DADOS\\TABSQL.DB"), "old table");
  EXPECT_TRUE(office.LogLines().empty());
}

TEST(UpdateChecks, MissingInstallRootCancelsAfterTheRestore) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles, {{"PROG", "MORBA.EXE"}});
  office.Write("F:\\KORAMI\\MORBA.EXE", "");
  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.Shows(
      R"("kind":2,"title":"Informação","text":"Atualização cancelada\rO MORBA.EXE não esta listado no Registro do Windows\rContacte o suporte da Vornel")"))
      << run.output;
  EXPECT_FALSE(office.Exists("C:\\KORAMI\\KORAMI.EXE"));
  EXPECT_TRUE(office.LogLines().empty());
}

TEST(UpdateChecks, DamagedArchiveInstallsNothingAndLogsNothing) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", kFiles);
  std::string archive = office.Read("F:\\UPD\\X.ATU");
  archive.resize(archive.size() / 2);
  office.Write("F:\\UPD\\X.ATU", archive);
  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.Shows(R"("kind":4,"title":"Erro","text":"Erro do Sistema: )")) << run.output;
  EXPECT_TRUE(run.Shows(
      R"("text":"Foi detectado um erro ao fazer a Atualização,\rAtualização não foi feita com sucesso.")"));
  EXPECT_FALSE(office.Exists("C:\\KORAMI\\KORAMI.EXE"));
  EXPECT_FALSE(office.Exists("F:\\KORAMI\\DADOS\\TABSQL.DB"));
  EXPECT_TRUE(office.LogLines().empty());
}

TEST(UpdateChecks, LogKeepsTwentyFiveLinesAndTheUpdatesFolderFourUpdates) {
  Office office;
  std::string log;
  for (const char* name : {"A", "B", "A", "C", "D", "E"}) {
    office.Write(std::string("F:\\KORAMI\\UPDATES\\") + name + ".aex", "[CONFIG]\r\n");
    office.Write(std::string("F:\\KORAMI\\UPDATES\\") + name + ".ATU", "old");
    log += std::string("Atualiza\xe7\xe3o para versao 6.5 : F:\\KORAMI\\UPDATES\\") + name +
           ".aex no dia 01/02/2003 \xe0s 09:00:00\r\n";
  }
  office.Write("F:\\KORAMI\\UPDATES\\A.002", "old");
  office.Write("F:\\KORAMI\\Atualiz.log", log);
  office.MakeUpdate("F:\\KORAMI\\UPDATES", "X", "6.5.0.12", kFiles);

  AtualizarRun run = office.Run({"F:\\KORAMI\\UPDATES\\X.aex"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(office.LogLines().size(), 7u);
  // Kept: the four that appear latest (X, E, D, C); A and B go with their first volumes.
  for (const char* gone : {"A.aex", "A.ATU", "B.aex", "B.ATU"}) {
    EXPECT_FALSE(office.Exists(std::string("F:\\KORAMI\\UPDATES\\") + gone)) << gone;
  }
  for (const char* kept : {"C.aex", "D.ATU", "E.aex", "X.ATU", "A.002"}) {
    EXPECT_TRUE(office.Exists(std::string("F:\\KORAMI\\UPDATES\\") + kept)) << kept;
  }

  std::string full;
  for (int i = 0; i < 25; ++i) {
    full += "Atualiza\xe7\xe3o para versao 6.5 : F:\\KORAMI\\UPDATES\\X.aex no dia 01/02/2003 \xe0s 09:00:00\r\n";
  }
  office.Write("F:\\KORAMI\\Atualiz.log", full);
  run = office.Run({"F:\\KORAMI\\UPDATES\\X.aex"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(office.LogLines().size(), 1u);
}

}  // namespace
}  // namespace lifto::test
