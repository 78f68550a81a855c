#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/db/FieldDef.h"

/// The storage of one open table: an SQLite table or a dBase file. The dataset (Table) keeps the
/// cursor, the record buffer, the locks and the events; a backend only reads and writes rows.
/// Every failure is an EDBEngineError naming the table.
namespace lifto::platform::db {

class TableBackend {
 public:
  virtual ~TableBackend() = default;

  virtual const std::vector<FieldDef>& Fields() const = 0;
  /// Ids of the live records in the order of the named index (empty: the table's own order).
  /// @throw EDBEngineError kNoSuchIndex for an unknown index
  virtual std::vector<RecordId> RecordIds(const std::string& indexName) = 0;
  /// The record's values (one per field), read afresh; nullopt when it no longer exists.
  virtual std::optional<RecordValues> Read(RecordId id) = 0;
  /// Adds a record with the values whose `changed` flag is set (others keep their defaults).
  /// @return the new record's id
  virtual RecordId Insert(const RecordValues& values, const std::vector<bool>& changed) = 0;
  /// @throw EDBEngineError kRecordDeleted when the record no longer exists
  virtual void Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) = 0;
  virtual void Delete(RecordId id) = 0;
  /// The first record, in the index's order, whose leading key fields are not less than `key`.
  virtual std::optional<RecordId> FindNearest(const std::string& indexName,
                                              const std::vector<std::string>& key) = 0;
  /// Makes every change written so far durable on disk.
  virtual void SaveChanges() = 0;
  /// Forgets what was cached, so that the next reads see other programs' changes.
  virtual void Reload() {}
};

}  // namespace lifto::platform::db
