#include "nutrition/nutrients.h"

#include <limits>

#include "nutrition/accumulation.h"
#include "nutrition/real48.h"
#include "tables/numbers.h"

namespace eiyou {

namespace {

std::int32_t Clamp32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

void AddToTotals(const FoodTable& food, std::span<const FoodAmount> foods, NutrientTotals& totals) {
  FoodValues values(food);
  ExtraTotals unused;  // salt and fibre are not the chart's
  AddFoods(values, foods, totals, unused);
}

}  // namespace

bool IsWholeNumberColumn(int column) {
  for (const FigureSource& src : kFigureSources)
    if (src.column == column) return src.scale == 0;
  return false;
}

void NutrientCalculator::ClearTotals() { totals.value.fill(0); }

void NutrientCalculator::AddFoodToTotals(std::string_view rowText, std::string_view weightText) {
  const FoodAmount food = ReadFoodAmount(rowText, weightText);
  AddToTotals(food_, {&food, 1}, totals);
}

void NutrientCalculator::AddListedFoods(const std::vector<std::string>& items) {
  AddToTotals(food_, ReadFoodEntries(items), totals);
}

void NutrientCalculator::AddDishFoods(std::string_view foodFields) {
  AddToTotals(food_, ReadDishFoods(foodFields), totals);
}

void NutrientCalculator::LoadTargets(int sexIndex, int ageRow) {
  targets = NutrientTargets{};
  // No valid row (nothing chosen, or typed text that matches no item): the
  // targets stay 0, which the chart treats as "no target" for every axis.
  if (sexIndex < 0 || sexIndex > 1 || ageRow < 1 || ageRow > ReferenceTable::kRows) return;

  const int s = sexIndex;
  auto field = [&](int f) -> const std::string& { return reference_.Field(ageRow, f + s); };
  auto integer = [&](int f) { return ParseIntLenient(field(f)); };
  auto scaled = [&](int f, long double scale) {
    return RoundEven(Real48(ParseRealLenient(field(f))) * scale);
  };

  targets.EnergyTarget = integer(1);
  // The reference protein is read as a whole number: 55.5 gives 550.
  targets.other[0] = Clamp32(static_cast<std::int64_t>(integer(3)) * 10);
  targets.other[1] = scaled(5, 10);   // fat
  targets.other[2] = integer(7);      // calcium
  targets.other[3] = scaled(9, 10);   // iron
  targets.other[4] = integer(11);     // vitamin A
  targets.other[5] = scaled(13, 100); // vitamin B1
  targets.other[6] = scaled(15, 100); // vitamin B2
  targets.other[7] = integer(19);     // vitamin C
}

}  // namespace eiyou
