#include "plans/period.h"

#include <string_view>

#include "nutrition/dish_line.h"
#include "nutrition/food_entry.h"
#include "nutrition/real48.h"
#include "tables/numbers.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

// Salt equivalent (column 22) and dietary fibre (column 8) in 0.1 g, with the
// arithmetic of the nutrients read as decimals: the cell through the 6-byte
// real, × 10, × the weight, × 0.01, each food rounded half-even by itself and
// summed with saturation. Kept by itself so that it can give way to the
// calculator's own totals of these two once they exist.
void AddSaltAndFibre(const FoodTable& food, std::string_view foods, std::int32_t& salt,
                     std::int32_t& fibre) {
  constexpr long double kPerGram = 0.01L;
  for (const std::string& item : SplitAtCommas(foods)) {
    const long double w = Real48(ParseRealLenient(FoodEntryWeightText(item)));
    const std::int32_t r = ParseIntLenient(FoodEntryRowText(item));
    if (r < 1 || r > food.rows()) continue;
    auto tenths = [&](int column) {
      const long double s = Real48(ParseRealLenient(food.Cell(column, r))) * 10;
      return RoundEven((w * s) * kPerGram);
    };
    salt = SaturatingAdd(salt, tenths(22));
    fibre = SaturatingAdd(fibre, tenths(8));
  }
}

}  // namespace

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
    std::int32_t salt = 0, fibre = 0;
    for (const std::vector<std::string>& meal : plan.meals) {
      for (const std::string& line : meal) {
        // The meal window's AddDish: the foods after the name, nothing else.
        const DishLineParts dish = SplitDishLine(line);
        calc.AddDishFoods(dish.foods);
        AddSaltAndFibre(food, dish.foods, salt, fibre);
      }
    }
    for (int k = 0; k < kNutrients; ++k) day.totals[k] = calc.totals.value[k];
    day.totals[kSaltIndex] = salt;
    day.totals[kFibreIndex] = fibre;
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
