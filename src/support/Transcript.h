#pragma once

#include <string>

#include "support/Ui.h"

/// The transcript of what a person was shown and answered: with LIFTO_TRANSCRIPT=<file> set, each
/// front-end appends one JSON object per line (UTF-8) for every message box, question and modal
/// dialog, so that unattended runs and their tests can see exactly what happened:
///   {"type":"message","kind":4,"title":"Erro","text":"..."}
///   {"type":"question","style":1,"text":"...","answer":"sim"}
///   {"type":"dialog","name":"TFormaajustaversao","result":"ok","campo":"valor",...}
/// The folder and file choosers are dialogs named "BrowseFolder" and "ChooseFile" with the fields
/// "titulo" and "pasta", or "titulo", "filtro" and "arquivo". Texts given here are 1252.
/// Each line is written with one append, so that two programs of a run may share the file.
namespace lifto::support::transcript {

void RecordMessage(int kind, const std::string& title, const std::string& text);
/// @param answer true for "&Sim"/"OK": recorded as "sim" (style 1) or "ok"; false as "nao" or "cancela"
void RecordQuestion(int style, const std::string& text, bool answer);
/// The dialog's fields as they are after it closed; result "ok" or "cancela".
void RecordDialog(const DialogRequest& dialog, bool ok);

/// The JSON lines that the calls above write (without the line end); for tests and front-ends.
std::string MessageLine(int kind, const std::string& title, const std::string& text);
std::string QuestionLine(int style, const std::string& text, bool answer);
std::string DialogLine(const DialogRequest& dialog, bool ok);

/// A 1252 text as a JSON string literal in UTF-8, quotes included.
std::string JsonString(const std::string& text1252);

/// The answer word of a question: "sim"/"nao" for style 1, else "ok"/"cancela".
std::string AnswerWord(int style, bool answer);

}  // namespace lifto::support::transcript
