#include <gtest/gtest.h>

#include <ctime>

#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/Clock.h"
#include "support/FakeUi.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

TEST(GetField, CutsFieldsAsTheScriptsWriteThem) {
  const struct {
    const char* line;
    int index;
    const char* separator;
    const char* field;
  } cases[] = {
      // Written " , ": the blanks around the separator belong to it.
      {"A , B , C", 1, ",", "A"},
      {"A , B , C", 2, ",", "B"},
      {"A , B , C", 3, ",", "C"},
      {"A , B", 3, ",", ""},
      {"", 1, ",", ""},
      {"F:\\PROG\\X.EXE , F:\\PROG", 2, ",", "F:\\PROG"},
      // A bare separator takes one character of each neighbour with it.
      {"AB,CD", 1, ",", "A"},
      {"AB,CD", 2, ",", "D"},
      {"A,B", 2, ",", ""},
      // Never a longer separator, nor a field before the first.
      {"A , B", 1, ", ", ""},
      {"A , B", 0, ",", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetField(c.line, c.index, c.separator), c.field) << c.line << " #" << c.index;
  }
}

TEST(GetField, ReadsBackWhatPadSeparatorsWrote) {
  const std::string padded = PadSeparators("C:\\A.EXE;C:\\DEST;;X", ";");
  EXPECT_EQ(padded, "C:\\A.EXE ; C:\\DEST ;  ; X");
  const char* fields[] = {"C:\\A.EXE", "C:\\DEST", "", "X"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetField(padded, i + 1, ";"), fields[i]) << i + 1;
  EXPECT_EQ(PadSeparators("A,B", ",,"), "A,B");
  EXPECT_EQ(CountChar("A,B,C", ","), 2);
  EXPECT_EQ(CountChar("A,B,C", ",B"), 0);
}

TEST(ZeroPad, PadsAndKeepsTheSignInFront) {
  EXPECT_EQ(ZeroPad("7", 2), "07");
  EXPECT_EQ(ZeroPad("-7", 3), "-07");
  EXPECT_EQ(ZeroPad("-12", 3), "-12");
  EXPECT_EQ(ZeroPad("123", 2), "123");
  EXPECT_EQ(ZeroPad(" -5 ", 3), "-05");  // a signed text is trimmed
  EXPECT_EQ(ZeroPad(" 5", 3), "0 5");    // an unsigned one is not
  EXPECT_EQ(ZeroPad("", 2), "00");
}

TEST(TextHelpers, PositionsAndTails) {
  EXPECT_EQ(LastCharPos("\\", "C:\\A\\B.EXE"), 5);
  EXPECT_EQ(LastCharPos("\\", "B.EXE"), 0);
  EXPECT_EQ(LastCharPos("\\", ""), 0);
  EXPECT_EQ(RightText("ABC", 5), "ABC");
  EXPECT_EQ(RightText("ABC", 2), "BC");
  EXPECT_EQ(RightText("ABC", 0), "");
  EXPECT_EQ(RemoveBlanks(" A B\tC "), "AB\tC");
  EXPECT_EQ(RepeatText("ab", 3), "ababab");
  EXPECT_EQ(RepeatText("ab", -1), "");
  EXPECT_EQ(StripDateMarks("05/03-2001.x"), "05032001x");
  EXPECT_EQ(FolderPart("C:\\A\\B.EXE"), "C:\\A\\");
  EXPECT_EQ(FolderPart("B.EXE"), "");
  EXPECT_EQ(Iif<std::string>(false, "a", "b"), "b");
}

class FixedClock : public Clock {
 public:
  explicit FixedClock(std::chrono::system_clock::time_point when) : when_(when) {}
  std::chrono::system_clock::time_point Now() const override { return when_; }

 private:
  std::chrono::system_clock::time_point when_;
};

TEST(TodayText, ShowsTheLocalDateWithZeroPaddedDayAndMonth) {
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  const FixedClock clock(std::chrono::system_clock::from_time_t(std::mktime(&local)));
  SetCurrentClock(&clock);
  EXPECT_EQ(TodayText(), "05/03/2001");
  SetCurrentClock(nullptr);
  EXPECT_EQ(TodayText().size(), 10u);
}

class FakeTable : public FieldSource {
 public:
  std::string FieldAsText(const std::string&) const override { return value; }
  int FieldDeclaredSize(const std::string&) const override { return size; }
  std::string value;
  int size = 0;
};

TEST(FieldTextPadded, PadsToTheDeclaredSizeWithoutCutting) {
  FakeTable table;
  table.value = "05/03/2001";
  table.size = 12;
  EXPECT_EQ(FieldTextPadded(table, "DATA", false), "05/03/2001  ");
  EXPECT_EQ(FieldTextPadded(table, "DATA", true), "05032001    ");
  table.size = 4;
  EXPECT_EQ(FieldTextPadded(table, "DATA", false), "05/03/2001");
}

class DialogTest : public ::testing::Test {
 protected:
  void TearDown() override { App().Reset(); }
  test::FakeUi ui;
  test::FakeUi::Scope scope{ui};
};

TEST_F(DialogTest, CopyCharsCopiesUpToTheTerminatingZero) {
  EXPECT_EQ(CopyChars("ABCDEF", 2, 3), "CDE");
  EXPECT_EQ(CopyChars("ABCDEF", 4, 10), "EF");
  EXPECT_EQ(CopyChars(std::string("AB\0CD", 5), 1, 4), "B");
  EXPECT_EQ(CopyChars("AB", 5, 1), "");  // past the end: nothing, never outside the text
  EXPECT_EQ(CopyChars("AB", -1, 1), "");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DialogTest, CopyCharsWithACountOfZeroShowsItsPlainMessage) {
  App().SetTitle(Ansi("Programa de Atualização"));
  EXPECT_EQ(CopyChars("ABC", 0, 0), "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, 0);
  EXPECT_EQ(ui.messages[0].title, Ansi("Programa de Atualização"));
  EXPECT_EQ(ui.messages[0].text, "Contador tem que ser > 1 e o indice > 0 ");
}

TEST_F(DialogTest, ShowKindMessageUsesTheKindsTitlesAndShowsNothingOutsideThem) {
  for (int kind = 0; kind <= 5; ++kind) ShowKindMessage("texto", kind);
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].title, "Aviso");
  EXPECT_EQ(ui.messages[1].title, Ansi("Informação"));
  EXPECT_EQ(ui.messages[2].title, Ansi("Confirmação"));
  EXPECT_EQ(ui.messages[3].title, "Erro");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ui.messages[static_cast<std::size_t>(i)].kind, i + 1);
    EXPECT_EQ(ui.messages[static_cast<std::size_t>(i)].text, "texto");
  }
}

TEST_F(DialogTest, AskConfirmationPassesTheStyleAndIsFalseWhenClosed) {
  ui.answers = {true};
  EXPECT_TRUE(AskConfirmation("Continuar?", "ignorado", 1));
  EXPECT_FALSE(AskConfirmation("De novo?", "ignorado", 2));  // no answer: the box was closed
  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[0].style, 1);
  EXPECT_EQ(ui.questions[1].style, 2);
  EXPECT_EQ(ui.questions[1].text, "De novo?");
}

}  // namespace
}  // namespace lifto::support
