#include "platform/Files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/DosAttrib.h"
#include "support/ForkedProcess.h"
#include "support/SandboxHome.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::SandboxHome;
using ::testing::UnorderedElementsAre;

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(stat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

TEST(Files, CopyReplacesTheTargetAndKeepsModeAndTime) {
  SandboxHome home;
  const auto source = home.Write("C:\\A\\PROG.EXE", "new program");
  chmod(source.c_str(), 0750);
  ASSERT_TRUE(SetLastWriteTime("C:\\A\\PROG.EXE", 1000000000));
  const auto target = home.Write("C:\\B\\prog.exe", "old program, longer than the new one");

  ASSERT_TRUE(CopyFile("c:\\a\\prog.exe", "C:\\B\\PROG.EXE"));
  EXPECT_EQ(ReadFileBytes(target), "new program");  // the existing name, in its own case
  EXPECT_EQ(ModeOf(target), 0750u);
  EXPECT_EQ(GetLastWriteTime("C:\\B\\PROG.EXE"), 1000000000);
  EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);

  EXPECT_FALSE(CopyFile("C:\\A\\PROG.EXE", "C:\\B\\PROG.EXE", true));
  ASSERT_TRUE(CopyFile("C:\\A\\PROG.EXE", "C:\\B\\NEW.EXE", true));
  EXPECT_TRUE(fs::exists(home.Home() / "drive_c" / "B" / "NEW.EXE"));
  EXPECT_FALSE(CopyFile("C:\\A\\MISSING.EXE", "C:\\B\\X.EXE"));
  EXPECT_FALSE(CopyFile("C:\\A\\PROG.EXE", "Q:\\X.EXE"));
  EXPECT_FALSE(CopyFile("C:\\A\\PROG.EXE", "C:\\A\\prog.exe"));  // onto itself
  EXPECT_EQ(ReadFileBytes(source), "new program");
}

// The copy replaces the target whole: another name of the old file keeps the old bytes, and a copy
// that fails halfway (here at a file-size limit, as a full disk would stop it) leaves the old target.
TEST(Files, CopyReplacesTheTargetWholeOrNotAtAll) {
  SandboxHome home;
  const std::string big(200000, 'n');
  home.Write("C:\\NEW.DAT", big);
  const auto target = home.Write("C:\\OLD.DAT", "old bytes");
  const auto link = home.Home() / "drive_c" / "LINK.DAT";
  fs::create_hard_link(target, link);

  test::ForkedProcess child([](const test::ForkedProcess::Channel&) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    return CopyFile("C:\\NEW.DAT", "C:\\OLD.DAT") ? 1 : 0;
  });
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(ReadFileBytes(target), "old bytes");

  ASSERT_TRUE(CopyFile("C:\\NEW.DAT", "C:\\OLD.DAT"));
  EXPECT_EQ(ReadFileBytes(target), big);
  EXPECT_EQ(ReadFileBytes(link), "old bytes");
}

TEST(Files, ReadOnlyTargetIsNeitherReplacedNorDeleted) {
  SandboxHome home;
  home.Write("C:\\NEW.DLL", "new");
  const auto target = home.Write("C:\\OLD.DLL", "old");
  ASSERT_TRUE(SetAttributes("C:\\OLD.DLL", kAttrReadOnly | kAttrArchive));
  EXPECT_EQ(ModeOf(target) & 0222, 0u);
  EXPECT_FALSE(CopyFile("C:\\NEW.DLL", "C:\\OLD.DLL"));
  EXPECT_FALSE(DeleteFile("C:\\OLD.DLL"));
  EXPECT_EQ(ReadFileBytes(target), "old");

  ASSERT_TRUE(SetAttributes("C:\\OLD.DLL", kAttrArchive));
  EXPECT_TRUE(CopyFile("C:\\NEW.DLL", "C:\\OLD.DLL"));
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_TRUE(DeleteFile("C:\\old.dll"));
  EXPECT_FALSE(FileExists("C:\\OLD.DLL"));
}

