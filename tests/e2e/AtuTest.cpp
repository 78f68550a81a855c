// The atu program end to end, against a sandbox LIFTO_HOME: Windows paths through its drives.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "e2e/AtuHelpers.h"
#include "e2e/FaultHelpers.h"
#include "support/TempFolder.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

using Atu = AtuTest;

TEST_F(Atu, CreateListTestExtractRoundTrip) {
  home.Write("C:\\PROG\\KORAMI.EXE", NoiseBytes(70000, 11));
  home.Write("C:\\PROG\\DADOS\\LEIA.TXT", std::string(5000, 'l'));
  AtuRun run = Run("create 'A:\\UPD.ATU' 'C:\\PROG\\*.* /s' --title 'Atualização' --file-ids");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");  // no progress bar when standard error is not a terminal

  run = Run("list 'A:\\UPD.ATU'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Title: Atualização\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Files: 2\n"), std::string::npos);
  EXPECT_NE(run.out.find("FILE:LIST\t"), std::string::npos);
  EXPECT_NE(run.out.find("c:\\prog\\korami.exe\t"), std::string::npos);
  EXPECT_NE(run.out.find("\t70000\tEC2\t1\n"), std::string::npos);

  run = Run("test 'A:\\UPD.ATU'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("All 3 entries are sound."), std::string::npos) << run.out;

  run = Run("extract 'A:\\UPD.ATU' 'C:\\NOVO' --full-path");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\NOVO\\PROG\\KORAMI.EXE")), NoiseBytes(70000, 11));
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\NOVO\\PROG\\DADOS\\LEIA.TXT")), std::string(5000, 'l'));
}

TEST_F(Atu, VolumesBesideTheFirstAreUsedAndAMissingOneIsNamed) {
  home.Write("C:\\BIG.BIN", NoiseBytes(100000, 11));
  AtuRun run = Run("create 'A:\\SET.ATU' 'C:\\BIG.BIN' --max-size 40000");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("4 volumes"), std::string::npos) << run.out;
  run = Run("extract 'A:\\SET.ATU' 'C:\\OUT'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\OUT\\BIG.BIN")), NoiseBytes(100000, 11));

  fs::remove(home.HostPath("A:\\SET.003"));
  run = Run("extract 'A:\\SET.ATU' 'C:\\OUT2'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("volume 3 is missing: A:\\SET.003"), std::string::npos) << run.err;
  run = Run("test 'A:\\SET.ATU'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("SET.003"), std::string::npos) << run.err;
}

TEST_F(Atu, DamageAndMistakesEndWithTheirExitStatus) {
  home.Write("C:\\A.TXT", std::string(30000, 'a'));
  ASSERT_EQ(Run("create 'C:\\A.ATU' 'C:\\A.TXT'").status, 0);
  std::string archive = ReadFileBytes(home.HostPath("C:\\A.ATU"));
  archive[12 + 4 + 8 + 4 + 4 + 4 + 3] ^= 0x40;  // inside the first block's deflate data
  home.Write("C:\\A.ATU", archive);
  AtuRun run = Run("test 'C:\\A.ATU'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("FAILED  c:\\a.txt: Compression error"), std::string::npos) << run.out;
  run = Run("extract 'C:\\A.ATU' 'C:\\X'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Compression error"), std::string::npos) << run.err;

  EXPECT_EQ(Run("list").status, 2);
  EXPECT_EQ(Run("create 'C:\\B.ATU' 'C:\\A.TXT' --max-size 100").status, 2);
  EXPECT_EQ(Run("extract 'C:\\A.ATU' 'C:\\X' --mode sometimes").status, 2);
  run = Run("frobnicate");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage:"), std::string::npos);
  run = Run("list 'C:\\NONE.ATU'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("C:\\NONE.ATU"), std::string::npos);
}

std::string Int32(std::int32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::string Text(const std::string& text) { return Int32(static_cast<std::int32_t>(text.size())) + text; }

// A stored segment of the bytes, ended.
std::string StoredSegment(const std::string& bytes) {
  return std::string("EC2\0", 4) + Int32(-static_cast<std::int32_t>(bytes.size())) + bytes + Int32(0);
}

TEST_F(Atu, AVolumeThatNamesItselfOrAnEarlierOneIsADamagedArchive) {
  // X.ATU leads to X.002, whose disk record names X.002 again (or X.ATU's number): read without
  // a check, each pass appends the same bytes once more, for ever.
  const std::string first = Text("t") + Int32(8) + Int32(1) + Text("c:\\x.txt") + Int32(0) +
                            StoredSegment("1234") + Text("NEXT:DISK002");
  for (const char* record : {"NEXT:DISK002", "NEXT:DISK001"}) {
    SCOPED_TRACE(record);
    home.Write("A:\\X.ATU", first);
    home.Write("A:\\X.002", StoredSegment("5678") + Text(record));
    AtuRun run = Run("extract 'A:\\X.ATU' 'C:\\OUT'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Invalid disk record"), std::string::npos) << run.err;
    EXPECT_LE(fs::file_size(home.HostPath("C:\\OUT\\X.TXT")), 8u);
    run = Run("test 'A:\\X.ATU'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("does not follow volume 2"), std::string::npos) << run.err;
  }
}

TEST_F(Atu, ExtractFollowsNoLinkBelowTheFolder) {
  // Links in the folder extracted into: to a victim's file, and to a victim's folder for
  // --full-path. Entries must stay inside FOLDER whoever made the links.
  home.Write("C:\\PROG\\A.TXT", "from the archive");
  home.Write("C:\\PROG\\SUB\\B.TXT", "from the archive");
  ASSERT_EQ(Run("create 'C:\\SET.ATU' 'C:\\PROG\\*.* /s'").status, 0);
  const fs::path victim = home.Write("C:\\VICTIM\\FILE", "victim's");
  const fs::path out = home.HostPath("C:\\OUT");
  fs::create_directories(out / "PROG");
  fs::create_symlink(victim, out / "A.TXT");
  fs::create_directory_symlink(victim.parent_path(), out / "PROG" / "SUB");

  AtuRun run = Run("extract 'C:\\SET.ATU' 'C:\\OUT'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("a link stands there and is not followed"), std::string::npos) << run.err;
  run = Run("extract 'C:\\SET.ATU' 'C:\\OUT' --full-path");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("a link in the target folder is not followed"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileBytes(victim), "victim's");
  EXPECT_FALSE(fs::exists(victim.parent_path() / "B.TXT"));
  EXPECT_FALSE(fs::exists(victim.parent_path() / "b.txt"));
}

}  // namespace
}  // namespace lifto::test
