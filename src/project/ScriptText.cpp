#include "project/ScriptText.h"

#include <algorithm>

namespace lifto::project {
namespace {

char Upper1252(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A: return '\x8A';  // s caron
    case 0x9C: return '\x8C';  // oe
    case 0x9E: return '\x8E';  // z caron
    case 0xFF: return '\x9F';  // y diaeresis
    default: return c;
  }
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper1252);
  return upper;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Upper1252(x) == Upper1252(y);
         });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view KeyOfLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : Trim(line.substr(0, eq));
}

bool IsSectionHeader(std::string_view line) { return !line.empty() && line.front() == '['; }

}  // namespace lifto::project
