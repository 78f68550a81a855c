// The two waiting loops. Both keep the timing the tool has always had, but sleep between their
// checks instead of spinning the processor.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

// The longest sleep between two passes of WaitMilliseconds: short enough that timers and repaints
// served by the message handling keep their pace.
constexpr auto kSlice = std::chrono::milliseconds(10);

// The local time as the long time text, hours, minutes and seconds.
std::string LongTimeText(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

void WaitMilliseconds(int milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  for (;;) {
    CurrentUi().ProcessMessages();
    const auto now = Clock::now();
    if (now >= end) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, end - now));
  }
}

void WaitSeconds(int n) {
  using std::chrono::system_clock;
  for (int i = 0; i < n; ++i) {
    const auto start = system_clock::now();
    const std::string before = LongTimeText(start);
    // Sleep to the next whole second, then confirm that the text changed (a sleep may end early).
    std::this_thread::sleep_until(std::chrono::floor<std::chrono::seconds>(start) + std::chrono::seconds(1));
    while (LongTimeText(system_clock::now()) == before) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

}  // namespace lifto::support
