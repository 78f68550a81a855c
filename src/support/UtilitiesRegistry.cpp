// Registry values by kind, and the computer's identity.
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/ComputerIdentity.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

using platform::RegistryData;
using namespace std::chrono;

// Date-time values count days since 30/12/1899, the time of day as the fraction.
constexpr sys_days kDateTimeEpoch = sys_days(year(1899) / December / 30);

std::optional<double> ParseNumber(std::string text) {
  // Both the decimal comma of the office's settings and a decimal point are taken.
  for (auto& c : text) {
    if (c == ',') c = '.';
  }
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string FormatNumber(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::string FormatDate(double when) {
  const year_month_day ymd{kDateTimeEpoch + days(static_cast<long>(std::trunc(when)))};
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(ymd.day()),
                static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()));
  return text;
}

std::string FormatTime(double when) {
  // Whole milliseconds first, so that 0.9999999 of a second does not show as the second before.
  const auto ms = static_cast<long long>(std::llround(std::fabs(when - std::trunc(when)) * 86400000.0));
  const long long seconds = (ms / 1000) % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::optional<double> ParseDate(const std::string& text) {
  unsigned d = 0, m = 0;
  int y = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%2u/%2u/%4d%n", &d, &m, &y, &consumed) != 3) return std::nullopt;
  const year_month_day ymd{year(y), month(m), day(d)};
  if (!ymd.ok()) return std::nullopt;
  return static_cast<double>((sys_days(ymd) - kDateTimeEpoch).count());
}

// "hh:nn:ss" or "hh:nn" as the fraction of a day.
std::optional<double> ParseTime(const std::string& text) {
  unsigned h = 0, n = 0, s = 0;
  const int fields = std::sscanf(text.c_str(), "%2u:%2u:%2u", &h, &n, &s);
  if (fields < 2 || h > 23 || n > 59 || s > 59) return std::nullopt;
  return (h * 3600.0 + n * 60.0 + s) / 86400.0;
}

std::optional<double> ParseDateTime(const std::string& text) {
  const auto date = ParseDate(text);
  if (!date) return std::nullopt;
  const auto blank = text.find(' ');
  if (blank == std::string::npos) return date;
  const auto time = ParseTime(text.substr(blank + 1));
  if (!time) return std::nullopt;
  return *date + *time;
}

std::optional<double> ParseByKind(const std::string& text, int kind) {
  switch (kind) {
    case kRegDate: return ParseDate(text);
    case kRegDateTime: return ParseDateTime(text);
    case kRegTime: return ParseTime(text);
    default: return ParseNumber(text);
  }
}

std::string FormatByKind(double value, int kind) {
  switch (kind) {
    case kRegDate: return FormatDate(value);
    case kRegDateTime: return FormatDate(value) + " " + FormatTime(value);
    case kRegTime: return FormatTime(value);
    case kRegCurrency: return FormatNumber(std::round(value * 10000.0) / 10000.0);
    default: return FormatNumber(value);
  }
}

// The value converted to what the kind stores; nullopt when it does not convert, as a variant
// conversion that raises.
std::optional<RegistryData> ToStored(const RegistryValue& value, int kind) {
  if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
  switch (kind) {
    case kRegBoolean: {
      if (const auto* b = std::get_if<bool>(&value)) return std::uint32_t{*b ? 1u : 0u};
      if (const auto* i = std::get_if<std::int64_t>(&value)) return std::uint32_t{*i != 0 ? 1u : 0u};
      if (const auto* d = std::get_if<double>(&value)) return std::uint32_t{*d != 0 ? 1u : 0u};
      std::string text = std::get<std::string>(value);
      for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (text == "true") return std::uint32_t{1};
      if (text == "false") return std::uint32_t{0};
      if (const auto number = ParseNumber(text)) return std::uint32_t{*number != 0 ? 1u : 0u};
      return std::nullopt;
    }
    case kRegInteger: {
      std::optional<double> number;
      if (const auto* b = std::get_if<bool>(&value)) number = *b ? 1 : 0;
      if (const auto* i = std::get_if<std::int64_t>(&value)) number = static_cast<double>(*i);
      if (const auto* d = std::get_if<double>(&value)) number = std::nearbyint(*d);
      if (const auto* t = std::get_if<std::string>(&value)) number = ParseNumber(*t);
      if (!number || *number != std::trunc(*number) ||
          *number < std::numeric_limits<std::int32_t>::min() || *number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
      }
      return static_cast<std::uint32_t>(static_cast<std::int32_t>(*number));
    }
    case kRegString:
      if (const auto* b = std::get_if<bool>(&value)) return std::string(*b ? "True" : "False");
      if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
      if (const auto* d = std::get_if<double>(&value)) return FormatNumber(*d);
      return std::get<std::string>(value);
    default: {  // currency, the date-time kinds and float travel as doubles, stored as text
      std::optional<double> number;
      if (const auto* b = std::get_if<bool>(&value)) number = *b ? 1 : 0;
      if (const auto* i = std::get_if<std::int64_t>(&value)) number = static_cast<double>(*i);
      if (const auto* d = std::get_if<double>(&value)) number = *d;
      if (const auto* t = std::get_if<std::string>(&value)) number = ParseByKind(*t, kind);
      if (!number || !std::isfinite(*number)) return std::nullopt;
      return FormatByKind(*number, kind);
    }
  }
}

bool IsKnownKind(int kind) { return kind >= kRegBoolean && kind <= kRegTime; }

std::string ReadText(platform::RootKey root, const std::string& key, const std::string& name) {
  const auto data = platform::ReadRegistry(root, key, name);
  if (!data) return {};
  if (const auto* text = std::get_if<std::string>(&*data)) return *text;
  return {};
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool WriteRegistryValue(platform::RootKey root, const std::string& keyPath, const std::string& valueName,
                        const RegistryValue& value, int kind) {
  if (!IsKnownKind(kind)) return false;
  try {
    const auto stored = ToStored(value, kind);
    return stored && platform::WriteRegistry(root, keyPath, valueName, *stored);
  } catch (const std::exception&) {
    return false;
  }
}

RegistryValue ReadRegistryValue(platform::RootKey root, const std::string& keyPath,
                                const std::string& valueName, int kind) {
  if (!IsKnownKind(kind)) return {};
  try {
    if (!platform::RegistryKeyExists(root, keyPath)) return {};
    const auto data = platform::ReadRegistry(root, keyPath, valueName);
    if (!data) {
      // A missing text value reads as an empty text; the other kinds have nothing to read.
      if (kind == kRegString) return std::string();
      return {};
    }
    const auto* dword = std::get_if<std::uint32_t>(&*data);
    const auto* text = std::get_if<std::string>(&*data);
    switch (kind) {
      case kRegBoolean:
        if (dword) return *dword != 0;
        return {};
      case kRegInteger:
        if (dword) return std::int64_t{static_cast<std::int32_t>(*dword)};
        return {};
      case kRegString:
        if (text) return *text;
        return {};
      default:
        if (!text) return {};
        if (const auto number = ParseByKind(*text, kind)) return *number;
        return {};
    }
  } catch (const std::exception&) {
    return {};
  }
}

TDadosRede ReadComputerIdentity() {
  using platform::RootKey;
  TDadosRede identity;
  try {
    const std::string networkKey = "\\System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
    if (platform::RegistryKeyExists(RootKey::LocalMachine, networkKey)) {
      identity.ComputerName = ReadText(RootKey::LocalMachine, networkKey, "ComputerName");
      identity.WorkGroup = ReadText(RootKey::LocalMachine, networkKey, "WorkGroup");
    }
    if (identity.ComputerName.empty()) identity.ComputerName = platform::SystemComputerName(255);
    if (identity.ComputerName.empty()) {
      const std::string shellKey = "Software\\Microsoft\\Windows\\ShellNoRoam";
      if (platform::RegistryKeyExists(RootKey::CurrentUser, shellKey)) {
        identity.ComputerName = ReadText(RootKey::CurrentUser, shellKey, "");
      }
    }
  } catch (const std::exception&) {
    // An unreadable registry leaves the system's name to the last step.
  }
  if (TrimBlanks(identity.ComputerName).empty()) identity.ComputerName = platform::SystemComputerName(31);
  identity.NetworkPresent = platform::NetworkPresent();
  return identity;
}

}  // namespace lifto::support
