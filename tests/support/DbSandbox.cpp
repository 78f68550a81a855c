#include "support/DbSandbox.h"

#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/Environment.h"

namespace lifto::test {

DbSandbox::DbSandbox() {
  if (const char* home = std::getenv("LIFTO_HOME")) {
    hadHome_ = true;
    savedHome_ = home;
  }
  std::filesystem::create_directories(Dados());
  temp_.Write("home/system.ini", "[Drives]\r\nF=" + (temp_.Path() / "f").string() +
                                     "\r\n[System]\r\nComputerName=PC1\r\n");
  ::setenv("LIFTO_HOME", (temp_.Path() / "home").c_str(), 1);
  WriteAliases();
}

DbSandbox::~DbSandbox() {
  if (hadHome_) {
    ::setenv("LIFTO_HOME", savedHome_.c_str(), 1);
  } else {
    ::unsetenv("LIFTO_HOME");
  }
  platform::Environment::Reset();
}

std::filesystem::path DbSandbox::Dados() const { return temp_.Path() / "f" / "DADOS"; }

void DbSandbox::AddAlias(const std::string& alias, const std::string& windowsPath) {
  aliases_ += "[" + alias + "]\r\nPATH=" + windowsPath + "\r\n";
  WriteAliases();
}

void DbSandbox::WriteAliases() const {
  temp_.Write("home/aliases.ini", aliases_);
  platform::Environment::Reset();
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
