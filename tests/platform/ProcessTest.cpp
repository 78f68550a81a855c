#include "platform/Process.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Environment.h"
#include "support/PeBuilder.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine(""), V{});
  EXPECT_EQ(SplitCommandLine("   "), V{});
  EXPECT_EQ(SplitCommandLine("C:\\WINDOWS\\System\\Vornet.exe"), V{"C:\\WINDOWS\\System\\Vornet.exe"});
  EXPECT_EQ(SplitCommandLine("\"C:\\Arquivos de programas\\x.exe\" /C /C:\\A B"),
            (V{"C:\\Arquivos de programas\\x.exe", "/C", "/C:\\A", "B"}));
  EXPECT_EQ(SplitCommandLine("p \"um dois\"\ttr\xEAs \"\""), (V{"p", "um dois", "tr\xEAs", ""}));
  // Backslashes are literal unless they precede a quote.
  EXPECT_EQ(SplitCommandLine("p C:\\A\\ a\\\\\\\"b \"c\\\\\" d"), (V{"p", "C:\\A\\", "a\\\"b", "c\\", "d"}));
  EXPECT_EQ(SplitCommandLine("p \"a \"\"q\"\" b\""), (V{"p", "a \"q\" b"}));
  EXPECT_EQ(SplitCommandLine("C:\\dir\\p\" \"x.exe y"), (V{"C:\\dir\\p x.exe", "y"}));
}

// Waits for a file that a started program writes.
std::string WaitForFile(const fs::path& file) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream in(file);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!content.empty() && content.back() == '\n') return content;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "(nothing written)";
}

// The nice level a process started here reaches when it asks for `wanted`: a lower level than the
// runner's own needs the privilege, and without it the runner's own stays (under nice, or as an
// unprivileged user).
int ReachableLevel(int wanted) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpriority(PRIO_PROCESS, 0, wanted);
    ::_exit(::getpriority(PRIO_PROCESS, 0) + 20);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WEXITSTATUS(status) - 20;
}

class ProcessStart : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.Write("system.ini", "[Drives]\nF=progs\n[System]\nWindowsLauncher=" +
                                  (home_.Path() / "launcher.sh").string() + " --fake\n");
    Environment::SetCurrent(Environment::LoadFrom(home_.Path()));
    // Records its arguments, its folder and its nice level in out.txt.
    Script("report.sh", "printf '%s|' \"$@\" > \"" + Out().string() + ".tmp\"; pwd >> \"" +
                            Out().string() + ".tmp\"; nice >> \"" + Out().string() + ".tmp\"; mv \"" +
                            Out().string() + ".tmp\" \"" + Out().string() + "\"\n");
    Script("launcher.sh", "exec \"" + (home_.Path() / "report.sh").string() + "\" launcher \"$@\"\n");
  }
  void TearDown() override { Environment::Reset(); }

  fs::path Out() const { return home_.Path() / "out.txt"; }
  // The level a program started with the normal priority has, as the report shows it.
  const std::string normal_ = "\n" + std::to_string(ReachableLevel(0)) + "\n";
  fs::path Script(const std::string& name, const std::string& body) {
    const auto file = home_.Write(name, "#!/bin/sh\n" + body);
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    return file;
  }
  std::string Report() {
    const std::string text = WaitForFile(Out());
    fs::remove(Out());
    return text;
  }
  TempFolder home_;
};

TEST_F(ProcessStart, RunsAHostProgramWithItsArgumentsAndPriority) {
  const std::string program = "\"" + (home_.Path() / "report.sh").string() + "\"";
  ASSERT_TRUE(StartProcess(program + " um \"dois tr\xEAs\"", PriorityClass::Idle));
  const std::string cwd = fs::current_path().string();
  EXPECT_EQ(Report(), "um|dois tr\xC3\xAAs|" + cwd + "\n19\n");

  // A child that is allowed to take a higher priority gets it; one that is not runs normally.
  const bool mayRaise = ReachableLevel(-10) == -10;
  ASSERT_TRUE(StartProcess(program, PriorityClass::High));
  EXPECT_EQ(Report(), "|" + cwd + (mayRaise ? "\n-10\n" : normal_));
  ASSERT_TRUE(StartProcess(program, PriorityClass::Normal));
  EXPECT_EQ(Report(), "|" + cwd + normal_);

  // Started programs are never left as zombies of ours.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProcessStart, RealTimeWithoutPrivilegesFallsBackToNormal) {
  // Without the privilege neither a higher level nor 0 below the runner's own can be taken.
  const std::string unprivileged = "\n" + std::to_string(std::max(0, ::getpriority(PRIO_PROCESS, 0))) + "\n";
  if (::geteuid() != 0) {
    ASSERT_TRUE(StartProcess((home_.Path() / "report.sh").string(), PriorityClass::RealTime));
    EXPECT_EQ(Report(), "|" + fs::current_path().string() + unprivileged);
    return;
  }
  // As the superuser, drop to an unprivileged user in a child to try it.
  fs::permissions(home_.Path(), fs::perms::all);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir("/") != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(StartProcess((home_.Path() / "report.sh").string(), PriorityClass::RealTime) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Report(), "|/" + unprivileged);
}

