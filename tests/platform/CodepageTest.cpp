#include "platform/Codepage.h"

#include <gtest/gtest.h>

namespace lifto::platform {
namespace {

TEST(Codepage, AccentedLettersRoundTrip) {
  const std::string ansi = "Atualiza\xE7\xE3o";
  EXPECT_EQ(ToUtf8(ansi), "Atualização");
  EXPECT_EQ(FromUtf8("Atualização"), ansi);
  EXPECT_EQ(Ansi("não"), "n\xE3o");
}

TEST(Codepage, EveryByteRoundTripsIncludingTheUndefinedOnes) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
  EXPECT_EQ(ToUtf8("\x81"), "\xC2\x81");
  EXPECT_EQ(ToUtf8("\x80"), "€");
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(FromUtf8("a\xE4\xB8\x80z"), "a?z");  // a CJK character
  EXPECT_EQ(FromUtf8("a\xC3"), "a?");            // cut short
  EXPECT_EQ(FromUtf8("\xFF"), "?");
}

}  // namespace
}  // namespace lifto::platform
