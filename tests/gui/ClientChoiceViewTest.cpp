#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include "GuiTestHelpers.h"
#include "app/FormaLifto.h"
#include "app/FormaLiftoGeneration.h"
#include "app/MessageLoop.h"
#include "gui/LookupComboBox.h"
#include "gui/MainWindowView.h"
#include "support/Application.h"
#include "support/CatalogueTables.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"

// The client choice C_clientes of the edit page in the Qt view, over a real catalogue: its list
// shows "ABREV" and "ESCRITORIO" in two columns, and what the person types or picks reaches the
// catalogue's choice.
namespace lifto::gui {
namespace {

TEST(ClientChoiceView, ListsTheClientsInTwoColumnsAndTypingOrPickingChoosesInTheCatalogue) {
  test::EnsureQtApplication();
  support::App().Reset();
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  test::SandboxHome home({{"F", "srv"}}, {{"ALIAS_VORN", "F:\\VORN"}});
  test::CreateCatalogue(home.HostPath("F:\\VORN"),
                        {{"BETA", "Beta Ltda"}, {"ACME", "Escritório Acme"}, {"ACMF", "Acme Filial"}});
  auto services = app::DefaultFormaLiftoServices();
  services.refreshVersion = [](project::ScriptLines&) {};
  app::MessageLoop loop;
  app::TFormaLifto form(app::CommandLine({"/E"}), "8.2.0.0", loop, services);
  MainWindowView view(form, loop);
  form.FormShow();
  view.Render();
  view.show();
  QApplication::processEvents();
  test::ReleaseInputDevicesAtExit();

  auto* box = view.findChild<LookupComboBox*>("C_clientes");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->maxVisibleItems(), 7);
  const QAbstractItemModel* rows = box->List()->model();
  ASSERT_EQ(rows->rowCount(), 3);
  ASSERT_EQ(rows->columnCount(), 2);
  const QStringList expected[] = {{"ACME", QString::fromUtf8("Escritório Acme")},
                                  {"ACMF", "Acme Filial"},
                                  {"BETA", "Beta Ltda"}};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 2; ++column) {
      EXPECT_EQ(rows->index(row, column).data().toString(), expected[row][column]) << row << "," << column;
    }
  }
  // Open, the list is wide enough for both columns.
  box->showPopup();
  QApplication::processEvents();
  const QAbstractItemView* list = box->List();
  EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0) + list->sizeHintForColumn(1));
  box->hidePopup();

  // A typed text searches the catalogue: found when a client's "ABREV" begins with it.
  struct Typed {
    const char* text;
    bool found;
  };
  for (const Typed typed : {Typed{"acm", true}, Typed{"be", true}, Typed{"ZZ", false}}) {
    box->lineEdit()->setText(typed.text);
    emit box->lineEdit()->textEdited(typed.text);
    EXPECT_EQ(form.C_edicao.C_clientes.Text(), typed.text);
    EXPECT_EQ(form.clientes.TextoExiste(), typed.found) << typed.text;
    EXPECT_EQ(box->currentText(), typed.text);
  }

  // A picked row puts its "ABREV" into the field and chooses exactly that client.
  box->setCurrentIndex(1);
  emit box->activated(1);
  EXPECT_EQ(form.clientes.Text(), "ACMF");
  EXPECT_TRUE(form.clientes.TextoExiste());
  EXPECT_EQ(box->currentText(), "ACMF");

  view.hide();
  form.FormClose();
  support::App().Reset();
}

}  // namespace
}  // namespace lifto::gui
