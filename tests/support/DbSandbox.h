#pragma once

#include <filesystem>
#include <string>

#include "support/SandboxHome.h"

namespace lifto::test {

/// A sandbox environment for database tests: drive F: mapped to a fresh folder holding F:\DADOS,
/// aliases declared on demand, tables made with SQL.
class DbSandbox {
 public:
  DbSandbox();

  SandboxHome& Home() { return home_; }
  /// The host folder of F:\DADOS.
  std::filesystem::path Dados() const { return home_.HostPath("F:\\DADOS"); }
  /// Declares an alias with one PATH line (Windows path).
  void AddAlias(const std::string& alias, const std::string& windowsPath) {
    home_.AddAlias(alias, windowsPath);
  }
  /// Runs SQL in the SQLite file (created when missing). @throw std::runtime_error on SQL errors
  static void ExecSql(const std::filesystem::path& file, const std::string& sql);
  /// Creates F:\DADOS\<table>.sqlite with the SQL given (a CREATE TABLE and more).
  std::filesystem::path CreateTable(const std::string& table, const std::string& sql) const;

 private:
  SandboxHome home_;
};

}  // namespace lifto::test
