#pragma once

#include <string>
#include <string_view>

/// Case rules of Windows-1252 text, as Windows applies them to file names and alias names:
/// the accented letters, "š", "œ", "ž" and "ÿ" have capitals too.
namespace lifto::platform {

/// The capital of one 1252 character; other characters are returned unchanged.
char UpperChar1252(char c);

/// The text with every letter in capitals.
std::string Upper1252(std::string_view text);

/// The small letter of one 1252 character; other characters are returned unchanged.
char LowerChar1252(char c);

/// The text with every letter small.
std::string Lower1252(std::string_view text);

/// True when both texts are equal without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace lifto::platform
