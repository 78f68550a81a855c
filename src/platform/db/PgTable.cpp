#include "platform/db/PgTable.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"
#include "platform/db/PgConnection.h"

namespace lifto::platform::db {

namespace {

/// Kind and size from a column's type, by PostgreSQL's own type names; the type modifier of a
/// varchar(n) or char(n) is n + 4.
FieldDef KindOf(const std::string& type, int modifier) {
  FieldDef def;
  if (type == "bool") {
    def.kind = FieldKind::Boolean;
  } else if (type == "int2" || type == "int4" || type == "int8") {
    def.kind = FieldKind::Integer;
  } else if (type == "float4" || type == "float8" || type == "numeric") {
    def.kind = FieldKind::Float;
  } else if (type == "date") {
    def.kind = FieldKind::Date;
  } else if (type == "time" || type == "timetz") {
    def.kind = FieldKind::Time;
  } else if (type == "timestamp" || type == "timestamptz") {
    def.kind = FieldKind::DateTime;
  } else {
    def.kind = FieldKind::String;
    def.size = (type == "varchar" || type == "bpchar") && modifier > 4 ? modifier - 4 : 255;
  }
  return def;
}

/// How a column is selected so that it arrives in the dataset's storage form.
std::string SelectExpression(const std::string& column, FieldKind kind) {
  switch (kind) {
    case FieldKind::Boolean:
      return column + "::int::text";
    case FieldKind::Float:
      return column + "::float8::text";
    case FieldKind::Date:
      return "to_char(" + column + ", 'YYYY-MM-DD')";
    case FieldKind::Time:
      return "substr(" + column + "::text, 1, 8)";
    case FieldKind::DateTime:
      return "to_char(" + column + ", 'YYYY-MM-DD HH24:MI:SS')";
    default:
      return column + "::text";
  }
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string FormatDouble(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

bool IsNumeric(FieldKind kind) {
  return kind == FieldKind::Integer || kind == FieldKind::AutoInc || kind == FieldKind::Float;
}

}  // namespace

PgTable::PgTable(std::shared_ptr<PgConnection> connection, const std::string& tableName)
    : connection_(std::move(connection)) {
  const std::string alias = connection_->Alias().name;
  display_ = ":" + alias + ":" + tableName;
  const PgResult found = connection_->Exec(
      "SELECT c.oid, n.nspname, c.relname FROM pg_catalog.pg_class c "
      "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "WHERE c.relkind IN ('r', 'p') AND lower(c.relname) = lower($1) "
      "AND pg_catalog.pg_table_is_visible(c.oid) ORDER BY c.relname = $1 DESC, c.relname LIMIT 1",
      {ToUtf8(tableName)}, display_);
  if (found.Rows() == 0) {
    throw EDBEngineError(code::kNoSuchTable, "Table does not exist.\rTable: " + display_);
  }
  oid_ = static_cast<std::uint32_t>(std::strtoul(found.Text(0, 0).c_str(), nullptr, 10));
  quotedTable_ = QuoteIdentifier(found.Text(0, 1)) + "." + QuoteIdentifier(found.Text(0, 2));
  display_ = ":" + alias + ":" + FromUtf8(found.Text(0, 2));
  LoadFields();
  LoadIndexes();
}

void PgTable::LoadFields() {
  const std::string oid = std::to_string(oid_);
  const PgResult columns = connection_->Exec(
      "SELECT a.attname, bt.typname, CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod "
      "END, (a.attidentity <> '' OR COALESCE(pg_catalog.pg_get_expr(d.adbin, d.adrelid) LIKE "
      "'nextval(%', false)), a.attgenerated <> '' "
      "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
      "JOIN pg_catalog.pg_type bt ON bt.oid = CASE WHEN t.typtype = 'd' THEN t.typbasetype "
      "ELSE t.oid END LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid AND "
      "d.adnum = a.attnum WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped "
      "ORDER BY a.attnum",
      {oid}, display_);
  for (int row = 0; row < columns.Rows(); ++row) {
    FieldDef def = KindOf(columns.Text(row, 1), std::atoi(columns.Text(row, 2).c_str()));
    def.name = FromUtf8(columns.Text(row, 0));
    if (def.kind == FieldKind::Integer && columns.Text(row, 3) == "t") def.kind = FieldKind::AutoInc;
    def.readOnly = def.kind == FieldKind::AutoInc || columns.Text(row, 4) == "t";
    const std::string quoted = QuoteIdentifier(columns.Text(row, 0));
    selectList_ += (selectList_.empty() ? "" : ", ") + SelectExpression(quoted, def.kind);
    quotedColumns_.push_back(quoted);
    fields_.push_back(std::move(def));
  }
  if (fields_.empty()) selectList_ = "NULL";

  const PgResult key = connection_->Exec(
      "SELECT a.attname FROM pg_catalog.pg_index x JOIN pg_catalog.pg_attribute a ON "
      "a.attrelid = x.indrelid AND a.attnum = x.indkey[0] "
      "WHERE x.indrelid = $1::oid AND x.indisprimary AND x.indnkeyatts = 1",
      {oid}, display_);
  if (key.Rows() == 0) return;
  const std::string keyName = FromUtf8(key.Text(0, 0));
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldKind kind = fields_[i].kind;
    if (fields_[i].name == keyName && (kind == FieldKind::Integer || kind == FieldKind::AutoInc)) {
      keyField_ = static_cast<int>(i);
    }
  }
}

void PgTable::LoadIndexes() {
  const PgResult columns = connection_->Exec(
      "SELECT i.relname, a.attname, CASE WHEN k.coll IN (0, 100) THEN '' ELSE (SELECT "
      "quote_ident(cn.nspname) || '.' || quote_ident(co.collname) FROM pg_catalog.pg_collation co "
      "JOIN pg_catalog.pg_namespace cn ON cn.oid = co.collnamespace WHERE co.oid = k.coll) END "
      "FROM pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid "
      "CROSS JOIN LATERAL unnest(x.indkey::int2[], x.indcollation::oid[]) WITH ORDINALITY "
      "AS k(attnum, coll, n) LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = x.indrelid "
      "AND a.attnum = k.attnum WHERE x.indrelid = $1::oid AND k.n <= x.indnkeyatts "
      "ORDER BY i.relname, k.n",
      {std::to_string(oid_)}, display_);
  std::vector<std::pair<IndexDef, bool>> found;  // the index, and whether every column is plain
  for (int row = 0; row < columns.Rows(); ++row) {
    const std::string name = FromUtf8(columns.Text(row, 0));
    if (found.empty() || found.back().first.name != name) found.push_back({{name, {}}, true});
    auto& [index, usable] = found.back();
    const auto column = columns.Value(row, 1);
    int field = -1;
    for (std::size_t i = 0; column && i < fields_.size(); ++i) {
      if (quotedColumns_[i] == QuoteIdentifier(*column)) field = static_cast<int>(i);
    }
    if (field < 0) usable = false;  // an expression the dataset cannot search on
    const std::string collation = columns.Text(row, 2);
    index.columns.push_back({field, collation.empty() ? "" : " COLLATE " + collation});
  }
  for (auto& [index, usable] : found) {
    if (usable) indexes_.push_back(std::move(index));
  }
}

const PgTable::IndexDef& PgTable::FindIndex(const std::string& indexName) const {
  for (const auto& index : indexes_) {
    if (EqualsNoCase(index.name, indexName)) return index;
  }
  throw EDBEngineError(code::kNoSuchIndex, "Index does not exist.\rIndex: " + indexName);
}

std::string PgTable::IdColumn() const {
  return keyField_ >= 0 ? quotedColumns_[static_cast<std::size_t>(keyField_)] : "ctid";
}

std::string PgTable::IdCondition(int parameter) const {
  const std::string placeholder = "$" + std::to_string(parameter);
  return keyField_ >= 0 ? IdColumn() + " = " + placeholder + "::int8"
                        : "ctid = " + placeholder + "::tid";
}

// Without a key a record is its physical place, block and item: "(b,i)" as id b * 2^16 + i.
std::string PgTable::IdParameter(RecordId id) const {
  if (keyField_ >= 0) return std::to_string(id);
  return "(" + std::to_string(id >> 16) + "," + std::to_string(id & 0xFFFF) + ")";
}

RecordId PgTable::IdFromText(const std::string& text) const {
  if (keyField_ >= 0) return ParseInteger(text).value_or(0);
  const auto comma = text.find(',');
  if (text.size() < 5 || comma == std::string::npos) return 0;
  const auto block = ParseInteger(std::string_view(text).substr(1, comma - 1));
  const auto item = ParseInteger(std::string_view(text).substr(comma + 1, text.size() - comma - 2));
  return block && item ? (*block << 16) + *item : 0;
}

std::string PgTable::OrderBy(const std::vector<IndexColumn>& columns) const {
  std::string order;
  for (const auto& column : columns) {
    order += quotedColumns_[static_cast<std::size_t>(column.field)] + column.collate +
             " NULLS FIRST, ";
  }
  return order + IdColumn();
}

std::optional<std::string> PgTable::Parameter(std::size_t field, const FieldValue& value) const {
  if (!value) return std::nullopt;
  return fields_[field].kind == FieldKind::String ? ToUtf8(*value) : *value;
}

std::vector<RecordId> PgTable::RecordIds(const std::string& indexName) {
  const std::string order = indexName.empty() ? IdColumn() : OrderBy(FindIndex(indexName).columns);
  const PgResult rows =
      connection_->Exec("SELECT " + IdColumn() + " FROM " + quotedTable_ + " ORDER BY " + order,
                        display_);
  std::vector<RecordId> ids;
  ids.reserve(static_cast<std::size_t>(rows.Rows()));
  for (int row = 0; row < rows.Rows(); ++row) ids.push_back(IdFromText(rows.Text(row, 0)));
  return ids;
}

std::optional<RecordValues> PgTable::Read(RecordId id) {
  const PgResult row = connection_->Exec(
      "SELECT " + selectList_ + " FROM " + quotedTable_ + " WHERE " + IdCondition(1),
      {IdParameter(id)}, display_);
  if (row.Rows() == 0) return std::nullopt;
  RecordValues values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    auto value = row.Value(0, static_cast<int>(i));
    if (value && fields_[i].kind == FieldKind::Float) {
      value = FormatDouble(std::strtod(value->c_str(), nullptr));
    } else if (value) {
      value = FromUtf8(*value);
    }
    values.push_back(std::move(value));
  }
  return values;
}

RecordId PgTable::Insert(const RecordValues& values, const std::vector<bool>& changed) {
  std::string columns, placeholders;
  std::vector<std::optional<std::string>> parameters;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!changed[i] || fields_[i].readOnly) continue;
    parameters.push_back(Parameter(i, values[i]));
    columns += (columns.empty() ? "" : ", ") + quotedColumns_[i];
    placeholders += (placeholders.empty() ? "$" : ", $") + std::to_string(parameters.size());
  }
  // One statement: the server posts the whole row or nothing, and names the row it made.
  const std::string sql =
      "INSERT INTO " + quotedTable_ +
      (parameters.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + placeholders + ")") +
      " RETURNING " + IdColumn();
  const PgResult inserted = connection_->Exec(sql, parameters, display_);
  return IdFromText(inserted.Text(0, 0));
}

