#include <gtest/gtest.h>

#include "console/Answers.h"
#include "console/FrontEnd.h"
#include "platform/Codepage.h"

namespace lifto::console {
namespace {

TEST(AnswerQueue, TakesEachKindOfEntryInOrder) {
  AnswerQueue queue(" sim, pasta=C:\\UPD ,NAO, ok, arquivo=, cancela,pasta=D:\\X");
  EXPECT_EQ(queue.TakeValue("pasta"), "C:\\UPD");
  EXPECT_EQ(queue.TakeResult(), true);
  EXPECT_EQ(queue.TakeResult(), false);
  EXPECT_EQ(queue.TakeValue("arquivo"), "");  // an empty value cancels the chooser
  EXPECT_EQ(queue.TakeValue("arquivo"), std::nullopt);
  EXPECT_EQ(queue.TakeResult(), true);
  EXPECT_EQ(queue.TakeResult(), false);
  EXPECT_EQ(queue.TakeResult(), std::nullopt);
  EXPECT_EQ(queue.TakeValue("PASTA"), "D:\\X");
  EXPECT_TRUE(queue.Unrecognised().empty());
}

TEST(AnswerQueue, DialogFieldsBelongToTheDialogClosedByTheNextResult) {
  AnswerQueue queue(  // UTF-8, as the environment gives it
      "TFormaajustaversao.versao=8.2,tformaajustaversao.nome=José,ok,TFormaajustaversao.versao=9.0,cancela");
  const auto first = queue.TakeDialogFields("TFormaajustaversao");
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0], (std::pair<std::string, std::string>{"versao", "8.2"}));
  EXPECT_EQ(first[1].second, Ansi("José"));
  EXPECT_EQ(queue.TakeResult(), true);
  const auto second = queue.TakeDialogFields("TFormaajustaversao");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].second, "9.0");
  EXPECT_EQ(queue.TakeResult(), false);
}

TEST(AnswerQueue, DoubledCommasAndUnknownEntries) {
  AnswerQueue queue("TFormaEdicao.linha=A ,, B,talvez,,sim,=x");
  const auto fields = queue.TakeDialogFields("TFormaEdicao");
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields[0].second, "A , B");
  ASSERT_EQ(queue.Unrecognised().size(), 2u);
  EXPECT_EQ(queue.Unrecognised()[0], "talvez,sim");
  EXPECT_EQ(queue.Unrecognised()[1], "=x");
}

TEST(FrontEnd, ExplicitChoiceElseGuiWithADisplay) {
  EXPECT_EQ(ChooseFrontEnd("console", ":0", nullptr), FrontEndKind::Console);
  EXPECT_EQ(ChooseFrontEnd("GUI", nullptr, nullptr), FrontEndKind::Gui);
  EXPECT_EQ(ChooseFrontEnd(nullptr, ":0", nullptr), FrontEndKind::Gui);
  EXPECT_EQ(ChooseFrontEnd("", nullptr, "wayland-0"), FrontEndKind::Gui);
  EXPECT_EQ(ChooseFrontEnd(nullptr, "", nullptr), FrontEndKind::Console);
  EXPECT_EQ(ChooseFrontEnd("outro", nullptr, nullptr), FrontEndKind::Console);
}

}  // namespace
}  // namespace lifto::console
