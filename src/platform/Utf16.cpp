#include "platform/Utf16.h"

#include <array>
#include <cstdint>

#include "platform/Codepage.h"

namespace lifto::platform {
namespace {

// The UTF-16 unit of each 1252 byte (every 1252 character lies in the basic plane).
const std::array<char16_t, 256>& UnitsOf1252() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> units{};
    for (int b = 0; b < 256; ++b) {
      const std::string utf8 = ToUtf8(std::string(1, static_cast<char>(b)));
      char32_t cp = 0;
      if (utf8.size() == 1) {
        cp = static_cast<unsigned char>(utf8[0]);
      } else if (utf8.size() == 2) {
        cp = ((static_cast<unsigned char>(utf8[0]) & 0x1Fu) << 6) |
             (static_cast<unsigned char>(utf8[1]) & 0x3Fu);
      } else {
        cp = ((static_cast<unsigned char>(utf8[0]) & 0x0Fu) << 12) |
             ((static_cast<unsigned char>(utf8[1]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(utf8[2]) & 0x3Fu);
      }
      units[static_cast<std::size_t>(b)] = static_cast<char16_t>(cp);
    }
    return units;
  }();
  return table;
}

}  // namespace

std::string Utf16LeToAnsi(std::string_view utf16le) {
  std::string utf8;
  utf8.reserve(utf16le.size() / 2);
  const std::size_t count = utf16le.size() / 2;
  auto unitAt = [&](std::size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                 (static_cast<unsigned char>(utf16le[2 * i + 1]) << 8));
  };
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
      const char16_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(utf8, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      utf8 += '?';
      continue;
    }
    AppendUtf8(utf8, unit);
  }
  return FromUtf8(utf8);
}

std::string AnsiToUtf16Le(std::string_view ansi) {
  const auto& units = UnitsOf1252();
  std::string out;
  out.reserve(ansi.size() * 2);
  for (char c : ansi) {
    const char16_t unit = units[static_cast<unsigned char>(c)];
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

}  // namespace lifto::platform
