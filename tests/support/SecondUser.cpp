#include "support/SecondUser.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

namespace lifto::test {

bool CanActAsSecondUser() { return ::geteuid() == 0; }

bool AsSecondUser(const std::function<bool()>& action) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kSecondUser) != 0 || ::setuid(kSecondUser) != 0 ||
        ::geteuid() != kSecondUser) {
      ::_exit(2);
    }
    bool done = false;
    try {
      done = action();
    } catch (const std::exception&) {
      done = false;
    }
    ::_exit(done ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void MakeShared(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 01777);
  for (auto above = folder.parent_path(); above.has_relative_path(); above = above.parent_path()) {
    struct stat st {};
    if (::stat(above.c_str(), &st) == 0) ::chmod(above.c_str(), (st.st_mode & 07777) | 0011);
  }
}

}  // namespace lifto::test
