#include "update/ExtractFolder.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Paths.h"

namespace lifto::test {
namespace {

using update::ClearExtractFolder;
using update::ExtractFolder;

class ExtractFolderTest : public UpdateFixture {};

TEST_F(ExtractFolderTest, IsNeverAFolderOthersCanWrite) {
  // TEMP pointing at a folder every user can write (as /tmp): the extraction folder moves into a private
  // folder of the user's own.
  const auto shared = home.Home() / "shared";
  std::filesystem::create_directories(shared);
  std::filesystem::permissions(shared, std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
  tempVariable.Set(shared.c_str());

  const auto host = platform::ToHostPath(ExtractFolder());
  ASSERT_TRUE(host);
  EXPECT_NE(host->parent_path(), shared);
  const auto perms = std::filesystem::status(host->parent_path()).permissions();
  EXPECT_EQ(perms & (std::filesystem::perms::group_write | std::filesystem::perms::others_write),
            std::filesystem::perms::none);
}

TEST_F(ExtractFolderTest, ClearingDeletesReadOnlyFilesAndTheFolder) {
  const std::string folder = ExtractFolder();
  home.Write(folder + "\\X.aex", "script");
  home.Write(folder + "\\KORAMI.EXE", "program");
  MakeReadOnly(folder + "\\KORAMI.EXE");

  ClearExtractFolder();

  EXPECT_FALSE(Exists(folder));
  ClearExtractFolder();  // nothing there: nothing to do
}

TEST_F(ExtractFolderTest, ClearingTakesSubfoldersAndLinksButNothingTheyPointTo) {
  // Left by a damaged archive or planted: a subfolder, and links to a folder and a file outside.
  const std::string folder = ExtractFolder();
  home.Write(folder + "\\SUB\\X.TXT", "not restored by an update");
  const auto outside = home.Write("C:\\OUTSIDE\\KEEP.TXT", "kept");
  const auto host = *platform::ToHostPath(folder);
  std::filesystem::create_directory_symlink(outside.parent_path(), host / "LINKED");
  std::filesystem::create_symlink(outside, host / "SUB" / "KEEP.TXT");

  ClearExtractFolder();

  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(ReadFileBytes(outside), "kept");
}

}  // namespace
}  // namespace lifto::test
