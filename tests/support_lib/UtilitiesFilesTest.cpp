#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "UtilitiesSandboxHelpers.h"
#include "platform/Paths.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> list) {
  std::sort(list.begin(), list.end());
  return list;
}

TEST(ListFiles, WildcardsListEveryEntryWithTheFolderOfThePattern) {
  test::UtilitiesSandbox sandbox;
  sandbox.WriteOnC("X/A.TXT");
  sandbox.WriteOnC("X/B.TXT");
  sandbox.WriteOnC("X/C.DOC");
  fs::create_directories(sandbox.DriveC() / "X" / "SUB");
  EXPECT_EQ(Sorted(ListFiles("C:\\X\\*.TXT")), (std::vector<std::string>{"C:\\X\\A.TXT", "C:\\X\\B.TXT"}));
  EXPECT_EQ(Sorted(ListFiles("C:\\X\\*.*")),
            (std::vector<std::string>{"C:\\X\\.", "C:\\X\\..", "C:\\X\\A.TXT", "C:\\X\\B.TXT", "C:\\X\\C.DOC",
                                      "C:\\X\\SUB"}));
  EXPECT_EQ(ListFiles("C:\\X\\A.TXT"), std::vector<std::string>{"C:\\X\\A.TXT"});
  EXPECT_TRUE(ListFiles("C:\\X\\NADA.TXT").empty());
  EXPECT_TRUE(ListFiles("C:\\X\\SUB").empty());  // a plain name lists files only
}

TEST(DeleteFolderTree, MissingFolderIsFalse) {
  test::UtilitiesSandbox sandbox;
  EXPECT_FALSE(DeleteFolderTree("C:\\NADA", false));
  EXPECT_FALSE(DeleteFolderTree("Q:\\UNMAPPED", false));
}

TEST(DeleteFolderTree, EmptiesTheTreeAndKeepsOrRemovesTheFolder) {
  test::UtilitiesSandbox sandbox;
  sandbox.WriteOnC("EXTRAI/A.EXE");
  sandbox.WriteOnC("EXTRAI/SUB/B.DLL");
  sandbox.WriteOnC("EXTRAI/SUB/DEEP/C.HLP");
  EXPECT_TRUE(DeleteFolderTree("C:\\EXTRAI", true));
  ASSERT_TRUE(fs::is_directory(sandbox.DriveC() / "EXTRAI"));
  EXPECT_TRUE(fs::is_empty(sandbox.DriveC() / "EXTRAI"));

  sandbox.WriteOnC("EXTRAI/SUB/B.DLL");
  EXPECT_TRUE(DeleteFolderTree("c:\\extrai", false));
  EXPECT_FALSE(fs::exists(sandbox.DriveC() / "EXTRAI"));
}

TEST(DeleteFolderTree, StopsAtAFileItCannotDelete) {
  test::UtilitiesSandbox sandbox;
  const auto locked = sandbox.WriteOnC("T/SUB/LOCKED.DB");
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(DeleteFolderTree("C:\\T", false));
  EXPECT_TRUE(fs::exists(locked));
  EXPECT_TRUE(fs::is_directory(sandbox.DriveC() / "T"));
}

TEST(DeleteFolderTree, RemovesLinksWithoutFollowingThem) {
  test::UtilitiesSandbox sandbox;
  const auto outside = sandbox.WriteOnC("GUARDAR/DADOS.DB");
  sandbox.WriteOnC("TEMPX/A.TXT");
  fs::create_directory_symlink(sandbox.DriveC() / "GUARDAR", sandbox.DriveC() / "TEMPX" / "LINK");
  EXPECT_TRUE(DeleteFolderTree("C:\\TEMPX", false));
  EXPECT_FALSE(fs::exists(sandbox.DriveC() / "TEMPX"));
  EXPECT_TRUE(fs::exists(outside));
}

TEST(AliasPath, DropsTheTrailingBackslashAndCutsToTheParent) {
  test::UtilitiesSandbox sandbox(
      "[ALIAS_KORAMI]\r\nTYPE=STANDARD\r\nPATH=F:\\DADOS\\PROG\\\r\n"
      "[ALIAS_PLAIN]\r\npath=DADOS\r\n");
  EXPECT_EQ(AliasPath("ALIAS_KORAMI", false), "F:\\DADOS\\PROG");
  EXPECT_EQ(AliasPath("alias_korami", true), "F:\\DADOS");
  EXPECT_EQ(AliasPath("ALIAS_PLAIN", true), "DADOS");
  EXPECT_EQ(AliasPath("ALIAS_NONE", false), "");
}

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"TEMP", "TMP"}) {
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
    }
  }
  void TearDown() override {
    unsetenv("TEMP");
    unsetenv("TMP");
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(TempFolderTest, TakesTmpWhenTempHoldsOnlyBlanks) {
  test::UtilitiesSandbox sandbox;
  fs::create_directories(sandbox.DriveC() / "TEMP");
  fs::permissions(sandbox.DriveC() / "TEMP", fs::perms::owner_all);
  setenv("TEMP", "   ", 1);
  setenv("TMP", "C:\\TEMP", 1);
  EXPECT_EQ(TempFolder(), "C:\\TEMP");
  setenv("TEMP", "C:\\TEMP ", 1);  // taken as it is, blank and all
  EXPECT_EQ(TempFolder(), "C:\\TEMP ");
  setenv("TEMP", sandbox.DriveC().c_str(), 1);  // a host path shows in its Windows form
  fs::permissions(sandbox.DriveC(), fs::perms::owner_all);
  EXPECT_EQ(TempFolder(), "C:\\");
}

TEST_F(TempFolderTest, AFolderOthersCanWriteGivesThePrivateFolderInsideIt) {
  test::UtilitiesSandbox sandbox;
  const auto shared = sandbox.DriveC() / "SHARED";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  setenv("TEMP", "C:\\SHARED", 1);
  const std::string folder = TempFolder();
  EXPECT_NE(folder, "C:\\SHARED");
  const auto host = platform::ToHostPath(folder);
  ASSERT_TRUE(host);
  EXPECT_TRUE(fs::is_directory(*host));
  EXPECT_EQ(fs::status(*host).permissions() & fs::perms::all, fs::perms::owner_all);
}

}  // namespace
}  // namespace lifto::support
