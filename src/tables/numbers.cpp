#include "tables/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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
  std::string mantissa;            // the digits of M, leading zeros dropped
  long long fractionDigits = 0;    // d
  auto readDigits = [&](bool afterPoint) {
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (!(mantissa.empty() && text[i] == '0')) mantissa.push_back(text[i]);
      if (afterPoint) ++fractionDigits;
    }
  };
  readDigits(false);
  if (i < text.size() && text[i] == '.') {
    ++i;
    readDigits(true);
  }
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
    return DecimalToExtended(mantissa, 0);
  }
  long double value = DecimalToExtended(mantissa, exponent - fractionDigits);
  // Adding +0 turns a negative zero ("-0", "-.") into plain 0.
  return (negative ? -value : value) + 0.0L;
}

}  // namespace eiyou
