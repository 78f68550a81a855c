// One core and several: the restore writes the same files with the same events, whatever befalls
// the archive, whether its blocks are decoded on the restoring thread or on a worker.
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveTestHelpers.h"
#include "archive/ArchiveError.h"
#include "archive/BackupFile.h"
#include "support/Lzrw1KhCompressor.h"

namespace lifto::archive {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kOldStamp = (10 << 25) | (3 << 21) | (4 << 16);  // 1990-03-04

// Everything a restore shows: its events in order, its result or exception, the files it left.
struct Outcome {
  bool result = false;
  std::string exception;
  std::vector<std::string> events;
  std::map<std::string, std::string> files;  // path below the target folder: stamp and content
  bool operator==(const Outcome&) const = default;
};

// A file's content in short, so that differences print legibly.
std::string Digest(const std::string& content) {
  return std::to_string(content.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(content));
}

struct Scenario {
  std::string name;
  std::function<void(std::string& archive)> damage;  // changes the archive's bytes
  std::function<void(TBackupFile&)> setup;           // handlers, modes, files already there
  std::function<void(const Outcome&)> expect;        // what the scenario is about
};

class SegmentDecoding : public ArchiveTest {
 protected:
  void SetUp() override {
    // Stored and compressed blocks, files of no, one, a chunk's and a chunk and one bytes.
    originals = {{"a.bin", RandomText(60000, 3) + std::string(200000, 'k') + RandomText(40000, 4)},
                 {"empty.txt", ""},
                 {"one.txt", "x"},
                 {"exact.txt", std::string(16384, 'e')},
                 {"plus.txt", std::string(16385, 'p')},
                 {"z.bin", std::string(500000, 'z') + RandomText(100000, 5)}};
    std::vector<std::string> specs;
    for (const auto& [name, content] : originals) {
      Write("C:\\PROG\\" + name, content);
      specs.push_back("C:\\PROG\\" + name);
    }
    ASSERT_TRUE(backup.Backup(specs, "C:\\OUT\\ALL.ATU"));
    archive = Read("C:\\OUT\\ALL.ATU");
  }

  // The offset of the n-th block (from 0) of the first entry's segment, c:\prog\a.bin.
  std::size_t BlockOffset(std::size_t n) const {
    const std::size_t marker = 12 + 4 + 13 + 4;  // header, name, stamp
    const auto lengths = BlockLengths(archive, marker);
    std::size_t offset = marker + 4;
    for (std::size_t i = 0; i < n; ++i) offset += 4 + static_cast<std::size_t>(std::abs(lengths[i]));
    return offset;
  }

  // The offset of an entry's header (its name's length), c:\prog\ and `name`, and of the first
  // block of its segment.
  std::size_t EntryOffset(const std::string& name) const {
    std::size_t offset = 12;
    for (;;) {
      std::int32_t length = 0;
      std::memcpy(&length, archive.data() + offset, 4);
      const std::string stored = archive.substr(offset + 4, static_cast<std::size_t>(length));
      if (stored == "c:\\prog\\" + name) return offset;
      offset += 4 + stored.size() + 4;
      for (const std::int32_t block : BlockLengths(archive, offset)) {
        offset += 4 + static_cast<std::size_t>(std::abs(block));
      }
      offset += 4 + 4;  // the marker and the closing 0
    }
  }
  std::size_t FirstBlockOffset(const std::string& name) const {
    return EntryOffset(name) + 4 + 8 + name.size() + 4 + 4;
  }

  Outcome RestoreWith(unsigned threads, const std::string& path, const Scenario& scenario) {
    std::error_code ec;
    fs::remove_all(Host("C:\\DEST"), ec);
    Outcome outcome;
    TBackupFile restore;
    restore.SetCodingThreads(threads);
    restore.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage p, bool&) {
      outcome.events.push_back("progress " + file + " " + std::to_string(p));
    });
    restore.SetOnRestoreFile([&](TBackupFile&, std::string& file, std::int32_t fa, bool& doRestore) {
      outcome.events.push_back("file " + file + " " + std::to_string(fa) + " " + std::to_string(doRestore));
    });
    restore.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool&) {
      outcome.events.push_back("disk " + std::to_string(disk));
    });
    restore.SetOnError([&](TBackupFile&, std::int32_t code, const std::string& text) {
      outcome.events.push_back("error " + std::to_string(code) + " " + text);
    });
    if (scenario.setup) scenario.setup(restore);
    try {
      outcome.result = restore.Restore(path, "C:\\DEST");
    } catch (const ArchiveError& e) {
      outcome.exception = e.Describe();
    }
    outcome.events.push_back("detail " + restore.ErrorDetail());
    const fs::path dest = Host("C:\\DEST");
    for (auto it = fs::recursive_directory_iterator(dest, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      const auto relative = fs::relative(it->path(), dest).string();
      outcome.files[relative] = std::to_string(it->last_write_time().time_since_epoch().count()) +
                                " " + Digest(test::ReadFileBytes(it->path()));
    }
    return outcome;
  }

  std::map<std::string, std::string> originals;
  std::string archive;
};