TEST(Files, CopyCarriesTheAttributes) {
  SandboxHome home;
  home.Write("C:\\A.TXT", "a");
  ASSERT_TRUE(SetAttributes("C:\\A.TXT", kAttrHidden | kAttrReadOnly));
  ASSERT_TRUE(CopyFile("C:\\A.TXT", "C:\\B.TXT"));
  EXPECT_EQ(GetAttributes("C:\\B.TXT"), kAttrHidden | kAttrReadOnly);
}

TEST(Files, OnlyProgramsOfThisSystemAreMadeRunnable) {
  SandboxHome home;
  const auto elf = home.Write("C:\\ATUALIZAR", std::string("\x7F" "ELF\x02\x01", 6));
  const auto script = home.Write("C:\\RUN.SH", "#!/bin/sh\n");
  const auto document = home.Write("C:\\LEIA.TXT", "#not a script");
  const auto windowsProgram = home.Write("C:\\KORAMI.EXE", "MZ");
  chmod(elf.c_str(), 0640);
  chmod(script.c_str(), 0600);
  for (const auto* path : {"C:\\ATUALIZAR", "C:\\RUN.SH", "C:\\LEIA.TXT", "C:\\KORAMI.EXE"}) {
    EXPECT_TRUE(MarkProgramRunnable(path)) << path;
  }
  EXPECT_EQ(ModeOf(elf), 0750u);  // execute only where reading is allowed
  EXPECT_EQ(ModeOf(script), 0700u);
  EXPECT_EQ(ModeOf(document) & 0111, 0u);
  EXPECT_EQ(ModeOf(windowsProgram) & 0111, 0u);
  EXPECT_FALSE(MarkProgramRunnable("C:\\MISSING"));
}

TEST(Files, AttributesRoundTrip) {
  SandboxHome home;
  home.Write("C:\\X\\F.TXT", "x");
  EXPECT_EQ(GetAttributes("C:\\X\\F.TXT"), kAttrArchive);  // a file never backed up
  EXPECT_EQ(GetAttributes("C:\\X"), kAttrDirectory);
  EXPECT_FALSE(GetAttributes("C:\\X\\NONE.TXT").has_value());
  const std::uint32_t all = kAttrHidden | kAttrSystem | kAttrReadOnly | kAttrArchive;
  for (std::uint32_t bits : {all, std::uint32_t{kAttrHidden}, std::uint32_t{kAttrReadOnly}, 0u,
                             std::uint32_t{kAttrArchive}}) {
    SCOPED_TRACE(bits);
    ASSERT_TRUE(SetAttributes("C:\\X\\F.TXT", bits));
    EXPECT_EQ(GetAttributes("c:\\x\\f.txt"), bits);
  }
  ASSERT_TRUE(SetAttributes("C:\\X", kAttrHidden));
  EXPECT_EQ(GetAttributes("C:\\X"), kAttrDirectory | kAttrHidden);
  EXPECT_FALSE(SetAttributes("C:\\X\\NONE.TXT", 0));
}

TEST(Files, AttributesAreStoredAsFileServersKeepThem) {
  SandboxHome home;
  const auto file = home.Write("C:\\F.TXT", "x");
  ASSERT_TRUE(SetAttributes("C:\\F.TXT", kAttrHidden | kAttrArchive));
  char value[128];
  const auto size = getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value);
  ASSERT_GT(size, 0);
  const std::string stored(value, static_cast<std::size_t>(size));
  EXPECT_EQ(stored.substr(0, 5), std::string("0x22\0", 5));
  EXPECT_EQ(DecodeDosAttrib(stored), 0x22u);

  // A value written by a file server: version 4, attributes valid, with a creation time.
  const std::string server("0x21\0\0\x04\0\x04\0\0\0\x11\0\0\0\x21\0\0\0"
                           "\0\0\0\0\0\0\0\0\x01\x02\x03\x04\x05\x06\x07\x08", 36);
  EXPECT_EQ(DecodeDosAttrib(server), 0x21u);
  const auto changed = EncodeDosAttrib(0x2, server);
  EXPECT_EQ(DecodeDosAttrib(changed), 0x2u);
  EXPECT_EQ(changed.substr(0, 4), std::string("0x2\0", 4));
  EXPECT_EQ(changed.substr(changed.size() - 8), server.substr(server.size() - 8));  // creation time kept
  // The oldest form holds only the text; a value that is neither is not understood.
  EXPECT_EQ(DecodeDosAttrib(std::string("0x6\0", 4)), 0x6u);
  EXPECT_FALSE(DecodeDosAttrib("garbage").has_value());
  EXPECT_FALSE(DecodeDosAttrib("").has_value());
}

