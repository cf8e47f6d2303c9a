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

// The table decoder gives iconv's answer byte for byte: every one- and
// two-byte text, every lead byte before every byte and at the end, and
// random texts of valid and invalid bytes mixed.
TEST(Cp932ToUtf8, TableDecodingEqualsIconv) {
  std::string text;
  for (int a = 0; a < 256; ++a) {
    text.assign(1, static_cast<char>(a));
    ASSERT_EQ(Cp932ToUtf8(text), Cp932ToUtf8ByIconv(text)) << a;
    for (int b = 0; b < 256; ++b) {
      text.assign({static_cast<char>(a), static_cast<char>(b)});
      ASSERT_EQ(Cp932ToUtf8(text), Cp932ToUtf8ByIconv(text)) << a << "," << b;
      text += '\x81';  // a lead byte left at the end
      ASSERT_EQ(Cp932ToUtf8(text), Cp932ToUtf8ByIconv(text)) << a << "," << b;
    }
  }
  std::uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    text.clear();
    for (int i = 0; i < 40; ++i) {
      seed = seed * 1103515245 + 12345;
      text += static_cast<char>(seed >> 16);
    }
    ASSERT_EQ(Cp932ToUtf8(text), Cp932ToUtf8ByIconv(text)) << round;
  }
}
