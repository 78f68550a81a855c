#include <gtest/gtest.h>

#include <stdexcept>

#include "app/MessageLoop.h"
#include "support/Application.h"
#include "support/FakeUi.h"

namespace lifto::test {
namespace {

using app::MessageLoop;
using app::TTimer;
using namespace std::chrono_literals;

struct ManualLoop : ::testing::Test {
  void SetUp() override { support::App().Reset(); }
  void TearDown() override { support::App().Reset(); }
  void Advance(std::chrono::milliseconds by) {
    now += by;
    loop.ProcessPending();
  }
  MessageLoop::TimePoint now{};
  MessageLoop loop{[this] { return now; }, [this](std::chrono::milliseconds wait) { now += wait; }};
};

TEST_F(ManualLoop, TimerFiresEveryIntervalWhileEnabled) {
  TTimer timer(loop, 3000, false);
  int fired = 0;
  timer.OnTimer = [&] { ++fired; };
  Advance(10s);
  EXPECT_EQ(fired, 0);
  timer.SetEnabled(true);
  Advance(2999ms);
  EXPECT_EQ(fired, 0);
  Advance(1ms);
  EXPECT_EQ(fired, 1);
  Advance(3000ms);
  EXPECT_EQ(fired, 2);
  timer.SetEnabled(false);
  Advance(10s);
  EXPECT_EQ(fired, 2);
  EXPECT_FALSE(loop.HasPendingWork());
}

TEST_F(ManualLoop, ChangingTheIntervalStartsTheCountAnew) {
  TTimer timer(loop, 1000, true);
  int fired = 0;
  timer.OnTimer = [&] { ++fired; };
  Advance(900ms);
  timer.SetInterval(3000);
  Advance(2900ms);
  EXPECT_EQ(fired, 0);
  Advance(100ms);
  EXPECT_EQ(fired, 1);
  timer.SetInterval(0);
  Advance(10s);
  EXPECT_EQ(fired, 1);
}

TEST_F(ManualLoop, ATimerDoesNotFireInsideItsOwnHandler) {
  TTimer timer(loop, 100, true);
  int fired = 0;
  timer.OnTimer = [&] {
    ++fired;
    // The handler handles pending messages while it waits, long past its interval.
    for (int i = 0; i < 5; ++i) Advance(100ms);
  };
  Advance(100ms);
  EXPECT_EQ(fired, 1);
}

TEST_F(ManualLoop, EventsRunInOrderAndNothingRunsOnceTheApplicationEnds) {
  std::vector<int> order;
  loop.Post([&] { order.push_back(1); });
  loop.Post([&] {
    order.push_back(2);
    loop.Post([&] { order.push_back(4); });  // next pass
  });
  loop.Post([&] { order.push_back(3); });
  loop.ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  loop.ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

  TTimer timer(loop, 10, true);
  int fired = 0;
  timer.OnTimer = [&] { ++fired; };
  loop.Post([&] { order.push_back(5); });
  support::App().Terminate();
  Advance(1s);
  EXPECT_EQ(order.size(), 4u);
  EXPECT_EQ(fired, 0);
}

TEST_F(ManualLoop, RunUntilIdleSleepsToTheNextTimerAndStopsWhenIdleOrEnded) {
  TTimer timer(loop, 3000, true);
  timer.OnTimer = [&] { timer.SetEnabled(false); };
  EXPECT_FALSE(loop.RunUntilIdle());
  EXPECT_EQ(now, MessageLoop::TimePoint{} + 3000ms);

  TTimer ender(loop, 500, true);
  ender.OnTimer = [] { support::App().Terminate(); };
  EXPECT_TRUE(loop.RunUntilIdle());
}

TEST_F(ManualLoop, AnErrorEscapingAHandlerGoesToTheApplicationHandler) {
  std::vector<std::string> seen;
  support::App().SetExceptionHandler(
      [&](std::exception_ptr e) { seen.push_back(support::ErrorMessage(e)); });
  TTimer timer(loop, 10, true);
  timer.OnTimer = [] { throw std::runtime_error("falhou"); };
  loop.Post([] { throw std::runtime_error("evento"); });
  Advance(10ms);
  EXPECT_EQ(seen, (std::vector<std::string>{"evento", "falhou"}));
}

}  // namespace
}  // namespace lifto::test
