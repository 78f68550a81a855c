#include <gtest/gtest.h>

#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

#include "GuiTestHelpers.h"
#include "gui/DialogViews.h"
#include "gui/GuiUi.h"
#include "gui/QtText.h"
#include "gui/TFrmProg.h"
#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::gui {
namespace {

struct SeenBox {
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

SeenBox Describe(QWidget* modal) {
  SeenBox seen;
  auto* box = qobject_cast<QMessageBox*>(modal);
  if (box == nullptr) return seen;
  seen.title = box->windowTitle();
  seen.icon = box->icon();
  for (auto* button : box->buttons()) seen.buttons << button->text();
  return seen;
}

// Clicks the button with that text in the message box.
void Click(QWidget* modal, const QString& text) {
  for (auto* button : qobject_cast<QMessageBox*>(modal)->buttons()) {
    if (button->text() == text) button->click();
  }
}

class GuiUiTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureQtApplication(); }
  void TearDown() override { support::App().Reset(); }

  test::TempFolder folder_;
  std::filesystem::path transcript_ = folder_.Path() / "t.jsonl";
  test::ScopedVariable transcriptVariable_{"LIFTO_TRANSCRIPT", transcript_.c_str()};
  GuiUi ui_;
};

TEST_F(GuiUiTest, MessageBoxesCarryTheKindsTitleIconAndOneOkButton) {
  const struct {
    int kind;
    const char* title;
    QMessageBox::Icon icon;
  } expected[] = {{1, "Aviso", QMessageBox::Warning},
                  {2, "Informação", QMessageBox::Information},
                  {3, "Confirmação", QMessageBox::Question},
                  {4, "Erro", QMessageBox::Critical},
                  {0, "Programa de Atualização", QMessageBox::NoIcon}};
  for (const auto& e : expected) {
    SeenBox seen;
    test::WhenModal([&](QWidget* modal) {
      seen = Describe(modal);
      Click(modal, "OK");
    });
    ui_.ShowMessage(e.kind, Ansi(e.title), "texto");
    EXPECT_EQ(seen.title, QString::fromUtf8(e.title)) << e.kind;
    EXPECT_EQ(seen.icon, e.icon) << e.kind;
    EXPECT_EQ(seen.buttons, QStringList{"OK"}) << e.kind;
  }
  EXPECT_NE(test::ReadFileBytes(transcript_).find(R"({"type":"message","kind":2,"title":"Informação","text":"texto"})"),
            std::string::npos);
}

