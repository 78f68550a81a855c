#include "support/DbSandbox.h"

#include <sqlite3.h>

#include <stdexcept>

namespace lifto::test {

DbSandbox::DbSandbox() : home_({{"F", "f"}}) {
  std::filesystem::create_directories(Dados());
}

void DbSandbox::ExecSql(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + file.string());
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("SQL failed on " + file.string() + ": " + message);
}

std::filesystem::path DbSandbox::CreateTable(const std::string& table, const std::string& sql) const {
  const auto file = Dados() / (table + ".sqlite");
  ExecSql(file, sql);
  return file;
}

}  // namespace lifto::test
