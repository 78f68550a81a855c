#include "platform/db/PgConnection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include <dlfcn.h>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

// The client library is loaded when the first session begins, not with the program: most runs
// use no database server, and loading it with the libraries it needs (TLS, Kerberos, LDAP) made
// every start of the tool cost several times what the tool itself did before its first file.
constexpr const char* kLibpq = "libpq.so.5";

struct Libpq {
  decltype(&::PQconnectdbParams) connectdbParams;
  decltype(&::PQsetNoticeProcessor) setNoticeProcessor;
  decltype(&::PQstatus) status;
  decltype(&::PQerrorMessage) errorMessage;
  decltype(&::PQfinish) finish;
  decltype(&::PQexecParams) execParams;
  decltype(&::PQresultStatus) resultStatus;
  decltype(&::PQresultErrorField) resultErrorField;
  decltype(&::PQresultErrorMessage) resultErrorMessage;
  decltype(&::PQclear) clear;
  decltype(&::PQntuples) ntuples;
  decltype(&::PQgetisnull) getisnull;
  decltype(&::PQgetvalue) getvalue;
  decltype(&::PQgetlength) getlength;
  decltype(&::PQcmdTuples) cmdTuples;
};

template <typename Function>
void Bind(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  if (!function) throw std::runtime_error(std::string(kLibpq) + " has no " + name);
}

Libpq LoadLibpq() {
  // Kept for the rest of the run: sessions may begin at any time.
  void* library = ::dlopen(kLibpq, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* error = ::dlerror();
    throw std::runtime_error(error ? error : std::string(kLibpq) + " could not be loaded");
  }
  Libpq pq{};
  Bind(library, "PQconnectdbParams", pq.connectdbParams);
  Bind(library, "PQsetNoticeProcessor", pq.setNoticeProcessor);
  Bind(library, "PQstatus", pq.status);
  Bind(library, "PQerrorMessage", pq.errorMessage);
  Bind(library, "PQfinish", pq.finish);
  Bind(library, "PQexecParams", pq.execParams);
  Bind(library, "PQresultStatus", pq.resultStatus);
  Bind(library, "PQresultErrorField", pq.resultErrorField);
  Bind(library, "PQresultErrorMessage", pq.resultErrorMessage);
  Bind(library, "PQclear", pq.clear);
  Bind(library, "PQntuples", pq.ntuples);
  Bind(library, "PQgetisnull", pq.getisnull);
  Bind(library, "PQgetvalue", pq.getvalue);
  Bind(library, "PQgetlength", pq.getlength);
  Bind(library, "PQcmdTuples", pq.cmdTuples);
  return pq;
}

/// The loaded library. @throw std::runtime_error naming the library when it cannot be loaded
/// (tried again at the next call)
const Libpq& Pq() {
  static const Libpq pq = LoadLibpq();
  return pq;
}

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
  return conn ? CleanMessage(Pq().errorMessage(conn)) : "out of memory";
}

bool StartsWith(const char* text, const char* prefix) {
  return text && std::string_view(text).substr(0, std::string_view(prefix).size()) == prefix;
}

}  // namespace

// A result exists only once the library is loaded.
PgResult::~PgResult() {
  if (result_) Pq().clear(result_);
}

int PgResult::Rows() const { return Pq().ntuples(result_); }

std::optional<std::string> PgResult::Value(int row, int column) const {
  if (Pq().getisnull(result_, row, column)) return std::nullopt;
  return std::string(Pq().getvalue(result_, row, column),
                     static_cast<std::size_t>(Pq().getlength(result_, row, column)));
}

long PgResult::Affected() const { return std::strtol(Pq().cmdTuples(result_), nullptr, 10); }

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
  const Libpq* pq = nullptr;
  std::string reason;
  try {
    pq = &Pq();
  } catch (const std::runtime_error& e) {
    reason = FromUtf8(e.what());
  }
  if (pq) conn_ = pq->connectdbParams(keys.data(), values.data(), 0);
  if (conn_) {
    // The server's notices are for its administrators; the tool's user never sees them.
    pq->setNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  }
  if (!conn_ || pq->status(conn_) != CONNECTION_OK) {
    if (pq) reason = SessionMessage(conn_);
    if (conn_) pq->finish(conn_);
    conn_ = nullptr;
    throw EDBEngineError(code::kInvalidAliasPath,
                         "Cannot connect to the database server.\rAlias: " + alias.name +
                             "\rServer: " + alias.Address() + "\r" + reason);
  }
}

PgConnection::~PgConnection() {
  if (conn_) Pq().finish(conn_);
}

PgResult PgConnection::Exec(const std::string& sql,
                            const std::vector<std::optional<std::string>>& parameters,
                            const std::string& table) {
  std::vector<const char*> values;
  for (const auto& parameter : parameters) values.push_back(parameter ? parameter->c_str() : nullptr);
  const Libpq& pq = Pq();
  PgResult result(pq.execParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
  const PGresult* raw = result.Raw();
  const ExecStatusType status = raw ? pq.resultStatus(raw) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;

  const char* state = raw ? pq.resultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
  const std::string reason =
      raw && *pq.resultErrorMessage(raw) ? CleanMessage(pq.resultErrorMessage(raw)) : SessionMessage(conn_);
  const std::string detail = "\rTable: " + table + "\r" + reason;
  // A session the server ended (shut down, restarted, unreachable) cannot go on.
  if (pq.status(conn_) != CONNECTION_OK || StartsWith(state, "08") || StartsWith(state, "57P")) {
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
