#include <gtest/gtest.h>

#include "tables/cp932.h"

using namespace eiyou;

TEST(Cp932, UsesTheWindowsTableNotJis) {
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "～");  // U+FF5E, not the JIS wave dash
  EXPECT_EQ(Cp932ToUtf8("\x81\x5F"), "＼");  // U+FF3C
  EXPECT_EQ(Cp932ToUtf8("\x5C"), "\\");
  EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "①");
  std::string out;
  ASSERT_TRUE(Utf8ToCp932("～", out));
  EXPECT_EQ(out, "\x81\x60");
  ASSERT_TRUE(Utf8ToCp932("和      食", out));
  EXPECT_EQ(out, "\x98\x61      \x90\x48");
}

TEST(Cp932, InvalidBytesBecomeReplacementCharactersWithoutTruncating) {
  // A lone trail-less lead byte in the middle and at the end.
  EXPECT_EQ(Cp932ToUtf8(std::string("a\x81 b", 4)), "a\xEF\xBF\xBD b");
  EXPECT_EQ(Cp932ToUtf8(std::string("ab\x81", 3)), "ab\xEF\xBF\xBD");
  EXPECT_EQ(Cp932ToUtf8(std::string("\xA0x", 2)).substr(3), "x");
}

TEST(Cp932, CharactersOutsideTheCodePageAreReported) {
  std::string out;
  EXPECT_FALSE(Utf8ToCp932("€", out));
  EXPECT_FALSE(Utf8ToCp932("µ", out));
  EXPECT_TRUE(Utf8ToCp932("", out));
  EXPECT_EQ(out, "");
}
