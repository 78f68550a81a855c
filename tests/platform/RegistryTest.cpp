#include "platform/Registry.h"

#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/RegistryHive.h"
#include "platform/Utf16.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

using test::AsSecondUser;
using test::CanActAsSecondUser;
using test::kNeedsRoot;
using test::MakeShared;
using test::ReadFileBytes;
using test::TempFolder;

const std::string kExport4 =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"
    "@=\"C:\\\\KORAMI\\\\KORAMI.EXE\"\r\n"
    "\"Path\"=\"C:\\\\KORAMI\"\r\n"
    "\r\n"
    "; a comment line\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vornel\\Internet]\r\n"
    "\"Dialup\"=\"Conex\xE3o \\\"Escrit\xF3rio\\\"\"\r\n"
    "\"AcessoDiscado\"=dword:00000001\r\n"
    "\"Bloco\"=hex:01,02,ff,\\\r\n"
    "  10\r\n"
    "\r\n";

TEST(RegistryHive, ReadsTheOlderExportFormExactly) {
  const auto hive = RegistryHive::Parse(kExport4, "HKLM.reg");
  const std::string app = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE";
  ASSERT_NE(hive.Find(app, ""), nullptr);
  EXPECT_EQ(hive.Find(app, "")->data, "C:\\KORAMI\\KORAMI.EXE");
  EXPECT_EQ(hive.Find(app, "Path")->data, "C:\\KORAMI");
  // Keys and names compare without regard to case, the root may be abbreviated, extra separators
  // do not matter.
  const auto* dialup = hive.Find("hklm\\\\SOFTWARE\\vornel\\internet\\", "DIALUP");
  ASSERT_NE(dialup, nullptr);
  EXPECT_EQ(dialup->data, "Conex\xE3o \"Escrit\xF3rio\"");
  const auto* flag = hive.Find("HKEY_LOCAL_MACHINE\\Software\\Vornel\\Internet", "AcessoDiscado");
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->type, kRegDword);
  EXPECT_EQ(flag->dword, 1u);
  const auto* block = hive.Find("HKEY_LOCAL_MACHINE\\Software\\Vornel\\Internet", "Bloco");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->type, kRegBinary);
  EXPECT_EQ(block->data, std::string("\x01\x02\xff\x10", 4));

  EXPECT_TRUE(hive.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\VORNEL"));
  EXPECT_FALSE(hive.KeyExists("HKEY_LOCAL_MACHINE\\Software\\Vorn"));
  EXPECT_EQ(hive.Find("HKEY_LOCAL_MACHINE\\Software\\Vornel\\Internet", "Outro"), nullptr);
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\Software\\Vornel\\Internet", "Dialup"), nullptr);
}

TEST(RegistryHive, ReadsTheNewerExportFormInUtf16AndUtf8) {
  // Texts kept as hex are UTF-16 in this form: "%WINDIR%\x" as hex(2), two texts as hex(7).
  const std::string body =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam]\r\n"
      "@=\"ESTA\xC7\xC3O1\"\r\n"
      "\"Expand\"=hex(2):25,00,57,00,49,00,4e,00,25,00,5c,00,78,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,e7,00,00,00,00,00\r\n"
      "\"Count\"=dword:0000ff10\r\n";
  for (const std::string& bytes :
       {std::string("\xFF\xFE") + AnsiToUtf16Le(body), std::string("\xEF\xBB\xBF") + ToUtf8(body), ToUtf8(body)}) {
    const auto hive = RegistryHive::Parse(bytes, "HKCU.reg");
    const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam";
    ASSERT_NE(hive.Find(key, ""), nullptr);
    EXPECT_EQ(hive.Find(key, "")->data, "ESTA\xC7\xC3O1");
    EXPECT_EQ(hive.Find(key, "Expand")->type, kRegExpandSz);
    EXPECT_EQ(hive.Find(key, "Expand")->data, "%WIN%\\x");
    EXPECT_EQ(hive.Find(key, "Multi")->data, std::string("a\0\xE7\0\0", 5));
    EXPECT_EQ(hive.Find(key, "Count")->dword, 0xff10u);
  }
}

