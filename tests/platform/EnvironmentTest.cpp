#include "platform/Environment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/EnvironmentText.h"
#include "platform/Paths.h"
#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedVariable;
using test::TempFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(Environment, EmptyRootGetsTheStandardDrivesAndFolders) {
  TempFolder temp;
  const auto home = temp.Path() / "lifto";
  const auto env = Environment::LoadFrom(home);
  ASSERT_EQ(env.Drives().size(), 2u);
  EXPECT_EQ(env.Drives()[0].prefix, "C");
  EXPECT_EQ(env.Drives()[0].folder, home / "drive_c");
  EXPECT_EQ(env.Drives()[1].prefix, "Z");
  EXPECT_EQ(env.Drives()[1].folder, "/");
  EXPECT_EQ(env.SystemValue("windowsfolder"), "C:\\WINDOWS");
  EXPECT_EQ(env.SystemValue("ComputerName"), "");
  EXPECT_TRUE(fs::is_directory(home / "drive_c" / "WINDOWS"));
  // The written defaults read back as the same environment.
  EXPECT_TRUE(fs::is_regular_file(home / "system.ini"));
  EXPECT_EQ(Environment::LoadFrom(home).Drives().size(), 2u);
  EXPECT_TRUE(env.AliasNames().empty());
}

TEST(Environment, EmptyWindowsFolderIsTheDefaultAndIsCreated) {
  TempFolder temp;
  temp.Write("system.ini", "[System]\nWindowsFolder=\n");
  const auto env = Environment::LoadFrom(temp.Path());
  EXPECT_EQ(env.SystemValue("WindowsFolder"), "C:\\WINDOWS");
  EXPECT_TRUE(fs::is_directory(temp.Path() / "drive_c" / "WINDOWS"));
}

TEST(Environment, ReadsDrivesSystemValuesAndAliases) {
  TempFolder temp;
  temp.Write("system.ini",
             "; drives of the office\r\n"
             "[Drives]\r\n"
             "f = /srv/vornel/\r\n"
             "A=floppy\r\n"
             "Z=\r\n"
             "\\\\servidor/dados=/srv/dados\r\n"
             "G=Arquivos \xC1gua\r\n"  // 1252 on disk, UTF-8 on the host
             "\r\n"
             "[System]\r\n"
             "ComputerName = PC1\r\n"
             "WindowsFolder=C:\\WIN\r\n"
             "[Later]\r\n"
             "Anything=goes\r\n");
  temp.Write("aliases.ini",
             "[ALIAS_KORAMI]\n"
             "PATH = F:\\KORAMI\\DADOS\n"
             "TYPE=STANDARD\n"
             "[alias_vorn]\n"
             "PATH=F:\\VORN\n");
  const auto env = Environment::LoadFrom(temp.Path());
  std::vector<std::string> prefixes;
  for (const auto& d : env.Drives()) prefixes.push_back(d.prefix);
  EXPECT_THAT(prefixes, ElementsAre("A", "C", "F", "G", "\\\\servidor\\dados"));
  EXPECT_EQ(env.FindDrive("f:")->folder, "/srv/vornel");
  EXPECT_EQ(env.FindDrive("A")->folder, temp.Path() / "floppy");
  EXPECT_EQ(env.FindDrive("G")->folder, temp.Path() / "Arquivos Água");
  EXPECT_EQ(env.FindDrive("\\\\SERVIDOR\\DADOS")->folder, "/srv/dados");
  EXPECT_EQ(env.FindDrive("Z"), nullptr);  // unmapped on purpose
  EXPECT_EQ(env.SystemValue("COMPUTERNAME"), "PC1");
  EXPECT_EQ(env.SystemValue("WindowsFolder"), "C:\\WIN");
  EXPECT_TRUE(fs::is_directory(temp.Path() / "drive_c" / "WIN"));

  EXPECT_THAT(env.AliasNames(), ElementsAre("ALIAS_KORAMI", "alias_vorn"));
  EXPECT_THAT(*env.AliasParameters("alias_korami"), ElementsAre("PATH=F:\\KORAMI\\DADOS", "TYPE=STANDARD"));
  EXPECT_THAT(*env.AliasParameters("ALIAS_VORN"), ElementsAre("PATH=F:\\VORN"));
  EXPECT_FALSE(env.AliasParameters("ALIAS_NONE").has_value());
}

