#include "support/Transcript.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/Codepage.h"

namespace lifto::support::transcript {
namespace {

void AppendLine(const std::string& line) {
  const char* file = std::getenv("LIFTO_TRANSCRIPT");
  if (file == nullptr || *file == '\0') return;
  std::ofstream out(file, std::ios::binary | std::ios::app);
  const std::string withEnd = line + '\n';
  out.write(withEnd.data(), static_cast<std::streamsize>(withEnd.size()));
  out.close();
  if (!out) std::cerr << "atualizar: cannot append to the transcript " << file << '\n';
}

}  // namespace

std::string JsonString(const std::string& text1252) {
  const std::string utf8 = platform::ToUtf8(text1252);
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string AnswerWord(int style, bool answer) {
  if (style == 1) return answer ? "sim" : "nao";
  return answer ? "ok" : "cancela";
}

std::string MessageLine(int kind, const std::string& title, const std::string& text) {
  return R"({"type":"message","kind":)" + std::to_string(kind) + R"(,"title":)" + JsonString(title) +
         R"(,"text":)" + JsonString(text) + "}";
}

std::string QuestionLine(int style, const std::string& text, bool answer) {
  return R"({"type":"question","style":)" + std::to_string(style) + R"(,"text":)" + JsonString(text) +
         R"(,"answer":")" + AnswerWord(style, answer) + "\"}";
}

std::string DialogLine(const DialogRequest& dialog, bool ok) {
  std::string line = R"({"type":"dialog","name":)" + JsonString(dialog.name) + R"(,"result":")" +
                     (ok ? "ok" : "cancela") + "\"";
  for (const auto& [key, value] : dialog.fields) line += "," + JsonString(key) + ":" + JsonString(value);
  return line + "}";
}

void RecordMessage(int kind, const std::string& title, const std::string& text) {
  AppendLine(MessageLine(kind, title, text));
}

void RecordQuestion(int style, const std::string& text, bool answer) {
  AppendLine(QuestionLine(style, text, answer));
}

void RecordDialog(const DialogRequest& dialog, bool ok) { AppendLine(DialogLine(dialog, ok)); }

}  // namespace lifto::support::transcript
