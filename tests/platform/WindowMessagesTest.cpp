#include "platform/WindowMessages.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Environment.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;
namespace fs = std::filesystem;

constexpr std::uint32_t kSetPosition = 1026;  // the progress bar's "set position"

WindowOptions Options(std::string className, std::string text = {}, WindowHandle parent = 0) {
  WindowOptions options;
  options.className = std::move(className);
  options.text = std::move(text);
  options.parent = parent;
  return options;
}

// A forked program that runs body and exits with its result; the pipe carries a handle back.
class ChildProgram {
 public:
  explicit ChildProgram(const std::function<int(int handleOut)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      int code = 3;
      try {
        code = body(fds[1]);
      } catch (...) {
      }
      ::_exit(code);
    }
    ::close(fds[1]);
    readFd_ = fds[0];
  }
  ~ChildProgram() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(readFd_);
  }
  static void SendHandle(int fd, WindowHandle handle) { (void)!::write(fd, &handle, sizeof handle); }
  WindowHandle ReadHandle() {
    WindowHandle handle = 0;
    return ::read(readFd_, &handle, sizeof handle) == sizeof handle ? handle : 0;
  }
  bool Running() {
    const pid_t ended = ::waitpid(pid_, nullptr, WNOHANG);
    reaped_ = reaped_ || ended == pid_;
    return ended == 0;
  }
  // The exit code, or -1 when it did not end within ten seconds (it is then killed).
  int Wait() {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int readFd_ = -1;
  bool reaped_ = false;
};

class WindowMessages : public ::testing::Test {
 protected:
  void SetUp() override { Environment::SetCurrent(Environment::LoadFrom(home_.Path())); }
  void TearDown() override { Environment::Reset(); }
  fs::path Folder() const { return runtime_.Path() / "lifto"; }

  TempFolder runtime_;
  TempFolder home_;
  test::ScopedVariable runtimeVariable_{"XDG_RUNTIME_DIR", runtime_.Path().c_str()};
};

TEST_F(WindowMessages, WindowsOfOneProgramTalk) {
  std::vector<WindowMessage> received;
  MessageWindow main([&](const WindowMessage& m) {
    received.push_back(m);
    return 42;
  }, Options("TFormaLifto", "Programa de Atualiza\xE7\xE3o"));
  MessageWindow other([](const WindowMessage& m) { return static_cast<std::int64_t>(m.wParam) * 2 + m.lParam; });
  EXPECT_NE(main.Handle(), other.Handle());

  EXPECT_EQ(SendMessage(main.Handle(), 1026, 1, 0, "carga \xE7"), 42);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].msg, 1026u);
  EXPECT_EQ(received[0].wParam, 1u);
  EXPECT_EQ(received[0].text, "carga \xE7");
  EXPECT_FALSE(received[0].posted);
  EXPECT_EQ(SendMessage(other.Handle(), 7, 0xFFFFFFFFull, -3), 0x1FFFFFFFEll - 3);

  // A posted message waits until messages are served.
  ASSERT_TRUE(PostMessage(main.Handle(), 1027, 0, 0));
  EXPECT_EQ(received.size(), 1u);
  EXPECT_EQ(ProcessPendingMessages(), 1);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_TRUE(received[1].posted);
  EXPECT_EQ(ProcessPendingMessages(), 0);

  EXPECT_EQ(GetWindowText(main.Handle()), "Programa de Atualiza\xE7\xE3o");
  main.SetText("Outro");
  EXPECT_EQ(GetWindowText(main.Handle()), "Outro");
  EXPECT_EQ(FindWindow("TFormaLifto"), main.Handle());
  EXPECT_EQ(FindWindow("TFormainet"), std::nullopt);

  // Children, in the order they were made.
  EXPECT_EQ(GetFirstChild(main.Handle()), 0u);
  {
    MessageWindow first([](const WindowMessage&) { return 0; }, Options("", "", main.Handle()));
    MessageWindow second([](const WindowMessage&) { return 0; }, Options("", "", main.Handle()));
    EXPECT_EQ(GetFirstChild(main.Handle()), first.Handle());
  }
  EXPECT_EQ(GetFirstChild(main.Handle()), 0u);

  // A window may close itself while it handles a message.
  std::optional<MessageWindow> closing;
  closing.emplace([&](const WindowMessage&) {
    closing.reset();
    return 5;
  });
  const WindowHandle gone = closing->Handle();
  EXPECT_EQ(SendMessage(gone, 1028, 0, 0), 5);
  EXPECT_FALSE(closing.has_value());
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(SendMessage(gone, 1028, 0, 0), std::nullopt);
  EXPECT_FALSE(fs::exists(Folder() / ("hwnd-" + std::to_string(gone))));
}

