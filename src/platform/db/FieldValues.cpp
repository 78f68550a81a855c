#include "platform/db/FieldValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

[[noreturn]] void WrongKind(const FieldDef& field) {
  throw EDatabaseError(Ansi("Campo '") + field.name + Ansi("' não é do tipo esperado"));
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::int64_t ParseInteger(const std::string& text) {
  const std::string trimmed = Trim(text);
  std::int64_t number = 0;
  const char* first = trimmed.data();
  if (!trimmed.empty() && trimmed.front() == '+') ++first;
  const auto [end, ec] = std::from_chars(first, trimmed.data() + trimmed.size(), number);
  if (ec != std::errc() || end != trimmed.data() + trimmed.size() || trimmed.empty()) {
    throw EConvertError(Ansi("'") + text + Ansi("' não é um valor inteiro válido"));
  }
  return number;
}

double ParseFloat(const std::string& text) {
  std::string trimmed = Trim(text);
  for (char& c : trimmed) {
    if (c == ',') c = '.';
  }
  char* end = nullptr;
  const double number = std::strtod(trimmed.c_str(), &end);
  if (trimmed.empty() || end != trimmed.c_str() + trimmed.size() || !std::isfinite(number)) {
    throw EConvertError(Ansi("'") + text + Ansi("' não é um valor de ponto flutuante válido"));
  }
  return number;
}

/// A text read as a Boolean: "True", "T", "Sim", "S", "Yes", "Y", "1" and their opposites.
bool ParseBoolean(const std::string& text) {
  const std::string upper = Upper1252(Trim(text));
  for (const char* yes : {"TRUE", "T", "SIM", "S", "YES", "Y", "1"}) {
    if (upper == yes) return true;
  }
  for (const char* no : {"FALSE", "F", "NAO", "N", "NO", "0"}) {
    if (upper == no || upper == Upper1252(Ansi("NÃO"))) return false;
  }
  throw EConvertError(Ansi("'") + text + Ansi("' não é um valor lógico válido"));
}

std::string FormatFloat(double number) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", number);
  std::string text = buffer;
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string StoredFloat(double number) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", number);
  return buffer;
}

DateTime StoredDateTime(const FieldDef& field, const std::string& stored) {
  const auto value = ParseIsoDateTime(stored);
  if (!value) {
    throw EConvertError(Ansi("'") + stored + Ansi("' não é uma data e hora válida no campo '") +
                        field.name + "'");
  }
  return *value;
}

bool IsNumeric(FieldKind kind) {
  return kind == FieldKind::Integer || kind == FieldKind::AutoInc || kind == FieldKind::Float;
}

bool IsDateKind(FieldKind kind) {
  return kind == FieldKind::Date || kind == FieldKind::Time || kind == FieldKind::DateTime;
}

}  // namespace

std::string ValueAsText(const FieldDef& field, const FieldValue& value) {
  if (!value) return {};
  switch (field.kind) {
    case FieldKind::String:
      return *value;
    case FieldKind::Integer:
    case FieldKind::AutoInc:
    case FieldKind::Float: {
      // A value stored in a form other than a number is shown as it is.
      try {
        if (field.kind != FieldKind::Float) return std::to_string(ParseInteger(*value));
        return FormatFloat(ParseFloat(*value));
      } catch (const EConvertError&) {
        return *value;
      }
    }
    case FieldKind::Boolean:
      return ValueAsBoolean(field, value) ? "True" : "False";
    case FieldKind::Date:
      return ShortDateText(StoredDateTime(field, *value));
    case FieldKind::Time:
      return LongTimeText(StoredDateTime(field, *value));
    case FieldKind::DateTime: {
      const DateTime when = StoredDateTime(field, *value);
      if (TimePart(when) == ZeroDateTime()) return ShortDateText(when);
      return ShortDateText(when) + ' ' + LongTimeText(when);
    }
  }
  return *value;
}

std::int64_t ValueAsInteger(const FieldDef& field, const FieldValue& value) {
  if (!IsNumeric(field.kind) && field.kind != FieldKind::String) WrongKind(field);
  if (!value) return 0;
  if (field.kind == FieldKind::Float) return std::llround(ParseFloat(*value));
  return ParseInteger(*value);
}

