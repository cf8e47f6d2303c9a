// What the nutrient arithmetic needs of the compiler and the processor: the
// 80-bit extended long double, and no fast-math reassociation of it.
#pragma once

#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the nutrient arithmetic needs the 80-bit extended long double");
#ifdef __FAST_MATH__
#error "-ffast-math changes the rounding of nutrient totals; build without it"
#endif
