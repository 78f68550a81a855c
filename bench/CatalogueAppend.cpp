// Appending catalogue rows through the engine into SQLite files and into PostgreSQL on loopback.
//
// Rows go into DISCOS as disk generation writes them: through the retrying table, with Incluir
// and Gravar, field by field. Each kind of table is filled by one process, then (emptied again)
// by four processes at once, each appending its share. Printed: rows per second of each run, the
// rows lost (posted but missing afterwards; must be 0), and the server's rate against the files'.
// The server flushes its commits to disk, as SQLite does.
//   catalogue_append [ROWS]      (default 10000)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/db/Table.h"
#include "support/DbSandbox.h"
#include "support/PgCluster.h"
#include "support/TabelaRede.h"

namespace {

using namespace lifto;
namespace db = platform::db;

constexpr const char* kDiscosColumns =
    "aex VARCHAR(255), data DATE, hora TIME, abrev VARCHAR(10), descricao VARCHAR(80), "
    "tipo INTEGER, prog VARCHAR(20), alias VARCHAR(30), numdiscos INTEGER, computador VARCHAR(15)";

struct Outcome {
  double rowsPerSecond = 0;
  long lost = 0;
};

/// One process's share: rows appended as the catalogue appends them. @return 0 when all posted
int AppendRows(const std::string& alias, int process, int rows) {
  support::TTabelaRede discos;
  discos.SetName("TabDiscos");
  discos.SetDatabaseName(alias);
  discos.SetTableName("DISCOS");
  discos.SetTentativas(5);
  discos.Open();
  for (int n = 0; n < rows; ++n) {
    if (!discos.Incluir()) return 3;
    discos.SetFieldText("AEX", "C:\\PROJETOS\\KORAMI.AEX");
    discos.SetFieldDateTime("DATA", db::MakeDateTime(2026, 12, 8));
    discos.SetFieldDateTime("HORA", db::MakeDateTime(1899, 12, 30, 10, 11, 12));
    discos.SetFieldText("ABREV", "ACME");
    discos.SetFieldText("DESCRICAO", "ATUALIZACAO 6.5.0.12");
    discos.SetFieldInteger("TIPO", 1);
    discos.SetFieldText("PROG", "KORAMI.EXE");
    discos.SetFieldText("ALIAS", "ALIAS_KORAMI");
    discos.SetFieldInteger("NUMDISCOS", n);
    discos.SetFieldText("COMPUTADOR", "PC" + std::to_string(process));
    if (!discos.Gravar()) return 4;
  }
  return 0;
}

/// Appends `rows` rows from `processes` processes at once into an empty DISCOS.
Outcome Run(const std::string& alias, int processes, int rows) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    const int share = rows / processes + (p < rows % processes ? 1 : 0);
    const pid_t child = ::fork();
    if (child == 0) {
      int code = 99;
      try {
        code = AppendRows(alias, p, share);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "process %d: %s\n", p, e.what());
      }
      ::_exit(code);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "an appending process failed (status %d)\n", status);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  db::Table discos;
  discos.SetDatabaseName(alias);
  discos.SetTableName("DISCOS");
  discos.Open();
  std::set<std::string> distinct;
  for (discos.First(); !discos.Eof(); discos.Next()) {
    distinct.insert(discos.FieldAsText("COMPUTADOR") + "/" + discos.FieldAsText("NUMDISCOS"));
  }
  return {rows / seconds, static_cast<long>(rows) - static_cast<long>(distinct.size())};
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: catalogue_append [ROWS]\n");
    return 2;
  }
  try {
    test::DbSandbox sandbox;  // F:\DADOS, a folder on this machine's disk
    sandbox.AddAlias("ALIAS_ARQUIVOS", "F:\\DADOS");
    test::PgCluster cluster(true);
    sandbox.Home().AddAliasLines("ALIAS_SERVIDOR", cluster.AliasLines());

    std::printf("%d DISCOS rows appended through the retrying table\n\n", rows);
    std::printf("%-28s %12s %6s\n", "", "rows/s", "lost");
    double files[2] = {0, 0};
    const int counts[2] = {1, 4};
    for (int i = 0; i < 2; ++i) {
      std::filesystem::remove(sandbox.Dados() / "DISCOS.sqlite");
      sandbox.CreateTable("DISCOS", std::string("CREATE TABLE DISCOS (CONTROLE INTEGER PRIMARY "
                                                "KEY AUTOINCREMENT, ") + kDiscosColumns + ")");
      const Outcome outcome = Run("ALIAS_ARQUIVOS", counts[i], rows);
      files[i] = outcome.rowsPerSecond;
      std::printf("SQLite files, %d process%s %12.0f %6ld\n", counts[i], i ? "es" : "  ",
                  outcome.rowsPerSecond, outcome.lost);
      std::fflush(stdout);
    }
    for (int i = 0; i < 2; ++i) {
      cluster.Exec(std::string("DROP TABLE IF EXISTS discos; CREATE TABLE discos (controle "
                               "serial PRIMARY KEY, ") + kDiscosColumns + ")");
      const Outcome outcome = Run("ALIAS_SERVIDOR", counts[i], rows);
      std::printf("PostgreSQL,   %d process%s %12.0f %6ld   (%.2f x the files)\n", counts[i],
                  i ? "es" : "  ", outcome.rowsPerSecond, outcome.lost,
                  outcome.rowsPerSecond / files[i]);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "catalogue_append: %s\n", e.what());
    return 1;
  }
  return 0;
}
