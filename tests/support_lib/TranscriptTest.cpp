#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Codepage.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "support/Transcript.h"

namespace lifto::support::transcript {
namespace {

TEST(Transcript, LinesAreExactJsonInUtf8) {
  EXPECT_EQ(MessageLine(4, "Erro", Ansi("Arquivo \"X\" não encontrado em C:\\UPD")),
            R"({"type":"message","kind":4,"title":"Erro","text":"Arquivo \"X\" não encontrado em C:\\UPD"})");
  EXPECT_EQ(QuestionLine(1, "Continuar?", true), R"({"type":"question","style":1,"text":"Continuar?","answer":"sim"})");
  EXPECT_EQ(QuestionLine(1, "Continuar?", false), R"({"type":"question","style":1,"text":"Continuar?","answer":"nao"})");
  EXPECT_EQ(QuestionLine(2, "Inserir?", true), R"({"type":"question","style":2,"text":"Inserir?","answer":"ok"})");
  EXPECT_EQ(QuestionLine(2, "Inserir?", false), R"({"type":"question","style":2,"text":"Inserir?","answer":"cancela"})");
  const DialogRequest dialog{"TFormaajustaversao", {{"versao", "8.2"}, {"disco", Ansi("Nº 1")}}};
  EXPECT_EQ(DialogLine(dialog, true),
            R"({"type":"dialog","name":"TFormaajustaversao","result":"ok","versao":"8.2","disco":"Nº 1"})");
  EXPECT_EQ(DialogLine(DialogRequest{"X", {}}, false), R"({"type":"dialog","name":"X","result":"cancela"})");
}

TEST(Transcript, EscapesControlCharactersAndKeepsUndefinedBytes) {
  EXPECT_EQ(JsonString("a\r\nb\tc\x01"), R"("a\r\nb\tc\u0001")");
  // A byte that 1252 leaves undefined travels as its own code point.
  EXPECT_EQ(JsonString("\x81"), "\"\xC2\x81\"");
}

TEST(Transcript, AppendsOneLinePerRecordOnlyWhenAsked) {
  test::TempFolder folder;
  const auto file = folder.Path() / "transcript.jsonl";
  const test::ScopedVariable transcript("LIFTO_TRANSCRIPT", nullptr);
  RecordMessage(2, "Aviso", "ignorado");
  EXPECT_FALSE(std::filesystem::exists(file));

  transcript.Set(file.c_str());
  RecordMessage(2, Ansi("Informação"), "um");
  RecordQuestion(1, "dois", true);
  RecordDialog(DialogRequest{"TFormaConexao", {}}, false);
  transcript.Set(nullptr);
  EXPECT_EQ(test::ReadFileBytes(file),
            R"({"type":"message","kind":2,"title":"Informação","text":"um"})" "\n"
            R"({"type":"question","style":1,"text":"dois","answer":"sim"})" "\n"
            R"({"type":"dialog","name":"TFormaConexao","result":"cancela"})" "\n");
}

}  // namespace
}  // namespace lifto::support::transcript
