#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "support/FakeUi.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

TEST(WaitMilliseconds, WaitsHandlingMessagesWithoutSpinning) {
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  const auto start = steady_clock::now();
  const double cpuStart = CpuSeconds();
  WaitMilliseconds(300);
  const auto elapsed = steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(300));
  EXPECT_LT(CpuSeconds() - cpuStart, 0.1);
  // Messages are handled on every pass, about every 10 ms: a slow machine makes fewer passes,
  // never more.
  EXPECT_GE(ui.processMessagesCalls, 2);
  EXPECT_LE(ui.processMessagesCalls, 40);
}

TEST(WaitMilliseconds, HandlesMessagesOnceEvenForNoWait) {
  test::FakeUi ui;
  test::FakeUi::Scope scope(ui);
  WaitMilliseconds(0);
  EXPECT_EQ(ui.processMessagesCalls, 1);
}

TEST(WaitSeconds, EndsAtTheNthChangeOfTheSecondsWithoutSpinning) {
  const auto start = std::chrono::system_clock::now();
  const double cpuStart = CpuSeconds();
  WaitSeconds(2);
  const auto end = std::chrono::system_clock::now();
  EXPECT_GE(end - start, milliseconds(1000));
  EXPECT_GE(std::chrono::floor<std::chrono::seconds>(end) - std::chrono::floor<std::chrono::seconds>(start),
            std::chrono::seconds(2));
  EXPECT_LT(CpuSeconds() - cpuStart, 0.1);
}

}  // namespace
}  // namespace lifto::support