void PgTable::Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) {
  if (keyField_ < 0) {
    throw EDBEngineError(code::kTableReadOnly,
                         "Table has no one-column integer primary key: its records cannot be "
                         "changed.\rTable: " + display_);
  }
  std::string assignments;
  std::vector<std::optional<std::string>> parameters;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!changed[i] || fields_[i].readOnly) continue;
    parameters.push_back(Parameter(i, values[i]));
    assignments += (assignments.empty() ? "" : ", ") + quotedColumns_[i] + " = $" +
                   std::to_string(parameters.size());
  }
  // With nothing changed the row is still checked, so that a deleted record is reported.
  if (assignments.empty()) assignments = IdColumn() + " = " + IdColumn();
  parameters.push_back(IdParameter(id));
  const PgResult updated = connection_->Exec(
      "UPDATE " + quotedTable_ + " SET " + assignments + " WHERE " +
          IdCondition(static_cast<int>(parameters.size())),
      parameters, display_);
  if (updated.Affected() == 0) {
    throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
  }
}

void PgTable::Delete(RecordId id) {
  const PgResult removed = connection_->Exec(
      "DELETE FROM " + quotedTable_ + " WHERE " + IdCondition(1), {IdParameter(id)}, display_);
  if (removed.Affected() == 0) {
    throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
  }
}

