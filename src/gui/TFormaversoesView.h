#pragma once

#include <QDialog>

#include <functional>

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace lifto::app {
class TFormaversoes;
}  // namespace lifto::app

/// The Qt view of the version list TFormaversoes ("Lista de Versões"): the program list as radio
/// buttons (one or two columns) or, in its place, the version grid; a status bar with the step
/// and the progress bar; "&Atualizar" and the close button. It renders the window's state,
/// forwards clicks and choices to its handlers, runs Timer1, and closes when the window has a
/// result. Child widgets carry the control names as object names ("C_grade").
namespace lifto::gui {

class TFormaversoesView : public QDialog {
  Q_OBJECT

 public:
  /// @param window must outlive the view
  explicit TFormaversoesView(app::TFormaversoes& window, QWidget* parent = nullptr);

  /// Shows the window's state in the widgets; closes the view once the window has a result.
  void Render();

 public slots:
  void reject() override;

 private:
  void BuildWidgets();
  void RenderPrograms();
  void RenderGrid();
  /// Runs a handler of the window, then renders.
  void Forward(const std::function<void()>& handler);

  app::TFormaversoes& window_;
  QLabel* heading_ = nullptr;
  QGroupBox* programs_ = nullptr;
  QGridLayout* programsLayout_ = nullptr;
  QButtonGroup* programButtons_ = nullptr;
  QGroupBox* versions_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* download_ = nullptr;
  QPushButton* exit_ = nullptr;
  QTimer* timer_ = nullptr;
};

/// Makes the Qt front-end show TFormaversoes with this view.
void RegisterFormaversoesView();

}  // namespace lifto::gui
