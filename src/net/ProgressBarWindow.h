#pragma once

#include <functional>

#include "platform/WindowMessages.h"

/// A progress bar as a window that the helper can move: its handle goes with a download request
/// (DownloadFile), and each "set position" message the helper sends reaches onPosition.
namespace lifto::net {

class ProgressBarWindow {
 public:
  /// @param onPosition called with each position (0 to 100) the helper sets, on this thread,
  ///        while the tool waits for the helper's answer
  /// @throw std::runtime_error when the window cannot be made (see platform::MessageWindow)
  explicit ProgressBarWindow(std::function<void(int position)> onPosition);

  platform::WindowHandle Handle() const { return window_.Handle(); }

 private:
  platform::MessageWindow window_;
};

}  // namespace lifto::net
