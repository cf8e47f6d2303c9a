#include "nutrition/real48.h"

#include <cmath>
#include <limits>

#include "tables/platform.h"

namespace eiyou {

namespace {

// The 6-byte real holds 2^(e-129) × 1.f with an exponent byte e of 1..255 and a
// 40-bit significand 1.f (39 stored fraction bits).
constexpr int kSignificandBits = 40;

}  // namespace

long double Real48(long double x) {
  if (std::isnan(x)) return 0.0L;
  if (std::isinf(x)) return x > 0 ? kReal48Max : -kReal48Max;
  if (x == 0) return 0.0L;  // also turns -0 into +0, so no "-0" can come of it

  int exponent = 0;
  const long double mantissa = std::frexp(x, &exponent);  // |mantissa| in [0.5, 1)
  // Keep the top 40 bits: scale to an integer part of 40 bits and round it, halves
  // away from zero (roundl does that whatever the current rounding mode). A
  // result of 2^40 carries into the exponent, which ldexp takes care of.
  const long double kept = std::round(std::ldexp(mantissa, kSignificandBits));
  const long double result = std::ldexp(kept, exponent - kSignificandBits);

  const long double magnitude = std::fabs(result);
  if (magnitude < kReal48Min) return 0.0L;
  if (magnitude > kReal48Max) return result > 0 ? kReal48Max : -kReal48Max;
  return result;
}

std::int32_t RoundEven(long double x) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  if (std::isnan(x)) return 0;
  // Anything from INT32_MAX up rounds to INT32_MAX or beyond (2147483647.5 goes to
  // the even 2147483648), so it saturates; likewise at the bottom.
  if (x >= static_cast<long double>(kMax)) return kMax;
  if (x <= static_cast<long double>(kMin)) return kMin;

  // Halves to even without depending on the floating-point rounding mode that
  // whoever called us may have set: the fraction x - trunc(x) is exact.
  const long double whole = std::trunc(x);
  const long double fraction = x - whole;
  auto result = static_cast<std::int64_t>(whole);
  const bool odd = (result & 1) != 0;
  if (fraction > 0.5L || (fraction == 0.5L && odd)) {
    ++result;
  } else if (fraction < -0.5L || (fraction == -0.5L && odd)) {
    --result;
  }
  if (result > kMax) return kMax;
  if (result < kMin) return kMin;
  return static_cast<std::int32_t>(result);
}

std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
  std::int32_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<std::int32_t>::max()
               : std::numeric_limits<std::int32_t>::min();
}

}  // namespace eiyou
