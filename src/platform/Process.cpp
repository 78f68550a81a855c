#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "platform/UniqueFd.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string FoldedExtension(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return ext;
}

std::string FirstBytes(const fs::path& file, std::size_t count) {
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.Valid()) return {};
  std::string bytes(count, '\0');
  const ssize_t n = ::read(fd.Get(), bytes.data(), count);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

bool IsRegularFile(const fs::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A program of this host: executable, and a binary or script of its own (a Windows executable on
// a file system that marks everything executable is not one).
bool IsHostExecutable(const fs::path& file) {
  if (!IsRegularFile(file) || ::access(file.c_str(), X_OK) != 0) return false;
  const std::string head = FirstBytes(file, 4);
  return head == "\x7F" "ELF" || head.rfind("#!", 0) == 0;
}

bool IsWindowsExecutable(const fs::path& file) {
  const std::string ext = FoldedExtension(file);
  if (ext == ".EXE" || ext == ".COM" || ext == ".BAT") return true;
  return IsRegularFile(file) && FirstBytes(file, 2) == "MZ";
}

// A bare program name on the PATH. Only absolute entries count: an empty entry (or ".", or any
// relative one) would mean the current folder, where whoever can write there could plant a
// program of that name.
std::optional<fs::path> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= dirs.size()) {
    std::size_t end = dirs.find(':', pos);
    if (end == std::string::npos) end = dirs.size();
    const fs::path dir = dirs.substr(pos, end - pos);
    pos = end + 1;
    if (!dir.is_absolute()) continue;
    const fs::path candidate = dir / name;
    if (IsRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// The launcher's command for Windows executables: [System] WindowsLauncher, else wine on the PATH.
std::optional<std::vector<std::string>> LauncherCommand() {
  const std::string configured = Environment::Current().SystemValue("WindowsLauncher");
  std::vector<std::string> command;
  if (!configured.empty()) {
    for (const auto& part : SplitCommandLine(configured)) command.push_back(ToUtf8(part));
  } else {
    command.push_back("wine");
  }
  // The launcher runs by its full path: a bare name is looked up here, never in the current folder.
  if (command.empty() || command.front().empty()) return std::nullopt;
  if (command.front().find('/') == std::string::npos) {
    const auto found = FindOnPath(command.front());
    if (!found) return std::nullopt;
    command.front() = found->string();
  }
  return command;
}

bool LooksLikePath(const std::string& program) {
  return program.find_first_of("\\/:") != std::string::npos;
}

// The host file a program or document name stands for, or nullopt when there is none.
std::optional<fs::path> ResolveFile(const std::string& name, bool addExe) {
  if (name.empty()) return std::nullopt;
  // A bare name is a program on the PATH, never a file of the current folder.
  if (!LooksLikePath(name)) return FindOnPath(ToUtf8(name));
  auto host = ToHostPath(name);
  std::error_code ec;
  // Absolute, since the program may start in another folder.
  if (host && fs::exists(*host, ec)) return fs::absolute(*host, ec);
  // Windows adds ".EXE" to a program named without an extension.
  if (addExe && fs::path(ToUtf8(name)).extension().empty()) {
    host = ToHostPath(name + ".EXE");
    if (host && fs::exists(*host, ec)) return fs::absolute(*host, ec);
  }
  return std::nullopt;
}

void ApplyPriority(PriorityClass priority) {
  int nice = 0;
  switch (priority) {
    case PriorityClass::Idle: nice = 19; break;
    case PriorityClass::Normal: nice = 0; break;
    case PriorityClass::High: nice = -10; break;
    case PriorityClass::RealTime: nice = -20; break;
  }
  if (::setpriority(PRIO_PROCESS, 0, nice) != 0 && nice < 0) {
    // Not permitted: the normal level, or the inherited one when even that is above us.
    ::setpriority(PRIO_PROCESS, 0, 0);
  }
}

// Starts argv in a new session through a double fork, so that the started program is reparented
// at once and never becomes our zombie; reports whether its exec succeeded.
bool Spawn(const std::vector<std::string>& argv, PriorityClass priority, const fs::path& workingFolder) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // A program or folder in the private temporary folder is reached through the descriptor held
  // since its check (the self-update's copy), not by a name that could have been swapped since.
  int programFolder = -1;
  const std::string program = ThroughHeldFolder(argv[0], &programFolder).string();
  const std::string through = workingFolder.empty() ? std::string() : ThroughHeldFolder(workingFolder).string();
  const char* folder = through.empty() ? nullptr : through.c_str();

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  UniqueFd readEnd(fds[0]);
  UniqueFd writeEnd(fds[1]);

  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    const auto fail = [&](int error) {
      (void)!::write(writeEnd.Get(), &error, sizeof error);
      ::_exit(127);
    };
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) fail(errno);
    if (grandchild > 0) ::_exit(0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGCHLD, SIG_DFL);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
      ::dup2(null, 0);
      if (null > 2) ::close(null);
    }
    ApplyPriority(priority);
    if (folder != nullptr && ::chdir(folder) != 0) fail(errno);
    // A script's interpreter opens the program by that path once the exec is done.
    if (programFolder >= 0) ::fcntl(programFolder, F_SETFD, 0);
    ::execv(program.c_str(), args.data());  // always a path: no search of the PATH here
    fail(errno);
  }
  writeEnd.Reset();
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  while ((n = ::read(readEnd.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The argv that runs a program file with its arguments, or nullopt when it cannot be run.
std::optional<std::vector<std::string>> ProgramCommand(const fs::path& program,
                                                       const std::vector<std::string>& arguments) {
  std::vector<std::string> argv;
  if (IsHostExecutable(program)) {
    argv.push_back(program.string());
  } else if (IsWindowsExecutable(program)) {
    const auto launcher = LauncherCommand();
    if (!launcher) return std::nullopt;
    argv = *launcher;
    argv.push_back(program.string());
  } else {
    return std::nullopt;
  }
  for (const auto& arg : arguments) argv.push_back(ToUtf8(arg));
  return argv;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> parts;
  const std::size_t n = commandLine.size();
  std::size_t i = 0;
  while (i < n && IsBlank(commandLine[i])) ++i;
  if (i == n) return parts;

  // The program name: no escapes, quotes only group.
  std::string program;
  bool quoted = false;
  while (i < n && (quoted || !IsBlank(commandLine[i]))) {
    if (commandLine[i] == '"') {
      quoted = !quoted;
    } else {
      program += commandLine[i];
    }
    ++i;
  }
  parts.push_back(program);

  while (true) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i == n) break;
    std::string arg;
    bool inQuotes = false;
    while (i < n && (inQuotes || !IsBlank(commandLine[i]))) {
      const char c = commandLine[i];
      if (c == '\\') {
        std::size_t count = 0;
        while (i < n && commandLine[i] == '\\') ++count, ++i;
        if (i < n && commandLine[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (c == '"') {
        if (inQuotes && i + 1 < n && commandLine[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    parts.push_back(arg);
  }
  return parts;
}

bool StartProcess(const std::string& commandLine, PriorityClass priority) {
  const auto parts = SplitCommandLine(commandLine);
  if (parts.empty()) return false;
  const auto program = ResolveFile(parts[0], true);
  if (!program) return false;
  const auto argv = ProgramCommand(*program, {parts.begin() + 1, parts.end()});
  return argv && Spawn(*argv, priority, {});
}

bool ShellOpen(const std::string& file, const std::string& arguments, const std::string& workingFolder) {
  auto args = SplitCommandLine("x " + arguments);
  args.erase(args.begin());
  return ShellOpenWithArguments(file, args, workingFolder);
}

bool ShellOpenWithArguments(const std::string& file, const std::vector<std::string>& args,
                            const std::string& workingFolder) {
  const auto target = ResolveFile(file, false);
  if (!target) return false;
  fs::path folder;
  if (!workingFolder.empty()) {
    const auto host = ToHostPath(workingFolder);
    std::error_code ec;
    if (!host || !fs::is_directory(*host, ec)) return false;
    folder = *host;
  }
  auto argv = ProgramCommand(*target, args);
  if (!argv) {
    // A document or folder: the desktop's opener chooses the program.
    const auto opener = FindOnPath("xdg-open");
    if (!opener) return false;
    argv = std::vector<std::string>{opener->string(), target->string()};
  }
  return Spawn(*argv, PriorityClass::Normal, folder);
}

}  // namespace lifto::platform