TEST_F(ProcessStart, WindowsExecutablesGoThroughTheLauncher) {
  test::WritePeWithVersion(home_.Path() / "PROG.EXE", {{"FileVersion", "1.0.0.0"}});
  const std::string exe = (home_.Path() / "PROG.EXE").string();
  // ".EXE" is added to a program named without one.
  ASSERT_TRUE(StartProcess((home_.Path() / "PROG").string() + " /R /KORAMI", PriorityClass::Normal));
  EXPECT_EQ(Report(), "launcher|--fake|" + exe + "|/R|/KORAMI|" + fs::current_path().string() + normal_);

  // A Windows path resolves through the drives, without regard to case.
  test::WritePeWithVersion(home_.Path() / "progs" / "Korami" / "KORAMI.EXE", {{"FileVersion", "1.0.0.0"}});
  ASSERT_TRUE(StartProcess("f:\\KORAMI\\korami.exe", PriorityClass::Normal));
  EXPECT_EQ(Report(), "launcher|--fake|" + (home_.Path() / "progs" / "Korami" / "KORAMI.EXE").string() + "|" +
                          fs::current_path().string() + normal_);
  EXPECT_FALSE(StartProcess("G:\\KORAMI\\KORAMI.EXE", PriorityClass::Normal));  // unmapped drive

  ASSERT_TRUE(ShellOpen(exe, "/C \"/C:\\A B\"", home_.Path().string()));
  EXPECT_EQ(Report(), "launcher|--fake|" + exe + "|/C|/C:\\A B|" + home_.Path().string() + normal_);
}

TEST_F(ProcessStart, ShellOpensProgramsDirectlyAndDocumentsWithTheDesktopOpener) {
  ASSERT_TRUE(ShellOpen((home_.Path() / "report.sh").string(), "a b", home_.Path().string()));
  EXPECT_EQ(Report(), "a|b|" + home_.Path().string() + normal_);

  const fs::path bin = home_.Path() / "bin";
  fs::create_directories(bin);
  fs::copy_file(home_.Path() / "report.sh", bin / "xdg-open");
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  home_.Write("LEIAME.TXT", "texto");
  bool opened = false;
  {
    const test::ScopedVariable path("PATH", (bin.string() + ":" + oldPath).c_str());
    opened = ShellOpen((home_.Path() / "LEIAME.TXT").string(), "ignored");
  }
  ASSERT_TRUE(opened);
  EXPECT_EQ(Report(), (home_.Path() / "LEIAME.TXT").string() + "|" + fs::current_path().string() + normal_);
}

TEST_F(ProcessStart, ABareNameIsNeverTakenFromTheCurrentFolder) {
  // A program planted in the current folder, with PATH entries that would mean that folder.
  const fs::path planted = home_.Path() / "planted";
  fs::create_directories(planted);
  fs::copy_file(home_.Path() / "report.sh", planted / "lifto-planted");
  fs::copy_file(home_.Path() / "report.sh", planted / "wine");
  const fs::path before = fs::current_path();
  fs::current_path(planted);
  const test::ScopedVariable pathVariable("PATH", nullptr);
  home_.Write("system.ini", "[Drives]\nF=progs\n");  // the default launcher "wine"
  Environment::SetCurrent(Environment::LoadFrom(home_.Path()));
  test::WritePeWithVersion(home_.Path() / "PROG.EXE", {{"FileVersion", "1.0.0.0"}});
  bool started = false;
  for (const char* path : {"::/lifto-none", ".:/lifto-none", "/lifto-none:", "relative:/lifto-none"}) {
    pathVariable.Set(path);
    started = started || StartProcess("lifto-planted", PriorityClass::Normal) ||
              ShellOpen("lifto-planted", "") ||
              StartProcess((home_.Path() / "PROG.EXE").string(), PriorityClass::Normal);
  }
  fs::current_path(before);
  EXPECT_FALSE(started);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ProcessStart, MissingProgramsAndFoldersFail) {
  EXPECT_FALSE(StartProcess("", PriorityClass::Normal));
  EXPECT_FALSE(StartProcess((home_.Path() / "FALTA.EXE").string(), PriorityClass::Normal));
  EXPECT_FALSE(StartProcess("lifto-no-such-command-here", PriorityClass::Normal));
  home_.Write("DOC.TXT", "not a program");
  EXPECT_FALSE(StartProcess((home_.Path() / "DOC.TXT").string(), PriorityClass::Normal));
  EXPECT_FALSE(ShellOpen((home_.Path() / "FALTA.EXE").string(), ""));
  EXPECT_FALSE(ShellOpen((home_.Path() / "report.sh").string(), "", (home_.Path() / "nofolder").string()));
  // A script that cannot be executed by its interpreter fails at exec and reports it.
  home_.Write("bad.sh", "#!/no/such/interpreter\n");
  fs::permissions(home_.Path() / "bad.sh", fs::perms::owner_all);
  EXPECT_FALSE(StartProcess((home_.Path() / "bad.sh").string(), PriorityClass::Normal));
}

}  // namespace
}  // namespace lifto::platform
