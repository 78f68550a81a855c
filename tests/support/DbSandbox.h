#pragma once

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace lifto::test {

/// A sandbox LIFTO_HOME for database tests: drive F: mapped to a fresh folder holding F:\DADOS,
/// aliases declared on demand. Restores LIFTO_HOME and the loaded environment at the end.
class DbSandbox {
 public:
  DbSandbox();
  ~DbSandbox();
  DbSandbox(const DbSandbox&) = delete;
  DbSandbox& operator=(const DbSandbox&) = delete;

  /// The host folder of F:\DADOS.
  std::filesystem::path Dados() const;
  /// Declares an alias with one PATH line (Windows path) and reloads the environment.
  void AddAlias(const std::string& alias, const std::string& windowsPath);
  /// Runs SQL in the SQLite file (created when missing). @throw std::runtime_error on SQL errors
  static void ExecSql(const std::filesystem::path& file, const std::string& sql);
  /// Creates F:\DADOS\<table>.sqlite with the SQL given (a CREATE TABLE and more).
  std::filesystem::path CreateTable(const std::string& table, const std::string& sql) const;

 private:
  void WriteAliases() const;

  TempFolder temp_;
  std::string aliases_;
  std::string savedHome_;
  bool hadHome_ = false;
};

}  // namespace lifto::test
