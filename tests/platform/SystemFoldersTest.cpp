#include "platform/SystemFolders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/ComputerIdentity.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedVariable;
using test::SandboxHome;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A sandbox with TEMP and TMP unset and TMPDIR at a shared folder (mode 1777, as /tmp).
struct TempSetup {
  SandboxHome home{{{"T", "shared"}}};
  ScopedVariable temp{"TEMP", nullptr};
  ScopedVariable tmp{"TMP", nullptr};
  fs::path shared = home.Home() / "shared";
  ScopedVariable tmpdir{"TMPDIR", shared.c_str()};
  fs::path privateFolder = shared / ("lifto-" + std::to_string(geteuid()));
  TempSetup() { chmod(shared.c_str(), 01777); }
};

std::string RefusalOf() {
  try {
    PrivateTempFolder();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "accepted";
}

TEST(SystemFolders, WindowsFolderWithoutTrailingBackslash) {
  SandboxHome home;
  EXPECT_EQ(SystemWindowsFolder(), "C:\\WINDOWS");
  home.SetSystemValue("WindowsFolder", "D:\\WIN95\\");
  EXPECT_EQ(SystemWindowsFolder(), "D:\\WIN95");
}

TEST(SystemFolders, EnvironmentVariablesInTheCodePage) {
  ScopedVariable v("LIFTO_TEST_VALUE", "Água");
  EXPECT_EQ(EnvironmentVariable("LIFTO_TEST_VALUE"), "\xC1gua");
  EXPECT_EQ(EnvironmentVariable("LIFTO_TEST_UNSET_VALUE"), "");
}

TEST(SystemFolders, SharedTempFolderGetsAPrivateFolderInside) {
  TempSetup setup;
  EXPECT_EQ(PrivateTempFolder(), "T:\\lifto-" + std::to_string(geteuid()));
  struct stat st {};
  ASSERT_EQ(lstat(setup.privateFolder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(PrivateTempFolder(), "T:\\lifto-" + std::to_string(geteuid()));  // found again
}

TEST(SystemFolders, PrivateFolderWithWrongModeOwnerOrKindIsRefused) {
  TempSetup setup;
  ASSERT_TRUE(fs::create_directory(setup.privateFolder));
  chmod(setup.privateFolder.c_str(), 0755);
  EXPECT_THAT(RefusalOf(), HasSubstr("mode 0755"));
  if (geteuid() == 0) {
    chmod(setup.privateFolder.c_str(), 0700);
    ASSERT_EQ(chown(setup.privateFolder.c_str(), 4321, 4321), 0);
    EXPECT_THAT(RefusalOf(), HasSubstr("another user"));
  }
  fs::remove(setup.privateFolder);
  fs::create_directory_symlink(setup.home.Home(), setup.privateFolder);  // planted link to elsewhere
  EXPECT_THAT(RefusalOf(), HasSubstr("not a plain folder"));
  fs::remove(setup.privateFolder);
  chmod(setup.shared.c_str(), 0777);  // others could swap the private folder
  EXPECT_THAT(RefusalOf(), HasSubstr("sticky"));
}

TEST(SystemFolders, ASharedTempFolderOfAnotherUserIsRefused) {
  if (!test::CanActAsSecondUser()) GTEST_SKIP() << test::kNeedsRoot;
  TempSetup setup;
  test::MakeShared(setup.shared);
  // The second user's own sticky folder: the sticky bit does not stop its owner from renaming
  // our private folder away in the middle of an update and putting theirs in its place.
  const fs::path theirs = setup.shared / "theirs";
  ASSERT_TRUE(test::AsSecondUser([&] { return mkdir(theirs.c_str(), 0777) == 0 && chmod(theirs.c_str(), 01777) == 0; }));
  ASSERT_TRUE(fs::create_directory(theirs / ("lifto-" + std::to_string(geteuid()))));
  chmod((theirs / ("lifto-" + std::to_string(geteuid()))).c_str(), 0700);
  const std::string mine = (theirs / ("lifto-" + std::to_string(geteuid()))).string();
  ASSERT_TRUE(test::AsSecondUser([&] { return rename(mine.c_str(), (theirs / "away").c_str()) == 0; }));
  ScopedVariable tmpdir("TMPDIR", theirs.c_str());
  EXPECT_THAT(RefusalOf(), HasSubstr("belongs to another user (uid 65534)"));
}

TEST(SystemFolders, ThePrivateFolderCheckedIsTheOneUsedAfterItsNameIsSwapped) {
  TempSetup setup;
  const std::string folder = PrivateTempFolder();
  const fs::path report = setup.home.Home() / "report.txt";
  const std::string ours = "#!/bin/sh\necho ours \"$(pwd)\" > '" + report.string() + "'\n";
  setup.home.Write(folder + "\\ATUALIZAR", ours);
  chmod((setup.privateFolder / "ATUALIZAR").c_str(), 0700);

  // Renamed away and replaced by a folder of another owner holding a program of its own, as a
  // user owning the shared folder could do in the middle of an update.
  const fs::path away = setup.shared / "away";
  ASSERT_EQ(rename(setup.privateFolder.c_str(), away.c_str()), 0);
  ASSERT_TRUE(fs::create_directory(setup.privateFolder));
  chmod(setup.privateFolder.c_str(), 0700);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(setup.privateFolder.c_str(), test::kSecondUser, test::kSecondUser), 0);
  }
  setup.home.Write(folder + "\\ATUALIZAR", "#!/bin/sh\necho theirs > '" + report.string() + "'\n");
  chmod((setup.privateFolder / "ATUALIZAR").c_str(), 0755);

  // Extraction, copies and the self-update hand-over all still reach the folder checked.
  EXPECT_EQ(PrivateTempFolder(), folder);
  ASSERT_TRUE(ForceFolders(folder + "\\Vorn"));
  ASSERT_TRUE(CopyFile(folder + "\\ATUALIZAR", folder + "\\Vorn\\KORAMI.EXE"));
  EXPECT_TRUE(fs::exists(away / "Vorn" / "KORAMI.EXE"));
  EXPECT_FALSE(fs::exists(setup.privateFolder / "Vorn"));
  ASSERT_TRUE(ShellOpenWithArguments(folder + "\\ATUALIZAR", {"/C"}, folder + "\\"));
  for (int i = 0; i < 500 && !fs::exists(report); ++i) usleep(10000);
  EXPECT_EQ(test::ReadFileBytes(report), "ours " + away.string() + "\n");
}

// The one rule for temporary folders here and in the support library.
TEST(SystemFolders, OthersMayWriteInAFolderOfAnotherOwnerOrOneOpenToGroupOrOthers) {
  SandboxHome home;
  const struct {
    mode_t mode;
    bool others;
  } cases[] = {{0700, false}, {0750, false}, {0755, false}, {0770, true}, {0702, true}, {01777, true}};
  for (const auto& c : cases) {
    const fs::path folder = home.Home() / ("m" + std::to_string(c.mode));
    fs::create_directory(folder);
    chmod(folder.c_str(), c.mode);
    EXPECT_EQ(OthersMayWriteIn(folder), c.others) << std::oct << c.mode;
  }
  EXPECT_FALSE(OthersMayWriteIn(home.Home() / "missing"));
  EXPECT_FALSE(OthersMayWriteIn(home.Home() / "system.ini"));
  if (geteuid() == 0) {
    ASSERT_EQ(chown((home.Home() / "m448").c_str(), 4321, 4321), 0);  // mode 0700, another owner
    EXPECT_TRUE(OthersMayWriteIn(home.Home() / "m448"));
  }
}

TEST(SystemFolders, TempThenTmpAndWindowsForms) {
  TempSetup setup;
  fs::create_directories(setup.home.Home() / "drive_c" / "Temp");
  chmod((setup.home.Home() / "drive_c" / "Temp").c_str(), 0700);
  {
    ScopedVariable temp("TEMP", "C:\\TEMP");
    EXPECT_EQ(PrivateTempFolder(), "C:\\Temp");  // the user's own folder is used as it is
  }
  {
    ScopedVariable temp("TEMP", "   ");
    ScopedVariable tmp("TMP", (setup.home.Home() / "drive_c" / "Temp").c_str());
    EXPECT_EQ(PrivateTempFolder(), "C:\\Temp");
  }
  {
    ScopedVariable temp("TEMP", "Q:\\TEMP");
    EXPECT_THAT(RefusalOf(), HasSubstr("not mapped"));
  }
  ScopedVariable temp("TEMP", "C:\\MISSING");
  EXPECT_THAT(RefusalOf(), HasSubstr("does not exist"));
}

TEST(SystemFolders, OwnExecutableInWindowsForm) {
  SandboxHome home;
  const auto self = OwnExecutablePath();
  EXPECT_THAT(self, StartsWith("Z:\\"));
  EXPECT_EQ(ToHostPath(self), fs::read_symlink("/proc/self/exe"));
}

TEST(SystemFolders, DriveReadyWhenItsFolderIsThere) {
  SandboxHome home({{"A", "floppy"}, {"B", "/nonexistent/lifto/b"}});
  home.Write("C:\\FILE", "");
  home.MapDrive("D", (home.Home() / "drive_c" / "FILE").string());
  EXPECT_TRUE(DriveReady('A'));
  EXPECT_TRUE(DriveReady('c'));
  EXPECT_FALSE(DriveReady('B'));
  EXPECT_FALSE(DriveReady('D'));  // a file, not a folder
  EXPECT_FALSE(DriveReady('Q'));
}

TEST(ComputerIdentity, NameFromTheEnvironmentElseTheHost) {
  SandboxHome home;
  const auto hostName = SystemComputerName();
  EXPECT_FALSE(hostName.empty());
  EXPECT_LE(hostName.size(), 15u);
  EXPECT_EQ(hostName.find('.'), std::string::npos);
  home.SetSystemValue("ComputerName", "Estacao-Recepcao-01");
  EXPECT_EQ(SystemComputerName(), "Estacao-Recepcao-01");
  EXPECT_EQ(SystemComputerName(8), "Estacao");
  EXPECT_EQ(SystemComputerName(0), "");
}

}  // namespace
}  // namespace lifto::platform
