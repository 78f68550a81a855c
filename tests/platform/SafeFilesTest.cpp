#include "platform/SafeFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

// A share written by everyone and, beside it, a victim's private file and key folder that a
// second user of the share tries to reach through links planted in it.
class SharedFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::CanActAsSecondUser()) GTEST_SKIP() << test::kNeedsRoot;
    test::MakeShared(share);
    temp.Write("victim/.bashrc", "victim's shell");
    temp.Write("victim/.ssh/id_rsa", "victim's key");
    temp.Write("source.txt", "new content");
  }
  std::string S(const std::string& name) const { return (share / name).string(); }
  std::string V(const std::string& name) const { return (temp.Path() / "victim" / name).string(); }
  void ExpectVictimUntouched() const {
    EXPECT_EQ(ReadFileBytes(V(".bashrc")), "victim's shell");
    EXPECT_EQ(ReadFileBytes(V(".ssh/id_rsa")), "victim's key");
    EXPECT_EQ(fs::status(V(".bashrc")).permissions(), fs::status(V(".ssh/id_rsa")).permissions());
    EXPECT_EQ(std::distance(fs::directory_iterator(V(".ssh")), fs::directory_iterator()), 1);
  }

  test::TempFolder temp;
  fs::path share = temp.Path() / "share";
};

TEST_F(SharedFolder, LinksOfAnotherUserAreReplacedOrRefusedNeverFollowed) {
  const std::string bashrc = V(".bashrc");
  const std::string keys = V(".ssh");
  ASSERT_TRUE(test::AsSecondUser([&] {
    return ::symlink(bashrc.c_str(), S("TABSQL.DB").c_str()) == 0 &&
           ::symlink(bashrc.c_str(), S("Atualiz.log").c_str()) == 0 &&
           ::symlink(keys.c_str(), S("BACKUP").c_str()) == 0 &&
           ::symlink("/dev/zero", S("zero.log").c_str()) == 0 && ::mkfifo(S("fifo.log").c_str(), 0666) == 0;
  }));
  const std::string source = (temp.Path() / "source.txt").string();

  // A file copied over a planted link replaces the link itself.
  EXPECT_TRUE(CopyFile(source, S("TABSQL.DB")));
  EXPECT_FALSE(fs::is_symlink(S("TABSQL.DB")));
  EXPECT_EQ(ReadFileBytes(S("TABSQL.DB")), "new content");
  // Mode, time and attribute changes refuse what the link points to.
  EXPECT_FALSE(SetAttributes(S("Atualiz.log"), kAttrReadOnly));
  EXPECT_FALSE(MarkProgramRunnable(S("Atualiz.log")));
  // Reading through it is refused too: a private file is never copied into the share that way.
  EXPECT_FALSE(CopyFile(S("Atualiz.log"), S("copy.txt")));
  // A folder link is refused on the way down, for copies, deletions and new folders alike.
  EXPECT_FALSE(CopyFile(source, S("BACKUP/id_rsa")));
  EXPECT_FALSE(CopyFile(source, S("BACKUP/new.txt")));
  EXPECT_FALSE(DeleteFile(S("BACKUP/id_rsa")));
  EXPECT_FALSE(ForceFolders(S("BACKUP/sub")));
  EXPECT_FALSE(RenameFile(S("TABSQL.DB"), S("BACKUP/moved")));
  // Deleting the link removes the link.
  EXPECT_TRUE(DeleteFile(S("Atualiz.log")));
  EXPECT_FALSE(fs::is_symlink(S("Atualiz.log")));
  ExpectVictimUntouched();

  // Small shared files: a link to a device and a FIFO are refused at once, a regular one is read
  // up to its cap.
  errno = 0;
  EXPECT_FALSE(ReadSmallFile(S("zero.log"), 1000));
  EXPECT_EQ(errno, ELOOP);
  EXPECT_FALSE(ReadSmallFile(S("fifo.log"), 1000));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(ReadSmallFile(S("TABSQL.DB"), 11), "new content");
  EXPECT_FALSE(ReadSmallFile(S("TABSQL.DB"), 10));
  EXPECT_EQ(errno, EFBIG);
}

TEST_F(SharedFolder, LinksOfTheUserOrRootAreFollowed) {
  // A site that links a folder of its own into the share keeps working.
  temp.Write("own/kept.txt", "kept");
  fs::create_directory_symlink(temp.Path() / "own", share / "DADOS");
  fs::create_symlink(temp.Path() / "own" / "kept.txt", share / "KEPT.TXT");
  const std::string source = (temp.Path() / "source.txt").string();
  EXPECT_TRUE(ForceFolders(S("DADOS/SUB")));
  EXPECT_TRUE(CopyFile(source, S("DADOS/SUB/T.DB")));
  EXPECT_EQ(ReadFileBytes(temp.Path() / "own" / "SUB" / "T.DB"), "new content");
  // A copy over one's own file link replaces the linked file, as before.
  EXPECT_TRUE(CopyFile(source, S("KEPT.TXT")));
  EXPECT_TRUE(fs::is_symlink(S("KEPT.TXT")));
  EXPECT_EQ(ReadFileBytes(temp.Path() / "own" / "kept.txt"), "new content");
  EXPECT_TRUE(DeleteFile(S("DADOS/SUB/T.DB")));
  EXPECT_TRUE(RemoveFolder(S("DADOS/SUB")));
}

TEST(RemoveTree, RemovesLinksThemselvesAndFoldersWithoutWritePermission) {
  test::TempFolder temp;
  temp.Write("keep/file.txt", "kept");
  temp.Write("gone/sub/file.txt", "x");
  fs::create_directory_symlink(temp.Path() / "keep", temp.Path() / "gone" / "link");
  fs::create_symlink(temp.Path() / "keep" / "file.txt", temp.Path() / "gone" / "sub" / "file-link");
  fs::permissions(temp.Path() / "gone" / "sub", fs::perms::owner_read | fs::perms::owner_exec);
  const UniqueFd folder(::open(temp.Path().c_str(), O_PATH | O_DIRECTORY));
  EXPECT_TRUE(RemoveTree(folder.Get(), "gone"));
  EXPECT_FALSE(fs::exists(temp.Path() / "gone"));
  EXPECT_EQ(ReadFileBytes(temp.Path() / "keep" / "file.txt"), "kept");
  EXPECT_TRUE(RemoveTree(folder.Get(), "absent"));
}

}  // namespace
}  // namespace lifto::platform
