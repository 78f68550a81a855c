#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveError.h"
#include "archive/BackupFile.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/Lzrw1KhCompressor.h"
#include "support/ScopedVariable.h"

namespace lifto::archive {
namespace {

namespace fs = std::filesystem;

using RoundTrip = CoderTest;
LIFTO_BOTH_CODERS(RoundTrip);

TEST_P(RoundTrip, SmallArchivesAreLaidOutToTheByte) {
  Write("C:\\PROG\\VAZIO.DAT", "");
  const std::int32_t stamp = StampOf("C:\\PROG\\VAZIO.DAT");
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\VAZIO.DAT"}, "C:\\OUT\\ONE.ATU")) ;
  const std::string name = "c:\\prog\\vazio.dat";
  const std::string expected = PackedInt32(0) + PackedInt32(0) + PackedInt32(1) +
                               PackedInt32(static_cast<std::int32_t>(name.size())) + name +
                               PackedInt32(stamp) + std::string("EC2\0", 4) + PackedInt32(0) +
                               PackedInt32(0);
  EXPECT_EQ(Read("C:\\OUT\\ONE.ATU"), expected);

  // No files: the header and the closing 0; the title is stored one byte a character.
  backup.SetBackupTitle("Atualiza\xE7\xE3o");
  ASSERT_TRUE(backup.Backup({"C:\\NADA\\*.*"}, "C:\\OUT\\NONE.ATU"));
  EXPECT_EQ(Read("C:\\OUT\\NONE.ATU"), PackedInt32(11) + "Atualiza\xE7\xE3o" + PackedInt32(0) +
                                           PackedInt32(0) + PackedInt32(0));
  EXPECT_TRUE(backup.Restore("C:\\OUT\\NONE.ATU", "C:\\DEST"));
  EXPECT_TRUE(errors.empty());
}

TEST_P(RoundTrip, FilesOfEveryShapeComeBackWithTheirStamps) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"EMPTY.TXT", ""},
      {"ONE.BIN", std::string(16384, 'a')},
      {"TWO.BIN", std::string(16385, 'b')},
      {"TEXT.TXT", std::string(40000, 'c').replace(100, 11, "Atualiza\xE7\xE3o")},
      {"NOISE.BIN", RandomText(50000)},
      {"RUN.SH", "#!/bin/sh\nexit 0\n"},
  };
  for (const auto& [name, data] : files) Write("C:\\PROG\\" + name, data);
  SetStamp("C:\\PROG\\NOISE.BIN", (22 << 25) | (3 << 21) | (15 << 16) | (10 << 11) | (30 << 5));
  backup.SetCompressionLevel(clDefault);
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\*.*"}, "C:\\OUT\\ALL.ATU"));

  std::vector<std::string> progressFiles;
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage percent, bool&) {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    progressFiles.push_back(file);
  });
  ASSERT_TRUE(backup.Restore("C:\\OUT\\ALL.ATU", "C:\\DEST"));
  EXPECT_TRUE(errors.empty());
  for (const auto& [name, data] : files) {
    EXPECT_EQ(Read("C:\\DEST\\" + name), data) << name;
    EXPECT_EQ(StampOf("C:\\DEST\\" + name), StampOf("C:\\PROG\\" + name)) << name;
  }
  // A program comes back runnable; other files do not.
  const auto mode = [](const std::string& file) {
    return std::filesystem::status(platform::ToHostPath(file).value()).permissions();
  };
  EXPECT_NE(mode("C:\\DEST\\run.sh") & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
  EXPECT_EQ(mode("C:\\DEST\\noise.bin") & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
  EXPECT_EQ(progressFiles.back(), "");
  EXPECT_NE(std::find(progressFiles.begin(), progressFiles.end(), "C:\\DEST\\noise.bin"),
            progressFiles.end());
}

TEST_P(RoundTrip, BlocksHoldWholeChunksAndIncompressibleOnesAreStored) {
  Write("C:\\PROG\\A.TXT", std::string(40000, 'x'));
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\A.TXT"}, "C:\\OUT\\A.ATU"));
  const std::string archive = Read("C:\\OUT\\A.ATU");
  const std::size_t segment = 12 + 4 + std::string("c:\\prog\\a.txt").size() + 4;
  const auto lengths = BlockLengths(archive, segment);
  ASSERT_EQ(lengths.size(), 3U);
  for (auto length : lengths) EXPECT_GT(length, 0);

  Write("C:\\PROG\\A.TXT", RandomText(40000));
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\A.TXT"}, "C:\\OUT\\A.ATU"));
  // Full random chunks are stored; the short last one still fits as a (stored-deflate) stream.
  const auto noise = BlockLengths(Read("C:\\OUT\\A.ATU"), segment);
  ASSERT_EQ(noise.size(), 3U);
  EXPECT_EQ(noise[0], -16384);
  EXPECT_EQ(noise[1], -16384);
  EXPECT_GT(noise[2], 7232);
}

TEST_P(RoundTrip, FileIdListComesFirstAndIsNeverRestored) {
  Write("C:\\PROG\\A.EXE", std::string(48128, 'e'));
  const std::int32_t stamp = StampOf("C:\\PROG\\A.EXE");
  fs::create_directories(temp.Path() / "tmp");
  {
    const test::ScopedVariable tempVariable("TEMP", (temp.Path() / "tmp").c_str());
    backup.SetSaveFileID(true);
    backup.SetCompressionLevel(clNone);  // keeps the list's text readable in the archive
    ASSERT_TRUE(backup.Backup({"C:\\PROG\\A.EXE"}, "C:\\OUT\\F.ATU"));
  }
  EXPECT_TRUE(errors.empty());

  const std::string line = "c:\\prog\\a.exe\t" + std::to_string(stamp) + "=48128\r\n";
  const std::string archive = Read("C:\\OUT\\F.ATU");
  EXPECT_EQ(archive.substr(4, 8), PackedInt32(48128 + static_cast<std::int32_t>(line.size())) + PackedInt32(1));
  EXPECT_EQ(archive.substr(12, 13), PackedInt32(9) + "FILE:LIST");
  EXPECT_NE(archive.find(line), std::string::npos);
  for (const auto& entry : fs::recursive_directory_iterator(temp.Path() / "tmp")) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }

  std::vector<std::string> offered;
  backup.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t, bool&) { offered.push_back(file); });
  for (bool fullPath : {false, true}) {
    backup.SetRestoreFullPath(fullPath);
    ASSERT_TRUE(backup.Restore("C:\\OUT\\F.ATU", "C:\\DEST"));
  }
  EXPECT_EQ(offered, (std::vector<std::string>{"C:\\DEST\\a.exe", "C:\\DEST\\prog\\a.exe"}));
  EXPECT_FALSE(Exists("C:\\DEST\\LIST"));
  EXPECT_FALSE(Exists("C:\\DEST\\E:LIST"));
}

