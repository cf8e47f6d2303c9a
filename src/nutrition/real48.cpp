#include "nutrition/real48.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "tables/platform.h"

namespace eiyou {

namespace {

// Rounding through the floating-point unit in a mode of our own needs its
// control word changed and restored around every conversion (slow: it
// serialises the unit), and in the caller's mode may round otherwise: the
// conversions work on the extended value's own bits instead, unless the unit
// rounds as they need anyway. The x87 layout: a 64-bit significand with its
// leading bit explicit in the low eight bytes, then the sign bit and the
// 15-bit biased exponent.
static_assert(std::endian::native == std::endian::little && sizeof(long double) >= 10,
              "the conversions read the x87 extended layout");

constexpr int kBias = 16383;
constexpr int kAllOnes = 0x7fff;  // infinity or NaN

struct Extended {
  std::uint64_t significand;  // value = significand × 2^(exponent - kBias - 63)
  int exponent;
  bool negative;
};

Extended Split(long double x) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &x, sizeof x);
  Extended e;
  std::memcpy(&e.significand, bytes, 8);
  const unsigned top = bytes[8] | (unsigned{bytes[9]} << 8);
  e.exponent = static_cast<int>(top & 0x7fff);
  e.negative = (top & 0x8000) != 0;
  return e;
}

long double Join(std::uint64_t significand, int exponent, bool negative) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &significand, 8);
  const unsigned top = static_cast<unsigned>(exponent) | (negative ? 0x8000u : 0u);
  bytes[8] = static_cast<unsigned char>(top & 0xff);
  bytes[9] = static_cast<unsigned char>(top >> 8);
  long double x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

// The 6-byte real holds 2^(e-129) × 1.f with an exponent byte e of 1..255 and a
// 40-bit significand 1.f (39 stored fraction bits): of the extended value's 64
// significand bits the top 40 stay.
constexpr int kDroppedBits = 64 - 40;
// The extended exponents of kReal48Min and kReal48Max.
constexpr int kLowest = kBias - 128, kHighest = kBias + 126;

}  // namespace

long double Real48(long double x) {
  const Extended e = Split(x);
  if (e.exponent == kAllOnes) {
    const bool infinite = e.significand << 1 == 0;
    if (!infinite) return 0.0L;  // NaN
    return e.negative ? -kReal48Max : kReal48Max;
  }
  // Zero, and subnormals far below the 6-byte real's range, become +0: no "-0"
  // can come of it.
  if (e.exponent == 0 || e.significand == 0) return 0.0L;

  // Halves away from zero: the magnitude goes up when the first dropped bit is
  // set. Rounding up to 2^40 carries into the exponent.
  std::uint64_t kept = (e.significand >> kDroppedBits) + ((e.significand >> (kDroppedBits - 1)) & 1);
  int exponent = e.exponent;
  if (kept >> 40) {
    kept >>= 1;
    ++exponent;
  }
  if (exponent < kLowest) return 0.0L;
  if (exponent > kHighest) return e.negative ? -kReal48Max : kReal48Max;
  return Join(kept << kDroppedBits, exponent, e.negative);
}

std::int32_t RoundEvenAnyMode(long double x) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  if (std::isnan(x)) return 0;
  // Anything from INT32_MAX up rounds to INT32_MAX or beyond (2147483647.5 goes to
  // the even 2147483648), so it saturates; likewise at the bottom.
  if (x >= static_cast<long double>(kMax)) return kMax;
  if (x <= static_cast<long double>(kMin)) return kMin;

  // From the value's bits, as the unit may be set to round otherwise.
  const Extended e = Split(x);
  const int shift = kBias + 63 - e.exponent;  // bits below the units, here 33 or more
  if (shift > 64) return 0;  // below 0.5, zeros and subnormals included
  const std::uint64_t whole = shift == 64 ? 0 : e.significand >> shift;
  const std::uint64_t below = shift == 64 ? e.significand : e.significand & ((1ULL << shift) - 1);
  const std::uint64_t half = 1ULL << (shift - 1);
  auto magnitude = static_cast<std::int64_t>(whole);
  if (below > half || (below == half && (whole & 1) != 0)) ++magnitude;
  return static_cast<std::int32_t>(e.negative ? -magnitude : magnitude);
}

std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
  std::int32_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<std::int32_t>::max()
               : std::numeric_limits<std::int32_t>::min();
}

}  // namespace eiyou
