// Lenient readers of every numeric text of the tables and of typed numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "tables/platform.h"

namespace eiyou {

// Decimal (optional sign) or "$" hexadecimal; stops at the first character that
// does not fit and then gives the digits read so far without the sign.
// Beyond the 32-bit range the result saturates at INT32_MAX (INT32_MIN for a
// clean negative number); "$80000000" and above also give INT32_MAX.
std::int32_t ParseIntLenient(std::string_view text);

// Sign, digits, optional "." digits, optional exponent; on a character that does
// not fit gives the integer mantissa read so far, unscaled and unsigned.
// Locale-independent; the result is the extended value nearest the decimal
// text, ±HUGE_VALL beyond the extended range and 0 below it (no subnormals);
// never a negative zero.
long double ParseRealLenient(std::string_view text);

}  // namespace eiyou
