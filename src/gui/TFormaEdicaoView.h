#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lifto::app {
class TFormaEdicao;
}  // namespace lifto::app

/// The Qt view of the entry dialog TFormaEdicao ("Edição de Dados"): centred on the screen,
/// without system buttons, laid out by type as its logic says. It renders the dialog's state and
/// forwards the person's edits, clicks and keys to its handlers, and closes when the dialog has a
/// result. Child widgets carry the control names as object names ("C_dadochave1").
namespace lifto::gui {

class TFormaEdicaoView : public QDialog {
  Q_OBJECT

 public:
  /// @param dialog must outlive the view
  explicit TFormaEdicaoView(app::TFormaEdicao& dialog, QWidget* parent = nullptr);

  /// Shows the dialog's state in the widgets; closes the view once the dialog has a result.
  void Render();

 public slots:
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void Connect();
  /// Runs a handler of the dialog, then renders.
  void Forward(const std::function<void()>& handler);

  app::TFormaEdicao& dialog_;
  int renderedFocusRequests_ = -1;

  QLabel* titulo_ = nullptr;
  QComboBox* tipo_ = nullptr;
  QLabel* tituloChave_ = nullptr;
  QLineEdit* chave_ = nullptr;
  QLabel* tituloDado1_ = nullptr;
  QLineEdit* dado1_ = nullptr;
  QComboBox* alias_ = nullptr;
  QPushButton* abrir_ = nullptr;
  QLabel* tituloDado2_ = nullptr;
  QComboBox* dado2_ = nullptr;
  QCheckBox* inclui_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* can_ = nullptr;
};

/// Makes the Qt front-end show TFormaEdicao with this view.
void RegisterFormaEdicaoView();

}  // namespace lifto::gui
