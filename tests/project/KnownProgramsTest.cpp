#include "project/KnownPrograms.h"

#include <gtest/gtest.h>

namespace lifto::project {
namespace {

TEST(KnownPrograms, FourRowsInOrder) {
  const auto& rows = KnownPrograms();
  EXPECT_EQ(rows[0].programFile, "KORAMI.EXE");
  EXPECT_EQ(rows[0].displayName, "TRELO-B System");
  EXPECT_EQ(rows[0].alias, "ALIAS_KORAMI");
  EXPECT_EQ(rows[1].programFile, "MORBA.EXE");
  EXPECT_EQ(rows[1].displayName, "TRELO-A System");
  EXPECT_EQ(rows[1].alias, "ALIAS_MORBA");
  EXPECT_EQ(rows[2].displayName, "PAVRO");
  EXPECT_EQ(rows[2].alias, "ALIAS_PAVRO");
  EXPECT_EQ(rows[3].programFile, "SELDOR.EXE");
  EXPECT_EQ(rows[3].displayName, "Seldor System");
  EXPECT_EQ(rows[3].alias, "ASELDOR");
  for (const auto& row : rows) EXPECT_EQ(row.kindCode, "V");
}

TEST(KnownPrograms, FindMatchesTheNameWithoutExtensionAnywhereIgnoringCase) {
  for (const char* name : {"/korami.exe", "C:\\X\\KORAMI.EXE", "KORAMIX", "Korami"}) {
    const KnownProgramMatch match = FindKnownProgram(name);
    EXPECT_EQ(match.row, 0) << name;
    EXPECT_TRUE(match.kindV);
  }
  EXPECT_EQ(FindKnownProgram("/R /morba.exe").Program().programFile, "MORBA.EXE");
  EXPECT_EQ(FindKnownProgram("SELDOR").row, 3);
  EXPECT_EQ(FindKnownProgram("pavro.exe").row, 2);
  // First row wins when two stems occur.
  EXPECT_EQ(FindKnownProgram("SELDOR-KORAMI").row, 0);
  for (const char* name : {"XYZ.EXE", "", "KORAM", "MOR BA"}) {
    const KnownProgramMatch none = FindKnownProgram(name);
    EXPECT_EQ(none.row, -1) << name;
    EXPECT_FALSE(none.Found());
    EXPECT_FALSE(none.kindV);
  }
}

TEST(KnownPrograms, ProgramOfAlias) {
  ASSERT_NE(KnownProgramOfAlias("aseldor"), nullptr);
  EXPECT_EQ(KnownProgramOfAlias("aseldor")->programFile, "SELDOR.EXE");
  EXPECT_EQ(KnownProgramOfAlias("ALIAS_X"), nullptr);
}

}  // namespace
}  // namespace lifto::project
