// What the nutrient arithmetic needs of the compiler and the processor: the
// 80-bit extended long double, and no fast-math reassociation of it.
#pragma once

#include <fpu_control.h>

#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the nutrient arithmetic needs the 80-bit extended long double");
#ifdef __FAST_MATH__
#error "-ffast-math changes the rounding of nutrient totals; build without it"
#endif

namespace eiyou {

// Whether the x87 unit, which does all long double arithmetic, rounds to
// nearest in the full extended precision, as it does unless a caller changed
// its control word. Reading the word is cheap; changing it is not.
inline bool RoundsToNearestExtended() {
  fpu_control_t control;
  _FPU_GETCW(control);
  return (control & (_FPU_EXTENDED | _FPU_RC_ZERO)) == (_FPU_EXTENDED | _FPU_RC_NEAREST);
}

}  // namespace eiyou