TEST_F(SegmentDecoding, OneCoreAndTwoWriteTheSameFilesWithTheSameEvents) {
  const auto stopAtEvent = [](int n) {
    return [n](TBackupFile& restore) {
      auto count = std::make_shared<int>(0);
      restore.SetOnProgress([count, n](TBackupFile&, const std::string&, TPercentage, bool& goOn) {
        if (++*count == n) goOn = false;
      });
    };
  };
  // Blocks of the entry after a file are read and decoded while the file is written, before it is
  // known whether that entry is written at all.
  const auto passOver = [](const std::string& name) {
    return [name](TBackupFile& restore) {
      restore.SetOnRestoreFile([name](TBackupFile&, std::string& file, std::int32_t, bool& doRestore) {
        if (file.ends_with(name)) doRestore = false;
      });
    };
  };
  const auto failsWith = [](const std::string& text) {
    return [text](const Outcome& o) { EXPECT_NE(o.exception.find(text), std::string::npos) << o.exception; };
  };
  const std::vector<Scenario> scenarios = {
      {"a whole archive", nullptr, nullptr,
       [&](const Outcome& o) {
         EXPECT_TRUE(o.result);
         for (const auto& [name, content] : originals) {
           EXPECT_TRUE(o.files.at(name).ends_with(" " + Digest(content))) << name;
         }
       }},
      {"entries skipped and renamed", nullptr,
       [&](TBackupFile& restore) {
         Write("C:\\DEST\\ONE.TXT", "already there");
         SetStamp("C:\\DEST\\ONE.TXT", kOldStamp);
         restore.SetRestoreMode(rmNoOverwrite);
         restore.SetOnRestoreFile([](TBackupFile&, std::string& file, std::int32_t, bool& doRestore) {
           if (file.ends_with("exact.txt")) doRestore = false;
           if (file.ends_with("plus.txt")) file = "C:\\DEST\\SUB\\PLUS2.TXT";
         });
       },
       [](const Outcome& o) {
         EXPECT_TRUE(o.result);
         EXPECT_TRUE(o.files.at("ONE.TXT").ends_with(" " + Digest("already there")));
         EXPECT_EQ(o.files.count("exact.txt"), 0U);
         EXPECT_TRUE(o.files.at("SUB/PLUS2.TXT").ends_with(" " + Digest(std::string(16385, 'p'))));
       }},
      {"a damaged block in the middle of a file",
       [&](std::string& a) { a[BlockOffset(3) + 4 + 5000] ^= 0x55; }, nullptr,
       [](const Outcome& o) {
         EXPECT_FALSE(o.result);
         EXPECT_NE(std::find(o.events.begin(), o.events.end(), "error 6 Compression error"), o.events.end());
       }},
      {"a handler that stops in the middle of a file", nullptr, stopAtEvent(5),
       [](const Outcome& o) {
         EXPECT_FALSE(o.result);
         EXPECT_EQ(o.files.size(), 1U);  // a.bin, with the blocks before the stop
       }},
      {"a handler that stops at a file's last block", nullptr, stopAtEvent(20),
       [](const Outcome& o) { EXPECT_FALSE(o.result); }},
      {"an archive cut in the middle of a file",
       [&](std::string& a) { a.resize(BlockOffset(12) + 1000); }, nullptr,
       [](const Outcome& o) {
         EXPECT_FALSE(o.result);
         EXPECT_NE(o.events.back().find("archive ends early"), std::string::npos);  // the detail
       }},
      {"a block longer than its buffer",
       [&](std::string& a) { a.replace(BlockOffset(7), 4, PackedInt32(-16385)); }, nullptr,
       [](const Outcome& o) {
         EXPECT_NE(std::find(o.events.begin(), o.events.end(), "error 1 Cannot read file"), o.events.end());
       }},
      {"an unknown method marker",
       [&](std::string& a) { a.replace(BlockOffset(0) - 4, 4, std::string("EC3\0", 4)); }, nullptr,
       [](const Outcome& o) { EXPECT_FALSE(o.result); }},
      {"an archive cut in a file passed over",
       [&](std::string& a) { a.resize(FirstBlockOffset("z.bin") + 4 + 100); }, passOver("z.bin"),
       failsWith("archive ends early")},
      {"a damaged block in a file passed over",
       [&](std::string& a) { a[FirstBlockOffset("z.bin") + 4 + 20] ^= 0x55; }, passOver("z.bin"),
       [](const Outcome& o) { EXPECT_TRUE(o.result); }},
      {"a block longer than its buffer in a file passed over",
       [&](std::string& a) { a.replace(FirstBlockOffset("z.bin"), 4, PackedInt32(16385)); },
       passOver("z.bin"),
       failsWith("a block of 16385 bytes")},
      {"an archive cut in the header after a file",
       [&](std::string& a) { a.resize(EntryOffset("z.bin") + 2); }, nullptr,
       failsWith("archive ends early")},
      {"a name too long after a file",
       [&](std::string& a) { a.replace(EntryOffset("z.bin"), 4, PackedInt32(100000)); }, nullptr,
       failsWith("a name of 100000 bytes")},
      {"a target that cannot be replaced",
       nullptr, [&](TBackupFile&) {
         Write("C:\\DEST\\PLUS.TXT", "old");
         SetStamp("C:\\DEST\\PLUS.TXT", kOldStamp);
         fs::permissions(Host("C:\\DEST\\PLUS.TXT"), fs::perms::owner_read);
       },
       [](const Outcome& o) {
         EXPECT_FALSE(o.result);
         EXPECT_TRUE(o.files.at("PLUS.TXT").ends_with(" " + Digest("old")));
         EXPECT_EQ(o.files.count("z.bin"), 0U);
       }},
  };
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    std::string bytes = archive;
    if (scenario.damage) scenario.damage(bytes);
    Write("C:\\OUT\\CASE.ATU", bytes);
    const Outcome one = RestoreWith(1, "C:\\OUT\\CASE.ATU", scenario);
    const Outcome two = RestoreWith(2, "C:\\OUT\\CASE.ATU", scenario);
    scenario.expect(one);
    EXPECT_EQ(one.result, two.result);
    EXPECT_EQ(one.exception, two.exception);
    EXPECT_EQ(one.events, two.events);
    EXPECT_EQ(one.files, two.files);
  }
}

