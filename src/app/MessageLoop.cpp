#include "app/MessageLoop.h"

#include <algorithm>
#include <thread>

#include "support/Application.h"

namespace lifto::app {

MessageLoop::MessageLoop(NowFunction now, SleepFunction sleep)
    : now_(std::move(now)), sleep_(std::move(sleep)) {
  if (!now_) now_ = [] { return std::chrono::steady_clock::now(); };
  if (!sleep_) sleep_ = [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); };
}

MessageLoop::~MessageLoop() = default;

MessageLoop::TimePoint MessageLoop::Now() const { return now_(); }

void MessageLoop::Post(std::function<void()> handler) {
  queue_.push_back(std::move(handler));
  if (scheduleChanged_) scheduleChanged_();
}

void MessageLoop::Deliver(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    support::App().HandleException(std::current_exception());
  }
}

void MessageLoop::ProcessPending() {
  // Only the events queued before this call: a handler that posts again waits for the next pass.
  std::size_t count = queue_.size();
  while (count-- > 0 && !queue_.empty() && !support::App().Terminated()) {
    auto handler = std::move(queue_.front());
    queue_.pop_front();
    Deliver(handler);
  }
  if (!support::App().Terminated()) FireDueTimers();
  if (afterProcessing_) afterProcessing_();
}

void MessageLoop::FireDueTimers() {
  const TimePoint now = Now();
  std::vector<TTimer*> due;
  for (const auto& a : armed_) {
    if (a.deadline <= now && !a.timer->firing_) due.push_back(a.timer);
  }
  for (TTimer* timer : due) {
    if (support::App().Terminated()) return;
    // The handler may have stopped or destroyed a later timer of this pass.
    auto it = std::find_if(armed_.begin(), armed_.end(), [&](const Armed& a) { return a.timer == timer; });
    if (it == armed_.end() || it->deadline > now) continue;
    it->deadline = now + std::chrono::milliseconds(timer->interval_);
    timer->Fire();
  }
}

bool MessageLoop::HasPendingWork() const { return !queue_.empty() || !armed_.empty(); }

std::optional<MessageLoop::TimePoint> MessageLoop::NextDeadline() const {
  std::optional<TimePoint> next;
  for (const auto& a : armed_) {
    if (a.timer->firing_) continue;
    if (!next || a.deadline < *next) next = a.deadline;
  }
  return next;
}

bool MessageLoop::RunUntilIdle() {
  while (!support::App().Terminated()) {
    ProcessPending();
    if (support::App().Terminated()) break;
    if (!HasPendingWork()) return false;
    if (!queue_.empty()) continue;
    auto next = NextDeadline();
    if (!next) return false;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
    if (wait.count() > 0) sleep_(wait);
  }
  return true;
}

void MessageLoop::Arm(TTimer* timer, TimePoint deadline) {
  Disarm(timer);
  armed_.push_back({timer, deadline});
  if (scheduleChanged_) scheduleChanged_();
}

void MessageLoop::Disarm(TTimer* timer) {
  auto it = std::remove_if(armed_.begin(), armed_.end(), [&](const Armed& a) { return a.timer == timer; });
  if (it == armed_.end()) return;
  armed_.erase(it, armed_.end());
  if (scheduleChanged_) scheduleChanged_();
}

TTimer::TTimer(MessageLoop& loop, int intervalMs, bool enabled)
    : loop_(loop), interval_(intervalMs), enabled_(enabled) {
  Restart();
}

TTimer::~TTimer() { loop_.Disarm(this); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void TTimer::SetInterval(int intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  Restart();
}

void TTimer::Restart() {
  if (enabled_ && interval_ > 0) {
    loop_.Arm(this, loop_.Now() + std::chrono::milliseconds(interval_));
  } else {
    loop_.Disarm(this);
  }
}

void TTimer::Fire() {
  if (!OnTimer) return;
  firing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{firing_};
  MessageLoop::Deliver(OnTimer);
}

}  // namespace lifto::app
