#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

/// The tool's one message loop, without a window system: queued window events (paint,
/// activation), timers, and the end of the application. The console front-end runs it by itself;
/// the Qt front-end drives it from a QTimer and forwards Qt's own events. Everything runs on the
/// one user-interface thread; a handler may handle pending messages itself (Ui::ProcessMessages
/// reaches ProcessPending through the pending-messages hook), so the loop is re-entrant.
namespace lifto::app {

class TTimer;

class MessageLoop {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using NowFunction = std::function<TimePoint()>;
  using SleepFunction = std::function<void(std::chrono::milliseconds)>;

  /// @param now the time source of the timers; empty: the steady clock
  /// @param sleep how RunUntilIdle waits for the next timer; empty: the thread sleeps
  ///        (tests pass a manual clock and a sleep that advances it)
  explicit MessageLoop(NowFunction now = {}, SleepFunction sleep = {});
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  TimePoint Now() const;

  /// Queues a window event for the next ProcessPending.
  void Post(std::function<void()> handler);

  /// Delivers the queued events and fires the timers that are due. Does nothing once the
  /// application was told to end. A timer never fires again inside its own handler.
  void ProcessPending();

  /// True while a queued event or an enabled timer can still make something happen.
  bool HasPendingWork() const;
  /// The deadline of the next enabled timer, if any.
  std::optional<TimePoint> NextDeadline() const;

  /// Runs until the application ends or nothing more can happen, sleeping until the next timer.
  /// @return true when the application was told to end, false when the loop fell idle
  bool RunUntilIdle();

  /// Called after every ProcessPending: front-ends show the windows' state again.
  void SetAfterProcessing(std::function<void()> callback) { afterProcessing_ = std::move(callback); }
  /// Called when a timer was armed or stopped: the Qt front-end re-arms its QTimer.
  void SetScheduleChanged(std::function<void()> callback) { scheduleChanged_ = std::move(callback); }

  /// Runs an event handler; an error that escapes it goes to the application's handler of
  /// uncaught errors, as the window system's dispatch does.
  static void Deliver(const std::function<void()>& handler);

 private:
  friend class TTimer;
  struct Armed {
    TTimer* timer;
    TimePoint deadline;
  };
  void Arm(TTimer* timer, TimePoint deadline);
  void Disarm(TTimer* timer);
  void FireDueTimers();

  NowFunction now_;
  SleepFunction sleep_;
  std::deque<std::function<void()>> queue_;
  std::vector<Armed> armed_;
  std::function<void()> afterProcessing_;
  std::function<void()> scheduleChanged_;
};

/// A timer as the form designer's: enabled, interval in milliseconds, OnTimer. While enabled it
/// fires every interval; enabling it or changing the interval starts the count anew. An interval
/// of 0 never fires.
class TTimer {
 public:
  TTimer(MessageLoop& loop, int intervalMs, bool enabled);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int intervalMs);

  std::function<void()> OnTimer;

 private:
  friend class MessageLoop;
  void Restart();
  void Fire();

  MessageLoop& loop_;
  int interval_;
  bool enabled_;
  bool firing_ = false;
};

}  // namespace lifto::app
