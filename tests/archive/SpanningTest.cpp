#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveFormat.h"
#include "archive/BackupFile.h"

namespace lifto::archive {
namespace {

namespace fs = std::filesystem;

class Spanning : public ArchiveTest {
 protected:
  void SetUp() override {
    data = "\x7F" "ELF" + RandomText(3000000, 9);  // a program: it must come back runnable
    Write("C:\\PROG\\BIG.DAT", data);
    backup.SetMaxSize(1437664);
  }
  std::string data;
};

TEST_F(Spanning, DiskSizedVolumesEndWithTheirDiskRecords) {
  std::vector<std::uint16_t> asked;
  backup.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool&) { asked.push_back(disk); });
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\BIG.DAT"}, "C:\\OUT\\SET.ATU"));
  EXPECT_EQ(asked, (std::vector<std::uint16_t>{2, 3}));
  EXPECT_FALSE(Exists("C:\\OUT\\SET.004"));
  const std::string first = Read("C:\\OUT\\SET.ATU");
  const std::string second = Read("C:\\OUT\\SET.002");
  for (const auto& [volume, next] : {std::pair{first, 2}, std::pair{second, 3}}) {
    EXPECT_LE(volume.size(), 1437664U);
    EXPECT_GT(volume.size(), 1437664U - kVolumeReserve - 100);
    EXPECT_EQ(volume.substr(volume.size() - 20), PackedInt32(0) + PackedInt32(12) + DiskRecordName(next));
  }
  EXPECT_EQ(second.substr(0, 4), std::string("EC2\0", 4));  // the continuation segment
  EXPECT_EQ(Read("C:\\OUT\\SET.003").substr(Read("C:\\OUT\\SET.003").size() - 8), PackedInt32(0) + PackedInt32(0));

  // Restore asks for each further disk; the volumes lie beside the first.
  asked.clear();
  ASSERT_TRUE(backup.Restore("C:\\OUT\\SET.ATU", "C:\\DEST"));
  EXPECT_EQ(asked, (std::vector<std::uint16_t>{2, 3}));
  EXPECT_EQ(Read("C:\\DEST\\BIG.DAT"), data);
  EXPECT_EQ(StampOf("C:\\DEST\\BIG.DAT"), StampOf("C:\\PROG\\BIG.DAT"));
  EXPECT_NE(fs::status(Host("C:\\DEST\\BIG.DAT")).permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_TRUE(errors.empty());
}

TEST_F(Spanning, DecliningTheDefaultPromptStopsWithoutAnErrorReport) {
  ui.answers = {false};
  EXPECT_FALSE(backup.Backup({"C:\\PROG\\BIG.DAT"}, "C:\\OUT\\SET.ATU"));
  ASSERT_EQ(ui.questions.size(), 1U);
  EXPECT_EQ(ui.questions[0].text, "Please insert disk 2 and click OK to continue.");
  EXPECT_EQ(ui.questions[0].style, support::kAskInformation);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(ui.messages.empty());
  const std::string first = Read("C:\\OUT\\SET.ATU");
  EXPECT_EQ(first.substr(first.size() - 16), PackedInt32(12) + "NEXT:DISK002");
  EXPECT_FALSE(Exists("C:\\OUT\\SET.002"));
}

TEST_F(Spanning, RestoreAsksAgainUntilTheVolumeIsThereOrThePromptIsDeclined) {
  backup.SetOnNeedDisk([](TBackupFile&, std::uint16_t, bool&) {});
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\BIG.DAT"}, "C:\\OUT\\SET.ATU"));
  backup.SetOnNeedDisk(nullptr);
  fs::rename(Host("C:\\OUT\\SET.002"), temp.Path() / "away.002");

  // OK twice with nothing there, then Cancel: the restore stops quietly, keeping the first part.
  ui.answers = {true, true, false};
  EXPECT_FALSE(backup.Restore("C:\\OUT\\SET.ATU", "C:\\DEST"));
  EXPECT_EQ(ui.questions.size(), 3U);
  EXPECT_TRUE(errors.empty());
  const std::string part = Read("C:\\DEST\\BIG.DAT");
  EXPECT_GT(part.size(), 1000000U);
  EXPECT_EQ(part, data.substr(0, part.size()));

  // The disk turns up at the third request.
  int requests = 0;
  backup.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool&) {
    if (disk == 2 && ++requests == 3) fs::rename(temp.Path() / "away.002", Host("C:\\OUT\\SET.002"));
  });
  EXPECT_TRUE(backup.Restore("C:\\OUT\\SET.ATU", "C:\\DEST"));
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(Read("C:\\DEST\\BIG.DAT"), data);
}

TEST_F(Spanning, MaxSizeTooSmallForAnyBlockIsRefusedBeforeWriting) {
  for (std::int32_t size : {1, 16488, -5}) {
    backup.SetMaxSize(size);
    EXPECT_THROW(backup.Backup({"C:\\PROG\\BIG.DAT"}, "C:\\OUT\\SET.ATU"), std::invalid_argument);
  }
  EXPECT_FALSE(Exists("C:\\OUT\\SET.ATU"));
  // The smallest accepted size holds one block per volume.
  Write("C:\\PROG\\BIG.DAT", RandomText(40000));
  backup.SetMaxSize(static_cast<std::int32_t>(kMinimumMaxSize));
  backup.SetOnNeedDisk([](TBackupFile&, std::uint16_t, bool&) {});
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\BIG.DAT"}, "C:\\OUT\\SET.ATU"));
  EXPECT_TRUE(Exists("C:\\OUT\\SET.003"));
  ASSERT_TRUE(backup.Restore("C:\\OUT\\SET.ATU", "C:\\DEST"));
  EXPECT_EQ(Read("C:\\DEST\\BIG.DAT"), RandomText(40000));
}

}  // namespace
}  // namespace lifto::archive
