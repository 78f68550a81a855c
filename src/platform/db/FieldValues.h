#pragma once

#include <cstdint>
#include <string>

#include "platform/db/DateTime.h"
#include "platform/db/FieldDef.h"

/// Conversions between a field's stored value and what a caller reads or writes, by the field's
/// kind. A kind that cannot give the value asked for is a structure error (EDatabaseError
/// "Campo 'X' não é do tipo esperado"); a text that does not read as the kind is an EConvertError.
/// An empty field reads as "", 0, false or the zero date.
namespace lifto::platform::db {

/// Texts as the office sees them: integers in decimal, floats with a decimal comma, "True" or
/// "False", dates "dd/mm/yyyy", times "hh:mm:ss" (a date-time at midnight shows its date only).
std::string ValueAsText(const FieldDef& field, const FieldValue& value);
std::int64_t ValueAsInteger(const FieldDef& field, const FieldValue& value);
double ValueAsFloat(const FieldDef& field, const FieldValue& value);
bool ValueAsBoolean(const FieldDef& field, const FieldValue& value);
DateTime ValueAsDateTime(const FieldDef& field, const FieldValue& value);

/// A text for a text field is cut to the field's size; for the other kinds an empty text empties
/// the field.
FieldValue ValueFromText(const FieldDef& field, const std::string& text);
FieldValue ValueFromInteger(const FieldDef& field, std::int64_t number);
FieldValue ValueFromFloat(const FieldDef& field, double number);
FieldValue ValueFromBoolean(const FieldDef& field, bool flag);
/// A date field keeps the value's day, a time field its time of day.
FieldValue ValueFromDateTime(const FieldDef& field, DateTime value);

}  // namespace lifto::platform::db