TEST_P(RoundTrip, FileThatVanishedAfterSelectionIsLeftOutButCounted) {
  Write("C:\\PROG\\A.TXT", "first");
  Write("C:\\PROG\\B.TXT", "gone");
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage percent, bool&) {
    if (file.empty() && percent == 0) fs::remove(Host("C:\\PROG\\B.TXT"));
  });
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\*.TXT"}, "C:\\OUT\\V.ATU"));
  const std::string archive = Read("C:\\OUT\\V.ATU");
  EXPECT_EQ(archive.substr(4, 8), PackedInt32(5) + PackedInt32(2));
  EXPECT_EQ(archive.find("b.txt"), std::string::npos);
  backup.SetOnProgress(nullptr);
  ASSERT_TRUE(backup.Restore("C:\\OUT\\V.ATU", "C:\\DEST"));
  EXPECT_EQ(Read("C:\\DEST\\A.TXT"), "first");
}

TEST_P(RoundTrip, SpecificationsSelectEachFileOnceAndNeverTheArchiveItself) {
  Write("C:\\PROG\\A.EXE", "a");
  Write("C:\\PROG\\B.EXE", "b");
  Write("C:\\PROG\\SUB.EXE\\C.EXE", "c");  // a folder whose name matches the mask
  Write("C:\\PROG\\OTHER\\D.EXE", "d");
  Write("C:\\PROG\\OUT.EXE", "old archive");
  ASSERT_TRUE(backup.Backup({"c:\\prog\\*.exe", "C:\\PROG\\A.EXE", "C:\\PROG\\*.EXE /S"},
                            "C:\\PROG\\OUT.EXE"));
  std::vector<std::string> names;
  backup.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t, bool& doRestore) {
    names.push_back(file);
    doRestore = false;
  });
  ASSERT_TRUE(backup.Restore("C:\\PROG\\OUT.EXE", ""));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"c:\\prog\\a.exe", "c:\\prog\\b.exe",
                                             "c:\\prog\\sub.exe\\c.exe"}));
}

