#pragma once

#include <chrono>

/// The clock that dated texts and timed waits read, so that tests can set the day and hour.
namespace lifto::support {

class Clock {
 public:
  virtual ~Clock() = default;
  /// Wall-clock time (dates in logs and texts).
  virtual std::chrono::system_clock::time_point Now() const = 0;
};

/// The clock in use: the system clock unless a test installed another.
const Clock& CurrentClock();
/// Installs a clock; it must outlive its use. nullptr restores the system clock.
void SetCurrentClock(const Clock* clock);

}  // namespace lifto::support
