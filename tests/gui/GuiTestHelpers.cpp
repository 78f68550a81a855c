#include "GuiTestHelpers.h"

#include <QApplication>
#include <QTimer>

namespace lifto::test {

void EnsureQtApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

}  // namespace lifto::test