TEST_F(GuiUiTest, QuestionsOfStyleOneAnswerSimOrNao) {
  SeenBox seen;
  test::WhenModal([&](QWidget* modal) {
    seen = Describe(modal);
    Click(modal, "&Sim");
  });
  EXPECT_TRUE(ui_.Ask("Continuar?", 1));
  EXPECT_EQ(seen.title, QString::fromUtf8("Confirmação"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons.size(), 2);
  EXPECT_TRUE(seen.buttons.contains("&Sim"));
  EXPECT_TRUE(seen.buttons.contains(QString::fromUtf8("&Não")));

  test::WhenModal([&](QWidget* modal) { Click(modal, QString::fromUtf8("&Não")); });
  EXPECT_FALSE(ui_.Ask("Continuar?", 1));
  // Closing the box with its close button is a "no".
  test::WhenModal([&](QWidget* modal) { modal->close(); });
  EXPECT_FALSE(ui_.Ask("Continuar?", 1));
  EXPECT_EQ(test::ReadFileBytes(transcript_),
            R"({"type":"question","style":1,"text":"Continuar?","answer":"sim"})" "\n"
            R"({"type":"question","style":1,"text":"Continuar?","answer":"nao"})" "\n"
            R"({"type":"question","style":1,"text":"Continuar?","answer":"nao"})" "\n");
}

TEST_F(GuiUiTest, QuestionsOfOtherStylesAnswerOkOrCancela) {
  SeenBox seen;
  test::WhenModal([&](QWidget* modal) {
    seen = Describe(modal);
    Click(modal, "Cancela");
  });
  EXPECT_FALSE(ui_.Ask("Inserir o disco 2", 2));
  EXPECT_TRUE(seen.buttons.contains("OK"));
  EXPECT_TRUE(seen.buttons.contains("Cancela"));
  test::WhenModal([&](QWidget* modal) { Click(modal, "OK"); });
  EXPECT_TRUE(ui_.Ask("Inserir o disco 2", 2));
}

TEST_F(GuiUiTest, TheGenericDialogEditsEveryFieldAndReportsOk) {
  // A dialog class that no view is registered for (the views register once, for the whole program).
  support::DialogRequest dialog{"TFormaSemVista", {{"versao", "8.2"}, {"disco", "1"}}};
  test::WhenModal([](QWidget* modal) {
    auto* versao = modal->findChild<QLineEdit*>("versao");
    ASSERT_NE(versao, nullptr);
    EXPECT_EQ(versao->text(), "8.2");
    versao->setText(QString::fromUtf8("8.3 ç"));
    for (auto* button : modal->findChildren<QAbstractButton*>()) {
      if (button->text() == "OK") button->click();
    }
  });
  EXPECT_TRUE(ui_.RunDialog(dialog));
  EXPECT_EQ(dialog.Field("versao"), Ansi("8.3 ç"));
  EXPECT_EQ(dialog.Field("disco"), "1");
  EXPECT_EQ(test::ReadFileBytes(transcript_),
            R"({"type":"dialog","name":"TFormaSemVista","result":"ok","versao":"8.3 ç","disco":"1"})" "\n");
}

TEST_F(GuiUiTest, ARegisteredViewTakesItsDialog) {
  RegisterDialogView("TFormaConexao", [](support::DialogRequest& d, QWidget*) {
    d.SetField("telefone", "555");
    return false;
  });
  support::DialogRequest dialog{"TFormaConexao", {}};
  EXPECT_FALSE(ui_.RunDialog(dialog));
  EXPECT_EQ(dialog.Field("telefone"), "555");
  RegisterDialogView("TFormaConexao", nullptr);
}

TEST_F(GuiUiTest, TheProgressWindowStaysOnTopWithoutACloseButton) {
  support::App().SetTitle(Ansi("Programa de Atualização"));
  ui_.OpenProgressWindow({"Escr", Ansi("Gravação"), "Record locked by another user.", 5});
  TFrmProg* window = ui_.ProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Programa de Atualização"));
  EXPECT_EQ(window->lbltabela()->text(), "Escr");
  EXPECT_EQ(window->lbloperacao()->text(), QString::fromUtf8("Gravação"));
  EXPECT_EQ(window->lblerro()->text(), "Record locked by another user.");
  QStringList texts;
  for (auto* label : window->findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Aguarde... Acessando Registro"));
  EXPECT_TRUE(texts.contains("Tabela:"));
  EXPECT_TRUE(texts.contains(QString::fromUtf8("Operação:")));
  EXPECT_EQ(window->Barra()->maximum(), 5);
  ui_.SetProgressPosition(3);
  EXPECT_EQ(window->Barra()->value(), 3);
  ui_.CloseProgressWindow();
  EXPECT_EQ(ui_.ProgressWindow(), nullptr);
}

TEST(QtFileFilter, PairsBecomeQtFiltersInBothCases) {
  EXPECT_EQ(QtFileFilter("Scripts de atualização|*.aex|Todos|*.*"),
            "Scripts de atualização (*.aex *.AEX);;Todos (*.*)");
  EXPECT_EQ(QtFileFilter("Arquivos|*.ATU;*.002"), "Arquivos (*.ATU *.atu *.002)");
}

}  // namespace
}  // namespace lifto::gui
