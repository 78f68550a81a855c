#include "support/ForkedProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace lifto::test {

void ForkedProcess::Channel::Send(char signal) const {
  if (::write(out_, &signal, 1) != 1) std::perror("ForkedProcess: send");
}

char ForkedProcess::Channel::Receive(int timeoutMs) const {
  pollfd wait{in_, POLLIN, 0};
  if (::poll(&wait, 1, timeoutMs) <= 0) return 0;
  char signal = 0;
  return ::read(in_, &signal, 1) == 1 ? signal : 0;
}

ForkedProcess::ForkedProcess(const std::function<int(const Channel&)>& body) {
  int toChild[2], toParent[2];
  if (::pipe(toChild) != 0 || ::pipe(toParent) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);  // nothing buffered is written twice
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::close(toChild[1]);
    ::close(toParent[0]);
    Channel mine;
    mine.in_ = toChild[0];
    mine.out_ = toParent[1];
    int code = 99;
    try {
      code = body(mine);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child %d failed: %s\n", static_cast<int>(::getpid()), e.what());
      code = 99;
    } catch (...) {
      code = 99;
    }
    ::_exit(code);
  }
  ::close(toChild[0]);
  ::close(toParent[1]);
  channel_.in_ = toParent[0];
  channel_.out_ = toChild[1];
}

ForkedProcess::~ForkedProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ::close(channel_.in_);
  ::close(channel_.out_);
}

int ForkedProcess::Wait() {
  int status = 0;
  if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
  pid_ = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

void ForkedProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

}  // namespace lifto::test
