// Dialogs by kind and the text helpers.
#include "support/Utilities.h"

#include <algorithm>
#include <ctime>

#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/Clock.h"
#include "support/Ui.h"

namespace lifto::support {
namespace {

// The helpers take a "character" as a one-character text; a longer or empty one never matches.
bool IsOneChar(const std::string& character) { return character.size() == 1; }

// Trim as the tool's runtime does it: every control character and blank at both ends.
std::string Trim(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto first = std::find_if_not(text.begin(), text.end(), isBlank);
  auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

}  // namespace

void ShowKindMessage(const std::string& text, int kind) {
  static const char* const titles[] = {"Aviso", "Informação", "Confirmação", "Erro"};
  if (kind < 1 || kind > 4) return;
  CurrentUi().ShowMessage(kind, Ansi(titles[kind - 1]), text);
}

bool AskConfirmation(const std::string& text, const std::string& /*title*/, int style) {
  return CurrentUi().Ask(text, style);
}

std::string RemoveBlanks(std::string text) {
  std::erase(text, ' ');
  return text;
}

int LastCharPos(const std::string& character, const std::string& text) {
  if (!IsOneChar(character)) return 0;
  const auto pos = text.rfind(character[0]);
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

std::string RightText(const std::string& text, int n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  return count >= text.size() ? text : text.substr(text.size() - count);
}

std::string PadSeparators(const std::string& text, const std::string& separator) {
  if (!IsOneChar(separator)) return text;
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == separator[0]) {
      result += ' ';
      result += c;
      result += ' ';
    } else {
      result += c;
    }
  }
  return result;
}

int CountChar(const std::string& text, const std::string& character) {
  if (!IsOneChar(character)) return 0;
  return static_cast<int>(std::count(text.begin(), text.end(), character[0]));
}

std::string GetField(const std::string& text, int n, const std::string& separator) {
  if (n < 1 || !IsOneChar(separator)) return {};
  // The working text ends with a separator, so that the last field is closed like the others.
  const std::string working = text + ' ' + separator + ' ';
  std::size_t previous = 0;  // 1-based position of the (n-1)-th separator, 0 before the first
  std::size_t current = 0;
  int found = 0;
  for (std::size_t i = 0; i < working.size() && found < n; ++i) {
    if (working[i] == separator[0]) {
      previous = current;
      current = i + 1;
      ++found;
    }
  }
  if (found < n) return {};
  // The field runs from just after the blank that follows the earlier separator (position 1 for
  // the first field) up to just before the blank that precedes this one.
  const std::size_t from = n == 1 ? 1 : previous + 2;
  if (current < 2 || current - 2 < from) return {};
  return working.substr(from - 1, current - 2 - from + 1);
}

std::string ZeroPad(const std::string& number, int width) {
  std::string sign;
  std::string digits = number;
  const std::string trimmed = Trim(number);
  if (!trimmed.empty() && trimmed[0] == '-') {
    sign = "-";
    digits = trimmed.substr(1);
    --width;
  }
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return sign + digits;
}

std::string RepeatText(const std::string& text, int n) {
  std::string result;
  for (int i = 0; i < n; ++i) result += text;
  return result;
}

std::string TodayText() {
  const std::time_t now = std::chrono::system_clock::to_time_t(CurrentClock().Now());
  std::tm local{};
  localtime_r(&now, &local);
  return ZeroPad(std::to_string(local.tm_mday), 2) + "/" + ZeroPad(std::to_string(local.tm_mon + 1), 2) +
         "/" + std::to_string(local.tm_year + 1900);
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string StripDateMarks(std::string text) {
  std::erase_if(text, [](char c) { return c == '-' || c == '.' || c == '/'; });
  return text;
}

std::string FieldTextPadded(const FieldSource& table, const std::string& fieldName, bool strip) {
  std::string value = table.FieldAsText(fieldName);
  if (strip) value = StripDateMarks(std::move(value));
  const int size = table.FieldDeclaredSize(fieldName);
  if (size > 0 && value.size() < static_cast<std::size_t>(size)) {
    value.append(static_cast<std::size_t>(size) - value.size(), ' ');
  }
  return value;
}

std::string CopyChars(const std::string& text, int index, int count) {
  if (count == 0) {
    CurrentUi().ShowMessage(0, App().Title(), "Contador tem que ser > 1 e o indice > 0 ");
    return {};
  }
  // The text ends at its first zero character, as the zero-terminated buffer it stands for; an
  // index beyond that end would read outside the buffer, so it copies nothing.
  const std::size_t length = std::min(text.find('\0'), text.size());
  if (count < 0 || index < 0 || static_cast<std::size_t>(index) >= length) return {};
  return text.substr(static_cast<std::size_t>(index),
                     std::min(static_cast<std::size_t>(count), length - static_cast<std::size_t>(index)));
}

}  // namespace lifto::support
