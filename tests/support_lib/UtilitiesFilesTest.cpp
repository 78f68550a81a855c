#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/Paths.h"
#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> list) {
  std::sort(list.begin(), list.end());
  return list;
}

TEST(ListFiles, WildcardsListEveryEntryWithTheFolderOfThePattern) {
  test::SandboxHome sandbox;
  sandbox.Write("C:\\X\\A.TXT", "x");
  sandbox.Write("C:\\X\\B.TXT", "x");
  sandbox.Write("C:\\X\\C.DOC", "x");
  fs::create_directories(sandbox.Home() / "drive_c" / "X" / "SUB");
  EXPECT_EQ(Sorted(ListFiles("C:\\X\\*.TXT")), (std::vector<std::string>{"C:\\X\\A.TXT", "C:\\X\\B.TXT"}));
  EXPECT_EQ(Sorted(ListFiles("C:\\X\\*.*")),
            (std::vector<std::string>{"C:\\X\\.", "C:\\X\\..", "C:\\X\\A.TXT", "C:\\X\\B.TXT", "C:\\X\\C.DOC",
                                      "C:\\X\\SUB"}));
  EXPECT_EQ(ListFiles("C:\\X\\A.TXT"), std::vector<std::string>{"C:\\X\\A.TXT"});
  EXPECT_TRUE(ListFiles("C:\\X\\NADA.TXT").empty());
  EXPECT_TRUE(ListFiles("C:\\X\\SUB").empty());  // a plain name lists files only
}

TEST(DeleteFolderTree, MissingFolderIsFalse) {
  test::SandboxHome sandbox;
  EXPECT_FALSE(DeleteFolderTree("C:\\NADA", false));
  EXPECT_FALSE(DeleteFolderTree("Q:\\UNMAPPED", false));
}

TEST(DeleteFolderTree, EmptiesTheTreeAndKeepsOrRemovesTheFolder) {
  test::SandboxHome sandbox;
  sandbox.Write("C:\\EXTRAI\\A.EXE", "x");
  sandbox.Write("C:\\EXTRAI\\SUB\\B.DLL", "x");
  sandbox.Write("C:\\EXTRAI\\SUB\\DEEP\\C.HLP", "x");
  EXPECT_TRUE(DeleteFolderTree("C:\\EXTRAI", true));
  ASSERT_TRUE(fs::is_directory(sandbox.Home() / "drive_c" / "EXTRAI"));
  EXPECT_TRUE(fs::is_empty(sandbox.Home() / "drive_c" / "EXTRAI"));

  sandbox.Write("C:\\EXTRAI\\SUB\\B.DLL", "x");
  EXPECT_TRUE(DeleteFolderTree("c:\\extrai", false));
  EXPECT_FALSE(fs::exists(sandbox.Home() / "drive_c" / "EXTRAI"));
}

TEST(DeleteFolderTree, StopsAtAFileItCannotDelete) {
  test::SandboxHome sandbox;
  const auto locked = sandbox.Write("C:\\T\\SUB\\LOCKED.DB", "x");
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(DeleteFolderTree("C:\\T", false));
  EXPECT_TRUE(fs::exists(locked));
  EXPECT_TRUE(fs::is_directory(sandbox.Home() / "drive_c" / "T"));
}

TEST(DeleteFolderTree, RemovesLinksWithoutFollowingThem) {
  test::SandboxHome sandbox;
  const auto outside = sandbox.Write("C:\\GUARDAR\\DADOS.DB", "x");
  sandbox.Write("C:\\TEMPX\\A.TXT", "x");
  fs::create_directory_symlink(sandbox.Home() / "drive_c" / "GUARDAR", sandbox.Home() / "drive_c" / "TEMPX" / "LINK");
  EXPECT_TRUE(DeleteFolderTree("C:\\TEMPX", false));
  EXPECT_FALSE(fs::exists(sandbox.Home() / "drive_c" / "TEMPX"));
  EXPECT_TRUE(fs::exists(outside));
}

TEST(AliasPath, DropsTheTrailingBackslashAndCutsToTheParent) {
  test::SandboxHome sandbox;
  sandbox.AddAliasLines("ALIAS_KORAMI", {"TYPE=STANDARD", "PATH=F:\\DADOS\\PROG\\"});
  sandbox.AddAliasLines("ALIAS_PLAIN", {"path=DADOS"});
  EXPECT_EQ(AliasPath("ALIAS_KORAMI", false), "F:\\DADOS\\PROG");
  EXPECT_EQ(AliasPath("alias_korami", true), "F:\\DADOS");
  EXPECT_EQ(AliasPath("ALIAS_PLAIN", true), "DADOS");
  EXPECT_EQ(AliasPath("ALIAS_NONE", false), "");
}

class TempFolderTest : public ::testing::Test {
 protected:
  test::ScopedVariable temp_{"TEMP", nullptr};
  test::ScopedVariable tmp_{"TMP", nullptr};
};

TEST_F(TempFolderTest, TakesTmpWhenTempHoldsOnlyBlanks) {
  test::SandboxHome sandbox;
  fs::create_directories(sandbox.Home() / "drive_c" / "TEMP");
  fs::permissions(sandbox.Home() / "drive_c" / "TEMP", fs::perms::owner_all);
  temp_.Set("   ");
  tmp_.Set("C:\\TEMP");
  EXPECT_EQ(TempFolder(), "C:\\TEMP");
  temp_.Set("C:\\TEMP ");  // taken as it is, blank and all
  EXPECT_EQ(TempFolder(), "C:\\TEMP ");
  temp_.Set((sandbox.Home() / "drive_c").c_str());  // a host path shows in its Windows form
  fs::permissions(sandbox.Home() / "drive_c", fs::perms::owner_all);
  EXPECT_EQ(TempFolder(), "C:\\");
}

TEST_F(TempFolderTest, AFolderOthersCanWriteGivesThePrivateFolderInsideIt) {
  test::SandboxHome sandbox;
  const auto shared = sandbox.Home() / "drive_c" / "SHARED";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  temp_.Set("C:\\SHARED");
  const std::string folder = TempFolder();
  EXPECT_NE(folder, "C:\\SHARED");
  const auto host = platform::ToHostPath(folder);
  ASSERT_TRUE(host);
  EXPECT_TRUE(fs::is_directory(*host));
  EXPECT_EQ(fs::status(*host).permissions() & fs::perms::all, fs::perms::owner_all);
}

}  // namespace
}  // namespace lifto::support
