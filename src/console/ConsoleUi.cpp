#include "console/ConsoleUi.h"

#include <cstdlib>
#include <iostream>
#include <vector>

#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/MessagePump.h"
#include "support/Transcript.h"

namespace lifto::console {
namespace {

std::string Lower(std::string text) {
  for (auto& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The terminal shows one kind of line end.
std::string UnixLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A folder or file typed as a host path is taken in its Windows form, as on the command line.
std::string AsWindowsPath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return platform::ToWindowsPath(path);
  return path;
}

// The files of one answer to a chooser of several: separated by "|", blanks around each dropped.
std::vector<std::string> SplitPaths(const std::string& text) {
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto bar = text.find('|', start);
    if (bar == std::string::npos) bar = text.size();
    const std::string part = text.substr(start, bar - start);
    const auto first = part.find_first_not_of(' ');
    if (first != std::string::npos) paths.push_back(part.substr(first, part.find_last_not_of(' ') - first + 1));
    start = bar + 1;
  }
  return paths;
}

}  // namespace

ConsoleUi::ConsoleUi(std::string_view answersUtf8, std::istream& in, std::ostream& out, bool interactive)
    : answers_(answersUtf8), in_(in), out_(out), interactive_(interactive) {
  for (const auto& entry : answers_.Unrecognised()) {
    Print(Ansi("LIFTO_ANSWERS: entrada não reconhecida, ignorada: ") + platform::FromUtf8(entry));
  }
}

void ConsoleUi::Print(const std::string& text1252) {
  out_ << platform::ToUtf8(UnixLineEnds(text1252)) << std::endl;
}

std::optional<std::string> ConsoleUi::ReadLine(const std::string& prompt1252) {
  out_ << platform::ToUtf8(UnixLineEnds(prompt1252)) << std::flush;
  std::string line;
  if (!std::getline(in_, line)) {
    out_ << std::endl;
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return platform::FromUtf8(line);
}

void ConsoleUi::ShowMessage(int kind, const std::string& title, const std::string& text) {
  PrintStatusIfChanged();
  Print(title + ": " + text);
  support::transcript::RecordMessage(kind, title, text);
}

bool ConsoleUi::Ask(const std::string& text, int style) {
  PrintStatusIfChanged();
  const std::string title = style == support::kAskInformation ? "Information: " : Ansi("Confirmação: ");
  const std::string prompt = title + text + (style == 1 ? " [sim/nao] " : " [ok/cancela] ");
  bool answer = false;
  if (auto given = answers_.TakeResult()) {
    answer = *given;
    Print(prompt + support::transcript::AnswerWord(style, answer));
  } else if (interactive_) {
    for (;;) {
      const auto line = ReadLine(prompt);
      if (!line) break;  // end of input: the box was closed
      const std::string word = Lower(*line);
      if (word == "sim" || word == "s" || word == "ok") {
        answer = true;
        break;
      }
      if (word == "nao" || word == "n" || word == Ansi("não") || word == "cancela" || word == "c") break;
    }
  } else {
    Print(prompt + support::transcript::AnswerWord(style, false));
  }
  support::transcript::RecordQuestion(style, text, answer);
  return answer;
}

std::optional<std::string> ConsoleUi::ChoosePath(const std::string& key, const std::string& dialogName,
                                                 const std::string& caption,
                                                 std::vector<std::pair<std::string, std::string>> fields,
                                                 bool multiple) {
  PrintStatusIfChanged();
  std::string chosen;
  const std::string prompt = caption + ": ";
  if (auto given = answers_.TakeValue(key)) {
    chosen = *given;
    Print(prompt + (chosen.empty() ? "(cancelado)" : chosen));
  } else if (interactive_) {
    chosen = ReadLine(caption + " (vazio cancela): ").value_or("");
  } else {
    Print(prompt + "(cancelado)");
  }
  if (multiple) {
    std::string each;
    for (const auto& path : SplitPaths(chosen)) each += (each.empty() ? "" : "|") + AsWindowsPath(path);
    chosen = each;
  } else {
    chosen = AsWindowsPath(chosen);
  }
  support::DialogRequest record{dialogName, std::move(fields)};
  record.SetField(key, chosen);
  support::transcript::RecordDialog(record, !chosen.empty());
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

std::optional<std::string> ConsoleUi::BrowseFolder(const std::string& title, const std::string&) {
  return ChoosePath("pasta", "BrowseFolder", Ansi("Selecionar pasta - ") + title, {{"titulo", title}});
}

std::optional<std::string> ConsoleUi::ChooseFile(const std::string& title, const std::string& filter,
                                                 const std::string&) {
  return ChoosePath("arquivo", "ChooseFile", Ansi("Abrir arquivo - ") + title,
                    {{"titulo", title}, {"filtro", filter}});
}

std::vector<std::string> ConsoleUi::ChooseFiles(const std::string& title, const std::string& filter,
                                                const std::string&, bool multiSelect) {
  const auto chosen = ChoosePath("arquivo", "ChooseFile", Ansi("Abrir arquivo - ") + title,
                                 {{"titulo", title}, {"filtro", filter}}, multiSelect);
  if (!chosen) return {};
  if (!multiSelect) return {*chosen};
  return SplitPaths(*chosen);
}

std::optional<std::string> ConsoleUi::ChooseSaveFile(const std::string& title, const std::string& filter,
                                                     const std::string&, const std::string&) {
  return ChoosePath("arquivo", "SaveFile", Ansi("Salvar arquivo - ") + title,
                    {{"titulo", title}, {"filtro", filter}});
}

bool ConsoleUi::RunDialog(support::DialogRequest& dialog) {
  PrintStatusIfChanged();
  for (const auto& [field, value] : answers_.TakeDialogFields(dialog.name)) dialog.SetField(field, value);
  bool ok = false;
  if (auto given = answers_.TakeResult()) {
    ok = *given;
  } else if (interactive_) {
    Print(Ansi("Diálogo ") + dialog.name + " (Enter mantém o valor)");
    bool ended = false;
    for (auto& [field, value] : dialog.fields) {
      const auto line = ReadLine("  " + field + " [" + value + "]: ");
      if (!line) {
        ended = true;
        break;
      }
      if (!line->empty()) value = *line;
    }
    while (!ended) {
      const auto line = ReadLine("[ok/cancela] ");
      if (!line) break;
      const std::string word = Lower(*line);
      if (word == "ok" || word == "sim" || word == "s") {
        ok = true;
        break;
      }
      if (word == "cancela" || word == "c" || word == "nao" || word == "n") break;
    }
  }
  Print(Ansi("Diálogo ") + dialog.name + ": " + (ok ? "ok" : "cancela"));
  for (const auto& [field, value] : dialog.fields) Print("  " + field + " = " + value);
  support::transcript::RecordDialog(dialog, ok);
  return ok;
}

void ConsoleUi::PrintStatusIfChanged() {
  if (!statusSource_) return;
  std::string status = statusSource_();
  if (status == lastStatus_) return;
  lastStatus_ = std::move(status);
  if (!lastStatus_.empty()) Print(lastStatus_);
}

void ConsoleUi::ProcessMessages() {
  PrintStatusIfChanged();
  support::HandlePendingMessages();
}

void ConsoleUi::Repaint() { PrintStatusIfChanged(); }

void ConsoleUi::OpenProgressWindow(const support::ProgressWindowInfo& info) {
  std::string line = "Aguarde... Acessando Registro - Tabela: " + info.tableName + Ansi(" - Operação: ") +
                     info.operation;
  if (!info.error.empty()) line += " - " + info.error;
  Print(line);
}

std::unique_ptr<ConsoleUi> MakeConsoleUi() {
  const char* answers = std::getenv("LIFTO_ANSWERS");
  return std::make_unique<ConsoleUi>(answers != nullptr ? answers : "", std::cin, std::cout,
                                     isatty(STDIN_FILENO) == 1);
}

}  // namespace lifto::console
