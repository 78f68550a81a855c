#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/db/TableLocking.h"

/// The locks on a table in a PostgreSQL database, as session-level advisory locks that every
/// session of the server sees, and that end with the session:
///
///   - the open lock: the one-key advisory lock 0x4C46544F * 2^32 + the table's object id, held
///     shared while the table is open and exclusively (taken without waiting) for an exclusive
///     open;
///   - the record locks: the two-key advisory lock (table's object id, record id) while a record
///     is edited, posted or deleted.
///
/// A program that takes the same locks can share the tables with the tool. The session's
/// application name is what a refused open names as the table's user.
namespace lifto::platform::db {

class PgConnection;

class PgTableLock : public TableLocking {
 public:
  /// Takes the open lock without waiting.
  /// @param table the table's name for messages
  /// @throw EDBEngineError kTableBusy ("Table is busy.\rTable: ...\rUser: ...") while another
  ///        session holds the table open in a conflicting way
  PgTableLock(std::shared_ptr<PgConnection> connection, std::uint32_t tableId, std::string table,
              bool exclusive);
  /// The session ends with the table; its locks go with it.
  ~PgTableLock() override = default;

  bool TryLockRecord(std::int64_t recordId) override;
  void UnlockRecord(std::int64_t recordId) override;
  /// The server keeps each statement whole: no header lock is needed.
  void LockHeader(bool) override {}
  void UnlockHeader() override {}

  /// The high half of the open lock's key ("LFTO").
  static constexpr std::uint32_t kOpenLockTag = 0x4C46544F;

 private:
  std::string HoldersText() const;
  /// The record id in the lock's second key (ids beyond 32 bits wrap round).
  static std::string RecordKey(std::int64_t recordId);

  std::shared_ptr<PgConnection> connection_;
  std::uint32_t tableId_;
  std::string table_;
  std::set<std::int64_t> held_;  ///< the records this open holds locked
};

}  // namespace lifto::platform::db
