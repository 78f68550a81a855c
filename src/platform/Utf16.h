#pragma once

#include <string>
#include <string_view>

/// UTF-16LE, the text form of Windows resources and of newer registry exports, to and from the
/// tool's 1252 text.
namespace lifto::platform {

/// UTF-16LE bytes to 1252. A character 1252 cannot hold, or a lone surrogate, becomes '?'; an odd
/// last byte is ignored. Zero characters are kept.
std::string Utf16LeToAnsi(std::string_view utf16le);

/// 1252 text to UTF-16LE bytes (no terminator added).
std::string AnsiToUtf16Le(std::string_view ansi);

}  // namespace lifto::platform
