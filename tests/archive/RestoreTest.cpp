#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveError.h"
#include "archive/BackupFile.h"

namespace lifto::archive {
namespace {

namespace fs = std::filesystem;

// An archive of hand-made entries: the tests choose names and stamps freely.
std::string ArchiveOf(const std::vector<std::pair<std::string, std::string>>& entries, std::int32_t stamp) {
  std::string out = PackedInt32(0) + PackedInt32(0) + PackedInt32(static_cast<std::int32_t>(entries.size()));
  for (const auto& [name, data] : entries) {
    out += PackedInt32(static_cast<std::int32_t>(name.size())) + name + PackedInt32(stamp);
    out += std::string("EC2\0", 4);
    if (!data.empty()) out += PackedInt32(-static_cast<std::int32_t>(data.size())) + data;
    out += PackedInt32(0);
  }
  return out + PackedInt32(0);
}

constexpr std::int32_t kStamp = (22 << 25) | (3 << 21) | (15 << 16) | (10 << 11) | (30 << 5);

class Restoring : public ArchiveTest {
 protected:
  void Archive(const std::vector<std::pair<std::string, std::string>>& entries) {
    Write("C:\\IN.ATU", ArchiveOf(entries, kStamp));
  }
};

TEST_F(Restoring, TargetPathsFollowTheFolderAndRestoreFullPath) {
  Archive({{"c:\\prog\\a.exe", "A"}});
  std::vector<std::string> targets;
  backup.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t, bool&) { targets.push_back(file); });
  ASSERT_TRUE(backup.Restore("C:\\IN.ATU", "C:\\NOVO"));
  backup.SetRestoreFullPath(true);
  ASSERT_TRUE(backup.Restore("C:\\IN.ATU", "C:\\NOVO\\"));
  backup.SetRestoreFullPath(false);
  ASSERT_TRUE(backup.Restore("C:\\IN.ATU", ""));
  EXPECT_EQ(targets, (std::vector<std::string>{"C:\\NOVO\\a.exe", "C:\\NOVO\\prog\\a.exe", "c:\\prog\\a.exe"}));
  EXPECT_EQ(Read("C:\\NOVO\\PROG\\A.EXE"), "A");
  EXPECT_EQ(Read("C:\\PROG\\A.EXE"), "A");
}

TEST_F(Restoring, ModesDecideByPresenceAndStamp) {
  Archive({{"c:\\p\\same.txt", "new"}, {"c:\\p\\older.txt", "new"}, {"c:\\p\\missing.txt", "new"}});
  auto prepare = [&] {
    fs::remove_all(Host("C:\\D"));
    Write("C:\\D\\SAME.TXT", "old");
    SetStamp("C:\\D\\SAME.TXT", kStamp);
    Write("C:\\D\\OLDER.TXT", "old");
    SetStamp("C:\\D\\OLDER.TXT", kStamp - (1 << 25));
  };
  struct Case {
    TRestoreMode mode;
    const char* same;
    const char* older;
    bool missingWritten;
  };
  for (const Case& c : {Case{rmAll, "new", "new", true}, Case{rmNoOverwrite, "old", "old", true},
                        Case{rmNewer, "old", "new", true}, Case{rmExisting, "new", "new", false},
                        Case{rmExistingNewer, "old", "new", false}}) {
    prepare();
    backup.SetRestoreMode(c.mode);
    ASSERT_TRUE(backup.Restore("C:\\IN.ATU", "C:\\D"));
    EXPECT_EQ(Read("C:\\D\\SAME.TXT"), c.same) << int{c.mode};
    EXPECT_EQ(Read("C:\\D\\OLDER.TXT"), c.older) << int{c.mode};
    EXPECT_EQ(Exists("C:\\D\\MISSING.TXT"), c.missingWritten) << int{c.mode};
  }
}

