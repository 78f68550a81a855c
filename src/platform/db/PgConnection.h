#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/ServerAlias.h"

struct pg_conn;
struct pg_result;

/// One session with a PostgreSQL server, on libpq. Every statement runs on its own (the server
/// commits it or leaves no trace of it), so that a failure never leaves half a row. Texts
/// exchanged with the server are UTF-8.
namespace lifto::platform::db {

/// The rows of one statement, freed when it goes.
class PgResult {
 public:
  explicit PgResult(pg_result* result) : result_(result) {}
  ~PgResult();
  PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
  PgResult& operator=(PgResult&&) = delete;
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;

  int Rows() const;
  /// A value as text (UTF-8); nullopt for NULL.
  std::optional<std::string> Value(int row, int column) const;
  /// The text of a value that is never NULL ("" when it is).
  std::string Text(int row, int column) const { return Value(row, column).value_or(""); }
  /// Rows changed by an INSERT, UPDATE or DELETE.
  long Affected() const;
  const pg_result* Raw() const { return result_; }

 private:
  pg_result* result_;
};

class PgConnection {
 public:
  /// Connects as the alias says; the password comes from libpq's password file or environment.
  /// @param applicationName what other sessions see as this session's user (the login name)
  /// @throw EDBEngineError kInvalidAliasPath when the server cannot be reached or refuses the
  ///        session ("Cannot connect to the database server.\rAlias: ...\rServer: host:port\r...")
  PgConnection(const ServerAlias& alias, const std::string& applicationName);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  /// Runs one statement with text parameters ($1, $2...; nullopt is NULL).
  /// @param table the table's name for messages
  /// @throw EDBEngineError with the engine's code for the server's condition: kRecordLocked,
  ///        kKeyViolation, kNoSuchTable, kAccessDenied, kWriteFailed, kLockTimeout, and
  ///        kInvalidAliasPath ("Lost the connection to the database server.") when the server
  ///        went away; kGeneralError otherwise
  PgResult Exec(const std::string& sql, const std::vector<std::optional<std::string>>& parameters,
                const std::string& table);
  PgResult Exec(const std::string& sql, const std::string& table) { return Exec(sql, {}, table); }

  const ServerAlias& Alias() const { return alias_; }

 private:
  ServerAlias alias_;
  pg_conn* conn_ = nullptr;
};

/// An SQL identifier in double quotes.
std::string QuoteIdentifier(const std::string& identifier);

}  // namespace lifto::platform::db
