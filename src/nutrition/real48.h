// The 6-byte real that holds every real value between arithmetic steps, and
// round-half-even conversion to integers.
#pragma once

#include <cstdint>

#include "tables/platform.h"

namespace eiyou {

// The 6-byte real is 2^(e-129) × 1.f with an exponent byte e of 1..255 and a
// 40-bit significand 1.f. Its smallest value (e = 1, f = 0) and its largest
// (e = 255, every fraction bit set):
inline constexpr long double kReal48Min = 0x1p-128L;
inline constexpr long double kReal48Max = 0x1.fffffffffep126L;

// Rounds an extended value to the 40-bit significand of the 6-byte real
// (nearest, halves away from zero); values below its range become +0, values
// above it (and infinities) saturate to ±kReal48Max, NaN becomes 0.
long double Real48(long double x);

// Nearest integer, halves to even, whatever rounding mode a caller set.
// Values outside the 32-bit range saturate to INT32_MIN / INT32_MAX; NaN gives 0.
std::int32_t RoundEvenAnyMode(long double x);

// The same, inline: every food's share of every nutrient is rounded here. In
// the range (NaN fails both comparisons) and in the unit's usual mode, its own
// conversion rounds halves to even.
inline std::int32_t RoundEven(long double x) {
  if (x > -2147483648.0L && x < 2147483647.0L && RoundsToNearestExtended()) {
    long long result;
    __asm__("fistpll %0" : "=m"(result) : "t"(x) : "st");
    return static_cast<std::int32_t>(result);
  }
  return RoundEvenAnyMode(x);
}

// Sum of two 32-bit values, clamped to the 32-bit range instead of overflowing.
std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b);

}  // namespace eiyou
