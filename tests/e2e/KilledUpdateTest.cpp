#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "e2e/FaultHelpers.h"
#include "e2e/UpdateOfficeHelpers.h"

// An update killed with SIGKILL at points spread over its work, then the same "/R" again: the
// office must end as after an uninterrupted run, with one log line per completed install.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPoints = 20;
constexpr int kShards = 4;

std::vector<UpdateFile> Files() {
  std::vector<UpdateFile> files;
  for (int i = 0; i < 24; ++i) {
    files.push_back({"PONTO", "P" + std::to_string(i) + ".DAT", NoiseBytes(96 * 1024, 100 + i)});
  }
  for (int i = 0; i < 8; ++i) {
    files.push_back({"SERVIDOR", "S" + std::to_string(i) + ".DAT", NoiseBytes(96 * 1024, 200 + i), "\\DADOS\\"});
  }
  for (int i = 0; i < 4; ++i) {
    files.push_back({"WINDOWS", "W" + std::to_string(i) + ".DLL", NoiseBytes(64 * 1024, 300 + i), "\\SYSTEM\\"});
  }
  return files;
}

// An office with the update set and its marker in the updates folder, and old versions of half
// of the files in place.
void Prepare(Office& office) {
  office.MakeUpdate("F:\\KORAMI\\updates", "X", "6.5.0.12", Files());
  office.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
  for (int i = 0; i < 24; i += 2) office.Write("C:\\KORAMI\\P" + std::to_string(i) + ".DAT", "old");
}

// The roots and the updates folder: every file with its content, the log apart. A temporary file
// left behind shows as an extra file.
std::map<std::string, std::string> Installed(const Office& office) {
  std::map<std::string, std::string> all;
  for (const char* root : {"C:\\KORAMI", "C:\\WINDOWS", "F:\\KORAMI"}) {
    for (auto& [path, content] : TreeOf(office.Host(root))) {
      // The update set itself (made afresh for each office, so its stamps differ) is not compared.
      if (path != "Atualiz.log" && path != "updates/X.ATU") all[std::string(root) + "/" + path] = content;
    }
  }
  return all;
}

// The paths whose content differs from what was expected (missing, extra or changed files).
std::vector<std::string> Differences(const std::map<std::string, std::string>& expected,
                                     const std::map<std::string, std::string>& actual) {
  std::vector<std::string> paths;
  for (const auto& [path, content] : expected) {
    const auto it = actual.find(path);
    if (it == actual.end()) paths.push_back("missing " + path);
    else if (it->second != content) paths.push_back("changed " + path);
  }
  for (const auto& [path, content] : actual) {
    if (expected.count(path) == 0) paths.push_back("extra " + path);
  }
  return paths;
}

bool ExtractionStarted(Office& office) {
  for (const auto& entry : fs::recursive_directory_iterator(office.Home().Home() / "temp")) {
    if (entry.is_regular_file()) return true;
  }
  return false;
}

class KilledUpdate : public ::testing::TestWithParam<int> {};

TEST_P(KilledUpdate, TheSameAutomaticUpdateAfterwardsEndsAsAnUninterruptedRun) {
  const std::vector<std::string> automatic = {"/R", "/KORAMI.EXE"};
  // The uninterrupted run: what it installs, and when its work (the extraction) starts and ends.
  std::map<std::string, std::string> expected;
  Clock::duration from{}, end{};
  {
    Office reference;
    Prepare(reference);
    const auto start = Clock::now();
    Clock::time_point workStart{};
    const AtualizarRun whole = reference.Run(automatic, "", {}, [&] {
      if (workStart == Clock::time_point{} && ExtractionStarted(reference)) workStart = Clock::now();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    end = Clock::now() - start;
    ASSERT_EQ(whole.status, 0) << whole.output;
    ASSERT_NE(workStart, Clock::time_point{});
    expected = Installed(reference);
    ASSERT_EQ(reference.LogLines().size(), 1u);
    // Some time before the extraction too: the version check and the users.
    from = (workStart - start) * 9 / 10;
  }

  for (int point = GetParam(); point < kPoints; point += kShards) {
    Office office;
    Prepare(office);
    const auto killAt = from + (end - from) * (point + 1) / (kPoints + 1);
    const auto runStart = Clock::now();
    const AtualizarRun killed = office.RunIn(office.Home().Home(), automatic, "", {}, {},
                                             [&] { return Clock::now() - runStart >= killAt; });
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(killAt).count();
    const std::size_t linesAfterKill = office.LogLines().size();
    std::cout << "[ point " << point << " ] killed at " << ms << " ms, status " << killed.status
              << ", log lines " << linesAfterKill << std::endl;
    // A log line stands only for an update that is wholly installed.
    ASSERT_LE(linesAfterKill, 1u);
    if (linesAfterKill == 1) {
      EXPECT_EQ(Differences(expected, Installed(office)), std::vector<std::string>{}) << "point " << point;
    }

    const AtualizarRun again = office.Run(automatic);
    EXPECT_EQ(again.status, 0) << "point " << point << "\n" << again.output;
    EXPECT_EQ(Differences(expected, Installed(office)), std::vector<std::string>{}) << "point " << point;
    const auto lines = office.LogLines();
    EXPECT_EQ(lines.size(), linesAfterKill + 1) << "point " << point;
    for (const auto& line : lines) {
      EXPECT_NE(line.find("6.5.0.12 : F:\\KORAMI\\updates\\X.aex no dia "), std::string::npos) << line;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Points, KilledUpdate, ::testing::Range(0, kShards));

}  // namespace
}  // namespace lifto::test
