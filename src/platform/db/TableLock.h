#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/db/TableLocking.h"

/// The locks that the engine and any other program honouring them place on a table, all on the
/// file "<table file>.lck" beside the table:
///
///   - the open lock: a shared flock() while the table is open, an exclusive one (taken without
///     waiting) for an exclusive open;
///   - the record locks: a one-byte open-file-description lock (F_OFD_SETLK, write) at offset
///     2^30 + record id while a record is edited, posted or deleted;
///   - the header lock, on "record" 0 (offset 2^30): held shared while records are read and
///     exclusively while a row is written, so that a writer never waits on a stream of readers
///     and a reader never sees half a change;
///   - the user slots, so that a refused open can name who holds the table: slot i (0 to 255) is
///     held by a one-byte open-file-description write lock at offset 2^29 + i, and its holder's
///     user name is written at offset 64 * i (at most 63 bytes, zero-padded to 64).
///
/// All of them belong to the open file description, so they vanish when the table is closed or
/// its process dies.
namespace lifto::platform::db {

class TableLock : public TableLocking {
 public:
  /// Opens (creating it when missing) the lock file and takes the open lock without waiting.
  /// @param tableFile the table's host file
  /// @param tableName the table's Windows path, for messages
  /// @throw EDBEngineError kTableBusy ("Table is busy.\rTable: ...\rUser: ...") while another
  ///        program holds the table open in a conflicting way; kAccessDenied when the lock file
  ///        cannot be opened for writing
  TableLock(const std::filesystem::path& tableFile, const std::string& tableName, bool exclusive);
  ~TableLock() override;
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  /// Locks a record without waiting. @return false when another open holds it
  bool TryLockRecord(std::int64_t recordId) override;
  void UnlockRecord(std::int64_t recordId) override;
  /// Takes the header lock, waiting for whoever holds it in a conflicting way.
  void LockHeader(bool exclusive) override;
  void UnlockHeader() override;

  const std::filesystem::path& LockFile() const { return lockFile_; }

  static constexpr std::int64_t kRecordLockBase = std::int64_t{1} << 30;
  static constexpr std::int64_t kUserSlotBase = std::int64_t{1} << 29;
  static constexpr int kUserSlots = 256;
  static constexpr int kUserSlotSize = 64;

 private:
  void RegisterUser();
  std::string HoldersText() const;

  std::filesystem::path lockFile_;
  int fd_ = -1;
};

/// The name this process shows to others in the user slots: the login name.
std::string CurrentUserName();

}  // namespace lifto::platform::db
