#pragma once

#include <sys/types.h>

#include <functional>

namespace lifto::test {

/// A child process forked from the test, running one function, with a signal channel both ways
/// (single characters over pipes). The child ends with _exit, so that nothing of the test
/// framework runs twice. The destructor kills and reaps a child that is still running.
class ForkedProcess {
 public:
  /// One end of the channel.
  class Channel {
   public:
    void Send(char signal) const;
    /// Waits for a signal. @return 0 when the other side closed or the wait timed out
    char Receive(int timeoutMs = 30000) const;

   private:
    friend class ForkedProcess;
    int in_ = -1;
    int out_ = -1;
  };

  /// Forks; the child runs body (its exit code is the result; an exception gives 99).
  explicit ForkedProcess(const std::function<int(const Channel&)>& body);
  ~ForkedProcess();
  ForkedProcess(const ForkedProcess&) = delete;
  ForkedProcess& operator=(const ForkedProcess&) = delete;

  const Channel& channel() const { return channel_; }
  void Send(char signal) const { channel_.Send(signal); }
  char Receive(int timeoutMs = 30000) const { return channel_.Receive(timeoutMs); }
  /// Waits for the child to end. @return its exit code, or 128 + signal when it was killed
  int Wait();
  /// Kills the child at once (SIGKILL), as a crash would end it.
  void Kill();

 private:
  pid_t pid_ = -1;
  Channel channel_;
};

}  // namespace lifto::test