TEST_F(SegmentDecoding, VolumesAndLegacyEntriesAlike) {
  // A file continued over three volumes.
  Write("C:\\PROG\\BIG.DAT", RandomText(1500000, 9) + std::string(1500000, 'b'));
  backup.SetMaxSize(1437664);
  backup.SetOnNeedDisk([](TBackupFile&, std::uint16_t, bool&) {});
  ASSERT_TRUE(backup.Backup({"C:\\PROG\\ONE.TXT", "C:\\PROG\\BIG.DAT", "C:\\PROG\\EXACT.TXT"},
                            "C:\\OUT\\SET.ATU"));
  const Scenario volumes{"volumes", nullptr, nullptr, nullptr};
  const Outcome one = RestoreWith(1, "C:\\OUT\\SET.ATU", volumes);
  EXPECT_TRUE(one.result);
  EXPECT_EQ(std::count(one.events.begin(), one.events.end(), "disk 2"), 1);
  EXPECT_EQ(one.files.size(), 3U);
  EXPECT_EQ(one, RestoreWith(2, "C:\\OUT\\SET.ATU", volumes));

  const std::string text = std::string(20000, ' ') + RandomText(30000, 5) + std::string(70000, 'z');
  Write("C:\\OUT\\OLD.ATU", test::LegacyArchive({{"c:\\prog\\old.exe", text}, {"c:\\prog\\b.dll", "b"}},
                                                 (20 << 25) | (6 << 21) | (1 << 16)));
  const Scenario legacy{"legacy", nullptr, nullptr, nullptr};
  const Outcome oldOne = RestoreWith(1, "C:\\OUT\\OLD.ATU", legacy);
  EXPECT_TRUE(oldOne.result);
  EXPECT_TRUE(oldOne.files.at("old.exe").ends_with(" " + Digest(text)));
  EXPECT_EQ(oldOne, RestoreWith(2, "C:\\OUT\\OLD.ATU", legacy));
}

}  // namespace
}  // namespace lifto::archive
