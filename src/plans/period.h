// The figures of a period of stored days: each day's totals, added exactly as
// the meal window adds a dish (its "選択→"), and their average.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "nutrition/accumulation.h"
#include "nutrition/nutrients.h"
#include "nutrition/day_plan.h"
#include "tables/food_table.h"
#include "tables/reference_table.h"

namespace eiyou {

// The nine nutrients of the chart (their units as in NutrientTotals), then
// salt equivalent and dietary fibre, both in 0.1 g.
inline constexpr int kPeriodNutrients = kNutrients + 2;
inline constexpr int kSaltIndex = kNutrients;
inline constexpr int kFibreIndex = kNutrients + 1;
using PeriodValues = std::array<std::int32_t, kPeriodNutrients>;

struct DayFigures {
  std::string date;
  int sex = -1;
  int age = 0;
  PeriodValues totals{};
};

struct PeriodFigures {
  std::vector<DayFigures> days;  // in the order given
  // The mean of the daily totals over the days found, in the same units: the
  // exact mean (sum ÷ days in extended precision) and that mean rounded half
  // to even. All zero when there are no days.
  std::array<long double, kPeriodNutrients> mean{};
  PeriodValues average{};
};

// Each day's totals: every food of its three meals' dish lines through the
// one addition (AddFoods), in the order the meal window adds them. The
// reference table plays no part in totals.
PeriodFigures ComputePeriod(const std::vector<DayPlan>& days, const FoodTable& food,
                            const ReferenceTable& reference);
// The same, and the notes of every food of the period added to `notes` in
// that order (FoodNoter: each food named once however often it was eaten).
PeriodFigures ComputePeriod(const std::vector<DayPlan>& days, const FoodTable& food,
                            const ReferenceTable& reference,
                            const std::vector<FoodMarksLine>& marks, QualityNotes& notes);

}  // namespace eiyou
