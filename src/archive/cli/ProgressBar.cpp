#include "archive/cli/ProgressBar.h"

#include <algorithm>

#include "platform/Codepage.h"

namespace lifto::archive::cli {

void ProgressBar::Show(int percent, const std::string& name) {
  if (!enabled_) return;
  percent = std::clamp(percent, 0, 100);
  if (percent == lastPercent_ && name == lastName_) return;
  lastPercent_ = percent;
  lastName_ = name;
  constexpr int kWidth = 30;
  const int filled = percent * kWidth / 100;
  std::string shown = name.size() > 40 ? "..." + name.substr(name.size() - 37) : name;
  out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kWidth - filled), '-') << "] " << percent << "% "
       << platform::ToUtf8(shown) << "\x1b[K" << std::flush;
  shown_ = true;
}

void ProgressBar::Done() {
  if (!shown_) return;
  out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
  lastPercent_ = -1;
}

}  // namespace lifto::archive::cli