TEST_F(Restoring, HandlerRenamesAndEntriesWithoutAFolderAreSkipped) {
  Archive({{"c:\\p\\a.txt", "renamed"}, {"c:\\p\\b.txt", "blocked"}, {"c:\\p\\c.txt", "last"}});
  Write("C:\\FILE", "a file where a folder should be");
  backup.SetOnRestoreFile([](TBackupFile&, std::string& file, std::int32_t, bool&) {
    if (file.ends_with("a.txt")) file = "C:\\ELSEWHERE\\DEEP\\RENAMED.TXT";
    if (file.ends_with("b.txt")) file = "C:\\FILE\\SUB\\B.TXT";
  });
  ASSERT_TRUE(backup.Restore("C:\\IN.ATU", "C:\\D"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Read("C:\\ELSEWHERE\\DEEP\\RENAMED.TXT"), "renamed");
  EXPECT_EQ(StampOf("C:\\ELSEWHERE\\DEEP\\RENAMED.TXT"), kStamp);
  EXPECT_EQ(Read("C:\\D\\C.TXT"), "last");
}

TEST_F(Restoring, NamesThatWouldLeaveTheTargetFolderAreRefused) {
  const std::vector<std::pair<std::string, bool>> names = {
      {"c:\\p\\..", false},          {"c:\\p\\../../escaped", false}, {"c:\\..\\..\\escaped", true},
      {"c:\\p\\d:\\escaped", true},  {"c:\\p\\", false},             {"c:\\p\\.\\x/../../../e", true},
      {"c:\\fontes\\sub/x.txt", false},  // flat, "/" would make a subfolder: a damaged name
  };
  int round = 0;
  for (const auto& [name, fullPath] : names) {
    Archive({{"c:\\p\\first.txt", "fine"}, {name, "evil"}, {"c:\\p\\after.txt", "never"}});
    errors.clear();
    backup.SetRestoreFullPath(fullPath);
    const std::string folder = "C:\\T" + std::to_string(++round) + "\\INSIDE";
    EXPECT_FALSE(backup.Restore("C:\\IN.ATU", folder)) << name;
    EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile}) << name;
    EXPECT_EQ(Read(folder + (fullPath ? "\\p\\first.txt" : "\\first.txt")), "fine");
    EXPECT_FALSE(Exists(folder + "\\after.txt") || Exists(folder + "\\p\\after.txt")) << name;
  }
  for (const auto& entry : fs::recursive_directory_iterator(temp.Path())) {
    if (entry.is_regular_file()) {
      EXPECT_NE(test::ReadFileBytes(entry.path()), "evil") << entry.path();
    }
  }
  // Without a target folder the stored name itself must be a plain Windows path.
  for (const std::string name : {"/tmp/escaped", "c:\\p\\..\\..\\x", "relative.txt"}) {
    Archive({{name, "evil"}});
    errors.clear();
    EXPECT_FALSE(backup.Restore("C:\\IN.ATU", "")) << name;
    EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile}) << name;
  }
}

TEST_F(Restoring, ADiskRecordWithNoEntryOpenIsADamagedArchive) {
  Archive({{"c:\\p\\a.txt", "first"}});
  ASSERT_TRUE(backup.Restore("C:\\IN.ATU", "C:\\DEST"));
  // A crafted archive that starts by continuing "the current entry" on its second volume.
  Write("C:\\EVIL.ATU", PackedInt32(0) + PackedInt32(0) + PackedInt32(1) + PackedInt32(12) + "NEXT:DISK002");
  Write("C:\\EVIL.002", std::string("EC2\0", 4) + PackedInt32(-8) + "appended" + PackedInt32(0) + PackedInt32(0));
  backup.SetOnNeedDisk([](TBackupFile&, std::uint16_t, bool&) {});

  EXPECT_FALSE(backup.Restore("C:\\EVIL.ATU", "C:\\OTHER"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile});
  EXPECT_EQ(Read("C:\\DEST\\a.txt"), "first");
  EXPECT_FALSE(Exists("C:\\OTHER"));
}

TEST_F(Restoring, HandlerCanStopTheRestoreQuietly) {
  Archive({{"c:\\p\\a.txt", std::string(100, 'a')}, {"c:\\p\\b.txt", "b"}});
  backup.SetOnProgress([](TBackupFile&, const std::string& file, TPercentage, bool& goOn) {
    if (!file.empty()) goOn = false;
  });
  EXPECT_FALSE(backup.Restore("C:\\IN.ATU", "C:\\D"));
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(Exists("C:\\D\\B.TXT"));
}

}  // namespace
}  // namespace lifto::archive
