#include "gui/TFormaajustaversao.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "GuiTestHelpers.h"
#include "platform/Codepage.h"

namespace lifto::gui {
namespace {

TEST(AjustaVersaoView, ShowsTheRequestAndCorrigeReturnsTheChoice) {
  test::EnsureQtApplication();
  support::DialogRequest dialog{"TFormaajustaversao", {{"C_tipos", "Requerimento"}, {"c_numero", "3"}}};
  test::WhenModal([](QWidget* modal) {
    auto* form = qobject_cast<TFormaajustaversao*>(modal);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Ajuste de Versão"));
    EXPECT_EQ(form->C_tipos()->currentIndex(), 1);
    EXPECT_EQ(form->c_numero()->value(), 3);
    EXPECT_EQ(form->SpeedButton1()->text(), "&Corrige");
    form->C_tipos()->setCurrentIndex(0);
    form->c_numero()->setValue(51);  // the box holds no more than 50
    form->SpeedButton1()->click();
  });
  EXPECT_TRUE(RunAjustaVersao(dialog, nullptr));
  EXPECT_EQ(dialog.Field("C_tipos"), Ansi("Atualização"));
  EXPECT_EQ(dialog.Field("c_numero"), "50");

  test::WhenModal([](QWidget* modal) {
    qobject_cast<TFormaajustaversao*>(modal)->c_numero()->setValue(9);
    modal->close();
  });
  EXPECT_FALSE(RunAjustaVersao(dialog, nullptr));
  EXPECT_EQ(dialog.Field("c_numero"), "50");
}

}  // namespace
}  // namespace lifto::gui
