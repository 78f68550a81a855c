#pragma once

#include <string>
#include <string_view>

/// Text rules that the script operations share: 1252 upper case and the tool's trimming.
namespace lifto::project {

/// Upper case in code page 1252, accented letters included ("ç" becomes "Ç").
std::string UpperCase(std::string_view text);

/// Equal without regard to case (1252).
bool SameText(std::string_view a, std::string_view b);

/// Without leading and trailing blanks and control characters (codes up to 32).
std::string_view Trim(std::string_view text);

/// The text before a line's first "=", trimmed; empty for a line without "=".
std::string_view KeyOfLine(std::string_view line);

/// True for a section header line (first character "[").
bool IsSectionHeader(std::string_view line);

}  // namespace lifto::project
