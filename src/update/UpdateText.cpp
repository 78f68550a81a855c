#include "update/UpdateText.h"

#include "platform/TextCase.h"

namespace lifto::update {

std::string TrimText(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(text);
  const std::string upperText = platform::Upper1252(text);
  const std::string upperWhat = platform::Upper1252(what);
  std::string result;
  std::size_t from = 0;
  for (auto at = upperText.find(upperWhat); at != std::string::npos;
       at = upperText.find(upperWhat, from)) {
    result.append(text.substr(from, at - from)).append(with);
    from = at + what.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string BareFileName(std::string_view path) {
  const auto cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:") == std::string_view::npos;
}

bool StaysBelowRoot(std::string_view relativeFolder) {
  std::size_t from = 0;
  while (from <= relativeFolder.size()) {
    auto cut = relativeFolder.find_first_of("\\/", from);
    if (cut == std::string_view::npos) cut = relativeFolder.size();
    if (TrimText(relativeFolder.substr(from, cut - from)) == "..") return false;
    from = cut + 1;
  }
  return relativeFolder.find(':') == std::string_view::npos;
}

}  // namespace lifto::update