std::optional<RecordId> PgTable::FindNearest(const std::string& indexName,
                                             const std::vector<std::string>& key) {
  const IndexDef& index = FindIndex(indexName);
  const std::size_t count = std::min(key.size(), index.columns.size());
  std::string left, right;
  std::vector<std::optional<std::string>> parameters;
  for (std::size_t i = 0; i < count; ++i) {
    const auto field = static_cast<std::size_t>(index.columns[i].field);
    std::string value = key[i];
    if (IsNumeric(fields_[field].kind)) {
      for (char& c : value) {
        if (c == ',') c = '.';
      }
      char* end = nullptr;
      std::strtod(value.c_str(), &end);
      // A text is greater than every number, as the file tables order them: nothing follows it.
      if (value.empty() || *end != '\0') return std::nullopt;
    }
    parameters.push_back(ToUtf8(value));
    left += (i ? ", " : "") + quotedColumns_[field] + index.columns[i].collate;
    right += (i ? ", $" : "$") + std::to_string(i + 1);
  }
  std::string sql = "SELECT " + IdColumn() + " FROM " + quotedTable_;
  if (count == 1) sql += " WHERE " + left + " >= " + right;
  if (count > 1) sql += " WHERE (" + left + ") >= (" + right + ")";
  sql += " ORDER BY " + OrderBy(index.columns) + " LIMIT 1";
  const PgResult found = connection_->Exec(sql, parameters, display_);
  if (found.Rows() == 0) return std::nullopt;
  return IdFromText(found.Text(0, 0));
}

}  // namespace lifto::platform::db