TEST(RegistryHive, MalformedLinesAndNamesThatCannotBeWrittenBackNameTheFileAndLine) {
  using namespace std::string_literals;
  struct Case {
    std::string text;
    int line;
  };
  const Case cases[] = {
      {"REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:123456789\n", 4},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"unclosed\n", 3},
      {"REGEDIT4\n\"x\"=\"before any key\"\n", 2},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\ngarbage\n", 3},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2},
      {"[HKEY_CURRENT_USER\\A]\n", 1},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,02,\\\n  0x,03\n", 4},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,\\\n", 3},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\" \"c\"\n", 3},
      // Names that could not be written back as they were read: a line break or zero splits the
      // line, and a key "-X" would be written as the removal "[-X]". They must not escape the
      // parser as another error.
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A\rB]\n\"x\"=\"1\"\n"s, 2},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\ry\"=\"1\"\n"s, 3},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A\0B]\n"s, 2},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\0\"=dword:1\n"s, 3},
      {"REGEDIT4\n\n[\\-X]\n"s, 3},
  };
  for (const auto& c : cases) {
    try {
      RegistryHive::Parse(c.text, "/home/x/HKCU.reg");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ConfigError& error) {
      EXPECT_EQ(error.Line(), c.line) << c.text;
      EXPECT_EQ(error.File(), "/home/x/HKCU.reg");
      EXPECT_NE(std::string(error.what()).find("HKCU.reg"), std::string::npos);
    }
  }
}

TEST(RegistryHive, WrittenFormReadsBackTheSame) {
  auto hive = RegistryHive::Parse(kExport4, "HKLM.reg");
  hive.Set("HKEY_LOCAL_MACHINE\\Software\\Novo", HiveValue{"Texto", kRegSz, "a\\b \"c\" \xE7", 0});
  hive.Set("HKEY_LOCAL_MACHINE\\Software\\Novo", HiveValue{"Linhas", kRegSz, "um\r\ndois", 0});
  hive.Set("HKEY_LOCAL_MACHINE\\Software\\Novo", HiveValue{"Expand", kRegExpandSz, "%TEMP%", 0});
  hive.Set("HKEY_LOCAL_MACHINE\\Software\\Novo", HiveValue{"Longo", kRegBinary, std::string(100, '\x5A'), 0});
  hive.Set("HKEY_LOCAL_MACHINE\\Software\\Novo", HiveValue{"", kRegDword, "", 0xDEADBEEF});
  hive.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Vazia");

  const std::string written = hive.Serialize();
  EXPECT_EQ(written.rfind("REGEDIT4\r\n\r\n", 0), 0u);
  EXPECT_NE(written.find("\"Texto\"=\"a\\\\b \\\"c\\\" \xE7\"\r\n"), std::string::npos);
  EXPECT_NE(written.find("@=dword:deadbeef\r\n"), std::string::npos);
  EXPECT_EQ(written.find('\n', 0), written.find("\r\n", 0) + 1);

  const auto again = RegistryHive::Parse(written, "HKLM.reg");
  ASSERT_EQ(again.Keys().size(), hive.Keys().size());
  for (std::size_t k = 0; k < hive.Keys().size(); ++k) {
    const auto& a = hive.Keys()[k];
    const auto& b = again.Keys()[k];
    EXPECT_EQ(a.path, b.path);
    ASSERT_EQ(a.values.size(), b.values.size()) << a.path;
    for (std::size_t v = 0; v < a.values.size(); ++v) {
      EXPECT_EQ(a.values[v].name, b.values[v].name);
      EXPECT_EQ(a.values[v].type, b.values[v].type) << a.values[v].name;
      EXPECT_EQ(a.values[v].data, b.values[v].data) << a.values[v].name;
      EXPECT_EQ(a.values[v].dword, b.values[v].dword);
    }
  }
  EXPECT_EQ(again.Serialize(), written);
}

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override { Environment::SetCurrent(Environment::LoadFrom(home_.Path())); }
  void TearDown() override { Environment::Reset(); }
  TempFolder home_;
};

