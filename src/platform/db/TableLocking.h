#pragma once

#include <cstdint>

/// The locks the dataset takes on an open table, whatever keeps the table: a record being edited,
/// posted or deleted, and the header lock around reading and writing rows. A table on a database
/// server keeps its own consistency and needs no header lock; its implementation may ignore it.
namespace lifto::platform::db {

class TableLocking {
 public:
  virtual ~TableLocking() = default;

  /// Locks a record without waiting. @return false when another open of the table holds it
  virtual bool TryLockRecord(std::int64_t recordId) = 0;
  virtual void UnlockRecord(std::int64_t recordId) = 0;
  /// Takes the header lock, waiting for whoever holds it in a conflicting way.
  virtual void LockHeader(bool exclusive) = 0;
  virtual void UnlockHeader() = 0;
};

}  // namespace lifto::platform::db
