#include "support/CatalogueTables.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace lifto::test {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string RunSqlite(const std::filesystem::path& file, const std::string& sql) {
  const std::string command = "sqlite3 " + Quoted(file.string()) + " " + Quoted(sql) + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run sqlite3 on " + file.string());
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  if (pclose(pipe.release()) != 0) throw std::runtime_error("sqlite3 failed on " + file.string() + ": " + output);
  return output;
}

}  // namespace

void CreateCatalogue(const std::filesystem::path& folder,
                     const std::vector<std::pair<std::string, std::string>>& clients) {
  std::filesystem::create_directories(folder);
  std::string escr =
      "CREATE TABLE Escr (CONTROL INTEGER PRIMARY KEY, ABREV VARCHAR(10), ESCRITORIO VARCHAR(60));"
      "CREATE INDEX IABREV ON Escr (ABREV COLLATE NOCASE);";
  for (const auto& [abrev, name] : clients) {
    escr += "INSERT INTO Escr (ABREV, ESCRITORIO) VALUES ('" + abrev + "', '" + name + "');";
  }
  RunSqlite(folder / "Escr.sqlite", escr);
  RunSqlite(folder / "DISCOS.sqlite",
            "CREATE TABLE DISCOS (CONTROLE INTEGER PRIMARY KEY AUTOINCREMENT, AEX VARCHAR(255), "
            "DATA DATE, HORA TIME, ABREV VARCHAR(10), DESCRICAO VARCHAR(80), TIPO INTEGER, "
            "PROG VARCHAR(20), ALIAS VARCHAR(30), NUMDISCOS INTEGER, COMPUTADOR VARCHAR(15));");
  RunSqlite(folder / "ARQUIVOS.sqlite",
            "CREATE TABLE ARQUIVOS (DISCO INTEGER, CHAVE VARCHAR(8), NOMEARQ VARCHAR(255), "
            "DESTINOARQ VARCHAR(255), TAMARQ INTEGER, DATAARQ DATE, HORAARQ TIME);");
}

std::vector<std::string> QueryRows(const std::filesystem::path& tableFile, const std::string& sql) {
  const std::string output = RunSqlite(tableFile, sql);
  std::vector<std::string> rows;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    rows.push_back(output.substr(start, end - start));
  }
  return rows;
}

}  // namespace lifto::test
