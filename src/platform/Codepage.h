#pragma once

#include <string>
#include <string_view>

/// Text inside the tool is Windows-1252, one byte a character. These convert at the edges:
/// host file names, the terminal, the GUI and JSON transcripts are UTF-8.
namespace lifto::platform {

/// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

/// Windows-1252 bytes to UTF-8. The five bytes that 1252 leaves undefined (0x81, 0x8D, 0x8F,
/// 0x90, 0x9D) become U+0081, U+008D, U+008F, U+0090 and U+009D, so that they round-trip.
std::string ToUtf8(std::string_view cp1252);

/// UTF-8 to Windows-1252. A character that 1252 cannot hold, or a malformed sequence, becomes '?'.
std::string FromUtf8(std::string_view utf8);

}  // namespace lifto::platform

namespace lifto {

/// A source literal (UTF-8) in the tool's code page: Ansi("Atualização").
inline std::string Ansi(std::string_view utf8) { return platform::FromUtf8(utf8); }

}  // namespace lifto
