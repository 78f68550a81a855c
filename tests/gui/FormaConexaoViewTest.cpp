#include "gui/TFormaConexao.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "GuiTestHelpers.h"
#include "gui/GuiUi.h"
#include "app/FormaConexao.h"
#include "platform/Codepage.h"
#include "support/FakeUi.h"

namespace lifto::gui {
namespace {

TEST(FormaConexaoView, OkNeedsAConnectionAndReturnsTheChoice) {
  test::EnsureQtApplication();
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  auto dialog = app::conexao::MakeRequest({"Provedor", Ansi("Escritório")}, "", true);
  bool stayedOpen = false;
  test::WhenModal([&](QWidget* modal) {
    test::ReleaseInputDevicesAtExit();
    auto* form = qobject_cast<TFormaConexao*>(modal);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Conexão Dial-UP"));
    EXPECT_EQ(form->C_conexoes()->count(), 2);
    EXPECT_EQ(form->C_conexoes()->currentIndex(), -1);
    EXPECT_TRUE(form->C_discagem()->isChecked());
    EXPECT_EQ(form->bot_ok()->toolTip(), QString::fromUtf8("Confirma Configurações"));
    form->bot_ok()->click();
    stayedOpen = form->isVisible();
    form->C_conexoes()->setCurrentIndex(1);
    form->C_discagem()->setChecked(false);
    form->bot_ok()->click();
  });
  // The Qt front-end shows the request with this view, not with the generic form.
  EXPECT_TRUE(MakeGuiUi()->RunDialog(dialog));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{Ansi("Erro: Selecione uma conexão dial-up")});
  EXPECT_EQ(dialog.Field(app::conexao::kConexoes), Ansi("Escritório"));
  EXPECT_EQ(dialog.Field(app::conexao::kDiscagem), "nao");

  test::WhenModal([](QWidget* modal) { qobject_cast<TFormaConexao*>(modal)->bot_sair()->click(); });
  EXPECT_FALSE(RunFormaConexao(dialog, nullptr));
}

}  // namespace
}  // namespace lifto::gui
