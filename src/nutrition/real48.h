// The 6-byte real that holds every real value between arithmetic steps, and
// round-half-even conversion to integers.
#pragma once

#include <cstdint>

namespace eiyou {

// Rounds an extended value to the 40-bit significand of the 6-byte real
// (nearest, halves away from zero); values below its range become 0.
long double Real48(long double x);

// Nearest integer, halves to even. Values outside the 32-bit range saturate to
// INT32_MIN / INT32_MAX; NaN gives 0.
std::int32_t RoundEven(long double x);

// Saturating 32-bit helpers used where the old arithmetic could overflow.
std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b);

}  // namespace eiyou
