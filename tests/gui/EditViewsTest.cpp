#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>

#include "GuiTestHelpers.h"
#include "app/FormaEdicao.h"
#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "gui/MainWindowView.h"
#include "gui/TFormaEdicaoView.h"
#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"

// The edit page and the entry dialog as the Qt views show them (offscreen): which controls are
// visible, what their captions and tool tips say, and that the person's input reaches the logic.
namespace lifto::gui {
namespace {

template <typename T>
T* Child(const QWidget& parent, const char* name) {
  auto* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

bool Shown(const QWidget& parent, const char* name) { return !Child<QWidget>(parent, name)->isHidden(); }

TEST(EditPageView, ShowsTheEditorOfTheProject) {
  test::EnsureQtApplication();
  support::App().Reset();
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  test::SandboxHome home({{"F", "srv"}});
  app::MessageLoop loop;
  auto services = app::DefaultFormaLiftoServices();
  services.refreshVersion = [](project::ScriptLines&) {};
  services.openCatalogueTables = [](app::TFormaLifto&) {};
  services.closeCatalogueTables = [](app::TFormaLifto&) {};
  app::TFormaLifto form(app::CommandLine({"/E"}), "8.2.0.0", loop, services);
  MainWindowView view(form, loop);
  form.FormShow();
  view.Render();
  view.show();
  QApplication::processEvents();
  test::ReleaseInputDevicesAtExit();

  EXPECT_EQ(view.windowTitle(), QString::fromUtf8("Lifto 8.2 (Modo Edição)"));
  EXPECT_EQ(Child<QStackedWidget>(view, "C_pag")->currentWidget()->objectName(), "C_edicao");
  EXPECT_FALSE(Shown(view, "bot_atualizar"));
  QStringList groups;
  for (const auto* group : Child<QWidget>(view, "C_edicao")->findChildren<QGroupBox*>()) groups << group->title();
  EXPECT_EQ(groups, (QStringList{"Cliente:", "Projeto:", "Editor de Script:"}));
  const std::pair<const char*, const char*> hints[] = {
      {"bot_novoproj", "Novo projeto"}, {"bot_abreproj", "Abrir projeto"}, {"bot_salvarproj", "Salva Projeto"},
      {"bot_inc", "Incluir Dados"},     {"bot_alt", "Alterar Dados"},      {"bot_del", "Excluir Dados"},
      {"SpeedButton1", "Atualiza Script"}, {"bot_ajuda", "Ajuda"}};
  for (const auto& [name, hint] : hints) {
    EXPECT_TRUE(Shown(view, name)) << name;
    EXPECT_EQ(Child<QPushButton>(view, name)->toolTip(), hint) << name;
  }
  EXPECT_TRUE(Shown(view, "C_clientes"));
  EXPECT_TRUE(Child<QLineEdit>(view, "C_projeto")->isReadOnly());
  auto* script = Child<QListWidget>(view, "C_script");
  ASSERT_EQ(script->count(), 16);
  EXPECT_EQ(script->item(15)->text(), "[WINDOWS]");
  QStringList menu;
  for (const QAction* action : Child<QMenu>(view, "PopupMenu1")->actions()) {
    menu << (action->isSeparator() ? QString("-") : action->text());
  }
  EXPECT_EQ(menu, (QStringList{"Inserir Arquivo", "Alterar Arquivo", "-", "Excluir arquivo"}));

  // A line chosen in the list reaches the page; deleting it comes back to the list.
  script->setCurrentRow(6);
  EXPECT_EQ(form.C_edicao.C_script.itemIndex, 6);
  Child<QPushButton>(view, "bot_del")->click();
  EXPECT_EQ(script->count(), 15);
  EXPECT_EQ(script->currentRow(), 5);
  view.hide();
  support::App().Reset();
}

struct TypeCase {
  const char* tipo;
  bool chave;
  const char* dado1;
  bool fileControls;
  bool inclui;
};

class EntryDialogView : public ::testing::TestWithParam<TypeCase> {};

TEST_P(EntryDialogView, ShowsTheControlsOfItsType) {
  const TypeCase& c = GetParam();
  test::EnsureQtApplication();
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  app::TFormaEdicao dialog;
  dialog.Tag = 0;
  dialog.SetTipo(c.tipo);
  dialog.FormShow();
  dialog.FormActivate();
  TFormaEdicaoView view(dialog);
  view.show();
  QApplication::processEvents();
  test::ReleaseInputDevicesAtExit();

  EXPECT_EQ(view.windowTitle(), QString::fromUtf8("Edição de Dados"));
  EXPECT_FALSE(view.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(Child<QComboBox>(view, "c_tipo")->currentText(), c.tipo);
  EXPECT_EQ(Shown(view, "c_chave"), c.chave);
  EXPECT_EQ(Shown(view, "c_titulodado"), c.chave);
  EXPECT_EQ(Child<QLabel>(view, "c_titulodado")->text(), "Nome da Chave");
  EXPECT_EQ(Child<QLabel>(view, "C_TituloDado1")->text(), QString::fromUtf8(c.dado1));
  EXPECT_TRUE(Shown(view, "C_dadochave1"));
  EXPECT_FALSE(Shown(view, "CmbAlias"));
  EXPECT_EQ(Shown(view, "c_dadochave2"), c.fileControls);
  EXPECT_EQ(Shown(view, "C_TituloDado2"), c.fileControls);
  EXPECT_EQ(Child<QLabel>(view, "C_TituloDado2")->text(), "Pasta Destino");
  EXPECT_EQ(Shown(view, "bot_abrir"), c.fileControls);
  EXPECT_EQ(Child<QPushButton>(view, "bot_abrir")->toolTip(), "Localiza Arquivo");
  EXPECT_EQ(Shown(view, "ChkInclui"), c.inclui);
  EXPECT_EQ(Child<QCheckBox>(view, "ChkInclui")->text(), QString::fromUtf8("Incluir também no servidor"));
  EXPECT_EQ(Child<QCheckBox>(view, "ChkInclui")->toolTip(),
            QString::fromUtf8("Inclui este arquivo para ser também copiado para o servidor"));
  EXPECT_EQ(Child<QPushButton>(view, "bot_ok")->toolTip(), "Confirma");
  EXPECT_EQ(Child<QPushButton>(view, "bot_can")->toolTip(), "Cancela");
  auto* folders = Child<QComboBox>(view, "c_dadochave2");
  ASSERT_EQ(folders->count(), 6);
  EXPECT_EQ(folders->itemText(5), "\\SYSTEM\\");
  // Every caption fits its widget.
  for (const auto* label : view.findChildren<QLabel*>()) {
    if (label->isVisible()) {
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
  }

  // Typed text is kept in upper case; OK with a field missing is refused and the dialog stays.
  auto* value = Child<QLineEdit>(view, "C_dadochave1");
  value->setText("c:\\x\\a.dll");
  emit value->textEdited(value->text());
  EXPECT_EQ(value->text(), "C:\\X\\A.DLL");
  EXPECT_EQ(dialog.C_dadochave1.Text(), "C:\\X\\A.DLL");
  if (c.fileControls) folders->setEditText("");
  Child<QPushButton>(view, "bot_ok")->click();
  const bool complete = std::string(c.tipo) != "PONTO" && std::string(c.tipo) != "SERVIDOR";
  EXPECT_EQ(dialog.ModalResult(), complete ? app::TFormaEdicao::mrOk : app::TFormaEdicao::mrNone);
  EXPECT_EQ(ui.messages.size(), complete ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Types, EntryDialogView,
                         ::testing::Values(TypeCase{"CONFIG", true, "Configuração", false, false},
                                           TypeCase{"BACKUP", true, "Backup", false, false},
                                           TypeCase{"PONTO", false, "Arq. Origem", true, true},
                                           TypeCase{"SERVIDOR", false, "Arq. Origem", true, false},
                                           TypeCase{"WINDOWS", false, "Arq. Origem", true, false}),
                         [](const auto& info) { return std::string(info.param.tipo); });

}  // namespace
}  // namespace lifto::gui
