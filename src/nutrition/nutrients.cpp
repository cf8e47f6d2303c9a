#include "nutrition/nutrients.h"

#include <limits>

#include "nutrition/food_entry.h"
#include "nutrition/real48.h"
#include "tables/numbers.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {

// Where each nutrient comes from and how its cell is read. A scale of 0 marks a
// column read as an integer; otherwise the cell is a real multiplied by the scale
// into the fixed-point unit of the totals.
struct NutrientSource {
  int column;         // FoodTable column
  long double scale;  // 0, 10 or 100
};

constexpr NutrientSource kSources[kNutrients] = {
    {3, 0},     // energy, kcal
    {5, 10},    // protein, 0.1 g
    {6, 10},    // total fat, 0.1 g
    {10, 0},    // calcium, mg
    {12, 10},   // iron, 0.1 mg
    {17, 0},    // vitamin A, IU
    {18, 100},  // vitamin B1, 0.01 mg
    {19, 100},  // vitamin B2, 0.01 mg
    {21, 0},    // vitamin C, mg
};

// Per 100 g: the nearest extended value to 0.01, not the double one.
constexpr long double kPerGram = 0.01L;

std::int32_t Clamp32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

void AddItem(NutrientCalculator& calc, std::string_view item) {
  calc.AddFoodToTotals(FoodEntryRowText(item), FoodEntryWeightText(item));
}

}  // namespace

bool IsWholeNumberColumn(int column) {
  for (const NutrientSource& src : kSources)
    if (src.column == column) return src.scale == 0;
  return false;
}

void NutrientCalculator::ClearTotals() { totals.value.fill(0); }

void NutrientCalculator::AddFoodToTotals(std::string_view rowText, std::string_view weightText) {
  const long double w = Real48(ParseRealLenient(weightText));
  const std::int32_t r = ParseIntLenient(rowText);
  if (r < 1 || r > food_.rows()) return;

  for (int i = 0; i < kNutrients; ++i) {
    const NutrientSource& src = kSources[i];
    const std::string_view cell = food_.Cell(src.column, r);
    long double amount;
    if (src.scale == 0) {
      const long double v = ParseIntLenient(cell);
      amount = (w * v) * kPerGram;
    } else {
      const long double v = Real48(ParseRealLenient(cell));
      const long double s = v * src.scale;  // kept in extended precision
      amount = (w * s) * kPerGram;
    }
    // Each food is rounded by itself; the sum saturates rather than overflow.
    totals.value[i] = SaturatingAdd(totals.value[i], RoundEven(amount));
  }
}

void NutrientCalculator::AddListedFoods(const std::vector<std::string>& items) {
  for (const std::string& item : items) AddItem(*this, item);
}

void NutrientCalculator::AddDishFoods(std::string_view foodFields) {
  // Every piece between commas is one item, an empty text included.
  for (const std::string& item : SplitAtCommas(foodFields)) AddItem(*this, item);
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