TEST_P(RoundTrip, HostPathsAreStoredInTheirWindowsForm) {
  test::TempFolder data;
  std::ofstream(data.Path() / "Host.TXT") << "host file";
  ASSERT_TRUE(backup.Backup({(data.Path() / "*.txt").string()}, (temp.Path() / "h.atu").string()));
  ASSERT_TRUE(backup.Restore((temp.Path() / "h.atu").string(), (temp.Path() / "out").string()));
  EXPECT_EQ(test::ReadFileBytes(temp.Path() / "out" / "host.txt"), "host file");
}

TEST_P(RoundTrip, HostPathsWithBlanksAroundKeepEveryFolderNamedS) {
  test::TempFolder data;
  fs::create_directories(data.Path() / "srv" / "SUB" / "deeper");
  std::ofstream(data.Path() / "srv" / "SUB" / "a.txt") << "a";
  std::ofstream(data.Path() / "srv" / "SUB" / "deeper" / "b.txt") << "b";
  const std::string spec = " " + (data.Path() / "srv" / "SUB" / "*.*").string();
  for (const auto& [specs, count] : {std::pair{spec, 1}, std::pair{spec + " /s ", 2}}) {
    const std::string archive = (temp.Path() / "s.atu").string();
    ASSERT_TRUE(backup.Backup({specs}, archive)) << specs;
    int names = 0;
    backup.SetOnRestoreFile([&](TBackupFile&, std::string&, std::int32_t, bool& doRestore) {
      ++names;
      doRestore = false;
    });
    ASSERT_TRUE(backup.Restore(archive, (temp.Path() / "out").string()));
    EXPECT_EQ(names, count) << specs;
  }
}

TEST_P(RoundTrip, WindowsPathsKeepAFolderAfterASlashAndTakeTheSwitchOnlyAtTheEnd) {
  Write("C:\\PROG\\SUB\\A.TXT", "a");
  Write("C:\\PROG\\SUB\\DEEPER\\B.TXT", "b");
  Write("C:\\PROG\\C.TXT", "c");
  const std::pair<std::string, int> cases[] = {
      {"C:\\PROG/sub\\*.*", 1}, {"C:\\PROG/sub\\*.* /s", 2}, {"C:\\PROG/sub\\*.*/S", 2}};
  for (const auto& [spec, count] : cases) {
    fs::remove(Host("C:\\OUT\\V.ATU"));
    ASSERT_TRUE(backup.Backup({spec}, "C:\\OUT\\V.ATU")) << spec;
    int names = 0;
    backup.SetOnRestoreFile([&](TBackupFile&, std::string&, std::int32_t, bool& doRestore) {
      ++names;
      doRestore = false;
    });
    ASSERT_TRUE(backup.Restore("C:\\OUT\\V.ATU", "")) << spec;
    EXPECT_EQ(names, count) << spec;
  }
}

