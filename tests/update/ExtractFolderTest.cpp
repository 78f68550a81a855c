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
  ::setenv("TEMP", shared.c_str(), 1);

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

TEST_F(ExtractFolderTest, AFolderThatCannotBeRemovedIsAnError) {
  const std::string folder = ExtractFolder();
  home.Write(folder + "\\SUB\\X.TXT", "not restored by an update");

  EXPECT_THROW(ClearExtractFolder(), std::runtime_error);
  EXPECT_TRUE(Exists(folder + "\\SUB\\X.TXT"));
}

}  // namespace
}  // namespace lifto::test
