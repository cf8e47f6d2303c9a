#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include "tables/numbers.h"

using namespace eiyou;

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
}  // namespace

TEST(ParseIntLenient, CleanNumbers) {
  EXPECT_EQ(ParseIntLenient("35"), 35);
  EXPECT_EQ(ParseIntLenient(" 35"), 35);
  EXPECT_EQ(ParseIntLenient("   +35"), 35);
  EXPECT_EQ(ParseIntLenient("-7"), -7);
  EXPECT_EQ(ParseIntLenient("0012"), 12);
  EXPECT_EQ(ParseIntLenient("$1F"), 31);
  EXPECT_EQ(ParseIntLenient("$ff"), 255);
  EXPECT_EQ(ParseIntLenient(" $a0"), 160);
}

TEST(ParseIntLenient, StopsAtTheFirstMisfitAndDropsTheSign) {
  EXPECT_EQ(ParseIntLenient("12.5"), 12);
  EXPECT_EQ(ParseIntLenient("-3x"), 3);
  EXPECT_EQ(ParseIntLenient("-12.5"), 12);
  EXPECT_EQ(ParseIntLenient("35 "), 35);  // a trailing blank is a misfit too
  EXPECT_EQ(ParseIntLenient("$1G"), 1);
  for (const char* text : {"", "   ", "-", "+", "Tr", "(0)", "$", "-$1F", "\t5", "0x1F", "x"}) {
    EXPECT_EQ(ParseIntLenient(text), 0) << text;
  }
}

TEST(ParseIntLenient, SaturatesBeyondThirtyTwoBits) {
  EXPECT_EQ(ParseIntLenient("2147483647"), kMax);
  EXPECT_EQ(ParseIntLenient("2147483648"), kMax);
  EXPECT_EQ(ParseIntLenient("-2147483648"), kMin);
  EXPECT_EQ(ParseIntLenient("-2147483649"), kMin);
  EXPECT_EQ(ParseIntLenient(std::string(400, '9')), kMax);
  EXPECT_EQ(ParseIntLenient("-" + std::string(400, '9')), kMin);
  EXPECT_EQ(ParseIntLenient("-" + std::string(400, '9') + "x"), kMax);  // stop rule: unsigned
  EXPECT_EQ(ParseIntLenient("$7FFFFFFF"), kMax);
  EXPECT_EQ(ParseIntLenient("$FFFFFFFF"), kMax);
  EXPECT_EQ(ParseIntLenient("$" + std::string(100, 'F')), kMax);
}

TEST(ParseRealLenient, CleanNumbersAreTheNearestExtendedValue) {
  EXPECT_EQ(ParseRealLenient("0.25"), 0.25L);
  EXPECT_EQ(ParseRealLenient("-0.5"), -0.5L);
  EXPECT_EQ(ParseRealLenient("0.3"), 0.3L);  // not the double 0.3
  EXPECT_NE(ParseRealLenient("0.3"), static_cast<long double>(0.3));
  EXPECT_EQ(ParseRealLenient("0.1"), 0.1L);
  EXPECT_EQ(ParseRealLenient("  +12.5"), 12.5L);
  EXPECT_EQ(ParseRealLenient("1.5e3"), 1500.0L);
  EXPECT_EQ(ParseRealLenient("25E-2"), 0.25L);
  EXPECT_EQ(ParseRealLenient("12.34e+1"), 123.4L);
  EXPECT_EQ(ParseRealLenient(".5"), 0.5L);
  EXPECT_EQ(ParseRealLenient("5."), 5.0L);
  EXPECT_EQ(ParseRealLenient("000.0100"), 0.01L);
  EXPECT_EQ(ParseRealLenient("1234567890.123456789"), 1234567890.123456789L);
  EXPECT_EQ(ParseRealLenient("1234567890123456789012345"), 1234567890123456789012345.0L);
  EXPECT_EQ(ParseRealLenient("1e"), 1.0L);  // an exponent without digits is 0
  EXPECT_EQ(ParseRealLenient("."), 0.0L);
  EXPECT_FALSE(std::signbit(ParseRealLenient("-0")));
  EXPECT_FALSE(std::signbit(ParseRealLenient("-0.0e5")));
}

TEST(ParseRealLenient, StopsWithTheUnscaledUnsignedMantissa) {
  EXPECT_EQ(ParseRealLenient("1.2 "), 12.0L);
  EXPECT_EQ(ParseRealLenient("12.5g"), 125.0L);
  EXPECT_EQ(ParseRealLenient("-0.75x"), 75.0L);
  EXPECT_EQ(ParseRealLenient("1.5e3x"), 15.0L);
  EXPECT_EQ(ParseRealLenient("1.2.3"), 12.0L);
  for (const char* text : {"", "  ", "-", "+", "Tr", "(1.2)", "(0)", "\t1"}) {
    EXPECT_EQ(ParseRealLenient(text), 0.0L) << text;
  }
}

