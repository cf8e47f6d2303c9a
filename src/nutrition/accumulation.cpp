#include "nutrition/accumulation.h"

#include <algorithm>
#include <limits>

#include "nutrition/food_entry.h"
#include "nutrition/real48.h"
#include "tables/numbers.h"

namespace eiyou {

namespace {

// Per 100 g: the nearest extended value to 0.01, not the double one.
constexpr long double kPerGram = 0.01L;

bool InTable(const FoodTable& food, std::int32_t row) { return row >= 1 && row <= food.rows(); }

void AddOnce(std::vector<std::string>& names, std::string_view name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
}

}  // namespace

FoodAmount ReadFoodAmount(std::string_view rowText, std::string_view weightText) {
  return {ParseIntLenient(rowText), Real48(ParseRealLenient(weightText))};
}

FoodAmount ReadFoodEntry(std::string_view entry) {
  return ReadFoodAmount(FoodEntryRowText(entry), FoodEntryWeightText(entry));
}

std::vector<FoodAmount> ReadFoodEntries(const std::vector<std::string>& entries) {
  std::vector<FoodAmount> foods;
  foods.reserve(entries.size());
  for (const std::string& entry : entries) foods.push_back(ReadFoodEntry(entry));
  return foods;
}

void ReadDishFoods(std::string_view foodFields, std::vector<FoodAmount>& foods) {
  for (;;) {
    const std::size_t comma = foodFields.find(',');
    foods.push_back(ReadFoodEntry(foodFields.substr(0, comma)));
    if (comma == std::string_view::npos) return;
    foodFields.remove_prefix(comma + 1);
  }
}

std::vector<FoodAmount> ReadDishFoods(std::string_view foodFields) {
  std::vector<FoodAmount> foods;
  ReadDishFoods(foodFields, foods);
  return foods;
}

const FoodRowValues* FoodValues::Of(std::int32_t row) {
  if (!InTable(food_, row)) return nullptr;
  if (slot_.empty()) slot_.resize(static_cast<std::size_t>(food_.rows()) + 1);
  std::int32_t& slot = slot_[static_cast<std::size_t>(row)];
  if (slot == 0) {
    FoodRowValues& v = values_.emplace_back();
    for (int k = 0; k < kFigureRows; ++k) {
      const FigureSource& src = kFigureSources[k];
      const std::string_view cell = food_.Cell(src.column, row);
      v[k] = src.scale == 0 ? static_cast<long double>(ParseIntLenient(cell))
                            : Real48(ParseRealLenient(cell)) * src.scale;
    }
    slot = static_cast<std::int32_t>(values_.size());
  }
  return &values_[static_cast<std::size_t>(slot - 1)];
}

namespace {

// What one food adds to each figure row: its value × weight × 0.01, rounded
// half-even by itself. False for a row outside the table, which adds nothing.
bool SharesOf(FoodValues& values, const FoodAmount& food,
              std::array<std::int32_t, kFigureRows>& shares) {
  const FoodRowValues* v = values.Of(food.row);
  if (!v) return false;
  for (int k = 0; k < kFigureRows; ++k) shares[k] = RoundEven((food.weight * (*v)[k]) * kPerGram);
  return true;
}

}  // namespace

void AddFoods(FoodValues& values, std::span<const FoodAmount> foods, NutrientTotals& nine,
              ExtraTotals& extra) {
  std::array<std::int32_t, kFigureRows> shares;
  for (const FoodAmount& food : foods) {
    if (!SharesOf(values, food, shares)) continue;
    // A sum saturates rather than overflow, food by food.
    for (int k = 0; k < kNutrients; ++k) nine.value[k] = SaturatingAdd(nine.value[k], shares[k]);
    for (int k = 0; k < 2; ++k) extra.value[k] = SaturatingAdd(extra.value[k], shares[kNutrients + k]);
  }
}

FoodsSum SumOf(FoodValues& values, std::span<const FoodAmount> foods) {
  FoodsSum sum;
  std::array<std::int32_t, kFigureRows> shares;
  for (const FoodAmount& food : foods) {
    if (!SharesOf(values, food, shares)) continue;
    for (int k = 0; k < kFigureRows; ++k) {
      sum.total[k] += shares[k];
      sum.magnitude[k] += shares[k] < 0 ? -std::int64_t{shares[k]} : shares[k];
    }
  }
  return sum;
}

void AddFoods(FoodValues& values, std::span<const FoodAmount> foods, const FoodsSum& sum,
              NutrientTotals& nine, ExtraTotals& extra) {
  // While |total| plus every share's magnitude stays within the 32-bit range,
  // no partial sum on the way saturates, and the foods one by one add exactly
  // their sum.
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  const auto fits = [&](std::int32_t total, int k) {
    return (total < 0 ? -std::int64_t{total} : total) + sum.magnitude[k] <= kLimit;
  };
  bool exact = true;
  for (int k = 0; k < kNutrients; ++k) exact = exact && fits(nine.value[k], k);
  for (int k = 0; k < 2; ++k) exact = exact && fits(extra.value[k], kNutrients + k);
  if (!exact) return AddFoods(values, foods, nine, extra);
  for (int k = 0; k < kNutrients; ++k) nine.value[k] += static_cast<std::int32_t>(sum.total[k]);
  for (int k = 0; k < 2; ++k) extra.value[k] += static_cast<std::int32_t>(sum.total[kNutrients + k]);
}

void FoodNoter::Note(std::span<const FoodAmount> foods) {
  for (const FoodAmount& f : foods) {
    if (!InTable(food_, f.row) || f.weight == 0) continue;
    if (noted_.empty()) noted_.resize(static_cast<std::size_t>(food_.rows()) + 1);
    if (noted_[static_cast<std::size_t>(f.row)]) continue;
    noted_[static_cast<std::size_t>(f.row)] = true;
    const std::string_view name = food_.Cell(2, f.row);
    for (int k = 0; k < kFigureRows; ++k) {
      switch (QualityOf(food_, marks_, kFigureSources[k].column, f.row)) {
        case CellQuality::Analysed: break;
        case CellQuality::Estimated: AddOnce(notes_.estimated[k], name); break;
        case CellQuality::NotAnalysed: AddOnce(notes_.missing[k], name); break;
      }
    }
  }
}

void AddFoods(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
              std::span<const FoodAmount> foods, NutrientTotals& nine, ExtraTotals& extra,
              QualityNotes& notes) {
  FoodValues values(food);
  AddFoods(values, foods, nine, extra);
  FoodNoter(notes, food, marks).Note(foods);
}

void AddExtraFood(ExtraTotals& totals, const FoodTable& food, std::string_view rowText,
                  std::string_view weightText) {
  FoodValues values(food);
  NutrientTotals unused;
  const FoodAmount amount = ReadFoodAmount(rowText, weightText);
  AddFoods(values, {&amount, 1}, unused, totals);
}

void AddFoodsToColumn(FigureColumn& column, const FoodTable& food,
                      const std::vector<FoodMarksLine>& marks,
                      const std::vector<std::string>& items) {
  AddFoods(food, marks, ReadFoodEntries(items), column.nine, column.extra, column.notes);
}

}  // namespace eiyou
