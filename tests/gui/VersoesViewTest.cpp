#include "gui/TFormaversoesView.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "GuiTestHelpers.h"
#include "app/FormaVersoes.h"
#include "platform/Codepage.h"

namespace lifto::gui {
namespace {

// The program list as radio buttons; choosing one and "&Atualizar" fetches its versions into the
// grid, whose row chosen there is what "&Atualizar" closes the window with.
TEST(VersoesView, ProgramListThenGridThenOk) {
  test::EnsureQtApplication();
  app::TFormaversoes window;
  std::vector<std::string> asked;
  window.UseServer({
      [] { return true; }, [] {}, [&](const std::string& folder) {
        asked.push_back(folder);
        return true;
      },
      [](const std::string&, const std::string&) { return false; },  // no descricao.txt
      [](const std::string&) { return std::optional<std::vector<std::string>>(); }, [](int) {},
      [](const std::string& file) { return file == "KORAMI.EXE" || file == "PAVRO.EXE"; },
  });
  window.FormShow();
  TFormaversoesView view(window);
  const auto buttons = view.findChildren<QRadioButton*>();
  ASSERT_EQ(buttons.size(), 2);
  EXPECT_EQ(buttons[0]->text(), "TRELO-B System");
  EXPECT_EQ(view.windowTitle(), QString::fromUtf8("Lista de Versões"));
  EXPECT_TRUE(view.findChild<QGroupBox*>("C_listaprog")->isVisibleTo(&view));
  EXPECT_FALSE(view.findChild<QGroupBox*>("C_listaversoes")->isVisibleTo(&view));

  buttons[1]->click();
  view.findChild<QPushButton*>("bot_download")->click();
  EXPECT_EQ(asked, std::vector<std::string>{"/home/vornel/updates/PAVRO"});
  // Without its descricao.txt the folder counts as missing: back to the program list.
  EXPECT_TRUE(view.findChild<QGroupBox*>("C_listaprog")->isVisibleTo(&view));

  window.C_listaversoes.visible = true;
  window.C_listaprog.visible = false;
  window.C_grade.rows = {{"Arquivos", Ansi("Descrição")}, {"A.aex", "Primeira"}, {"B.aex", ""}};
  window.C_grade.row = 2;
  view.Render();
  auto* grid = view.findChild<QTableWidget*>("C_grade");
  ASSERT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(grid->item(0, 1)->text(), "Primeira");
  grid->setCurrentCell(0, 0);
  EXPECT_EQ(window.Version(), "A.aex");
  view.findChild<QPushButton*>("bot_download")->click();
  EXPECT_EQ(window.ModalResult(), app::TFormaversoes::mrOk);
}

}  // namespace
}  // namespace lifto::gui
