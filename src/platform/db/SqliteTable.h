#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/TableBackend.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lifto::platform::db {

/// A table kept as an SQLite database file holding one SQL table of the table's name. Field
/// kinds and sizes come from the declared column types; the SQL indexes are the table's indexes.
/// Every change runs in its own immediate transaction, and a lock held by another writer is
/// waited for a few seconds, so that programs writing at once lose nothing.
class SqliteTable : public TableBackend {
 public:
  /// @param file the host file, known to exist
  /// @param tableName the table's name (found in the file without regard to case)
  /// @param displayPath the file's Windows path, for messages
  /// @throw EDBEngineError kHeaderCorrupt when the file is not an SQLite database holding that
  ///        table (the file is then left as it is)
  SqliteTable(const std::filesystem::path& file, const std::string& tableName,
              const std::string& displayPath);
  ~SqliteTable() override;
  SqliteTable(const SqliteTable&) = delete;
  SqliteTable& operator=(const SqliteTable&) = delete;

  const std::vector<FieldDef>& Fields() const override { return fields_; }
  std::vector<RecordId> RecordIds(const std::string& indexName) override;
  std::optional<RecordValues> Read(RecordId id) override;
  RecordId Insert(const RecordValues& values, const std::vector<bool>& changed) override;
  void Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) override;
  void Delete(RecordId id) override;
  std::optional<RecordId> FindNearest(const std::string& indexName,
                                      const std::vector<std::string>& key) override;
  void SaveChanges() override;

  /// How long a change waits for another writer's lock before it fails (milliseconds).
  static constexpr int kBusyTimeoutMs = 3000;

 private:
  struct IndexColumn {
    int field;              ///< position in fields_
    std::string collation;  ///< as declared in the index ("BINARY", "NOCASE"...)
  };
  struct IndexDef {
    std::string name;  ///< 1252
    std::vector<IndexColumn> columns;
  };
  class Statement;
  class Transaction;

  void LoadFields();
  void LoadIndexes();
  const IndexDef* FindIndex(const std::string& indexName) const;
  std::string OrderBy(const std::vector<IndexColumn>& columns) const;
  void Execute(const char* sql);
  [[noreturn]] void Fail(int rc, const std::string& doing) const;

  sqlite3* db_ = nullptr;
  std::string display_;
  std::string tableUtf8_;  ///< the SQL table's name as the file spells it
  std::string quotedTable_;
  std::vector<FieldDef> fields_;
  std::vector<std::string> quotedColumns_;
  std::vector<IndexDef> indexes_;
  std::string defaultOrder_;
};

}  // namespace lifto::platform::db
