#include "update/RestoreEvents.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "update/ProcedureTestHelpers.h"

namespace lifto::test {
namespace {

TEST(RestoreEvents, ProgressShowsTheFileAndThePercentage) {
  FakeUi ui;
  FakeUi::Scope scope(ui);
  FakeUpdateWindow window;
  update::RestoreEvents events(window);
  bool go = true;
  events.C_backProgress("C:\\TEMP\\Vorn\\KORAMI.EXE", 42, go);
  EXPECT_EQ(window.context.statusBar, "KORAMI.EXE");
  EXPECT_EQ(window.context.labelstatus2, "Descompactando arquivo C:\\TEMP\\Vorn\\KORAMI.EXE");
  EXPECT_EQ(window.context.c_barra, 42);
}

TEST(RestoreEvents, ErrorsAndDeclinedDisksMarkTheUpdateFailed) {
  FakeUi ui;
  FakeUi::Scope scope(ui);
  FakeUpdateWindow window;
  update::RestoreEvents events(window);
  events.C_backError(6, "Compression error");
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Erro do Sistema: Compression error"});
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_TRUE(window.context.erroAtualizacao);

  ui.answers = {true, false};
  bool go = false;
  events.C_backNeedDisk(2, go);
  EXPECT_TRUE(go);
  EXPECT_FALSE(window.context.erroAtualizacao);
  EXPECT_EQ(window.disksConfirmed, 1);
  events.C_backNeedDisk(3, go);
  EXPECT_FALSE(go);
  EXPECT_TRUE(window.context.erroAtualizacao);
  EXPECT_EQ(ui.questions[1].text, "Insira o Disco 3");
  EXPECT_EQ(ui.questions[1].style, 2);
}

}  // namespace
}  // namespace lifto::test
