#include "GuiTestHelpers.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QInputDevice>
#include <QPointer>
#include <QTimer>

namespace lifto::test {
namespace {

// How long a test waits for an awaited window to show, and for it to close after the answer.
constexpr auto kModalDeadline = std::chrono::seconds(10);

}  // namespace

void EnsureQtApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

void ReleaseInputDevicesAtExit() {
  static const bool registered = [] {
    std::atexit([] {
      const auto devices = QInputDevice::devices();
      for (const QInputDevice* device : devices) delete device;
    });
    return true;
  }();
  (void)registered;
}

void WhenModal(std::function<void(QWidget*)> act, std::source_location awaitedAt) {
  const std::string where = std::string(awaitedAt.file_name()) + ":" + std::to_string(awaitedAt.line());
  const auto shownBy = std::chrono::steady_clock::now() + kModalDeadline;
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), where, shownBy] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      if (std::chrono::steady_clock::now() < shownBy) return;
      ADD_FAILURE() << "the window awaited at " << where << " never showed";
    } else {
      const std::string name = modal->metaObject()->className() + std::string(" \"") +
                               modal->windowTitle().toStdString() + "\"";
      QPointer<QWidget> shown(modal);
      act(modal);
      // An answer that does not close the window (a button renamed) fails the test instead of
      // leaving it waiting for ever.
      QTimer::singleShot(kModalDeadline, [shown, name, where] {
        if (shown.isNull() || !shown->isVisible()) return;
        ADD_FAILURE() << "the window " << name << " awaited at " << where
                      << " is still open after its answer";
        if (auto* dialog = qobject_cast<QDialog*>(shown.data())) {
          dialog->reject();
        } else {
          shown->close();
        }
      });
    }
    timer->stop();
    timer->deleteLater();
  });
  timer->start();
}

}  // namespace lifto::test
