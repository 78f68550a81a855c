#pragma once

#include <functional>

#include <QWidget>

class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace lifto::app {
class EditPage;
class TFormaLifto;
}  // namespace lifto::app

/// The Qt view of the main window's edit page C_edicao: the client choice, the project field and
/// its buttons, the script list with its buttons and pop-up menu. It renders the page's state and
/// forwards the person's events to the page's handlers through the main window, which renders
/// again afterwards. Child widgets carry the control names as object names ("C_script").
namespace lifto::gui {

class LookupComboBox;

class EditPageView : public QWidget {
  Q_OBJECT

 public:
  /// Runs a handler of the window and renders the window again.
  using Forwarder = std::function<void(const std::function<void()>&)>;

  /// @param form the main window whose page C_edicao is shown; must outlive the view
  EditPageView(app::TFormaLifto& form, Forwarder forward, QWidget* parent = nullptr);

  /// Shows the page's state in the widgets.
  void Render();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void Connect();
  void ShowPopupMenu(const QPoint& position);

  app::TFormaLifto& form_;
  app::EditPage& page_;
  Forwarder forward_;
  int renderedFocusRequests_ = 0;

  LookupComboBox* clientes_ = nullptr;
  QLineEdit* projeto_ = nullptr;
  QPushButton* novo_ = nullptr;
  QPushButton* abre_ = nullptr;
  QPushButton* salva_ = nullptr;
  QListWidget* script_ = nullptr;
  QPushButton* inc_ = nullptr;
  QPushButton* alt_ = nullptr;
  QPushButton* del_ = nullptr;
  QPushButton* atualiza_ = nullptr;
  QPushButton* ajuda_ = nullptr;
  QMenu* popup_ = nullptr;
};

}  // namespace lifto::gui
