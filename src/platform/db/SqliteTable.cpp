#include "platform/db/SqliteTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <utility>

#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

std::string Quote(const std::string& identifier) {
  std::string quoted = "\"";
  for (char c : identifier) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + '"';
}

std::string UpperAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

/// Kind and size from a declared column type, by the words it contains, as SQL's own type
/// affinity rules read them.
FieldDef KindOf(const std::string& declared) {
  const std::string type = UpperAscii(declared);
  FieldDef def;
  const auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("BOOL") || has("LOGICAL")) {
    def.kind = FieldKind::Boolean;
  } else if (has("DATETIME") || has("TIMESTAMP")) {
    def.kind = FieldKind::DateTime;
  } else if (has("DATE")) {
    def.kind = FieldKind::Date;
  } else if (has("TIME")) {
    def.kind = FieldKind::Time;
  } else if (has("INT")) {
    def.kind = FieldKind::Integer;
  } else if (has("CHAR") || has("TEXT") || has("CLOB") || has("STRING")) {
    def.kind = FieldKind::String;
    def.size = 255;
    const auto open = type.find('(');
    if (open != std::string::npos) {
      int size = 0;
      const char* first = type.data() + open + 1;
      const auto [end, ec] = std::from_chars(first, type.data() + type.size(), size);
      if (ec == std::errc() && end != first && size > 0) def.size = size;
    }
  } else if (has("REAL") || has("FLOA") || has("DOUB") || has("NUM") || has("DEC") ||
             has("MONEY") || has("CURRENCY")) {
    def.kind = FieldKind::Float;
  } else {
    def.kind = FieldKind::String;  // untyped or BLOB columns read as text
  }
  return def;
}

bool HasSqliteHeader(const std::filesystem::path& file) {
  static constexpr char kMagic[] = "SQLite format 3";  // followed by a zero byte
  std::ifstream in(file, std::ios::binary);
  char header[100] = {};
  if (!in.read(header, sizeof header)) return false;  // shorter than a database header
  return std::equal(kMagic, kMagic + sizeof kMagic, header);
}

std::string FormatDouble(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

std::optional<std::int64_t> ParseInteger(const std::string& text) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

/// A prepared statement, finalized when it goes.
class SqliteTable::Statement {
 public:
  Statement(const SqliteTable& table, const std::string& sql) : table_(table) {
    const int rc = sqlite3_prepare_v2(table.db_, sql.c_str(), -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) table.Fail(rc, "preparing a query");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }

  /// Steps once. @return true while a row is there
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    table_.Fail(rc, "reading or writing a row");
  }

  void BindText(int index, const std::string& utf8) {
    sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }

  /// Binds a field value by its field's kind.
  void BindValue(int index, const FieldValue& value, FieldKind kind) {
    if (!value) {
      sqlite3_bind_null(stmt_, index);
      return;
    }
    switch (kind) {
      case FieldKind::Integer:
      case FieldKind::AutoInc:
        if (const auto number = ParseInteger(*value)) {
          sqlite3_bind_int64(stmt_, index, *number);
          return;
        }
        break;
      case FieldKind::Float:
        sqlite3_bind_double(stmt_, index, std::strtod(value->c_str(), nullptr));
        return;
      case FieldKind::Boolean:
        sqlite3_bind_int(stmt_, index, *value == "1" ? 1 : 0);
        return;
      default:
        break;
    }
    BindText(index, ToUtf8(*value));
  }

  /// A column of the current row as a field value of the kind.
  FieldValue Column(int index, FieldKind kind) const {
    switch (sqlite3_column_type(stmt_, index)) {
      case SQLITE_NULL:
        return std::nullopt;
      case SQLITE_INTEGER: {
        const auto number = sqlite3_column_int64(stmt_, index);
        if (kind == FieldKind::Boolean) return std::string(number != 0 ? "1" : "0");
        return std::to_string(number);
      }
      case SQLITE_FLOAT: {
        const double number = sqlite3_column_double(stmt_, index);
        if (kind == FieldKind::Boolean) return std::string(number != 0 ? "1" : "0");
        if ((kind == FieldKind::Integer || kind == FieldKind::AutoInc) &&
            number == std::trunc(number) && std::fabs(number) < 9e18) {
          return std::to_string(static_cast<std::int64_t>(number));
        }
        return FormatDouble(number);
      }
      default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
        const int size = sqlite3_column_bytes(stmt_, index);
        return FromUtf8(std::string_view(text ? text : "", static_cast<std::size_t>(size)));
      }
    }
  }

 private:
  const SqliteTable& table_;
  sqlite3_stmt* stmt_ = nullptr;
};

