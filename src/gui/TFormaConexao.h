#pragma once

#include <QDialog>

#include "support/Ui.h"

class QCheckBox;
class QComboBox;
class QPushButton;

/// The internet settings dialog "Conexão Dial-UP": the dial-up connection to use and whether to
/// dial at all. OK asks for a connection when none is chosen and stays open; "Sair" cancels.
namespace lifto::gui {

class TFormaConexao : public QDialog {
  Q_OBJECT

 public:
  explicit TFormaConexao(QWidget* parent = nullptr);

  /// Shows the request's items, chosen connection and check box; writes them back.
  void Load(const support::DialogRequest& dialog);
  void Store(support::DialogRequest& dialog) const;

  QComboBox* C_conexoes() const { return conexoes_; }
  QCheckBox* C_discagem() const { return discagem_; }
  QPushButton* bot_ok() const { return ok_; }
  QPushButton* bot_sair() const { return sair_; }

 private:
  void bot_okClick();

  QComboBox* conexoes_;
  QCheckBox* discagem_;
  QPushButton* ok_;
  QPushButton* sair_;
  support::DialogRequest request_;
};

/// Runs the dialog for a request. @return true when it was closed with OK
bool RunFormaConexao(support::DialogRequest& dialog, QWidget* parent);

/// Makes the Qt front-end show TFormaConexao requests with this dialog.
void RegisterFormaConexaoView();

}  // namespace lifto::gui
