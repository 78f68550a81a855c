#include "platform/db/TableStorage.h"

#include <cerrno>

#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"
#include "platform/db/DbfTable.h"
#include "platform/db/PgConnection.h"
#include "platform/db/PgTable.h"
#include "platform/db/PgTableLock.h"
#include "platform/db/ServerAlias.h"
#include "platform/db/SqliteTable.h"
#include "platform/db/TableLocation.h"
#include "platform/db/TableLock.h"

namespace lifto::platform::db {

namespace {

/// The table's name on a server: a ".DB" or ".sqlite" ending names the same table, as in a folder.
std::string ServerTableName(std::string name) {
  for (std::string_view ending : {".sqlite", ".db"}) {
    if (name.size() > ending.size() &&
        EqualsNoCase(std::string_view(name).substr(name.size() - ending.size()), ending)) {
      name.resize(name.size() - ending.size());
    }
  }
  return name;
}

TableStorage OpenServerTable(const ServerAlias& alias, const std::string& tableName,
                             bool exclusive) {
  // One session per open table: its advisory locks are the table's locks and end with it.
  auto connection = std::make_shared<PgConnection>(alias, CurrentUserName());
  auto backend = std::make_unique<PgTable>(connection, ServerTableName(tableName));
  TableStorage storage;
  storage.displayPath = backend->DisplayName();
  storage.locks = std::make_unique<PgTableLock>(connection, backend->ObjectId(),
                                                storage.displayPath, exclusive);
  storage.backend = std::move(backend);
  return storage;
}

}  // namespace

TableStorage OpenTableStorage(const std::string& databaseName, const std::string& tableName,
                              bool exclusive) {
  if (!IsAbsoluteWindowsPath(tableName) && !databaseName.empty() &&
      !IsAbsoluteWindowsPath(databaseName)) {
    if (const auto server = FindServerAlias(databaseName)) {
      return OpenServerTable(*server, tableName, exclusive);
    }
  }
  TableLocation location = LocateTable(databaseName, tableName);
  // The table libraries open files by name: they get the path with every link resolved that is
  // the user's or root's, and a table reached through another user's link is refused.
  if (const auto resolved = ResolvedPath(location.file)) {
    location.file = *resolved;
  } else if (errno == ELOOP) {
    throw EDBEngineError(code::kAccessDenied, "Cannot open the table.\rTable: " + location.displayPath +
                                                  "\rA link of another user leads to it");
  }
  // The file is checked before the lock file is made beside it, so that nothing is added next
  // to a file that is not a table.
  TableStorage storage;
  if (location.format == TableFormat::Dbf) {
    storage.backend = std::make_unique<DbfTable>(location.file, location.displayPath);
  } else {
    storage.backend =
        std::make_unique<SqliteTable>(location.file, location.sqlName, location.displayPath);
  }
  storage.locks = std::make_unique<TableLock>(location.file, location.displayPath, exclusive);
  storage.displayPath = location.displayPath;
  return storage;
}

}  // namespace lifto::platform::db