/// BEGIN IMMEDIATE ... COMMIT; rolled back when left without Commit().
class SqliteTable::Transaction {
 public:
  explicit Transaction(SqliteTable& table) : table_(table) { table_.Execute("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(table_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit() {
    table_.Execute("COMMIT");
    done_ = true;
  }

 private:
  SqliteTable& table_;
  bool done_ = false;
};

SqliteTable::SqliteTable(const std::filesystem::path& file, const std::string& tableName,
                         const std::string& displayPath)
    : display_(displayPath) {
  const auto corrupt = [&] {
    return EDBEngineError(code::kHeaderCorrupt, "Corrupt table/index header.\rTable: " + display_);
  };
  // Checked before the library sees the file, so that a foreign file is never taken for an
  // empty database and written to.
  if (!HasSqliteHeader(file)) throw corrupt();
  // The path comes with its links resolved: one appearing on it since is refused, not followed.
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? FromUtf8(sqlite3_errmsg(db_)) : "out of memory";
    sqlite3_close(db_);
    throw EDBEngineError(code::kAccessDenied, "Cannot open the table.\rTable: " + display_ +
                                                  "\r" + reason);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  try {
    std::string found;
    {
      Statement find(*this,
                     "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                     "COLLATE NOCASE ORDER BY name = ?1 DESC, name LIMIT 1");
      find.BindText(1, ToUtf8(tableName));
      if (find.Step()) {
        found = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0));
      }
    }
    if (found.empty()) throw corrupt();
    tableUtf8_ = found;
    quotedTable_ = Quote(found);
    LoadFields();
    LoadIndexes();
  } catch (const EDBEngineError& e) {
    sqlite3_close(db_);
    db_ = nullptr;
    // A file that the library cannot read as a database is not one of our tables.
    if (e.ErrorCode() == code::kFileCorrupt) throw corrupt();
    throw;
  }
}

SqliteTable::~SqliteTable() { sqlite3_close(db_); }

void SqliteTable::LoadFields() {
  Statement info(*this, "PRAGMA table_info(" + quotedTable_ + ")");
  std::vector<std::pair<int, int>> keyColumns;  // (position in the key, field)
  while (info.Step()) {
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
    const auto* declared = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
    const int keyPosition = sqlite3_column_int(info.get(), 5);
    FieldDef def = KindOf(declared ? declared : "");
    def.name = FromUtf8(name);
    int autoinc = 0;
    if (sqlite3_table_column_metadata(db_, "main", tableUtf8_.c_str(), name.c_str(), nullptr,
                                      nullptr, nullptr, nullptr, &autoinc) == SQLITE_OK &&
        autoinc) {
      def.kind = FieldKind::AutoInc;
      def.readOnly = true;
    }
    if (keyPosition > 0) keyColumns.emplace_back(keyPosition, static_cast<int>(fields_.size()));
    fields_.push_back(def);
    quotedColumns_.push_back(Quote(name));
  }
  std::sort(keyColumns.begin(), keyColumns.end());
  std::vector<IndexColumn> key;
  for (const auto& [position, field] : keyColumns) key.push_back({field, "BINARY"});
  const bool rowidKey = key.size() == 1 && (fields_[key[0].field].kind == FieldKind::Integer ||
                                            fields_[key[0].field].kind == FieldKind::AutoInc);
  defaultOrder_ = rowidKey ? std::string("rowid") : OrderBy(key);
}

