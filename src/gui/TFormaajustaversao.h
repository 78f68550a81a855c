#pragma once

#include <QDialog>

#include "support/Ui.h"

class QComboBox;
class QPushButton;
class QSpinBox;

/// The disk-version adjustment dialog "Ajuste de Versão": asks the type of disk and how many disks
/// an update has when its script does not say. Centred on the desktop; "&Corrige" closes it with
/// OK, closing it any other way cancels.
namespace lifto::gui {

class TFormaajustaversao : public QDialog {
  Q_OBJECT

 public:
  explicit TFormaajustaversao(QWidget* parent = nullptr);

  /// Shows the request's fields ("C_tipos" an item text, "c_numero" 1 to 50) in the controls,
  /// and writes the controls back into it.
  void Load(const support::DialogRequest& dialog);
  void Store(support::DialogRequest& dialog) const;

  QComboBox* C_tipos() const { return tipos_; }
  QSpinBox* c_numero() const { return numero_; }
  QPushButton* SpeedButton1() const { return corrige_; }

 private:
  QComboBox* tipos_;
  QSpinBox* numero_;
  QPushButton* corrige_;
};

/// Runs the dialog for a request. @return true when it was closed with "&Corrige"
bool RunAjustaVersao(support::DialogRequest& dialog, QWidget* parent);

/// Makes the Qt front-end show TFormaajustaversao requests with this dialog.
void RegisterAjustaVersaoView();

}  // namespace lifto::gui
