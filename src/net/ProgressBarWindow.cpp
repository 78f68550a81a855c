#include "net/ProgressBarWindow.h"

#include <algorithm>

#include "net/HelperMessages.h"

namespace lifto::net {

ProgressBarWindow::ProgressBarWindow(std::function<void(int position)> onPosition)
    : window_([onPosition = std::move(onPosition)](const platform::WindowMessage& message) -> std::int64_t {
        if (message.msg != kProgressSetPosition) return 0;
        onPosition(static_cast<int>(std::min<std::uint64_t>(message.wParam, 100)));
        return 0;
      }) {}

}  // namespace lifto::net