TEST_F(RegistryStore, WritesAndReadsBackBothHives) {
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine, "\\Software\\Vornel\\Internet", "Dialup"), std::nullopt);
  EXPECT_FALSE(RegistryKeyExists(RootKey::LocalMachine, "\\Software\\Vornel\\Internet"));

  ASSERT_TRUE(WriteRegistry(RootKey::LocalMachine, "\\Software\\Vornel\\Internet", "Dialup",
                            std::string("Conex\xE3o 1")));
  ASSERT_TRUE(WriteRegistry(RootKey::LocalMachine, "Software\\Vornel\\Internet\\", "AcessoDiscado",
                            std::uint32_t{0}));
  ASSERT_TRUE(WriteRegistry(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam", "",
                            std::string("PC7")));

  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine, "\\SOFTWARE\\VORNEL\\INTERNET", "dialup"),
            RegistryData(std::string("Conex\xE3o 1")));
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine, "\\Software\\Vornel\\Internet", "AcessoDiscado"),
            RegistryData(std::uint32_t{0}));
  EXPECT_EQ(ReadRegistry(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam", ""),
            RegistryData(std::string("PC7")));
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\ShellNoRoam", ""),
            std::nullopt);
  EXPECT_TRUE(RegistryKeyExists(RootKey::LocalMachine, "\\Software\\Vornel"));

  // Overwriting keeps one value of that name, and a value of another kind reads as such.
  ASSERT_TRUE(WriteRegistry(RootKey::LocalMachine, "\\Software\\Vornel\\Internet", "DIALUP",
                            std::uint32_t{5}));
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine, "\\Software\\Vornel\\Internet", "Dialup"),
            RegistryData(std::uint32_t{5}));
  const std::string written = test::ReadFileBytes(home_.Path() / "HKLM.reg");
  EXPECT_EQ(written.find("\"Dialup\""), written.rfind("\"Dialup\""));
  EXPECT_EQ(written.rfind("REGEDIT4\r\n", 0), 0u);

  EXPECT_FALSE(WriteRegistry(RootKey::LocalMachine, "\\", "x", std::uint32_t{1}));
}

TEST_F(RegistryStore, DroppedInExportIsReadAndAMalformedOneIsNeverOverwritten) {
  home_.Write("HKLM.reg", std::string("\xFF\xFE") + AnsiToUtf16Le(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"
      "\"Path\"=\"C:\\\\KORAMI\"\r\n"
      "\"Bin\"=hex:01\r\n"));
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine,
                         "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korami.exe", "Path"),
            RegistryData(std::string("C:\\KORAMI")));
  EXPECT_EQ(ReadRegistry(RootKey::LocalMachine,
                         "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korami.exe", "Bin"),
            std::nullopt);

  const std::string broken = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:zz\r\n";
  home_.Write("HKCU.reg", broken);
  EXPECT_THROW(ReadRegistry(RootKey::CurrentUser, "A", "x"), ConfigError);
  EXPECT_FALSE(WriteRegistry(RootKey::CurrentUser, "A", "y", std::uint32_t{1}));
  EXPECT_EQ(test::ReadFileBytes(home_.Path() / "HKCU.reg"), broken);
}

TEST_F(RegistryStore, ProcessesWritingAtOnceLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kWrites = 40;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        ok = WriteRegistry(RootKey::CurrentUser, "Software\\Teste\\P" + std::to_string(p),
                           "V" + std::to_string(i), std::uint32_t(p * 1000 + i)) && ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(ReadRegistry(RootKey::CurrentUser, "Software\\Teste\\P" + std::to_string(p),
                             "V" + std::to_string(i)),
                RegistryData(std::uint32_t(p * 1000 + i)))
          << p << " " << i;
    }
  }
}

TEST_F(RegistryStore, AHiveLinkOfAnotherUserIsRefusedAndOneOfOurOwnIsFollowed) {
  const auto mine = home_.Write("mine/HKCU.reg", "REGEDIT4\r\n\r\n");
  ASSERT_EQ(::symlink(mine.c_str(), (home_.Path() / "HKCU.reg").c_str()), 0);
  ASSERT_TRUE(WriteRegistry(RootKey::CurrentUser, "Software\\A", "x", std::uint32_t{1}));
  EXPECT_TRUE(std::filesystem::is_symlink(home_.Path() / "HKCU.reg"));
  EXPECT_NE(ReadFileBytes(mine).find("[HKEY_CURRENT_USER\\Software\\A]"), std::string::npos);

  if (!CanActAsSecondUser()) GTEST_SKIP() << kNeedsRoot;
  const auto victim = home_.Write("victim/.bashrc", "victim's shell");
  const std::string planted = (home_.Path() / "HKLM.reg").string();
  MakeShared(home_.Path());
  ASSERT_TRUE(AsSecondUser([&] { return ::symlink(victim.c_str(), planted.c_str()) == 0; }));
  EXPECT_FALSE(WriteRegistry(RootKey::LocalMachine, "Software\\A", "x", std::uint32_t{1}));
  EXPECT_EQ(ReadFileBytes(victim), "victim's shell");
  EXPECT_TRUE(std::filesystem::is_symlink(planted));
}

}  // namespace
}  // namespace lifto::platform
