#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "GuiTestHelpers.h"
#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "gui/MainWindowView.h"
#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"

namespace lifto::gui {
namespace {

// The main window's view in a mode: the form shown with its waits skipped, rendered by the view.
struct ViewInMode {
  explicit ViewInMode(std::vector<std::string> arguments) {
    test::EnsureQtApplication();
    support::App().Reset();
    auto services = app::DefaultFormaLiftoServices();
    services.waitMilliseconds = [](int) {};
    services.knownProgramUpdatesFolder = [](const std::string&) -> std::optional<std::string> {
      return "F:\\KORAMI\\updates";
    };
    // The catalogue tables of edit mode are not what the view shows.
    services.openCatalogueTables = [](app::TFormaLifto&) {};
    services.closeCatalogueTables = [](app::TFormaLifto&) {};
    home.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
    form = std::make_unique<app::TFormaLifto>(app::CommandLine(std::move(arguments)), "8.2.0.0", loop,
                                              services);
    view = std::make_unique<MainWindowView>(*form, loop);
    form->FormShow();
    view->Render();
    view->show();
    QApplication::processEvents();
    test::ReleaseInputDevicesAtExit();
  }
  ~ViewInMode() {
    view.reset();
    form.reset();
    support::App().Reset();
  }

  template <typename T>
  T* Child(const char* name) const {
    auto* child = view->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  bool Shown(const char* name) const { return !Child<QWidget>(name)->isHidden(); }

  test::FakeUi ui;
  test::FakeUi::Scope scope{ui};
  test::SandboxHome home{{{"F", "srv"}}};
  app::MessageLoop loop;
  std::unique_ptr<app::TFormaLifto> form;
  std::unique_ptr<MainWindowView> view;
};

TEST(MainWindowView, InteractiveModeShowsTheUpdateButtonsAndTheSourceChoice) {
  ViewInMode v({});
  EXPECT_EQ(v.view->windowTitle(), QString::fromUtf8("Lifto 8.2 (Modo Atualização)"));
  EXPECT_EQ(v.view->height(), v.form->height);  // the form decides it
  EXPECT_TRUE(v.Shown("Titulo1"));
  EXPECT_TRUE(v.Shown("bot_atualizar"));
  EXPECT_EQ(v.Child<QPushButton>("bot_atualizar")->text(), "&Atualizar");
  EXPECT_TRUE(v.Shown("bot_confinet"));
  EXPECT_EQ(v.Child<QPushButton>("bot_confinet")->text(), "&Configurar");
  EXPECT_TRUE(v.Shown("bot_sair"));
  EXPECT_FALSE(v.Shown("bot_gerar"));
  EXPECT_FALSE(v.Shown("bot_alvo"));
  EXPECT_FALSE(v.Shown("Panelstatus"));
  EXPECT_EQ(v.Child<QStackedWidget>("C_pag")->currentWidget()->objectName(), "C_atualizacao");
  auto* origem = v.Child<QComboBox>("C_origemDados");
  ASSERT_EQ(origem->count(), 2);
  EXPECT_EQ(origem->currentText(), "Disco");
  EXPECT_EQ(origem->itemText(1), "Internet");
  EXPECT_EQ(v.Child<QLineEdit>("C_caminhoOrigem")->text(), "A:\\");
  EXPECT_FALSE(v.Child<QComboBox>("c_versao")->isEnabled());

  // A choice in the window reaches the form, and its state comes back to the window.
  origem->setCurrentIndex(1);
  emit origem->activated(1);
  EXPECT_EQ(v.form->C_origemDados.itemIndex, 1);
  EXPECT_FALSE(v.Child<QLineEdit>("C_caminhoOrigem")->isEnabled());
}

TEST(MainWindowView, AutomaticUpdateHidesTheTitleBarAndShowsTheStatusPanel) {
  ViewInMode v({"/R", "/KORAMI.EXE"});
  EXPECT_EQ(v.view->windowTitle(), QString::fromUtf8("Lifto 8.2 KORAMI(Atualização Automatica)"));
  EXPECT_EQ(v.view->height(), v.form->height);  // the form decides it
  EXPECT_FALSE(v.Shown("Titulo1"));
  EXPECT_TRUE(v.Shown("Panelstatus"));
  EXPECT_EQ(v.Child<QWidget>("Panelstatus")->x(), 3);

  v.form->FormActivate();
  v.view->Render();
  EXPECT_FALSE(v.view->isEnabled());
  EXPECT_EQ(v.Child<QLabel>("labelstatus")->text(), "Processando...");
  EXPECT_EQ(v.Child<QLineEdit>("C_caminhoOrigem")->text(), "F:\\KORAMI\\updates");
}

TEST(MainWindowView, EditModeShowsTheGenerationButtons) {
  ViewInMode v({"/E"});
  EXPECT_EQ(v.view->windowTitle(), QString::fromUtf8("Lifto 8.2 (Modo Edição)"));
  EXPECT_EQ(v.view->height(), v.form->height);  // the form decides it
  EXPECT_FALSE(v.Shown("bot_atualizar"));
  EXPECT_FALSE(v.Shown("bot_confinet"));
  EXPECT_TRUE(v.Shown("bot_gerar"));
  EXPECT_TRUE(v.Shown("bot_alvo"));
  EXPECT_EQ(v.Child<QStackedWidget>("C_pag")->currentWidget()->objectName(), "C_edicao");
}

TEST(MainWindowView, QtTimerDrivesTheTimersOfTheLoop) {
  ViewInMode v({});
  app::TTimer timer(v.loop, 20, true);
  int fired = 0;
  timer.OnTimer = [&] {
    ++fired;
    timer.SetEnabled(false);
  };
  QElapsedTimer clock;
  clock.start();
  while (fired == 0 && clock.elapsed() < 2000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_EQ(fired, 1);
}

TEST(MainWindowView, ClosingTheWindowEndsTheTool) {
  ViewInMode v({});
  v.view->close();
  EXPECT_TRUE(support::App().Terminated());
  EXPECT_EQ(support::App().ExitCode(), 0);
  EXPECT_FALSE(v.form->visible);
}

}  // namespace
}  // namespace lifto::gui
