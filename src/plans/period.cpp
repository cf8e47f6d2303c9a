#include "plans/period.h"

#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "nutrition/dish_line.h"
#include "nutrition/real48.h"

namespace eiyou {

namespace {

PeriodFigures Compute(const std::vector<DayPlan>& days, const FoodTable& food,
                      const std::vector<FoodMarksLine>* marks, QualityNotes* notes) {
  PeriodFigures period;
  period.days.reserve(days.size());
  FoodValues values(food);
  // Days are planned from the dish list, so the same lines come back day
  // after day: each distinct line is read and summed once, its foods a range
  // of `foods`.
  struct Dish {
    std::size_t first = 0, last = 0;
    FoodsSum sum;
  };
  std::unordered_map<std::string_view, Dish> dishes;
  std::vector<FoodAmount> foods;
  std::optional<FoodNoter> noter;
  if (notes) noter.emplace(*notes, food, *marks);
  std::array<std::int64_t, kPeriodNutrients> sums{};
  for (const DayPlan& plan : days) {
    DayFigures& day = period.days.emplace_back();
    day.date = plan.date;
    day.sex = plan.sex;
    day.age = plan.age;
    NutrientTotals nine;
    ExtraTotals extra;
    for (const std::vector<std::string>& meal : plan.meals) {
      for (const std::string& line : meal) {
        auto [known, fresh] = dishes.try_emplace(line);
        Dish& dish = known->second;
        if (fresh) {
          // The meal window's AddDish: the foods after the name, nothing else.
          dish.first = foods.size();
          ReadDishFoods(DishLineFoodText(line), foods);
          dish.last = foods.size();
        }
        const std::span<const FoodAmount> its(foods.data() + dish.first, dish.last - dish.first);
        if (fresh) dish.sum = SumOf(values, its);
        AddFoods(values, its, dish.sum, nine, extra);
        if (noter) noter->Note(its);
      }
    }
    for (int k = 0; k < kNutrients; ++k) day.totals[k] = nine.value[k];
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

}  // namespace

PeriodFigures ComputePeriod(const std::vector<DayPlan>& days, const FoodTable& food,
                            const ReferenceTable&) {
  return Compute(days, food, nullptr, nullptr);
}

PeriodFigures ComputePeriod(const std::vector<DayPlan>& days, const FoodTable& food,
                            const ReferenceTable&, const std::vector<FoodMarksLine>& marks,
                            QualityNotes& notes) {
  return Compute(days, food, &marks, &notes);
}

}  // namespace eiyou
