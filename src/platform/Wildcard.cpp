#include <vector>

#include "platform/Files.h"
#include "platform/TextCase.h"

namespace lifto::platform {
namespace {

// Windows reads a pattern in the manner of its old 8.3 names: "?" never takes a dot and may take
// nothing at a dot or at the end ("A??.TXT" finds "AB.TXT"); a dot followed only by wildcards may
// also stand for the end of a name ("*.*" finds "README"); and a "*" followed by a dot cannot reach
// past the last dot of the name ("*." finds names without an extension).
enum class Kind { kLiteral, kStar, kDosStar, kDosQm, kDosDot };
struct Token {
  Kind kind;
  char upper;
};

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*') {
      tokens.push_back({i + 1 < pattern.size() && pattern[i + 1] == '.' ? Kind::kDosStar : Kind::kStar, 0});
    } else if (c == '?') {
      tokens.push_back({Kind::kDosQm, 0});
    } else if (c == '.' && pattern.find_first_not_of("?*", i + 1) == std::string_view::npos) {
      tokens.push_back({Kind::kDosDot, 0});
    } else {
      tokens.push_back({Kind::kLiteral, UpperChar1252(c)});
    }
  }
  return tokens;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  const auto tokens = Tokenize(pattern);
  const std::size_t p = tokens.size();
  const std::size_t n = name.size();
  const auto lastDot = name.rfind('.');
  // match[i][j]: tokens from i on match the name from j on. Filled from the end, so that runs of
  // stars cost no backtracking.
  std::vector<char> match((p + 1) * (n + 1), 0);
  const auto at = [&](std::size_t i, std::size_t j) -> char& { return match[i * (n + 1) + j]; };
  at(p, n) = 1;
  for (std::size_t i = p; i-- > 0;) {
    for (std::size_t j = n + 1; j-- > 0;) {
      const bool more = j < n;
      bool ok = false;
      switch (tokens[i].kind) {
        case Kind::kLiteral:
          ok = more && UpperChar1252(name[j]) == tokens[i].upper && at(i + 1, j + 1);
          break;
        case Kind::kStar:
          ok = at(i + 1, j) || (more && at(i, j + 1));
          break;
        case Kind::kDosStar:
          ok = at(i + 1, j) || (more && j != lastDot && at(i, j + 1));
          break;
        case Kind::kDosQm:
          ok = (more && name[j] != '.' && at(i + 1, j + 1)) || ((!more || name[j] == '.') && at(i + 1, j));
          break;
        case Kind::kDosDot:
          ok = (more && name[j] == '.' && at(i + 1, j + 1)) || (!more && at(i + 1, j));
          break;
      }
      at(i, j) = ok ? 1 : 0;
    }
  }
  return at(0, 0) != 0;
}

}  // namespace lifto::platform