// The parallel coder reads on into the files that follow the one being written: neither the
// volumes nor the events may show it, also where a volume changes or the run stops mid-file.
TEST_F(ArchiveTest, SerialAndParallelCodersWriteTheSameBytes) {
  Write("C:\\PROG\\A.BIN", std::string(40000, 'a') + RandomText(70000, 3) + std::string(16384, 'b'));
  Write("C:\\PROG\\B.TXT", "short");
  Write("C:\\PROG\\EMPTY.TXT", "");
  for (int i = 0; i < 14; ++i) {
    Write("C:\\PROG\\SUB\\F" + std::to_string(i) + ".DAT", RandomText(static_cast<std::size_t>(i) * 7000, i));
  }
  backup.SetSaveFileID(true);
  backup.SetMaxSize(100000);
  for (const int stopAt : {0, 9, 23}) {  // the progress event that clears the continue flag
    std::vector<std::string> events;
    std::vector<std::vector<std::string>> volumes;
    for (unsigned threads : {1U, 2U, 4U}) {
      backup.SetCodingThreads(threads);
      std::string log;
      int count = 0;
      backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage percent, bool& go) {
        log += (file.ends_with(".TMP") ? "file-ID list" : file) + " " + std::to_string(percent) + "\n";
        if (++count == stopAt) go = false;
      });
      backup.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool&) { log += "disk " + std::to_string(disk) + "\n"; });
      log += backup.Backup({"C:\\PROG\\*.* /s"}, "C:\\OUT\\A.ATU") ? "done" : "stopped";
      events.push_back(log + " errors " + std::to_string(errors.size()));
      volumes.emplace_back();
      for (int volume = 1; volume < 100; ++volume) {
        char name[32];
        std::snprintf(name, sizeof name, volume == 1 ? "C:\\OUT\\A.ATU" : "C:\\OUT\\A.%03d", volume);
        if (!Exists(name)) break;
        volumes.back().push_back(Read(name));
        fs::remove(Host(name));
      }
    }
    EXPECT_GE(volumes[0].size(), stopAt == 0 ? 5U : 1U) << stopAt;
    EXPECT_EQ(events[0], events[1]) << stopAt;
    EXPECT_EQ(events[0], events[2]) << stopAt;
    EXPECT_TRUE(volumes[0] == volumes[1]) << stopAt;
    EXPECT_TRUE(volumes[0] == volumes[2]) << stopAt;
  }
  EXPECT_TRUE(errors.empty());
}

TEST_P(RoundTrip, LegacyEntriesExpandWithTheEventsOfEc2Entries) {
  const std::string text = std::string(20000, ' ') + RandomText(30000, 5) + std::string(70000, 'z');
  const std::int32_t stamp = (20 << 25) | (6 << 21) | (1 << 16);
  Write("C:\\OLD.ATU", test::LegacyArchive({{"c:\\prog\\old.exe", text}, {"c:\\prog\\skip.dll", "skipped"}}, stamp));
  std::vector<std::pair<std::string, int>> progress;
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage percent, bool&) {
    progress.emplace_back(file, percent);
  });
  backup.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t fa, bool& doRestore) {
    EXPECT_EQ(fa, stamp);
    doRestore = file.ends_with("old.exe");
  });
  ASSERT_TRUE(backup.Restore("C:\\OLD.ATU", "C:\\DEST"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Read("C:\\DEST\\old.exe"), text);
  EXPECT_EQ(StampOf("C:\\DEST\\old.exe"), stamp);
  EXPECT_FALSE(Exists("C:\\DEST\\skip.dll"));
  // One event per block (four blocks of the first entry, one skipped block), then the end.
  ASSERT_EQ(progress.size(), 6U);
  EXPECT_EQ(progress[3], std::make_pair(std::string("C:\\DEST\\old.exe"), 99));
  EXPECT_EQ(progress[4].first, "C:\\DEST\\skip.dll");
  EXPECT_EQ(progress[5], std::make_pair(std::string(), 100));
}

}  // namespace
}  // namespace lifto::archive
