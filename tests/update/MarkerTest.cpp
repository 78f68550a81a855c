#include "update/Marker.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"

namespace lifto::test {
namespace {

using update::MarkerPath;
using update::ReadMarker;
using update::WriteMarker;

class MarkerTest : public UpdateFixture {};

TEST_F(MarkerTest, WritesTheScriptNameIntoTheUpdatesFolderOfTheAlias) {
  home.Write("F:\\KORAMI\\updates\\old.txt", "");
  context.scriptEscolhido = "X.aex";

  WriteMarker(context, true, "ALIAS_KORAMI");

  EXPECT_EQ(MarkerPath("ALIAS_KORAMI"), "F:\\KORAMI\\updates\\atualiza.ok");
  EXPECT_EQ(Read("F:\\KORAMI\\UPDATES\\ATUALIZA.OK"), "X.aex\r\n");
  EXPECT_EQ(ReadMarker("F:\\KORAMI\\updates\\atualiza.ok"), "X.aex");

  context.scriptEscolhido = "Y.aex";
  WriteMarker(context, true, 0);  // KORAMI.EXE
  EXPECT_EQ(ReadMarker("F:\\KORAMI\\updates\\atualiza.ok"), "Y.aex");

  WriteMarker(context, false, "ALIAS_KORAMI");
  EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\atualiza.ok"));
}

TEST_F(MarkerTest, UnknownAliasWritesNothing) {
  context.scriptEscolhido = "X.aex";
  EXPECT_EQ(MarkerPath("ALIAS_NONE"), "");
  EXPECT_THROW(WriteMarker(context, true, "ALIAS_NONE"), std::runtime_error);
  // Off has nothing to delete there.
  EXPECT_NO_THROW(WriteMarker(context, false, "ALIAS_NONE"));
}

}  // namespace
}  // namespace lifto::test