TEST(ParseRealLenient, NeverHandsLibraryOnlyFormsToAParser) {
  // Texts a library parser would take as infinity, NaN or hexadecimal.
  EXPECT_EQ(ParseRealLenient("inf"), 0.0L);
  EXPECT_EQ(ParseRealLenient("-Infinity"), 0.0L);
  EXPECT_EQ(ParseRealLenient("nan"), 0.0L);
  EXPECT_EQ(ParseRealLenient("NAN(123)"), 0.0L);
  EXPECT_EQ(ParseRealLenient("0x1p3"), 0.0L);
  EXPECT_EQ(ParseRealLenient("0x10"), 0.0L);
  EXPECT_EQ(ParseRealLenient("1,5"), 1.0L);
}

// Short numbers take a quicker way than long ones: both must give the
// library's correctly rounded value, whatever rounding mode the caller set.
TEST(ParseRealLenient, EveryLengthAndScaleIsTheLibrarysNearestValueInAnyMode) {
  const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  ASSERT_NE(c, nullptr);
  std::mt19937_64 random(20240601);
  const int saved = std::fegetround();
  for (int n = 0; n < 20000; ++n) {
    // 1 to 22 digits (19 is the most an integer below 2^64 holds), a point
    // anywhere, an exponent now and then: scales on both sides of 10^±27.
    std::string digits = std::to_string(random() % 9 + 1);
    const auto length = random() % 22;
    while (digits.size() <= length) digits += static_cast<char>('0' + random() % 10);
    std::string text = (n % 5 == 0 ? "00" : "") + digits;
    text.insert(random() % (text.size() + 1), ".");
    if (n % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 61) - 30);
    const long double expected = strtold_l(text.c_str(), nullptr, c);
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
      ASSERT_EQ(std::fesetround(mode), 0);
      const long double got = ParseRealLenient(text);
      std::fesetround(saved);
      ASSERT_EQ(got, expected) << text << " in mode " << mode;
    }
  }
  freelocale(c);
}

TEST(ParseRealLenient, ExponentExtremes) {
  EXPECT_EQ(ParseRealLenient("1e5000"), HUGE_VALL);
  EXPECT_EQ(ParseRealLenient("-1e5000"), -HUGE_VALL);
  EXPECT_EQ(ParseRealLenient("1e4933"), HUGE_VALL);  // just past the largest extended value
  EXPECT_EQ(ParseRealLenient("1e99999999999999999999999"), HUGE_VALL);
  EXPECT_EQ(ParseRealLenient("1e-5000"), 0.0L);
  EXPECT_EQ(ParseRealLenient("-1e-99999999999999999999999"), 0.0L);
  EXPECT_EQ(ParseRealLenient("0e99999999999999999999"), 0.0L);
  EXPECT_EQ(ParseRealLenient("1e4000"), 1e4000L);
  EXPECT_EQ(ParseRealLenient("1e-4000"), 1e-4000L);
  EXPECT_EQ(ParseRealLenient("0." + std::string(6000, '0') + "1e6000"), 0.1L);
  EXPECT_EQ(ParseRealLenient(std::string(6000, '9')), HUGE_VALL);
  EXPECT_EQ(ParseRealLenient(std::string(6000, '9') + "x"), HUGE_VALL);
}

namespace {

bool TryCommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE",
                           "fr_FR"}) {
    if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') return true;
  }
  return false;
}

// Switches to a locale whose decimal separator is a comma: an installed one, or
// one compiled into a scratch directory when the locale sources are there.
class CommaLocale {
 public:
  CommaLocale() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    saved_ = current ? current : "C";
    if (TryCommaLocale()) {
      active_ = true;
      return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "eiyou-locale-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
      scratch_ = pattern;
      std::string command = "localedef -i de_DE -f UTF-8 '" + scratch_ + "/de_DE.UTF-8' >/dev/null 2>&1";
      if (std::system(command.c_str()) == 0 && setenv("LOCPATH", scratch_.c_str(), 1) == 0) {
        active_ = TryCommaLocale();
      }
    }
    if (!active_) std::setlocale(LC_ALL, saved_.c_str());
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, saved_.c_str());
    if (!scratch_.empty()) {
      unsetenv("LOCPATH");
      std::error_code ec;
      std::filesystem::remove_all(scratch_, ec);
    }
  }
  bool active() const { return active_; }

 private:
  std::string saved_;
  std::string scratch_;
  bool active_ = false;
};

}  // namespace

TEST(NumberReaders, IgnoreTheUsersLocale) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma available";
  EXPECT_EQ(ParseRealLenient("0.3"), 0.3L);
  EXPECT_EQ(ParseRealLenient("12.5"), 12.5L);
  EXPECT_EQ(ParseRealLenient("2.5e-1"), 0.25L);
  EXPECT_EQ(ParseRealLenient("1,5"), 1.0L);  // a comma is still a misfit
  EXPECT_EQ(ParseIntLenient("1234"), 1234);
}
