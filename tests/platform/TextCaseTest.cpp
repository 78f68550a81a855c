#include "platform/TextCase.h"

#include <gtest/gtest.h>

namespace lifto::platform {
namespace {

TEST(TextCase, EveryLetterHasItsCapitalAndBack) {
  EXPECT_EQ(Upper1252("atualiza\xe7\xe3o \x9a\x9c\x9e\xff"), "ATUALIZA\xc7\xc3O \x8a\x8c\x8e\x9f");
  EXPECT_EQ(Lower1252("ATUALIZA\xc7\xc3O \x8a\x8c\x8e\x9f"), "atualiza\xe7\xe3o \x9a\x9c\x9e\xff");
  // Every byte that changes case comes back to itself; the signs beside the letters stay.
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    if (UpperChar1252(c) != c) {
      EXPECT_EQ(LowerChar1252(UpperChar1252(c)), c) << b;
    }
    if (LowerChar1252(c) != c) {
      EXPECT_EQ(UpperChar1252(LowerChar1252(c)), c) << b;
    }
  }
  EXPECT_EQ(Upper1252("\xf7\xdf"), "\xf7\xdf");  // the division sign; sharp s has no capital
  EXPECT_EQ(Lower1252("\xd7"), "\xd7");          // the multiplication sign
  EXPECT_TRUE(EqualsNoCase("Atualiza\xe7\xe3o", "ATUALIZA\xc7\xc3O"));
  EXPECT_FALSE(EqualsNoCase("ATUALIZA", "ATUALIZAR"));
}

}  // namespace
}  // namespace lifto::platform
