#pragma once

#include <functional>

class QWidget;

namespace lifto::test {

/// The one QApplication of the view tests (offscreen platform), created on first use.
void EnsureQtApplication();

/// Runs `act` on the next modal window once it shows (a message box, a dialog), from inside its
/// own event loop, so that a test can look at it and close it.
void WhenModal(std::function<void(QWidget*)> act);

}  // namespace lifto::test
