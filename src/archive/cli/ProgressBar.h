#pragma once

#include <ostream>
#include <string>

namespace lifto::archive::cli {

/// A one-line progress bar redrawn in place on a terminal; silent when not enabled.
class ProgressBar {
 public:
  ProgressBar(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~ProgressBar() { Done(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  /// @param name shown after the bar (1252; shortened to fit)
  void Show(int percent, const std::string& name);
  /// Clears the bar's line.
  void Done();

 private:
  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  int lastPercent_ = -1;
  std::string lastName_;
};

}  // namespace lifto::archive::cli
