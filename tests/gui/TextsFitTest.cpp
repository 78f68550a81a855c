#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "GuiTestHelpers.h"
#include "app/FormaConexao.h"
#include "app/FormaEdicao.h"
#include "app/FormaLifto.h"
#include "app/FormaVersoes.h"
#include "app/MessageLoop.h"
#include "gui/MainWindowView.h"
#include "gui/TFormaConexao.h"
#include "gui/TFormaEdicaoView.h"
#include "gui/TFormaversoesView.h"
#include "gui/TFormaajustaversao.h"
#include "gui/TFrmProg.h"
#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"

// Every window of the Qt front-end, in each of its states, at the platform's default font and at
// one half larger: no label, check box or button shows its text cut.
namespace lifto::gui {
namespace {

// The text as drawn: "&" marks the mnemonic, "&&" is one "&".
QString Shown(QString text) {
  text.replace("&&", QChar(0xE000));
  text.remove('&');
  text.replace(QChar(0xE000), "&");
  return text;
}

// The width a widget's text needs and the width it has for it; nullopt for widgets not checked.
struct Room {
  int needs;
  int has;
};

std::optional<Room> TextRoom(const QWidget& widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    if (label->text().isEmpty()) return std::nullopt;
    const QFontMetrics metrics(label->font());
    int needs = 0;
    if (label->wordWrap()) {
      // A wrapping label breaks between words: its longest word must fit.
      for (const auto& word : label->text().split(' ')) needs = std::max(needs, metrics.horizontalAdvance(word));
    } else {
      for (const auto& line : label->text().split('\n')) needs = std::max(needs, metrics.horizontalAdvance(line));
    }
    return Room{needs, label->contentsRect().width() - 2 * label->margin()};
  }
  if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
    if (box->text().isEmpty()) return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect text = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return Room{QFontMetrics(box->font()).horizontalAdvance(Shown(box->text())), text.width()};
  }
  if (const auto* radio = qobject_cast<const QRadioButton*>(&widget)) {
    if (radio->text().isEmpty()) return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(radio);
    option.text = radio->text();
    const QRect text = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
    return Room{QFontMetrics(radio->font()).horizontalAdvance(Shown(radio->text())), text.width()};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
    if (button->text().isEmpty()) return std::nullopt;
    // What the style draws around the text (frame, margins, the default button's ring).
    QStyleOptionButton option;
    option.initFrom(button);
    if (button->autoDefault() || button->isDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    const int frame = button->style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(0, 0), button).width();
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return Room{QFontMetrics(button->font()).horizontalAdvance(Shown(button->text())), button->width() - frame - icon};
  }
  return std::nullopt;
}

// "window/widget "text" needs N, has M" for each shown text that does not fit.
QStringList CutTexts(const QWidget& window, const QString& state) {
  QStringList cut;
  for (const auto* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    const auto room = TextRoom(*widget);
    if (!room || room->needs <= room->has) continue;
    QString text = widget->property("text").toString();
    cut << QString("%1: %2 \"%3\" needs %4, has %5")
               .arg(state, widget->objectName(), text)
               .arg(room->needs)
               .arg(room->has);
  }
  return cut;
}

QStringList Rendered(QWidget& window, const QString& state) {
  window.show();
  QApplication::processEvents();
  test::ReleaseInputDevicesAtExit();
  QStringList cut = CutTexts(window, state);
  window.hide();
  return cut;
}

// The main window in a mode, shown as FormShow (and FormActivate) leave it; `mustShow` is a text
// that some label must show in full.
QStringList MainWindowCuts(const std::vector<std::string>& arguments, const QString& state,
                           const std::function<void(app::TFormaLifto&)>& prepare = {},
                           const QString& mustShow = {}) {
  support::App().Reset();
  test::SandboxHome home({{"F", "srv"}});
  home.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
  home.Write("F:\\UPD\\X.aex", "[CONFIG]\r\n");
  auto services = app::DefaultFormaLiftoServices();
  services.waitMilliseconds = [](int) {};
  services.fillVersionList = [](app::TFormaLifto&) {};
  services.knownProgramUpdatesFolder = [](const std::string&) -> std::optional<std::string> {
    return "F:\\KORAMI\\updates";
  };
  services.openCatalogueTables = [](app::TFormaLifto&) {};
  services.closeCatalogueTables = [](app::TFormaLifto&) {};
  app::MessageLoop loop;
  app::TFormaLifto form(app::CommandLine(arguments), "8.2.0.0", loop, services);
  MainWindowView view(form, loop);
  form.FormShow();
  if (prepare) prepare(form);
  view.Render();
  view.show();
  QApplication::processEvents();
  QStringList cut = CutTexts(view, state);
  const auto labels = view.findChildren<QLabel*>();
  if (!mustShow.isEmpty() && std::none_of(labels.begin(), labels.end(), [&](const QLabel* label) {
        return label->isVisible() && label->text() == mustShow;
      })) {
    cut << state + ": \"" + mustShow + "\" is not shown";
  }
  view.hide();
  support::App().Reset();
  return cut;
}

