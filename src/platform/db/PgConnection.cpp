#include "platform/db/PgConnection.h"

#include <libpq-fe.h>

#include <cstdlib>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

/// A message of libpq or the server in 1252, its lines split by carriage returns as the
/// engine's messages are, without a trailing line break.
std::string CleanMessage(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text) {
    if (c == '\n') c = '\r';
  }
  return FromUtf8(text);
}

std::string SessionMessage(const PGconn* conn) {
  return conn ? CleanMessage(PQerrorMessage(conn)) : "out of memory";
}

bool StartsWith(const char* text, const char* prefix) {
  return text && std::string_view(text).substr(0, std::string_view(prefix).size()) == prefix;
}

}  // namespace

PgResult::~PgResult() { PQclear(result_); }

int PgResult::Rows() const { return PQntuples(result_); }

std::optional<std::string> PgResult::Value(int row, int column) const {
  if (PQgetisnull(result_, row, column)) return std::nullopt;
  return std::string(PQgetvalue(result_, row, column),
                     static_cast<std::size_t>(PQgetlength(result_, row, column)));
}

long PgResult::Affected() const { return std::strtol(PQcmdTuples(result_), nullptr, 10); }

PgConnection::PgConnection(const ServerAlias& alias, const std::string& applicationName)
    : alias_(alias) {
  const std::string name = ToUtf8(applicationName.substr(0, 63));
  // A session that sees no answer from the server gives up instead of hanging the tool.
  std::vector<const char*> keys{"dbname", "client_encoding", "application_name", "connect_timeout",
                                "keepalives_idle", "keepalives_interval", "keepalives_count",
                                "options"};
  std::vector<const char*> values{alias.database.c_str(), "UTF8", name.c_str(), "10",
                                  "15", "5", "3", "-c DateStyle=ISO,YMD"};
  const auto add = [&](const char* key, const std::string& value) {
    if (value.empty()) return;
    keys.push_back(key);
    values.push_back(value.c_str());
  };
  add("host", alias.server);
  add("port", alias.port);
  add("user", alias.user);
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
  if (conn_) {
    // The server's notices are for its administrators; the tool's user never sees them.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  }
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    const std::string reason = SessionMessage(conn_);
    PQfinish(conn_);
    conn_ = nullptr;
    throw EDBEngineError(code::kInvalidAliasPath,
                         "Cannot connect to the database server.\rAlias: " + alias.name +
                             "\rServer: " + alias.Address() + "\r" + reason);
  }
}

PgConnection::~PgConnection() { PQfinish(conn_); }

PgResult PgConnection::Exec(const std::string& sql,
                            const std::vector<std::optional<std::string>>& parameters,
                            const std::string& table) {
  std::vector<const char*> values;
  for (const auto& parameter : parameters) values.push_back(parameter ? parameter->c_str() : nullptr);
  PgResult result(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
  const PGresult* raw = result.Raw();
  const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;

  const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
  const std::string reason =
      raw && *PQresultErrorMessage(raw) ? CleanMessage(PQresultErrorMessage(raw)) : SessionMessage(conn_);
  const std::string detail = "\rTable: " + table + "\r" + reason;
  // A session the server ended (shut down, restarted, unreachable) cannot go on.
  if (PQstatus(conn_) != CONNECTION_OK || StartsWith(state, "08") || StartsWith(state, "57P")) {
    throw EDBEngineError(code::kInvalidAliasPath, "Lost the connection to the database server." +
                                                      detail + "\rServer: " + alias_.Address());
  }
  if (StartsWith(state, "55P03") || StartsWith(state, "40")) {
    throw EDBEngineError(code::kLockTimeout, "Lock time out." + detail);
  }
  if (StartsWith(state, "23")) throw EDBEngineError(code::kKeyViolation, "Key violation." + detail);
  if (StartsWith(state, "42P01")) {
    throw EDBEngineError(code::kNoSuchTable, "Table does not exist." + detail);
  }
  if (StartsWith(state, "42501")) {
    throw EDBEngineError(code::kAccessDenied, "Permission denied." + detail);
  }
  if (StartsWith(state, "53")) throw EDBEngineError(code::kWriteFailed, "Write failed." + detail);
  if (StartsWith(state, "XX001")) {
    throw EDBEngineError(code::kFileCorrupt, "Corrupt file - other than header." + detail);
  }
  if (StartsWith(state, "XX002")) throw EDBEngineError(code::kIndexCorrupt, "Corrupt index." + detail);
  throw EDBEngineError(code::kGeneralError, "General SQL error." + detail);
}

std::string QuoteIdentifier(const std::string& identifier) {
  std::string quoted = "\"";
  for (char c : identifier) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + '"';
}

}  // namespace lifto::platform::db
