// The converters are kept between calls: a call must start afresh whatever
// the one before it met (a bad byte, a cut-off character, an unknown one).
#include <gtest/gtest.h>

#include <string>

#include "tables/cp932.h"

namespace eiyou {
namespace {

TEST(Cp932Converters, EachCallStartsAfresh) {
  const std::string a = "\x82\xa0";  // あ
  const std::string aUtf8 = "\xE3\x81\x82";
  const std::string replacement = "\xEF\xBF\xBD";
  for (int round = 0; round < 2; ++round) {
    // A lead byte at the very end leaves nothing pending for the next text.
    EXPECT_EQ(Cp932ToUtf8("x\x82"), "x" + replacement);
    // (with the lead byte still pending, 82 A1 would read as a hiragana)
    EXPECT_EQ(Cp932ToUtf8("\xa1"), "\xEF\xBD\xA1");  // the half-width full stop
    EXPECT_EQ(Cp932ToUtf8(a), aUtf8);
    // An invalid byte in the middle does not affect the next call.
    EXPECT_EQ(Cp932ToUtf8("\x82\x20" + a), replacement + " " + aUtf8);
    EXPECT_EQ(Cp932ToUtf8(a), aUtf8);

    std::string out = "stale";
    EXPECT_FALSE(Utf8ToCp932("\xE2\x82\xAC", out));  // the euro sign has no code
    EXPECT_TRUE(Utf8ToCp932(aUtf8, out));
    EXPECT_EQ(out, a);
    // A UTF-8 sequence cut short fails, and the next text converts whole.
    EXPECT_FALSE(Utf8ToCp932("\xE3\x81", out));
    EXPECT_TRUE(Utf8ToCp932("abc" + aUtf8, out));
    EXPECT_EQ(out, "abc" + a);
  }
}

}  // namespace
}  // namespace eiyou