void SqliteTable::LoadIndexes() {
  std::vector<std::string> names;
  {
    Statement list(*this, "PRAGMA index_list(" + quotedTable_ + ")");
    while (list.Step()) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1)));
  }
  for (const auto& name : names) {
    IndexDef index{FromUtf8(name), {}};
    bool usable = true;
    Statement info(*this, "PRAGMA index_xinfo(" + Quote(name) + ")");
    while (info.Step()) {
      if (sqlite3_column_int(info.get(), 5) == 0) continue;  // not a key column
      const auto* column = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
      const auto* collation = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 4));
      int field = -1;
      for (std::size_t i = 0; column && i < fields_.size(); ++i) {
        if (quotedColumns_[i] == Quote(column)) field = static_cast<int>(i);
      }
      if (field < 0) usable = false;  // an expression the dataset cannot search on
      index.columns.push_back({field, collation ? collation : "BINARY"});
    }
    if (usable && !index.columns.empty()) indexes_.push_back(std::move(index));
  }
}

const SqliteTable::IndexDef* SqliteTable::FindIndex(const std::string& indexName) const {
  for (const auto& index : indexes_) {
    if (EqualsNoCase(index.name, indexName)) return &index;
  }
  throw EDBEngineError(code::kNoSuchIndex, "Index does not exist.\rIndex: " + indexName);
}

std::string SqliteTable::OrderBy(const std::vector<IndexColumn>& columns) const {
  std::string order;
  for (const auto& column : columns) {
    order += quotedColumns_[column.field] + " COLLATE " + Quote(column.collation) + ", ";
  }
  return order + "rowid";
}

void SqliteTable::Execute(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc, sql);
}

void SqliteTable::Fail(int rc, const std::string& doing) const {
  const std::string detail = "\rTable: " + display_ + "\r" + FromUtf8(sqlite3_errmsg(db_));
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw EDBEngineError(code::kLockTimeout, "Lock time out." + detail);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw EDBEngineError(code::kFileCorrupt, "Corrupt file - other than header." + detail);
    case SQLITE_CONSTRAINT:
      throw EDBEngineError(code::kKeyViolation, "Key violation." + detail);
    case SQLITE_READONLY:
    case SQLITE_PERM:
      throw EDBEngineError(code::kTableReadOnly, "Table is read only." + detail);
    case SQLITE_FULL:
    case SQLITE_IOERR:
      throw EDBEngineError(code::kWriteFailed, "Write failed." + detail);
    default:
      throw EDBEngineError(code::kGeneralError, "General SQL error while " + doing + "." + detail);
  }
}

std::vector<RecordId> SqliteTable::RecordIds(const std::string& indexName) {
  const std::string order = indexName.empty() ? defaultOrder_ : OrderBy(FindIndex(indexName)->columns);
  Statement select(*this, "SELECT rowid FROM " + quotedTable_ + " ORDER BY " + order);
  std::vector<RecordId> ids;
  while (select.Step()) ids.push_back(sqlite3_column_int64(select.get(), 0));
  return ids;
}

std::optional<RecordValues> SqliteTable::Read(RecordId id) {
  std::string columns;
  for (const auto& column : quotedColumns_) columns += (columns.empty() ? "" : ", ") + column;
  Statement select(*this, "SELECT " + columns + " FROM " + quotedTable_ + " WHERE rowid = ?1");
  sqlite3_bind_int64(select.get(), 1, id);
  if (!select.Step()) return std::nullopt;
  RecordValues values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    values.push_back(select.Column(static_cast<int>(i), fields_[i].kind));
  }
  return values;
}

