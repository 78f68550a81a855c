#pragma once

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;

namespace lifto::app {
class MessageLoop;
class TFormaLifto;
}  // namespace lifto::app

/// The Qt view of the main window TFormaLifto: it renders the form's state (caption, height,
/// which controls are shown and enabled, texts, lists, ticks, the status panel and bar) and
/// forwards the person's events and the window's own (activation, paint, close) to the form's
/// handlers. A QTimer drives the timers of the core's message loop. Child widgets carry the
/// form's control names as object names ("bot_atualizar", "C_caminhoOrigem").
namespace lifto::gui {

class MainWindowView : public QWidget {
  Q_OBJECT

 public:
  /// @param form, loop must outlive the view
  MainWindowView(app::TFormaLifto& form, app::MessageLoop& loop, QWidget* parent = nullptr);
  ~MainWindowView() override;

  /// Shows the form's state in the widgets.
  void Render();
  /// Re-arms the QTimer for the loop's next timer or queued event.
  void Schedule();

 protected:
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWidgets();
  void Connect();
  /// Sizes the window for the form's height and its texts, and lays the status panel over it.
  void FitWindow();
  /// Runs a handler of the form, then renders and, when the tool has ended, leaves Qt's loop.
  void Forward(const std::function<void()>& handler);
  void Pump();
  void EndWhenTerminated();

  app::TFormaLifto& form_;
  app::MessageLoop& loop_;
  QTimer pump_;
  bool ending_ = false;
  int renderedFocusRequests_ = 0;

  QFrame* titulo1_ = nullptr;
  QLabel* tituloTexto_ = nullptr;
  QPushButton* botSair_ = nullptr;
  QPushButton* botAtualizar_ = nullptr;
  QPushButton* botGerar_ = nullptr;
  QPushButton* botAlvo_ = nullptr;
  QPushButton* botConfinet_ = nullptr;
  QStackedWidget* cPag_ = nullptr;
  QWidget* cAtualizacao_ = nullptr;
  QWidget* cEdicao_ = nullptr;
  QComboBox* cOrigemDados_ = nullptr;
  QGroupBox* cDados_ = nullptr;
  QLineEdit* cCaminhoOrigem_ = nullptr;
  QPushButton* botProcurar_ = nullptr;
  QComboBox* cVersao_ = nullptr;
  QGroupBox* cOpcoes_ = nullptr;
  QCheckBox* cLocal_ = nullptr;
  QCheckBox* cRede_ = nullptr;
  QCheckBox* cWindows_ = nullptr;
  QFrame* panelStatus_ = nullptr;
  QLabel* panelCaption_ = nullptr;
  QLabel* lblTitulo_ = nullptr;
  QLabel* labelStatus_ = nullptr;
  QLabel* labelStatus2_ = nullptr;
  QStatusBar* cStatus_ = nullptr;
  QLabel* statusPanel0_ = nullptr;
  QProgressBar* cBarra_ = nullptr;
};

class GuiUi;

/// The Qt front-end's run of the main window: FormShow, then the window is shown and Qt's loop
/// runs until the tool ends. A QApplication must exist.
/// @param ui the Qt Ui, whose repaints then show the form's state; may be null
void RunMainWindow(app::TFormaLifto& form, app::MessageLoop& loop, GuiUi* ui = nullptr);

}  // namespace lifto::gui
