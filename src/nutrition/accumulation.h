// How foods add up to figures, in one place for every window, report and
// period: a FoodEntry is read once into its food row and weight, a food row's
// values are read once per accumulation, and one addition makes the nine
// totals, salt and fibre; the foods behind estimated or missing values are
// noted beside them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/nutrients.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"

namespace eiyou {

// A food of a dish as the arithmetic takes it.
struct FoodAmount {
  std::int32_t row = 0;     // as written; a row outside the table adds nothing
  long double weight = 0;   // grams, already held as a 6-byte real
};

// The row and weight texts read with the lenient readers.
FoodAmount ReadFoodAmount(std::string_view rowText, std::string_view weightText);
// A FoodEntry's row and weight (FoodEntryRowText, FoodEntryWeightText).
FoodAmount ReadFoodEntry(std::string_view entry);
std::vector<FoodAmount> ReadFoodEntries(const std::vector<std::string>& entries);
// The FoodEntry texts of a DishLine after its third field, joined by ",":
// every piece between commas is one food, an empty one included. Appended to
// `foods`, so that one buffer serves many dishes.
void ReadDishFoods(std::string_view foodFields, std::vector<FoodAmount>& foods);
std::vector<FoodAmount> ReadDishFoods(std::string_view foodFields);

// The figure rows: 0..8 the chart's nutrients in axis order, then salt
// equivalent and dietary fibre (both in 0.1 g).
inline constexpr int kFigureRows = kNutrients + 2;
inline constexpr int kSaltRow = kNutrients, kFibreRow = kNutrients + 1;

// Where each figure row comes from: its food table column, and the scale of a
// cell read as a real into the row's fixed-point unit; 0 marks a column read
// as a whole number.
struct FigureSource {
  int column;
  long double scale;  // 0, 10 or 100
};
inline constexpr FigureSource kFigureSources[kFigureRows] = {
    {3, 0},     // energy, kcal
    {5, 10},    // protein, 0.1 g
    {6, 10},    // total fat, 0.1 g
    {10, 0},    // calcium, mg
    {12, 10},   // iron, 0.1 mg
    {17, 0},    // vitamin A, IU
    {18, 100},  // vitamin B1, 0.01 mg
    {19, 100},  // vitamin B2, 0.01 mg
    {21, 0},    // vitamin C, mg
    {22, 10},   // salt equivalent, 0.1 g
    {8, 10},    // dietary fibre, 0.1 g
};

// The values of a food row per 100 g, in figure-row order, each as the
// addition multiplies it: a whole-number cell's integer, a decimal cell's
// 6-byte real times its scale (kept in extended precision).
using FoodRowValues = std::array<long double, kFigureRows>;

// A food table's rows read on first use and kept: a year of days names the
// same few hundred foods tens of thousands of times. Bound to one table,
// which must not change while this lives.
class FoodValues {
 public:
  explicit FoodValues(const FoodTable& food) : food_(food) {}
  // Null for a row outside the table; valid until the next call.
  const FoodRowValues* Of(std::int32_t row);

 private:
  const FoodTable& food_;
  std::vector<std::int32_t> slot_;  // per row: 0 not read yet, else index + 1
  std::vector<FoodRowValues> values_;
};

// Salt equivalent and dietary fibre in tenths of a gram.
struct ExtraTotals {
  std::array<std::int32_t, 2> value{};  // salt, fibre
};

// The foods behind each figure row whose value was estimated, or not analysed
// (and so counted as 0): their names (CP932), each once, in the order first met.
struct QualityNotes {
  std::array<std::vector<std::string>, kFigureRows> estimated, missing;
};

// One column of figures.
struct FigureColumn {
  NutrientTotals nine;
  ExtraTotals extra;
  QualityNotes notes;
};

// The one addition. Each food adds, to each of the nine and to salt and
// fibre, value × weight × 0.01 in extended precision (0.01 the extended value
// nearest to it), rounded half-even by itself and added with saturation at the
// 32-bit limits, in the order given.
void AddFoods(FoodValues& values, std::span<const FoodAmount> foods, NutrientTotals& nine,
              ExtraTotals& extra);

// The shares a run of foods adds to each figure row, summed, and the sum of
// their magnitudes: a dish met again adds in one step what its foods add one
// by one.
struct FoodsSum {
  std::array<std::int64_t, kFigureRows> total{}, magnitude{};
};
FoodsSum SumOf(FoodValues& values, std::span<const FoodAmount> foods);
// AddFoods for foods whose SumOf is `sum`: the sum when no total on the way
// can reach a 32-bit limit, the foods one by one otherwise.
void AddFoods(FoodValues& values, std::span<const FoodAmount> foods, const FoodsSum& sum,
              NutrientTotals& nine, ExtraTotals& extra);

// Notes foods into `notes` as they come: one outside the table or of weight
// 0 adds nothing to any total and is not noted. A row's name and marks do not
// change, so a row met again would name itself only where it has already:
// each row is looked at the first time only.
class FoodNoter {
 public:
  FoodNoter(QualityNotes& notes, const FoodTable& food, const std::vector<FoodMarksLine>& marks)
      : notes_(notes), food_(food), marks_(marks) {}
  void Note(std::span<const FoodAmount> foods);

 private:
  QualityNotes& notes_;
  const FoodTable& food_;
  const std::vector<FoodMarksLine>& marks_;
  std::vector<bool> noted_;  // by row
};

// The addition and the notes, into a column that a side may keep in parts
// (its nine in its calculator, for the chart).
void AddFoods(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
              std::span<const FoodAmount> foods, NutrientTotals& nine, ExtraTotals& extra,
              QualityNotes& notes);

// The same from texts: a FoodEntry's row and weight text to salt and fibre,
// and FoodEntry items to a whole column.
void AddExtraFood(ExtraTotals& totals, const FoodTable& food, std::string_view rowText,
                  std::string_view weightText);
void AddFoodsToColumn(FigureColumn& column, const FoodTable& food,
                      const std::vector<FoodMarksLine>& marks,
                      const std::vector<std::string>& items);

}  // namespace eiyou