RecordId SqliteTable::Insert(const RecordValues& values, const std::vector<bool>& changed) {
  std::string columns, parameters;
  std::vector<std::size_t> written;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!changed[i] || fields_[i].readOnly) continue;
    columns += (columns.empty() ? "" : ", ") + quotedColumns_[i];
    parameters += (parameters.empty() ? "?" : ", ?");
    written.push_back(i);
  }
  Transaction transaction(*this);
  const std::string sql = written.empty()
                              ? "INSERT INTO " + quotedTable_ + " DEFAULT VALUES"
                              : "INSERT INTO " + quotedTable_ + " (" + columns + ") VALUES (" +
                                    parameters + ")";
  Statement insert(*this, sql);
  for (std::size_t n = 0; n < written.size(); ++n) {
    insert.BindValue(static_cast<int>(n + 1), values[written[n]], fields_[written[n]].kind);
  }
  insert.Step();
  const RecordId id = sqlite3_last_insert_rowid(db_);
  transaction.Commit();
  return id;
}

void SqliteTable::Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) {
  std::string assignments;
  std::vector<std::size_t> written;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!changed[i] || fields_[i].readOnly) continue;
    assignments += (assignments.empty() ? "" : ", ") + quotedColumns_[i] + " = ?";
    written.push_back(i);
  }
  Transaction transaction(*this);
  const std::string where = " WHERE rowid = " + std::to_string(id);
  // With nothing changed the row is still checked, so that a deleted record is reported.
  Statement update(*this, written.empty()
                              ? "UPDATE " + quotedTable_ + " SET rowid = rowid" + where
                              : "UPDATE " + quotedTable_ + " SET " + assignments + where);
  for (std::size_t n = 0; n < written.size(); ++n) {
    update.BindValue(static_cast<int>(n + 1), values[written[n]], fields_[written[n]].kind);
  }
  update.Step();
  if (sqlite3_changes(db_) == 0) {
    throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
  }
  transaction.Commit();
}

void SqliteTable::Delete(RecordId id) {
  Transaction transaction(*this);
  Statement remove(*this, "DELETE FROM " + quotedTable_ + " WHERE rowid = ?1");
  sqlite3_bind_int64(remove.get(), 1, id);
  remove.Step();
  if (sqlite3_changes(db_) == 0) {
    throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
  }
  transaction.Commit();
}

std::optional<RecordId> SqliteTable::FindNearest(const std::string& indexName,
                                                 const std::vector<std::string>& key) {
  const IndexDef* index = FindIndex(indexName);
  const std::size_t count = std::min(key.size(), index->columns.size());
  std::vector<IndexColumn> leading(index->columns.begin(), index->columns.begin() + count);
  std::string left, right;
  for (std::size_t i = 0; i < count; ++i) {
    left += (i ? ", " : "") + quotedColumns_[leading[i].field] + " COLLATE " +
            Quote(leading[i].collation);
    right += (i ? ", ?" : "?");
  }
  std::string sql = "SELECT rowid FROM " + quotedTable_;
  if (count == 1) sql += " WHERE " + left + " >= " + right;
  if (count > 1) sql += " WHERE (" + left + ") >= (" + right + ")";
  sql += " ORDER BY " + OrderBy(index->columns) + " LIMIT 1";
  Statement find(*this, sql);
  for (std::size_t i = 0; i < count; ++i) {
    const FieldKind kind = fields_[leading[i].field].kind;
    const bool numeric = kind == FieldKind::Integer || kind == FieldKind::AutoInc ||
                         kind == FieldKind::Float;
    if (numeric && ParseInteger(key[i])) {
      find.BindValue(static_cast<int>(i + 1), key[i], FieldKind::Integer);
    } else {
      find.BindText(static_cast<int>(i + 1), ToUtf8(key[i]));
    }
  }
  if (!find.Step()) return std::nullopt;
  return sqlite3_column_int64(find.get(), 0);
}

void SqliteTable::SaveChanges() {
  // Every change is committed as it is posted; what the library may still hold goes out now.
  const int rc = sqlite3_db_cacheflush(db_);
  if (rc != SQLITE_OK) Fail(rc, "saving changes");
}

}  // namespace lifto::platform::db
