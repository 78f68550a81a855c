#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e/FaultHelpers.h"
#include "e2e/UpdateOfficeHelpers.h"

// Two workstations run the same automatic update against one server folder at the same time.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

// A second workstation: its own drive C: and temporary folder, the first one's server share F:,
// the same aliases and registry.
fs::path SecondWorkstation(Office& office, const fs::path& folder) {
  const fs::path home = folder / "home";
  fs::create_directories(home / "drive_c" / "KORAMI");
  fs::create_directories(home / "temp");
  fs::permissions(home / "temp", fs::perms::owner_all, fs::perm_options::replace);
  std::ofstream(home / "system.ini", std::ios::binary)
      << "[Drives]\r\nC=drive_c\r\nF=" << office.Host("F:\\").string()
      << "\r\n[System]\r\nWindowsFolder=C:\\WINDOWS\r\nComputerName=PC2\r\n";
  for (const char* file : {"aliases.ini", "HKLM.reg"}) {
    fs::copy_file(office.Home().Home() / file, home / file);
  }
  return home;
}

TEST(TwoWorkstations, BothInstallEverythingAndTheLogKeepsBothLines) {
  for (int round = 0; round < 3; ++round) {
    Office office;
    std::vector<UpdateFile> files;
    for (int i = 0; i < 6; ++i) {
      files.push_back({"PONTO", "P" + std::to_string(i) + ".DAT", NoiseBytes(64 * 1024, 10 + i)});
      files.push_back({"SERVIDOR", "S" + std::to_string(i) + ".DAT", NoiseBytes(64 * 1024, 20 + i), "\\DADOS\\"});
    }
    office.MakeUpdate("F:\\KORAMI\\updates", "X", "6.5.0.12", files);
    office.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
    TempFolder second;
    const fs::path secondHome = SecondWorkstation(office, second.Path());

    AtualizarRun first, other;
    std::thread one([&] { first = office.Run({"/R", "/KORAMI.EXE"}); });
    std::thread two([&] { other = office.RunIn(secondHome, {"/R", "/KORAMI.EXE"}); });
    one.join();
    two.join();
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_EQ(other.status, 0) << other.output;
    for (const auto& file : files) {
      const std::string source = office.Read("C:\\FONTES\\X\\" + file.name);
      if (file.section == "PONTO") {
        EXPECT_EQ(ReadFileBytes(office.Host("C:\\KORAMI\\" + file.name)), source) << file.name;
        EXPECT_EQ(ReadFileBytes(secondHome / "drive_c" / "KORAMI" / file.name), source) << file.name;
      } else {
        EXPECT_EQ(office.Read("F:\\KORAMI\\DADOS\\" + file.name), source) << file.name;
      }
    }
    EXPECT_EQ(office.LogLines().size(), 2u) << "round " << round;
  }
}

}  // namespace
}  // namespace lifto::test
