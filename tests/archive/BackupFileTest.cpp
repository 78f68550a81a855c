#include "archive/BackupFile.h"

#include <string>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "platform/Files.h"

namespace lifto::archive {
namespace {

TEST(TBackupFile, CreatedInCodeItHasTheInitialValues) {
  TBackupFile c;
  EXPECT_EQ(c.Version(), "3.00");
  c.SetVersion("9.99");
  EXPECT_EQ(c.Version(), "3.00");
  EXPECT_EQ(c.BackupTitle(), "");
  EXPECT_EQ(c.BackupMode(), bmAll);
  EXPECT_EQ(c.CompressionLevel(), clFastest);
  EXPECT_EQ(c.RestoreMode(), rmAll);
  EXPECT_EQ(c.MaxSize(), 0);
  EXPECT_FALSE(c.SetArchiveFlag());
  EXPECT_FALSE(c.RestoreFullPath());
  EXPECT_FALSE(c.SaveFileID());
  EXPECT_FALSE(c.OnProgress() || c.OnNeedDisk() || c.OnRestoreFile() || c.OnError());
}

TEST(TBackupFile, IncrementalModeTurnsTheArchiveFlagOnAndItStaysOn) {
  TBackupFile c;
  c.SetBackupMode(bmIncremental);
  EXPECT_TRUE(c.SetArchiveFlag());
  c.SetBackupMode(bmAll);
  EXPECT_TRUE(c.SetArchiveFlag());
  c.SetSetArchiveFlag(false);
  c.SetBackupMode(bmAll);
  EXPECT_FALSE(c.SetArchiveFlag());
}

TEST(ErrorTexts, SevenCodesHaveTexts) {
  EXPECT_EQ(ErrorText(1), "Cannot read file");
  EXPECT_EQ(ErrorText(2), "Overwriting file failed");
  EXPECT_EQ(ErrorText(3), "Cannot read archive");
  EXPECT_EQ(ErrorText(4), "Cannot write to archive");
  EXPECT_EQ(ErrorText(5), "Invalid archive type");
  EXPECT_EQ(ErrorText(6), "Compression error");
  EXPECT_EQ(ErrorText(7), "Cannot create temporary file to save the file IDs");
  EXPECT_EQ(ErrorText(0), "");
  EXPECT_EQ(ErrorText(8), "");
}

TEST(ArchiveFormat, VolumeNamesDiskRecordsAndPercent) {
  EXPECT_EQ(VolumePath("A:\\KORAMI.ATU", VolumeDigits(2)), "A:\\KORAMI.002");
  EXPECT_EQ(VolumePath("A:\\KORAMI.002", VolumeDigits(10)), "A:\\KORAMI.010");
  EXPECT_EQ(VolumePath("A:\\DIR.X\\KORAMI", VolumeDigits(1123)), "A:\\DIR.X\\KORAMI.123");
  EXPECT_EQ(DiskRecordName(2), "NEXT:DISK002");
  EXPECT_TRUE(IsDiskRecord("NEXT:DISK002"));
  EXPECT_FALSE(IsDiskRecord("NEXT:DIS"));
  EXPECT_EQ(DiskRecordVolume("NEXT:DISK012"), 12);
  EXPECT_FALSE(DiskRecordVolume("NEXT:DISKx2"));
  EXPECT_EQ(Percent(50, 200), 25);
  EXPECT_EQ(Percent(3'000'000'000LL, 3'000'000'001LL), 99);  // done x 100 beyond 32 bits
  EXPECT_EQ(Percent(10, 0), 0);
  EXPECT_EQ(Percent(300, 200), 100);
  EXPECT_EQ(FileIdLine("c:\\prog\\a.exe", 745493440, 48128), "c:\\prog\\a.exe\t745493440=48128");
  EXPECT_EQ(StampText(745493440), "2002-03-15 10:30:00");
  EXPECT_EQ(TrimText(" \t c:\\x \r\n"), "c:\\x");
}

using ArchiveAttribute = ArchiveTest;

TEST_F(ArchiveAttribute, IncrementalTakesOnlyMarkedFilesAndClearsOnlyTheArchiveBit) {
  Write("C:\\P\\MARKED.TXT", "m");
  Write("C:\\P\\CLEAN.TXT", "c");
  const std::uint32_t kept = platform::kAttrHidden | platform::kAttrSystem;
  if (!platform::SetAttributes("C:\\P\\CLEAN.TXT", 0) ||
      (platform::GetAttributes("C:\\P\\CLEAN.TXT").value() & platform::kAttrArchive) != 0 ||
      !platform::SetAttributes("C:\\P\\MARKED.TXT", platform::kAttrArchive | kept)) {
    GTEST_SKIP() << "this file system keeps no DOS attributes";
  }
  backup.SetBackupMode(bmIncremental);
  ASSERT_TRUE(backup.Backup({"C:\\P\\*.TXT"}, "C:\\OUT.ATU"));
  EXPECT_EQ(platform::GetAttributes("C:\\P\\MARKED.TXT").value() & 0x27U, kept);
  std::vector<std::string> names;
  backup.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t, bool& go) {
    names.push_back(file);
    go = false;
  });
  ASSERT_TRUE(backup.Restore("C:\\OUT.ATU", ""));
  EXPECT_EQ(names, std::vector<std::string>{"c:\\p\\marked.txt"});
}

}  // namespace
}  // namespace lifto::archive
