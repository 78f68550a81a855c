#include <map>
#include <string>

#include <gtest/gtest.h>

#include "project/Script.h"
#include "project/ScriptTestHelpers.h"
#include "support/PeBuilder.h"
#include "support/SandboxHome.h"

namespace lifto::project {
namespace {

using test::ExampleScript;

// Versions by path, as the executables on the generating machine would give them.
VersionReader Versions(std::map<std::string, std::string> byPath, std::vector<std::string>* asked = nullptr) {
  return [byPath = std::move(byPath), asked](const std::string& path) {
    if (asked != nullptr) asked->push_back(path);
    const auto found = byPath.find(path);
    return found == byPath.end() ? std::string() : found->second;
  };
}

TEST(ScriptVersion, VersionOfTheProgramsEntryReplacesVersao) {
  ScriptLines lines = ExampleScript();
  std::vector<std::string> asked;
  RefreshVersion(lines, Versions({{"C:\\FONTES\\KORAMI.EXE", "6.5.0.13"}}, &asked));
  ScriptLines expected = ExampleScript();
  expected[5] = "VERSAO=6.5.0.13";
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(asked, std::vector<std::string>{"C:\\FONTES\\KORAMI.EXE"});
}

TEST(ScriptVersion, MissingVersaoIsInsertedBeforeTheFirstBlankLine) {
  ScriptLines lines = ExampleScript();
  lines.erase(lines.begin() + 5);
  lines[12] = "p_arq12=c:\\fontes\\korami.exe , \\";  // the file name compares in upper case
  RefreshVersion(lines, Versions({{"c:\\fontes\\korami.exe", "7.0.0.1"}}));
  EXPECT_EQ(lines[7], "VERSAO=7.0.0.1");
  EXPECT_EQ(lines[8], "");
  EXPECT_EQ(lines.size(), ExampleScript().size());
}

TEST(ScriptVersion, ProgramNamedByNoEntryDeletesVersao) {
  ScriptLines lines = ExampleScript();
  lines[2] = "PROG=MORBA.EXE";
  RefreshVersion(lines, Versions({{"C:\\FONTES\\KORAMI.EXE", "6.5.0.13"}}));
  EXPECT_EQ(FindKeyValue(lines, "VERSAO"), "");
  EXPECT_EQ(lines.size(), ExampleScript().size() - 1);
}

TEST(ScriptVersion, EntriesWithoutAReadableVersionArePassedOver) {
  // The [BACKUP] entry names the program first, but by a placeholder path.
  ScriptLines lines = ExampleScript();
  lines[10] = "B_ARQ10=<PONTO>\\KORAMI.EXE";
  RefreshVersion(lines, Versions({{"C:\\FONTES\\KORAMI.EXE", "6.5.0.14"}}));
  EXPECT_EQ(lines[5], "VERSAO=6.5.0.14");

  // Nothing readable: the typed version stays, never the lone "." a check cannot compare.
  RefreshVersion(lines, Versions({}));
  EXPECT_EQ(lines[5], "VERSAO=6.5.0.14");
}

TEST(ScriptVersion, OldScriptGainsAnEmptyBackupBlock) {
  ScriptLines lines = {"[CONFIG]", "PROG=KORAMI.EXE", "VERSAO=1.0.0.0", "", "[PONTO]",
                       "P_ARQ5=C:\\KORAMI.EXE , \\"};
  RefreshVersion(lines, Versions({{"C:\\KORAMI.EXE", "2.0.0.0"}}));
  EXPECT_EQ(lines, (ScriptLines{"[CONFIG]", "PROG=KORAMI.EXE", "VERSAO=2.0.0.0", "", "[BACKUP]", "",
                                "[PONTO]", "P_ARQ5=C:\\KORAMI.EXE , \\"}));

  // Neither a blank line nor a VERSAO line: nothing is written.
  ScriptLines tight = {"[CONFIG]", "PROG=A.EXE", "[PONTO]", "P_ARQ3=C:\\A.EXE , \\"};
  const ScriptLines before = tight;
  RefreshVersion(tight, Versions({{"C:\\A.EXE", "1.0.0.0"}}));
  EXPECT_EQ(tight, before);
}

TEST(ScriptVersion, ReadsTheFileVersionOfARealExecutable) {
  test::SandboxHome home;
  test::WritePeWithVersion(home.HostPath("C:\\FONTES\\KORAMI.EXE"), {{"FileVersion", "6.5.0.13"}});
  ScriptLines lines = ExampleScript();
  RefreshVersion(lines);
  EXPECT_EQ(lines[5], "VERSAO=6.5.0.13");

  // Version strings under another language block are no version: VERSAO stays as it is.
  test::WritePeWithVersion(home.HostPath("C:\\OUTRO\\KORAMI.EXE"), {{"FileVersion", "9.9.9.9"}},
                           "040904E4");
  lines[13] = "P_ARQ13=C:\\OUTRO\\KORAMI.EXE , \\";
  RefreshVersion(lines);
  EXPECT_EQ(lines[5], "VERSAO=6.5.0.13");
}

}  // namespace
}  // namespace lifto::project
