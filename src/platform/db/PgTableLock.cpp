#include "platform/db/PgTableLock.h"

#include <utility>
#include <vector>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "platform/db/PgConnection.h"

namespace lifto::platform::db {

PgTableLock::PgTableLock(std::shared_ptr<PgConnection> connection, std::uint32_t tableId,
                         std::string table, bool exclusive)
    : connection_(std::move(connection)), tableId_(tableId), table_(std::move(table)) {
  const std::string key =
      std::to_string((static_cast<std::int64_t>(kOpenLockTag) << 32) + tableId_);
  const PgResult taken = connection_->Exec(
      exclusive ? "SELECT pg_catalog.pg_try_advisory_lock($1::int8)"
                : "SELECT pg_catalog.pg_try_advisory_lock_shared($1::int8)",
      {key}, table_);
  if (taken.Text(0, 0) != "t") {
    throw EDBEngineError(code::kTableBusy,
                         "Table is busy.\rTable: " + table_ + "\rUser: " + HoldersText());
  }
}

std::string PgTableLock::HoldersText() const {
  std::string text;
  try {
    const PgResult holders = connection_->Exec(
        "SELECT DISTINCT COALESCE(NULLIF(a.application_name, ''), a.usename::text) "
        "FROM pg_catalog.pg_locks l JOIN pg_catalog.pg_stat_activity a ON a.pid = l.pid "
        "WHERE l.locktype = 'advisory' AND l.granted AND l.classid = $1::oid "
        "AND l.objid = $2::oid AND l.objsubid = 1 AND l.pid <> pg_catalog.pg_backend_pid() "
        "ORDER BY 1",
        {std::to_string(kOpenLockTag), std::to_string(tableId_)}, table_);
    for (int row = 0; row < holders.Rows(); ++row) {
      text += (text.empty() ? "" : ", ") + FromUtf8(holders.Text(row, 0));
    }
  } catch (const EDBEngineError&) {
    // The names only help the message of a refused open; the refusal stands without them.
  }
  return text.empty() ? "unknown" : text;
}

std::string PgTableLock::RecordKey(std::int64_t recordId) {
  return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(recordId)));
}

bool PgTableLock::TryLockRecord(std::int64_t recordId) {
  // The server counts a session's locks on a key: each is taken once, as a file lock is.
  if (held_.count(recordId)) return true;
  const PgResult taken =
      connection_->Exec("SELECT pg_catalog.pg_try_advisory_lock($1::int4, $2::int4)",
                        {std::to_string(static_cast<std::int32_t>(tableId_)), RecordKey(recordId)},
                        table_);
  if (taken.Text(0, 0) != "t") return false;
  held_.insert(recordId);
  return true;
}

void PgTableLock::UnlockRecord(std::int64_t recordId) {
  if (!held_.erase(recordId)) return;
  try {
    connection_->Exec("SELECT pg_catalog.pg_advisory_unlock($1::int4, $2::int4)",
                      {std::to_string(static_cast<std::int32_t>(tableId_)), RecordKey(recordId)},
                      table_);
  } catch (const EDBEngineError&) {
    // A session that is gone holds no lock any more.
  }
}

}  // namespace lifto::platform::db
