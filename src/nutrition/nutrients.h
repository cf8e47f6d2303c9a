// Nutrient totals from foods and weights, and targets from a reference row.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/food_table.h"
#include "tables/reference_table.h"

namespace eiyou {

inline constexpr int kNutrients = 9;

// Fixed point: kcal, 0.1 g, 0.1 g, mg, 0.1 mg, IU, 0.01 mg, 0.01 mg, mg.
struct NutrientTotals {
  std::array<std::int32_t, kNutrients> value{};
};

struct NutrientTargets {
  std::int32_t EnergyTarget = 0;
  std::array<std::int32_t, kNutrients - 1> other{};  // nutrients 1..8
  // Target of nutrient k (0..8).
  std::int32_t Of(int k) const { return k == 0 ? EnergyTarget : other[k - 1]; }
};

// Whether the totals read this food table column as a whole number (through
// the lenient integer reader, which stops at a decimal point); every other
// column that is read at all is read as a real.
bool IsWholeNumberColumn(int column);

// The arithmetic of one side (dish window or meal analysis), bound to that side's
// own tables.
class NutrientCalculator {
 public:
  NutrientCalculator(const FoodTable& food, const ReferenceTable& reference)
      : food_(food), reference_(reference) {}

  NutrientTotals totals;
  NutrientTargets targets;

  void ClearTotals();
  // Rows outside the table add nothing; each nutrient's contribution is rounded
  // half-even by itself and added with saturation at the 32-bit limits, by
  // AddFoods, the addition every total goes through.
  void AddFoodToTotals(std::string_view rowText, std::string_view weightText);
  // Every item a FoodEntry ("[row]number:name= weightg"), in list order. The row
  // is read from the 2nd byte up to the first "]", the weight from after the
  // first "=" up to the item's last byte; an item without "]" has no row and one
  // without "=" no weight, so it adds nothing.
  void AddListedFoods(const std::vector<std::string>& items);
  // The FoodEntry texts of a DishLine after its third field, joined by ",".
  void AddDishFoods(std::string_view foodFields);
  // sexIndex 0/1, ageRow 1..11; anything else gives all-zero targets.
  void LoadTargets(int sexIndex, int ageRow);

 private:
  const FoodTable& food_;
  const ReferenceTable& reference_;
};

}  // namespace eiyou
