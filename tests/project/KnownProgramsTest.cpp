#include "project/KnownPrograms.h"

#include <gtest/gtest.h>

namespace lifto::project {
namespace {

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

}  // namespace
}  // namespace lifto::project
