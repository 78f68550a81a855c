#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

/// Date and time values of table fields, in local time. A date field holds midnight of its day; a
/// time field holds its time of day on the engine's zero date 30/12/1899, as the vendor's programs
/// keep time-only values.
namespace lifto::platform::db {

using DateTime = std::chrono::local_seconds;

/// 30/12/1899 00:00:00, the value of an empty date or time field.
DateTime ZeroDateTime();
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
/// Midnight of the value's day.
DateTime DatePart(DateTime value);
/// The value's time of day on the zero date.
DateTime TimePart(DateTime value);

/// Storage forms: "yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss".
std::string IsoDate(DateTime value);
std::string IsoTime(DateTime value);
std::string IsoDateTime(DateTime value);
/// Reads any of the storage forms (also with "T" between date and time, or "yyyymmdd" as dBase
/// keeps dates). @return nullopt when the text is none of them
std::optional<DateTime> ParseIsoDateTime(std::string_view text);

/// The office's text forms: "dd/mm/yyyy", "hh:mm:ss", "dd/mm/yyyy hh:mm:ss".
std::string ShortDateText(DateTime value);
std::string LongTimeText(DateTime value);
/// Reads "dd/mm/yyyy", "dd/mm/yyyy hh:mm[:ss]" or "hh:mm[:ss]" (a time alone lies on the zero
/// date). @return nullopt when the text is none of them
std::optional<DateTime> ParseLocalDateTime(std::string_view text);

}  // namespace lifto::platform::db
