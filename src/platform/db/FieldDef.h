#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lifto::platform::db {

/// What a field holds, from its declared type.
enum class FieldKind {
  String,    ///< VARCHAR(n), CHAR(n), TEXT; dBase C
  Integer,   ///< INTEGER, SMALLINT...; dBase N without decimals
  AutoInc,   ///< INTEGER PRIMARY KEY AUTOINCREMENT: given by the table when a row is posted
  Float,     ///< REAL, FLOAT, NUMERIC...; dBase N with decimals, F
  Boolean,   ///< BOOLEAN, LOGICAL; dBase L
  Date,      ///< DATE; dBase D
  Time,      ///< TIME
  DateTime,  ///< DATETIME, TIMESTAMP
};

struct FieldDef {
  std::string name;  ///< as declared, in 1252
  FieldKind kind = FieldKind::String;
  int size = 0;  ///< declared size of a text field in characters; 0 for the other kinds
  bool readOnly = false;
};

/// A field's value as the dataset keeps it: nullopt for an empty (null) field, else its storage
/// text: 1252 text, a decimal integer, a float ("%.17g"), "1"/"0", or the ISO date and time forms.
using FieldValue = std::optional<std::string>;
using RecordValues = std::vector<FieldValue>;
/// The record's number in its table: the SQL rowid, or the dBase record number from 1.
using RecordId = std::int64_t;

}  // namespace lifto::platform::db