TEST(Files, DamagedAttributeValuesAreReadSafely) {
  // Every cut of well-formed values of each version, and values claiming versions they do not hold.
  for (std::uint32_t version : {1u, 2u, 3u, 4u, 5u, 0xFFFFu, 7u}) {
    std::string value("0x20\0\0", 6);
    value += static_cast<char>(version & 0xFF);
    value += static_cast<char>(version >> 8);
    value += static_cast<char>(version & 0xFF);
    value += static_cast<char>(version >> 8);
    const char first = version == 1 || version == 0xFFFF ? '\x20' : '\x01';  // attrib, or flags
    value += std::string(2, '\0') + first + std::string("\0\0\0\x20\0\0\0", 7);
    for (std::size_t cut = 0; cut <= value.size(); ++cut) {
      const auto decoded = DecodeDosAttrib(value.substr(0, cut));
      if (cut >= 4) {  // from "0x20" on the text alone gives the bits
        EXPECT_EQ(decoded, 0x20u) << version << " cut at " << cut;
      }
    }
  }
}

TEST(Files, DosDateTimeKnownValuesAndRoundTrip) {
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 14;
  local.tm_min = 30;
  local.tm_sec = 23;
  local.tm_isdst = -1;
  const auto when = std::mktime(&local);
  const std::uint32_t packed = (21u << 25) | (3u << 21) | (5u << 16) | (14u << 11) | (30u << 5) | 11u;
  EXPECT_EQ(ToDosDateTime(when), packed);
  EXPECT_EQ(FromDosDateTime(packed), when - 1);  // two-second steps: 23 s is stored as 22 s
  EXPECT_EQ(ToDosDateTime(FromDosDateTime(packed)), packed);

  EXPECT_EQ(ToDosDateTime(0), 0x00210000u);  // 1970 is before the first day the form can hold
  std::tm first{};
  const auto firstTime = FromDosDateTime(0x00210000u);
  localtime_r(&firstTime, &first);
  EXPECT_EQ(first.tm_year, 80);
  EXPECT_EQ(first.tm_mon, 0);
  EXPECT_EQ(first.tm_mday, 1);
  EXPECT_EQ(first.tm_hour, 0);
  // A stamp with month 0 and day 0 still gives a time in its year.
  const auto damaged = FromDosDateTime(21u << 25);
  std::tm d{};
  localtime_r(&damaged, &d);
  EXPECT_EQ(d.tm_year, 101);
}

TEST(Files, WildcardsFollowWindowsRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.*", "README", true},       {"*.*", "a.txt", true},       {"*.*", ".", true},
      {"*.*", "..", true},           {"*", "..", true},            {"*.TXT", "a.txt", true},
      {"*.TXT", "A.B.TXT", true},    {"*.TXT", "A.TXT.BAK", false}, {"*.TXT", "ATXT", false},
      {"A?.TXT", "AB.TXT", true},    {"A?.TXT", "ABC.TXT", false}, {"A??.TXT", "AB.TXT", true},
      {"A?", "A", true},             {"?", ".", false},            {"*.", "README", true},
      {"*.", "A.TXT", false},        {"A.*", "A", true},           {"*.b.c", "a.b.c", true},
      {"pro*.exe", "PROGRAMA.EXE", true}, {"\xE1*", "\xC1gua", true}, {"*A*B*C*", "xAyBzC", true},
      {"*A*B*C*", "xAyCzB", false},  {"", "", true},               {"", "a", false},
      {"x", "X", true},              {"x", "xy", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
  }
  // Long runs of stars cost no backtracking.
  EXPECT_FALSE(WildcardMatch(std::string(200, '*') + "X", std::string(200, 'a')));
}

