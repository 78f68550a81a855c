#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveError.h"
#include "archive/BackupFile.h"
#include "support/FailingSink.h"

namespace lifto::archive {
namespace {

namespace fs = std::filesystem;

using ErrorPaths = CoderTest;
LIFTO_BOTH_CODERS(ErrorPaths);

TEST_P(ErrorPaths, ADiskThatFillsUpIsReportedOnceAsCannotWriteToArchive) {
  Write("C:\\PROG\\A.BIN", RandomText(100000));
  backup.SetVolumeSink(std::make_shared<test::FailingSink>(30000));
  std::vector<int> percents;
  backup.SetOnProgress([&](TBackupFile&, const std::string&, TPercentage p, bool&) { percents.push_back(p); });
  EXPECT_FALSE(backup.Backup({"C:\\PROG\\A.BIN"}, "C:\\OUT\\A.ATU"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorWriteArchive});
  EXPECT_EQ(errorTexts, std::vector<std::string>{"Cannot write to archive"});
  EXPECT_NE(backup.ErrorDetail().find("No space left"), std::string::npos);
  EXPECT_EQ(percents.back(), 100);  // the end event comes after a failure too
  EXPECT_LE(fs::file_size(Host("C:\\OUT\\A.ATU")), 30000U);
}

TEST_P(ErrorPaths, AFileThatShrinksWhileWrittenCannotBeRead) {
  // Larger than the chunks a parallel coder reads ahead, so that the cut is met while reading.
  Write("C:\\PROG\\A.BIN", RandomText(2000000));
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage, bool&) {
    if (!file.empty()) fs::resize_file(Host("C:\\PROG\\A.BIN"), 100);
  });
  EXPECT_FALSE(backup.Backup({"C:\\PROG\\A.BIN"}, "C:\\OUT\\A.ATU"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile});
  EXPECT_EQ(errorTexts, std::vector<std::string>{"Cannot read file"});
}

TEST_P(ErrorPaths, WithoutAnErrorHandlerTheTextGoesToAnErrorBox) {
  backup.SetOnError(nullptr);
  backup.ReportError(kErrorWriteArchive);
  ASSERT_EQ(ui.messages.size(), 1U);
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_EQ(ui.messages[0].text, "Cannot write to archive");
}

TEST_P(ErrorPaths, MissingOrCutArchivesOnRestore) {
  bool events = false;
  backup.SetOnProgress([&](TBackupFile&, const std::string&, TPercentage, bool&) { events = true; });
  EXPECT_FALSE(backup.Restore("C:\\NO\\SUCH.ATU", "C:\\DEST"));
  EXPECT_FALSE(events);
  EXPECT_TRUE(errors.empty());

  Write("C:\\CUT.ATU", PackedInt32(20) + "Atual");
  try {
    backup.Restore("C:\\CUT.ATU", "C:\\DEST");
    FAIL() << "no exception";
  } catch (const ArchiveError& e) {
    EXPECT_STREQ(e.what(), "Cannot read archive");
  }
}

class DamagedArchive : public CoderTest {
 protected:
  void SetUp() override {
    Write("C:\\PROG\\A.TXT", std::string(30000, 'a'));
    Write("C:\\PROG\\B.TXT", "second");
    ASSERT_TRUE(backup.Backup({"C:\\PROG\\A.TXT", "C:\\PROG\\B.TXT"}, "C:\\GOOD.ATU"));
    good = Read("C:\\GOOD.ATU");
    segment = 12 + 4 + 13 + 4;  // header, name of c:\prog\a.txt, stamp
  }
  std::string good;
  std::size_t segment = 0;
};

LIFTO_BOTH_CODERS(DamagedArchive);

TEST_P(DamagedArchive, BadMarkerIsAReadFailureWhenWrittenAndAnExceptionWhenSkipped) {
  std::string bad = good;
  bad.replace(segment, 4, std::string("EC3\0", 4));
  Write("C:\\BAD.ATU", bad);
  EXPECT_FALSE(backup.Restore("C:\\BAD.ATU", "C:\\DEST"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile});
  EXPECT_FALSE(Exists("C:\\DEST\\B.TXT"));  // entries after the failure are not read

  backup.SetRestoreMode(rmExisting);  // nothing exists in C:\OTHER: the segment is skipped
  try {
    backup.Restore("C:\\BAD.ATU", "C:\\OTHER");
    FAIL() << "no exception";
  } catch (const ArchiveError& e) {
    EXPECT_STREQ(e.what(), "Invalid archive type");
  }
}

TEST_P(DamagedArchive, DamagedBlockIsACompressionError) {
  std::string bad = good;
  bad[segment + 4 + 4 + 10] ^= 0x55;  // inside the first block's deflate data
  Write("C:\\BAD.ATU", bad);
  EXPECT_FALSE(backup.Restore("C:\\BAD.ATU", "C:\\DEST"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorCompression});
  EXPECT_EQ(errorTexts, std::vector<std::string>{"Compression error"});
}

TEST_P(DamagedArchive, BlockLongerThanItsBufferIsAReadFailure) {
  std::string bad = good;
  bad.replace(segment + 4, 4, PackedInt32(16385));
  Write("C:\\BAD.ATU", bad);
  EXPECT_FALSE(backup.Restore("C:\\BAD.ATU", "C:\\DEST"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile});
}

TEST_P(DamagedArchive, ArchiveEndingBeforeItsClosingZeroThrows) {
  Write("C:\\BAD.ATU", good.substr(0, good.size() - 4));
  EXPECT_THROW(backup.Restore("C:\\BAD.ATU", "C:\\DEST"), ArchiveError);
  EXPECT_EQ(Read("C:\\DEST\\A.TXT"), std::string(30000, 'a'));
}

TEST_P(DamagedArchive, TargetThatCannotBeReplacedStopsTheRestore) {
  Write("C:\\DEST\\A.TXT", "old");
  fs::permissions(Host("C:\\DEST\\A.TXT"), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(backup.Restore("C:\\GOOD.ATU", "C:\\DEST"));
  EXPECT_EQ(errors, std::vector<std::int32_t>{kErrorReadFile});
  EXPECT_EQ(Read("C:\\DEST\\A.TXT"), "old");
  EXPECT_FALSE(Exists("C:\\DEST\\B.TXT"));
}

TEST_P(DamagedArchive, PercentStaysWithinRangeWhateverTheHeaderSays) {
  for (std::int32_t total : {0, 10, -7}) {
    std::string odd = good;
    odd.replace(4, 4, PackedInt32(total));
    Write("C:\\ODD.ATU", odd);
    std::vector<int> percents;
    backup.SetOnProgress([&](TBackupFile&, const std::string&, TPercentage p, bool&) { percents.push_back(p); });
    ASSERT_TRUE(backup.Restore("C:\\ODD.ATU", "C:\\DEST"));
    for (int p : percents) {
      EXPECT_GE(p, 0);
      EXPECT_LE(p, 100);
    }
  }
}

}  // namespace
}  // namespace lifto::archive