TEST(Environment, BadLinesNameTheFileAndLine) {
  struct Case {
    const char* file;
    const char* text;
    int line;
    const char* problem;
  };
  const Case cases[] = {
      {"system.ini", "[Drives]\nC=drive_c\nthis is not a setting\n", 3, "Name=Value"},
      {"system.ini", "C=drive_c\n", 1, "before the first"},
      {"system.ini", "[Drives\n", 1, "]"},
      {"system.ini", "[Drives]\r\nQ1=/x\r\n", 2, "Q1"},
      {"system.ini", "[Drives]\nF=/a\nf=/b\n", 3, "twice"},
      {"system.ini", "[Drives]\n=/a\n", 2, "no name"},
      {"system.ini", "[System]\nComputerName=A\ncomputername=B\n", 3, "twice"},
      {"aliases.ini", "[ALIAS_A]\nPATH=C:\\A\n\n[alias_a]\n", 4, "twice"},
      {"aliases.ini", "[ALIAS_A]\nPATH\n", 2, "Name=Value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder temp;
    temp.Write(c.file, c.text);
    try {
      Environment::LoadFrom(temp.Path());
      ADD_FAILURE() << "no ConfigError";
    } catch (const ConfigError& e) {
      EXPECT_EQ(e.File(), temp.Path() / c.file);
      EXPECT_EQ(e.Line(), c.line);
      EXPECT_THAT(e.what(), HasSubstr(c.file));
      EXPECT_THAT(e.what(), HasSubstr("line " + std::to_string(c.line) + ":"));
      EXPECT_THAT(e.what(), HasSubstr(c.problem));
    }
  }
}

TEST(Environment, TextsReadByTheFileRulesWithoutTouchingTheDisk) {
  TempFolder temp;
  const auto home = temp.Path() / "home";
  const auto env = EnvironmentFromTexts(home, "[Drives]\nF=dados\nz=\n", "[ALIAS_A]\nPATH=F:\\A\n");
  ASSERT_NE(env.FindDrive("F"), nullptr);
  EXPECT_EQ(env.FindDrive("F")->folder, home / "dados");
  EXPECT_EQ(env.FindDrive("Z"), nullptr);
  EXPECT_EQ(env.FindDrive("C")->folder, home / "drive_c");
  EXPECT_THAT(*env.AliasParameters("alias_a"), ElementsAre("PATH=F:\\A"));
  EXPECT_FALSE(fs::exists(home));

  try {
    EnvironmentFromTexts(home, std::nullopt, "[A]\n[a]\n");
    ADD_FAILURE() << "no ConfigError";
  } catch (const ConfigError& e) {
    EXPECT_EQ(e.File(), home / "aliases.ini");
    EXPECT_EQ(e.Line(), 2);
  }
}

TEST(Environment, UnreadableFileIsAConfigErrorForTheWholeFile) {
  TempFolder temp;
  fs::create_directories(temp.Path() / "aliases.ini");
  try {
    Environment::LoadFrom(temp.Path());
    ADD_FAILURE() << "no ConfigError";
  } catch (const ConfigError& e) {
    EXPECT_EQ(e.Line(), 0);
    EXPECT_THAT(e.what(), HasSubstr("aliases.ini: "));
  }
}

TEST(Environment, DefaultHomeFollowsTheVariables) {
  {
    ScopedVariable home("LIFTO_HOME", "/srv/lifto");
    EXPECT_EQ(Environment::DefaultHome(), "/srv/lifto");
  }
  ScopedVariable none("LIFTO_HOME", nullptr);
  {
    ScopedVariable data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(Environment::DefaultHome(), "/data/lifto");
  }
  ScopedVariable noData("XDG_DATA_HOME", nullptr);
  ScopedVariable user("HOME", "/home/ana");
  EXPECT_EQ(Environment::DefaultHome(), "/home/ana/.local/share/lifto");
}

TEST(Environment, SandboxIsCurrentForItsLifetimeOnly) {
  TempFolder outer;
  Environment::SetCurrent(Environment::LoadFrom(outer.Path()));
  {
    test::SandboxHome sandbox({{"F", "srv"}}, {{"ALIAS_KORAMI", "F:\\KORAMI"}});
    EXPECT_EQ(Environment::Current().Home(), sandbox.Home());
    EXPECT_EQ(std::getenv("LIFTO_HOME"), sandbox.Home().string());
    EXPECT_TRUE(fs::is_directory(sandbox.Home() / "srv"));
    EXPECT_EQ(sandbox.Write("f:\\korami\\x.txt", "x"), sandbox.Home() / "srv" / "korami" / "x.txt");
    sandbox.AddAlias("ALIAS_VORN", "F:\\VORN");
    EXPECT_TRUE(Environment::Current().AliasParameters("ALIAS_KORAMI").has_value());
    EXPECT_TRUE(Environment::Current().AliasParameters("ALIAS_VORN").has_value());
  }
  EXPECT_EQ(Environment::Current().Home(), outer.Path());
  Environment::Reset();
}

}  // namespace
}  // namespace lifto::platform