TEST_F(WindowMessages, AHelperProgramAnswersAndMovesOurProgressBarWhileWeWait) {
  std::vector<std::uint64_t> positions;
  MessageWindow progressBar([&](const WindowMessage& m) {
    if (m.msg == kSetPosition) positions.push_back(m.wParam);
    return 0;
  });

  ChildProgram helper([](int) {
    bool quit = false;
    MessageWindow window([&](const WindowMessage& m) -> std::int64_t {
      switch (m.msg) {
        case 1029: return 1;
        case 1036:  // a download: move the caller's bar synchronously
          for (std::uint64_t p : {10, 40, 70, 100}) {
            if (SendMessage(static_cast<WindowHandle>(m.wParam), kSetPosition, p, 0, {}, 5s) != 0) return 0;
          }
          return 1;
        case 1028: quit = true; return 0;
        default: return -1;
      }
    });
    MessageWindow entries([](const WindowMessage&) { return 0; }, Options("", "A\xC8" "B\xC8", window.Handle()));
    if (!window.RegisterWindowClass("TFormainet")) return 4;
    for (int i = 0; i < 200 && !quit; ++i) WaitForMessages(100ms);
    return quit ? 0 : 5;
  });

  std::optional<WindowHandle> found;
  for (int i = 0; i < 500 && !found; ++i) {
    found = FindWindow("TFormainet");
    if (!found) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(found);
  EXPECT_EQ(SendMessage(*found, 1029, 0, 0, {}, 5s), 1);
  const auto child = GetFirstChild(*found);
  ASSERT_TRUE(child && *child != 0);
  EXPECT_EQ(GetWindowText(*child), "A\xC8" "B\xC8");

  EXPECT_EQ(SendMessage(*found, 1036, progressBar.Handle(), 0, {}, 10s), 1);
  EXPECT_EQ(positions, (std::vector<std::uint64_t>{10, 40, 70, 100}));

  EXPECT_EQ(SendMessage(*found, 1028, 0, 0, {}, 5s), 0);
  EXPECT_EQ(helper.Wait(), 0);
  EXPECT_EQ(FindWindow("TFormainet"), std::nullopt);
  EXPECT_FALSE(IsWindow(*found));
}

TEST_F(WindowMessages, WaitingEndsOnTimeOrWhenTheOtherProgramEnds) {
  ChildProgram silent([](int out) {
    MessageWindow window([](const WindowMessage&) { return 0; });
    ChildProgram::SendHandle(out, window.Handle());
    std::this_thread::sleep_for(60s);  // never serves its messages
    return 0;
  });
  const WindowHandle quiet = silent.ReadHandle();
  ASSERT_NE(quiet, 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessage(quiet, 1029, 0, 0, {}, 200ms), std::nullopt);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
  EXPECT_TRUE(silent.Running());  // the time limit ended the wait, not the program's end

  ChildProgram dying([](int out) {
    MessageWindow window([](const WindowMessage&) -> std::int64_t { ::_exit(0); });
    ChildProgram::SendHandle(out, window.Handle());
    for (int i = 0; i < 100; ++i) WaitForMessages(100ms);
    return 1;
  });
  const WindowHandle doomed = dying.ReadHandle();
  ASSERT_NE(doomed, 0u);
  EXPECT_EQ(SendMessage(doomed, 1028, 0, 0), std::nullopt);  // no time limit, and no hang
  EXPECT_EQ(dying.Wait(), 0);
}

TEST_F(WindowMessages, NamesLeftByEndedProgramsBreakNothing) {
  ChildProgram crashed([](int out) {
    MessageWindow window([](const WindowMessage&) { return 0; }, Options("TFormainet"));
    ChildProgram::SendHandle(out, window.Handle());
    ::_exit(0);  // ends without removing its names
    return 0;
  });
  const WindowHandle stale = crashed.ReadHandle();
  ASSERT_NE(stale, 0u);
  EXPECT_EQ(crashed.Wait(), 0);
  const fs::path socket = Folder() / ("hwnd-" + std::to_string(stale));
  ASSERT_TRUE(fs::exists(fs::symlink_status(socket)));
  ASSERT_TRUE(fs::exists(fs::symlink_status(Folder() / "class-TFormainet")));
  std::ofstream(Folder() / "tmp-999999999-1") << "";

  EXPECT_FALSE(IsWindow(stale));
  EXPECT_EQ(SendMessage(stale, 1029, 0, 0), std::nullopt);
  EXPECT_EQ(GetWindowText(stale), std::nullopt);
  EXPECT_EQ(FindWindow("TFormainet"), std::nullopt);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Folder() / "class-TFormainet")));

  // The next window clears what is left and takes the class.
  MessageWindow fresh([](const WindowMessage&) { return 9; }, Options("TFormainet"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(socket)));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Folder() / "tmp-999999999-1")));
  ASSERT_EQ(FindWindow("TFormainet"), fresh.Handle());
  EXPECT_EQ(SendMessage(fresh.Handle(), 1, 0, 0), 9);
}

TEST_F(WindowMessages, RuntimeFolderIsPrivateAndDeepFoldersWork) {
  EXPECT_EQ(MessageRuntimeFolder(), Folder());
  EXPECT_EQ(fs::status(Folder()).permissions() & fs::perms::all, fs::perms::owner_all);
  fs::permissions(Folder(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_THROW(MessageWindow([](const WindowMessage&) { return 0; }), std::runtime_error);
  EXPECT_EQ(FindWindow("X"), std::nullopt);

  // Without XDG_RUNTIME_DIR the folder lies in LIFTO_HOME; a path too long for a socket address
  // still works.
  runtimeVariable_.Set(nullptr);
  const fs::path deep = home_.Path() / std::string(60, 'd') / std::string(60, 'e');
  fs::create_directories(deep);
  Environment::SetCurrent(Environment::LoadFrom(deep));
  EXPECT_EQ(MessageRuntimeFolder(), deep / "run");
  MessageWindow window([](const WindowMessage& m) { return static_cast<std::int64_t>(m.text.size()); });
  EXPECT_EQ(SendMessage(window.Handle(), 1, 0, 0, std::string(60000, 'x')), 60000);
}

}  // namespace
}  // namespace lifto::platform
