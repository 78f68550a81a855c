#pragma once

#include <chrono>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "support/Clock.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"
#include "update/UpdateContext.h"

namespace lifto::test {

/// A clock standing still at one local date and time.
class FixedClock : public support::Clock {
 public:
  FixedClock(int year, int month, int day, int hour, int minute, int second);
  std::chrono::system_clock::time_point Now() const override { return when_; }

 private:
  std::chrono::system_clock::time_point when_;
};

/// An office for the update steps: drive C: (the local folder C:\KORAMI registered under
/// "App Paths" for KORAMI.EXE), drive F: holding the alias ALIAS_KORAMI at F:\KORAMI\DADOS (so
/// the server folder is F:\KORAMI), the Windows folder C:\WINDOWS, a private TEMP, the fake Ui,
/// and a context filled as the version check leaves it for KORAMI.EXE.
class UpdateFixture : public ::testing::Test {
 protected:
  UpdateFixture();

  /// Host path of a Windows path in the sandbox.
  std::filesystem::path Host(std::string_view windowsPath) const { return home.HostPath(windowsPath); }
  bool Exists(std::string_view windowsPath) const;
  /// Registers a program's local folder under "App Paths".
  void SetAppPath(const std::string& programFile, const std::string& folder) const;
  std::string Read(std::string_view windowsPath) const;
  /// Takes the write permission away (the file reads as read-only).
  void MakeReadOnly(std::string_view windowsPath) const;
  /// Writes a host shell script that may be run as a program.
  void WriteProgram(const std::filesystem::path& host, const std::string& script) const;

  SandboxHome home{{{"F", "srv"}}, {{"ALIAS_KORAMI", "F:\\KORAMI\\DADOS"}}};
  ScopedVariable tempVariable{"TEMP", (home.Home() / "tmp").c_str()};
  FakeUi ui;
  FakeUi::Scope uiScope{ui};
  update::UpdateContext context;
};

}  // namespace lifto::test
