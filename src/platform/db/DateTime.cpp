#include "platform/db/DateTime.h"

#include <cstdio>

namespace lifto::platform::db {

namespace {

using namespace std::chrono;

struct Parts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

Parts Split(DateTime value) {
  const auto day = floor<days>(value);
  const year_month_day ymd{day};
  const hh_mm_ss hms{value - day};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(hms.hours().count()),
          static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count())};
}

std::string Format(const char* pattern, int a, int b, int c) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
  return buffer;
}

/// Reads exactly `count` digits at `pos`, moving past them.
bool Digits(std::string_view text, std::size_t& pos, std::size_t count, int& out) {
  if (pos + count > text.size()) return false;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  out = value;
  return true;
}

/// Reads one or two digits at `pos`.
bool ShortNumber(std::string_view text, std::size_t& pos, int& out) {
  if (Digits(text, pos, 2, out)) return true;
  return Digits(text, pos, 1, out);
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

/// "hh:mm[:ss]" from `pos` to the end.
bool ParseTime(std::string_view text, std::size_t pos, Parts& parts) {
  if (!ShortNumber(text, pos, parts.hour) || !Expect(text, pos, ':') ||
      !Digits(text, pos, 2, parts.minute)) {
    return false;
  }
  if (pos < text.size() && (!Expect(text, pos, ':') || !Digits(text, pos, 2, parts.second))) {
    return false;
  }
  return pos == text.size();
}

std::optional<DateTime> Build(const Parts& p) {
  const year_month_day ymd{year{p.year}, month{static_cast<unsigned>(p.month)},
                           day{static_cast<unsigned>(p.day)}};
  if (!ymd.ok() || p.hour > 23 || p.minute > 59 || p.second > 59) return std::nullopt;
  return MakeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

DateTime ZeroDateTime() { return MakeDateTime(1899, 12, 30); }

DateTime MakeDateTime(int y, int m, int d, int hour, int minute, int second) {
  const local_days date{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}};
  return date + hours{hour} + minutes{minute} + seconds{second};
}

DateTime DatePart(DateTime value) { return floor<days>(value); }

DateTime TimePart(DateTime value) { return ZeroDateTime() + (value - floor<days>(value)); }

std::string IsoDate(DateTime value) {
  const Parts p = Split(value);
  return Format("%04d-%02d-%02d", p.year, p.month, p.day);
}

std::string IsoTime(DateTime value) {
  const Parts p = Split(value);
  return Format("%02d:%02d:%02d", p.hour, p.minute, p.second);
}

std::string IsoDateTime(DateTime value) { return IsoDate(value) + ' ' + IsoTime(value); }

std::optional<DateTime> ParseIsoDateTime(std::string_view text) {
  text = Trimmed(text);
  Parts parts;
  std::size_t pos = 0;
  if (text.size() == 8 && text.find(':') == std::string_view::npos) {
    // dBase keeps a date as "yyyymmdd".
    if (!Digits(text, pos, 4, parts.year) || !Digits(text, pos, 2, parts.month) ||
        !Digits(text, pos, 2, parts.day)) {
      return std::nullopt;
    }
    return Build(parts);
  }
  if (text.size() >= 3 && text[2] == ':') {
    if (!ParseTime(text, 0, parts)) return std::nullopt;
    return Build(parts);
  }
  if (!Digits(text, pos, 4, parts.year) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, parts.month) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, parts.day)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    std::string_view time = text.substr(pos + 1);
    // Fractions of a second and a zone mark written by other programs are passed over.
    time = time.substr(0, time.find_first_of(".Z+"));
    if (!ParseTime(time, 0, parts)) return std::nullopt;
  }
  return Build(parts);
}

std::string ShortDateText(DateTime value) {
  const Parts p = Split(value);
  return Format("%02d/%02d/%04d", p.day, p.month, p.year);
}

std::string LongTimeText(DateTime value) {
  const Parts p = Split(value);
  return Format("%02d:%02d:%02d", p.hour, p.minute, p.second);
}

std::optional<DateTime> ParseLocalDateTime(std::string_view text) {
  text = Trimmed(text);
  Parts parts;
  std::size_t pos = 0;
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) {
    if (!ParseTime(text, 0, parts)) return std::nullopt;
    return Build(parts);
  }
  if (!ShortNumber(text, pos, parts.day) || !Expect(text, pos, '/') ||
      !ShortNumber(text, pos, parts.month) || !Expect(text, pos, '/') ||
      !Digits(text, pos, 4, parts.year)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (!Expect(text, pos, ' ')) return std::nullopt;
    if (!ParseTime(text, pos, parts)) return std::nullopt;
  }
  return Build(parts);
}

}  // namespace lifto::platform::db
