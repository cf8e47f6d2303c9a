#include "tables/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace eiyou {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The extended value nearest to digits × 10^exponent. `digits` holds decimal
// digits only, without leading zeros. The text handed to from_chars is built
// here, so no locale, "inf", "nan" or hexadecimal form can reach the parser.
// Beyond the extended range: HUGE_VALL on overflow, 0 on underflow.
long double DecimalToExtended(const std::string& digits, long long exponent) {
  if (digits.empty()) return 0.0L;
  // Decimal magnitude: the value lies in [10^m, 10^(m+1)).
  const long long magnitude = static_cast<long long>(digits.size()) - 1 + exponent;
  if (magnitude > 5000) return HUGE_VALL;
  if (magnitude < -5000) return 0.0L;
  std::string text = digits;
  text += 'e';
  text += std::to_string(exponent);
  long double value = 0.0L;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                std::chars_format::scientific);
  if (result.ec == std::errc::result_out_of_range) return magnitude > 0 ? HUGE_VALL : 0.0L;
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return 0.0L;
  // An inexact subnormal is reported out of range (0 above), an exact one is not:
  // both are below the normal range and read as 0 alike.
  if (std::fpclassify(value) == FP_SUBNORMAL) return 0.0L;
  return value;
}

// Up to 19 digits are an integer below 10^19 < 2^64, held exactly by the
// extended significand, as is every power of ten up to 10^27 (5^27 < 2^64).
// One multiplication or division of the two is then correctly rounded: the
// nearest extended value to the decimal text, as the library's conversion
// gives it whatever the rounding mode, at a fraction of its cost, as long as
// the unit rounds to nearest. Most texts read are such short numbers.
constexpr int kExactDigits = 19;
constexpr int kExactPowers = 27;
constexpr long double kPowersOfTen[kExactPowers + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// The digits of a number's text with the point left out and leading zeros
// dropped.
std::string SignificantDigits(std::string_view number) {
  std::string digits;
  for (char c : number)
    if (IsDigit(c) && !(digits.empty() && c == '0')) digits.push_back(c);
  return digits;
}

// The extended value nearest to M × 10^exponent, M the significant digits of
// `number` (its digits and point), `count` of them, the first kExactDigits
// of which `value` holds.
long double DigitsTimesPowerOfTen(std::string_view number, long long count, std::uint64_t value,
                                  long long exponent) {
  if (count == 0) return 0.0L;
  if (count <= kExactDigits && exponent >= -kExactPowers && exponent <= kExactPowers &&
      RoundsToNearestExtended()) {
    const auto m = static_cast<long double>(value);
    return exponent >= 0 ? m * kPowersOfTen[exponent] : m / kPowersOfTen[-exponent];
  }
  return DecimalToExtended(SignificantDigits(number), exponent);
}

}  // namespace

std::int32_t ParseIntLenient(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  bool hex = false;
  if (i < text.size()) {
    if (text[i] == '-') {
      negative = true;
      ++i;
    } else if (text[i] == '+') {
      ++i;
    } else if (text[i] == '$') {
      hex = true;
      ++i;
    }
  }
  // The magnitude saturates just above the 32-bit range, so that it can neither
  // overflow here nor wrap around below.
  constexpr std::int64_t kCap = std::int64_t(1) << 32;
  const int base = hex ? 16 : 10;
  std::int64_t value = 0;
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    int digit = hex ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) break;
    value = std::min(kCap, value * base + digit);
    anyDigit = true;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  if (i == text.size() && anyDigit && negative) return static_cast<std::int32_t>(std::max(kMin, -value));
  // Either a clean positive number or the digits read before the offending
  // character, without the sign.
  return static_cast<std::int32_t>(std::min(kMax, value));
}

long double ParseRealLenient(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  // M: its significant digits (leading zeros dropped), counted, the first
  // kExactDigits of them as a number; the text is read again for the rest
  // only when they are needed.
  const std::size_t numberStart = i;
  long long count = 0;
  std::uint64_t value = 0;
  long long fractionDigits = 0;    // d
  auto readDigits = [&](bool afterPoint) {
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (count > 0 || text[i] != '0') {
        if (count < kExactDigits) value = value * 10 + static_cast<unsigned>(text[i] - '0');
        ++count;
      }
      if (afterPoint) ++fractionDigits;
    }
  };
  readDigits(false);
  if (i < text.size() && text[i] == '.') {
    ++i;
    readDigits(true);
  }
  const std::string_view number = text.substr(numberStart, i - numberStart);
  long long exponent = 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponentNegative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
      exponentNegative = text[i] == '-';
      ++i;
    }
    // Saturates far beyond the extended range; the conversion then gives
    // HUGE_VALL or 0.
    constexpr long long kExponentCap = 1000000000LL;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      exponent = std::min(kExponentCap, exponent * 10 + (text[i] - '0'));
    }
    if (exponentNegative) exponent = -exponent;
  }
  if (i != text.size()) {
    // Stopped at a character that fits nowhere: M as read, unscaled and unsigned.
    return DigitsTimesPowerOfTen(number, count, value, 0);
  }
  const long double result = DigitsTimesPowerOfTen(number, count, value, exponent - fractionDigits);
  // Adding +0 turns a negative zero ("-0", "-.") into plain 0.
  return (negative ? -result : result) + 0.0L;
}

}  // namespace eiyou
