#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/TableBackend.h"

namespace lifto::platform::db {

class PgConnection;

/// A table in a PostgreSQL database, found by name without regard to case on the session's
/// search path. Field kinds and sizes come from the columns' types; the table's indexes on plain
/// columns are its indexes, searched with their own collations. The record id is the table's
/// primary key when that is one integer column (a serial, usually); a table without one is read
/// and appended to by the rows' physical places, but its records cannot be changed.
class PgTable : public TableBackend {
 public:
  /// @param connection the session, shared with the table's locks
  /// @param tableName the table's name as the tool gives it ("DISCOS")
  /// @throw EDBEngineError kNoSuchTable when the database has no such table
  PgTable(std::shared_ptr<PgConnection> connection, const std::string& tableName);

  /// ":ALIAS:table", the table's name in messages.
  const std::string& DisplayName() const { return display_; }
  /// The table's object id on the server, the key of its locks.
  std::uint32_t ObjectId() const { return oid_; }

  const std::vector<FieldDef>& Fields() const override { return fields_; }
  std::vector<RecordId> RecordIds(const std::string& indexName) override;
  std::optional<RecordValues> Read(RecordId id) override;
  RecordId Insert(const RecordValues& values, const std::vector<bool>& changed) override;
  /// @throw EDBEngineError kTableReadOnly for a table without an integer primary key
  void Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) override;
  void Delete(RecordId id) override;
  std::optional<RecordId> FindNearest(const std::string& indexName,
                                      const std::vector<std::string>& key) override;
  /// The server has made every statement durable when it answered: nothing is left to do.
  void SaveChanges() override {}

 private:
  struct IndexColumn {
    int field;            ///< position in fields_
    std::string collate;  ///< " COLLATE <name>", or empty for the column's own collation
  };
  struct IndexDef {
    std::string name;  ///< 1252
    std::vector<IndexColumn> columns;
  };

  void LoadFields();
  void LoadIndexes();
  const IndexDef& FindIndex(const std::string& indexName) const;
  std::string OrderBy(const std::vector<IndexColumn>& columns) const;
  std::string IdColumn() const;
  std::string IdCondition(int parameter) const;
  std::string IdParameter(RecordId id) const;
  RecordId IdFromText(const std::string& text) const;
  std::optional<std::string> Parameter(std::size_t field, const FieldValue& value) const;

  std::shared_ptr<PgConnection> connection_;
  std::string display_;
  std::string quotedTable_;
  std::uint32_t oid_ = 0;
  std::vector<FieldDef> fields_;
  std::vector<std::string> quotedColumns_;
  std::string selectList_;
  int keyField_ = -1;  ///< the integer primary key, or -1: the rows' physical places (ctid)
  std::vector<IndexDef> indexes_;
};

}  // namespace lifto::platform::db
