#pragma once

#include <QWidget>

#include "support/Ui.h"

class QLabel;
class QProgressBar;

/// The small "please wait" window that a retried table operation shows while it keeps trying:
/// stays on top, centred on the screen, without a close button.
namespace lifto::gui {

class TFrmProg : public QWidget {
 public:
  explicit TFrmProg(const support::ProgressWindowInfo& info);

  void SetPosition(int position);

  QLabel* lbltabela() const { return lbltabela_; }
  QLabel* lbloperacao() const { return lbloperacao_; }
  QLabel* lblerro() const { return lblerro_; }
  QProgressBar* Barra() const { return barra_; }

 private:
  QLabel* lbltabela_;
  QLabel* lbloperacao_;
  QLabel* lblerro_;
  QProgressBar* barra_;
};

}  // namespace lifto::gui
