#include "project/Script.h"

#include <gtest/gtest.h>

#include "project/ScriptTestHelpers.h"

namespace lifto::project {
namespace {

using test::ExampleScript;

EntryParts Config(std::string key, std::string value, std::string alias = "") {
  return EntryParts{std::move(key), std::move(value), std::move(alias), ""};
}
EntryParts File(std::string path, std::string folder = "") {
  return EntryParts{"", std::move(path), "", std::move(folder)};
}

TEST(Script, EditingANewScriptGivesTheCompleteExample) {
  ScriptLines lines = NewScript();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines.back(), "[WINDOWS]");
  ReplaceEntry(lines, 1, "CONFIG", Config("ALIAS", "", "ALIAS_KORAMI"));  // sets PROG too
  ReplaceEntry(lines, 4, "CONFIG", Config("DESCRICAO", "ATUALIZACAO 6.5"));
  ReplaceEntry(lines, 5, "CONFIG", Config("VERSAO", "6.5.0.12"));
  EXPECT_EQ(InsertEntry(lines, "BACKUP", File("<PONTO>\\INDICE.IDX", "\\ignored\\")), 10);
  EXPECT_EQ(InsertEntry(lines, "PONTO", File("C:\\FONTES\\KORAMI.EXE", "\\")), 13);
  EXPECT_EQ(InsertEntry(lines, "SERVIDOR", File("C:\\FONTES\\TABSQL.DB", "\\DADOS\\")), 16);
  EXPECT_EQ(InsertEntry(lines, "WINDOWS", File("C:\\FONTES\\MINHADLL.DLL", "\\SYSTEM\\")), 19);
  EXPECT_EQ(lines, ExampleScript());
}

TEST(Script, InsertPositionsFollowTheSectionBlocks) {
  ScriptLines lines = NewScript();
  EXPECT_EQ(InsertEntry(lines, "PONTO", File("C:\\A.EXE", "\\")), 12);
  EXPECT_EQ(lines[12], "P_ARQ12=C:\\A.EXE , \\");
  EXPECT_EQ(InsertEntry(lines, "SERVIDOR", File("C:\\A.EXE", "\\")), 15);
  EXPECT_EQ(lines[15], "S_ARQ15=C:\\A.EXE , \\");

  // The last section has no blank line after it: entries are appended.
  ScriptLines fresh = NewScript();
  EXPECT_EQ(InsertEntry(fresh, "WINDOWS", File("C:\\A.DLL", "\\SYSTEM\\")), 16);
  EXPECT_EQ(InsertEntry(fresh, "WINDOWS", File("C:\\B.DLL", "\\SYSTEM\\")), 17);
  EXPECT_EQ(fresh[17], "W_ARQ17=C:\\B.DLL , \\SYSTEM\\");

  // A last section ending with a blank last line gets the entry after that blank line.
  fresh.push_back("");
  EXPECT_EQ(InsertEntry(fresh, "WINDOWS", File("C:\\C.DLL", "\\")), 19);
  EXPECT_EQ(fresh[18], "");

  // A missing header (the match is case-sensitive) appends at the end of the file.
  ScriptLines other = {"[config]", "A=1", "", "[X]"};
  EXPECT_EQ(InsertEntry(other, "CONFIG", Config("B", "2")), 4);
  EXPECT_EQ(other[4], "B=2");
}

TEST(Script, AliasSetsTheProgramOfItsBlock) {
  ScriptLines lines = {"[CONFIG]", "ALIAS=", "DESCRICAO=PROGRAMA NOVO", "PROG=X.EXE", ""};
  ReplaceEntry(lines, 1, "CONFIG", Config(" ALIAS ", "typed value", "ALIAS_MORBA"));
  EXPECT_EQ(lines[1], " ALIAS =ALIAS_MORBA");
  EXPECT_EQ(lines[2], "DESCRICAO=PROGRAMA NOVO");
  EXPECT_EQ(lines[3], "PROG=MORBA.EXE");

  ReplaceEntry(lines, 1, "CONFIG", Config("ALIAS", "", "ALIAS_OUTRO"));  // no known row
  EXPECT_EQ(lines[1], "ALIAS=ALIAS_OUTRO");
  EXPECT_EQ(lines[3], "PROG=MORBA.EXE");

  ScriptLines otherBlock = {"[CONFIG]", "ALIAS=", "", "[X]", "PROG=Y.EXE"};
  ReplaceEntry(otherBlock, 1, "CONFIG", Config("ALIAS", "", "ASELDOR"));
  EXPECT_EQ(otherBlock[4], "PROG=Y.EXE");
}

TEST(Script, ReplacedEntryTakesTheKeyOfItsCurrentLine) {
  ScriptLines lines = ExampleScript();
  ASSERT_TRUE(DeleteEntry(lines, 10));  // the [BACKUP] entry: everything below moves up
  ReplaceEntry(lines, 12, "PONTO", File("C:\\FONTES\\NOVO.EXE", "\\DADOS\\"));
  EXPECT_EQ(lines[12], "P_ARQ12=C:\\FONTES\\NOVO.EXE , \\DADOS\\");
  EXPECT_THROW(ReplaceEntry(lines, 99, "PONTO", File("X")), std::out_of_range);
}

TEST(Script, FileEntryKeysStayDistinctWithinASection) {
  ScriptLines lines = NewScript();
  InsertEntry(lines, "PONTO", File("C:\\A.EXE", "\\"));  // P_ARQ12 at 12
  InsertEntry(lines, "PONTO", File("C:\\B.EXE", "\\"));  // P_ARQ13 at 13
  ASSERT_TRUE(DeleteEntry(lines, 10));                   // the blank of [BACKUP]
  // The new entry lands at 13 again, where the old P_ARQ13 used to be numbered.
  EXPECT_EQ(InsertEntry(lines, "PONTO", File("C:\\C.EXE", "\\")), 13);
  EXPECT_EQ(lines[11], "P_ARQ12=C:\\A.EXE , \\");
  EXPECT_EQ(lines[12], "P_ARQ13=C:\\B.EXE , \\");
  EXPECT_EQ(lines[13], "P_ARQ14=C:\\C.EXE , \\");
}

TEST(Script, DeleteRefusesHeadersAndIndexesOutside) {
  ScriptLines lines = ExampleScript();
  EXPECT_FALSE(DeleteEntry(lines, 9));
  EXPECT_FALSE(DeleteEntry(lines, -1));
  EXPECT_FALSE(DeleteEntry(lines, 20));
  EXPECT_EQ(lines, ExampleScript());
  EXPECT_TRUE(DeleteEntry(lines, 19));
  EXPECT_EQ(lines.back(), "[WINDOWS]");
}

TEST(Script, FindKeyValueReadsTheFirstMatchingLineAsStored) {
  ScriptLines lines = ExampleScript();
  EXPECT_EQ(FindKeyValue(lines, "prog"), "KORAMI.EXE");
  EXPECT_EQ(FindKeyValue(lines, "EXECUTAR"), "");
  EXPECT_EQ(FindKeyValue(lines, "NUMDISCOS"), "");
  EXPECT_EQ(FindKeyValue(lines, "p_arq13"), "C:\\FONTES\\KORAMI.EXE , \\");

  lines.insert(lines.begin() + 3, "VERSAO= 1.0 ");  // blanks kept; the first line wins
  lines.push_back("A\xC7\xC3O=acentos");
  lines.push_back("PROG =SPACED");
  EXPECT_EQ(FindKeyValue(lines, "VERSAO"), " 1.0 ");
  EXPECT_EQ(FindKeyValue(lines, "a\xE7\xE3o"), "acentos");
  EXPECT_EQ(FindKeyValue(lines, "PROG "), "SPACED");
  EXPECT_EQ(FindKeyValue({"[PROG]", "PROG"}, "PROG"), "");
}

TEST(Script, SectionOfLineWalksUpToItsHeader) {
  const ScriptLines lines = ExampleScript();
  EXPECT_EQ(SectionOfLine(lines, 0), "CONFIG");
  EXPECT_EQ(SectionOfLine(lines, 8), "CONFIG");
  EXPECT_EQ(SectionOfLine(lines, 13), "PONTO");
  EXPECT_EQ(SectionOfLine(lines, 19), "WINDOWS");
  EXPECT_EQ(SectionOfLine(lines, 20), "");
  EXPECT_EQ(SectionOfLine({"A=1", "[B"}, 0), "");
  EXPECT_EQ(SectionOfLine({"[", "x"}, 1), "");
}

TEST(Script, FileNameOfPathIsTheTextAfterTheLastBackslash) {
  EXPECT_EQ(FileNameOfPath("C:\\FONTES\\KORAMI.EXE"), "KORAMI.EXE");
  EXPECT_EQ(FileNameOfPath("C:\\FONTES\\"), "");
  EXPECT_EQ(FileNameOfPath("KORAMI.EXE"), "");
}

}  // namespace
}  // namespace lifto::project