QStringList AllWindowCuts() {
  QStringList cut;
  cut << MainWindowCuts({}, "update", [](app::TFormaLifto& form) {
    form.c_versao.items = {"ATUAL65.aex | ATUALIZACAO 6.5 | 6.5.0.12"};
    form.c_versao.itemIndex = 0;
  });
  cut << MainWindowCuts({"/E"}, "edit", [](app::TFormaLifto& form) {
    form.C_edicao.C_projeto.SetText("F:\\PROJ\\ATUAL65.aex");
  });
  cut << MainWindowCuts({"/I", "/KORAMI.EXE"}, "download");
  cut << MainWindowCuts({"/R", "/KORAMI.EXE"}, "automatic", [](app::TFormaLifto& form) {
    form.FormActivate();
    form.LblTitulo.caption = "KORAMI 6.5.0.12";
    form.Panelstatus.caption = Ansi("Conectando...");
    form.labelstatus2.caption = "Copiando KORAMI.EXE";
  }, QString::fromUtf8("Conectando..."));
  cut << MainWindowCuts({"F:\\UPD\\X.aex"}, "path");

  TFormaajustaversao ajusta;
  cut << Rendered(ajusta, "TFormaajustaversao");
  TFormaConexao conexao;
  conexao.Load(app::conexao::MakeRequest({"Provedor", Ansi("Escritório Central")}, "Provedor", true));
  cut << Rendered(conexao, "TFormaConexao");
  // The version list with every program installed (two columns), then with a program's versions.
  app::TFormaversoes versoes;
  versoes.UseServer({
      [] { return true; }, [] {}, [](const std::string&) { return true; },
      [](const std::string&, const std::string&) { return false; },
      [](const std::string&) { return std::optional<std::vector<std::string>>(); }, [](int) {},
      [](const std::string&) { return true; },
  });
  versoes.FormShow();
  {
    TFormaversoesView view(versoes);
    cut << Rendered(view, "TFormaversoes programs");
    versoes.C_listaversoes.visible = true;
    versoes.C_listaprog.visible = false;
    versoes.C_grade.rows = {{"Arquivos", Ansi("Descrição")}, {"KORAMI65.aex", Ansi("Versão 6.5")}};
    versoes.C_grade.row = 1;
    view.Render();
    cut << Rendered(view, "TFormaversoes versions");
  }
  TFrmProg progress({"F:\\KORAMI\\DADOS\\Novo", "Gravando", "Record locked by another user.", 5});
  cut << Rendered(progress, "TFrmProg");
  for (const char* tipo : {"CONFIG", "BACKUP", "PONTO", "SERVIDOR", "WINDOWS"}) {
    app::TFormaEdicao dialog;
    dialog.Tag = 0;
    dialog.SetTipo(tipo);
    dialog.FormShow();
    dialog.FormActivate();
    TFormaEdicaoView view(dialog);
    view.Render();
    cut << Rendered(view, QString("TFormaEdicao ") + tipo);
  }
  return cut;
}

TEST(TextsFit, EveryWindowShowsItsTextsWholeAtTheDefaultFontAndOneHalfLarger) {
  test::EnsureQtApplication();
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  const QFont standard = QApplication::font();
  struct Restore {
    QFont font;
    ~Restore() { QApplication::setFont(font); }
  } restore{standard};

  for (const double scale : {1.0, 1.5}) {
    QFont font = standard;
    font.setPointSizeF(standard.pointSizeF() * scale);
    QApplication::setFont(font);
    const QStringList cut = AllWindowCuts();
    EXPECT_TRUE(cut.isEmpty()) << "at " << scale << " times the default font:\n"
                               << cut.join('\n').toStdString();
  }
}

}  // namespace
}  // namespace lifto::gui
