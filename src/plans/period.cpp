#include "plans/period.h"

#include "nutrition/dish_line.h"
#include "nutrition/figure_table.h"
#include "nutrition/food_entry.h"
#include "nutrition/real48.h"
#include "tables/text_fields.h"

namespace eiyou {

PeriodFigures ComputePeriod(const std::vector<DayPlan>& days, const FoodTable& food,
                            const ReferenceTable& reference) {
  PeriodFigures period;
  period.days.reserve(days.size());
  NutrientCalculator calc(food, reference);
  std::array<std::int64_t, kPeriodNutrients> sums{};
  for (const DayPlan& plan : days) {
    DayFigures& day = period.days.emplace_back();
    day.date = plan.date;
    day.sex = plan.sex;
    day.age = plan.age;
    calc.ClearTotals();
    ExtraTotals extra;
    for (const std::vector<std::string>& meal : plan.meals) {
      for (const std::string& line : meal) {
        // The meal window's AddDish: the foods after the name, nothing else.
        const DishLineParts dish = SplitDishLine(line);
        calc.AddDishFoods(dish.foods);
        for (const std::string& item : SplitAtCommas(dish.foods))
          AddExtraFood(extra, food, FoodEntryRowText(item), FoodEntryWeightText(item));
      }
    }
    for (int k = 0; k < kNutrients; ++k) day.totals[k] = calc.totals.value[k];
    day.totals[kSaltIndex] = extra.value[0];
    day.totals[kFibreIndex] = extra.value[1];
    for (int k = 0; k < kPeriodNutrients; ++k) sums[k] += day.totals[k];
  }
  if (!days.empty()) {
    // A 64-bit sum of 32-bit totals is exact, and so is its conversion: the
    // division is the only rounding before the half-even one.
    const long double n = static_cast<long double>(days.size());
    for (int k = 0; k < kPeriodNutrients; ++k) {
      period.mean[k] = static_cast<long double>(sums[k]) / n + 0.0L;
      period.average[k] = RoundEven(period.mean[k]);
    }
  }
  return period;
}

}  // namespace eiyou
