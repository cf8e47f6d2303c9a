// The day's nine figures as the daily intake window shows them: each total
// in its fixed-point unit turned into the unit of the caption.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "nutrition/nutrients.h"

namespace eiyou {

struct FigureSpec {
  const char* caption;  // UTF-8, unit included
  long double factor;   // total × factor; 0: the integer unchanged
};

inline constexpr FigureSpec kDailyFigures[kNutrients] = {
    {"エネルギー（ｋｃａｌ）", 0},  {"たんぱく質（ｇ）", 0.1L},   {"総脂質（％）", 0.1L},
    {"カルシウム(mg)", 0},           {"鉄(mg)", 0.1L},             {"ビタミンＡ(μｇ)", 0.3L},
    {"ビタミンB1（ｍｇ）", 0.01L},   {"ビタミンB2（ｍｇ）", 0.01L}, {"ビタミンC（ｍｇ）", 0},
};

// total × factor in extended precision, written without locale, exponent or
// negative zero (123 × 0.1 → "12.3").
std::string FigureText(std::int32_t total, long double factor);

// The nine figures of the totals, in axis order.
std::array<std::string, kNutrients> DailyFigureTexts(const NutrientTotals& totals);

}  // namespace eiyou
