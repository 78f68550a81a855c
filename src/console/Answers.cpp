#include "console/Answers.h"

#include <algorithm>
#include <cctype>

#include "platform/Codepage.h"

namespace lifto::console {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// Splits at single commas; ",," is a comma inside the entry.
std::vector<std::string> SplitEntries(std::string_view list) {
  std::vector<std::string> entries;
  std::string current;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == ',') {
      if (i + 1 < list.size() && list[i + 1] == ',') {
        current += ',';
        ++i;
        continue;
      }
      entries.push_back(current);
      current.clear();
    } else {
      current += list[i];
    }
  }
  entries.push_back(current);
  return entries;
}

}  // namespace

AnswerQueue::AnswerQueue(std::string_view answersUtf8) {
  for (const auto& raw : SplitEntries(answersUtf8)) {
    const std::string entry = TrimBlanks(raw);
    if (entry.empty()) continue;
    const auto equals = entry.find('=');
    if (equals == std::string::npos) {
      const std::string word = Lower(entry);
      if (word == "sim" || word == "ok") {
        entries_.push_back({Entry::Kind::Result, true, {}, {}, {}});
      } else if (word == "nao" || word == "não" || word == "cancela") {
        entries_.push_back({Entry::Kind::Result, false, {}, {}, {}});
      } else {
        unrecognised_.push_back(entry);
      }
      continue;
    }
    const std::string key = TrimBlanks(std::string_view(entry).substr(0, equals));
    const std::string value = platform::FromUtf8(TrimBlanks(std::string_view(entry).substr(equals + 1)));
    const auto dot = key.find('.');
    if (dot != std::string::npos && dot > 0 && dot + 1 < key.size()) {
      entries_.push_back({Entry::Kind::Field, false, key.substr(0, dot),
                          platform::FromUtf8(key.substr(dot + 1)), value});
    } else if (!key.empty() && dot == std::string::npos) {
      entries_.push_back({Entry::Kind::Value, false, Lower(key), {}, value});
    } else {
      unrecognised_.push_back(entry);
    }
  }
}

std::optional<bool> AnswerQueue::TakeResult() {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [](const Entry& e) { return e.kind == Entry::Kind::Result; });
  if (it == entries_.end()) return std::nullopt;
  const bool result = it->result;
  entries_.erase(it);
  return result;
}

std::optional<std::string> AnswerQueue::TakeValue(std::string_view key) {
  const std::string wanted = Lower(key);
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return e.kind == Entry::Kind::Value && e.key == wanted;
  });
  if (it == entries_.end()) return std::nullopt;
  std::string value = it->value;
  entries_.erase(it);
  return value;
}

std::vector<std::pair<std::string, std::string>> AnswerQueue::TakeDialogFields(std::string_view dialog) {
  const std::string wanted = Lower(dialog);
  std::vector<std::pair<std::string, std::string>> fields;
  for (auto it = entries_.begin(); it != entries_.end() && it->kind != Entry::Kind::Result;) {
    if (it->kind == Entry::Kind::Field && Lower(it->key) == wanted) {
      fields.emplace_back(it->field, it->value);
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  return fields;
}

}  // namespace lifto::console