double ValueAsFloat(const FieldDef& field, const FieldValue& value) {
  if (!IsNumeric(field.kind) && field.kind != FieldKind::String) WrongKind(field);
  if (!value) return 0;
  return ParseFloat(*value);
}

bool ValueAsBoolean(const FieldDef& field, const FieldValue& value) {
  if (field.kind != FieldKind::Boolean && field.kind != FieldKind::String) WrongKind(field);
  if (!value) return false;
  if (field.kind == FieldKind::String) {
    // A text field holds a flag as "T"/"S"/"Y" and anything else.
    const char mark = value->empty() ? ' ' : value->front();
    return mark == 'T' || mark == 't' || mark == 'S' || mark == 's' || mark == 'Y' || mark == 'y';
  }
  return ParseBoolean(*value);
}

DateTime ValueAsDateTime(const FieldDef& field, const FieldValue& value) {
  if (!IsDateKind(field.kind) && field.kind != FieldKind::String) WrongKind(field);
  if (!value) return ZeroDateTime();
  if (field.kind == FieldKind::String) {
    const auto parsed = ParseLocalDateTime(*value);
    if (!parsed) throw EConvertError(Ansi("'") + *value + Ansi("' não é uma data válida"));
    return *parsed;
  }
  const DateTime when = StoredDateTime(field, *value);
  if (field.kind == FieldKind::Date) return DatePart(when);
  if (field.kind == FieldKind::Time) return TimePart(when);
  return when;
}

FieldValue ValueFromText(const FieldDef& field, const std::string& text) {
  if (field.kind == FieldKind::String) {
    if (field.size > 0 && text.size() > static_cast<std::size_t>(field.size)) {
      return text.substr(0, static_cast<std::size_t>(field.size));
    }
    return text;
  }
  if (Trim(text).empty()) return std::nullopt;
  switch (field.kind) {
    case FieldKind::Integer:
    case FieldKind::AutoInc:
      return std::to_string(ParseInteger(text));
    case FieldKind::Float:
      return StoredFloat(ParseFloat(text));
    case FieldKind::Boolean:
      return std::string(ParseBoolean(text) ? "1" : "0");
    default: {
      const auto parsed = ParseLocalDateTime(text);
      if (!parsed) throw EConvertError(Ansi("'") + text + Ansi("' não é uma data válida"));
      return ValueFromDateTime(field, *parsed);
    }
  }
}

FieldValue ValueFromInteger(const FieldDef& field, std::int64_t number) {
  if (field.kind == FieldKind::Float) return StoredFloat(static_cast<double>(number));
  if (IsNumeric(field.kind)) return std::to_string(number);
  if (field.kind == FieldKind::String) return ValueFromText(field, std::to_string(number));
  WrongKind(field);
}

FieldValue ValueFromFloat(const FieldDef& field, double number) {
  if (field.kind == FieldKind::Float) return StoredFloat(number);
  if (IsNumeric(field.kind)) return std::to_string(std::llround(number));
  if (field.kind == FieldKind::String) return ValueFromText(field, FormatFloat(number));
  WrongKind(field);
}

FieldValue ValueFromBoolean(const FieldDef& field, bool flag) {
  if (field.kind == FieldKind::Boolean) return std::string(flag ? "1" : "0");
  if (field.kind == FieldKind::String) return ValueFromText(field, flag ? "T" : "F");
  WrongKind(field);
}

FieldValue ValueFromDateTime(const FieldDef& field, DateTime value) {
  switch (field.kind) {
    case FieldKind::Date:
      return IsoDate(value);
    case FieldKind::Time:
      return IsoTime(value);
    case FieldKind::DateTime:
      return IsoDateTime(value);
    case FieldKind::String:
      return ValueFromText(field, TimePart(value) == ZeroDateTime()
                                      ? ShortDateText(value)
                                      : ShortDateText(value) + ' ' + LongTimeText(value));
    default:
      WrongKind(field);
  }
}

}  // namespace lifto::platform::db