TEST(Files, FindFilesListsMatchingEntriesWithDotEntries) {
  SandboxHome home;
  home.Write("C:\\X\\a.txt", "12345");
  home.Write("C:\\X\\B.TXT", "");
  home.Write("C:\\X\\C.DOC", "");
  fs::create_directories(home.HostPath("C:\\X") / "Sub.txt");

  const auto all = FindFiles("c:\\x\\*.*");
  EXPECT_THAT(Names(all), UnorderedElementsAre(".", "..", "a.txt", "B.TXT", "C.DOC", "Sub.txt"));
  const auto txt = FindFiles("C:/X/*.TXT");
  EXPECT_THAT(Names(txt), UnorderedElementsAre("a.txt", "B.TXT", "Sub.txt"));
  for (const auto& e : txt) {
    if (e.name == "a.txt") {
      EXPECT_EQ(e.size, 5u);
      EXPECT_EQ(e.attributes, kAttrArchive);
    }
    if (e.name == "Sub.txt") {
      EXPECT_EQ(e.attributes & kAttrDirectory, kAttrDirectory);
    }
  }
  EXPECT_THAT(Names(FindFiles("C:\\X\\b.txt")), UnorderedElementsAre("B.TXT"));
  EXPECT_TRUE(FindFiles("C:\\X\\*.EXE").empty());
  EXPECT_TRUE(FindFiles("C:\\NONE\\*.*").empty());
  EXPECT_TRUE(FindFiles("Q:\\*.*").empty());
  EXPECT_TRUE(FindFiles("C:\\X\\").empty());
}

TEST(Files, RenameNeverReplacesButMayChangeCase) {
  SandboxHome home;
  home.Write("C:\\a.txt", "a");
  home.Write("C:\\b.txt", "b");
  EXPECT_FALSE(RenameFile("C:\\A.TXT", "C:\\B.TXT"));
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\b.txt")), "b");
  ASSERT_TRUE(RenameFile("C:\\A.TXT", "C:\\A.TXT"));
  EXPECT_TRUE(fs::exists(home.Home() / "drive_c" / "A.TXT"));
  EXPECT_FALSE(fs::exists(home.Home() / "drive_c" / "a.txt"));
  ASSERT_TRUE(RenameFile("C:\\A.TXT", "C:\\NEW\\..\\C.TXT"));
  EXPECT_EQ(ReadFileBytes(home.HostPath("C:\\c.txt")), "a");
  EXPECT_FALSE(RenameFile("C:\\MISSING", "C:\\D.TXT"));
}

TEST(Files, Folders) {
  SandboxHome home;
  EXPECT_FALSE(CreateFolder("C:\\A\\B"));  // one level only
  EXPECT_TRUE(CreateFolder("C:\\A"));
  EXPECT_FALSE(CreateFolder("C:\\a"));  // already there
  EXPECT_TRUE(ForceFolders("C:\\a\\B\\C"));
  EXPECT_TRUE(ForceFolders("C:\\A\\B\\C"));
  EXPECT_TRUE(FolderExists("c:\\A\\b\\c"));
  EXPECT_FALSE(FileExists("C:\\A\\B\\C"));
  EXPECT_FALSE(RemoveFolder("C:\\A\\B"));  // not empty
  EXPECT_TRUE(RemoveFolder("C:\\A\\B\\C"));
  EXPECT_FALSE(FolderExists("C:\\A\\B\\C"));
  EXPECT_FALSE(DeleteFile("C:\\A"));  // a folder is not a file
  home.Write("C:\\A\\F.BIN", "123");
  EXPECT_EQ(FileSize("c:\\a\\f.bin"), 3u);
  EXPECT_FALSE(FileSize("C:\\A").has_value());
}

}  // namespace
}  // namespace lifto::platform
