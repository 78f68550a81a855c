#include "vornet/Commands.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Codepage.h"

extern char** environ;

namespace lifto::vornet {

int RunCommand(const std::string& commandLine1252, int timeoutSeconds) {
  const std::string command = platform::ToUtf8(commandLine1252);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so that a command that runs out of time goes with its children.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t child = -1;
  const int spawned = ::posix_spawn(&child, "/bin/sh", &actions, &attributes, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return -1;

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= end) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasDefaultRoute() {
  // /proc/net/route: "Iface Destination Gateway ..." in hex; a destination and mask of 0.
  std::ifstream v4("/proc/net/route");
  std::string line;
  std::getline(v4, line);
  while (std::getline(v4, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refs, use, metric, mask;
    fields >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask;
    if (iface != "lo" && destination == "00000000" && mask == "00000000") return true;
  }
  // /proc/net/ipv6_route: destination and its prefix length first, the interface last.
  std::ifstream v6("/proc/net/ipv6_route");
  while (std::getline(v6, line)) {
    std::istringstream fields(line);
    std::string destination, length, rest, iface;
    fields >> destination >> length;
    while (fields >> rest) iface = rest;
    if (destination == std::string(32, '0') && length == "00" && iface != "lo") return true;
  }
  return false;
}

}  // namespace lifto::vornet
