#pragma once

#include <memory>
#include <string>

#include "platform/db/TableBackend.h"
#include "platform/db/TableLocking.h"

/// Opens what keeps a table, by its alias: a file in the alias's folder (SQLite or dBase, locked
/// through the lock file beside it), or a table in the PostgreSQL database that a server alias
/// names (locked through the server's advisory locks).
namespace lifto::platform::db {

struct TableStorage {
  std::unique_ptr<TableBackend> backend;
  std::unique_ptr<TableLocking> locks;
  std::string displayPath;  ///< the table's name in messages: its Windows path, or ":ALIAS:table"
};

/// @throw EDBEngineError as LocateTable, PgConnection, the backends and the locks say
TableStorage OpenTableStorage(const std::string& databaseName, const std::string& tableName,
                              bool exclusive);

}  // namespace lifto::platform::db
