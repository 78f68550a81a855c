#pragma once

#include <functional>
#include <source_location>

class QWidget;

namespace lifto::test {

/// The one QApplication of the view tests (offscreen platform), created on first use.
void EnsureQtApplication();

/// Call after a window was shown: showing one registers an input device as a child of the
/// application object, which outlives Qt's list of devices at exit; this releases the devices
/// while the list is still there.
void ReleaseInputDevicesAtExit();

/// Runs `act` on the next modal window once it shows (a message box, a dialog), from inside its
/// own event loop, so that a test can look at it and close it. Fails the test, naming the window
/// and where it was awaited, when none shows within seconds or it stays open after `act`.
void WhenModal(std::function<void(QWidget*)> act,
               std::source_location awaitedAt = std::source_location::current());

}  // namespace lifto::test
