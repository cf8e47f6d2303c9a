// The intakes the assessment judges, from the same food entries the one
// accumulation reads (row + weight): every component of the official table
// kept beside the food table, or, for a data folder without that companion,
// what the 23 columns hold.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "nutrition/accumulation.h"
#include "nutrition/assessment.h"
#include "tables/food_components.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"

namespace eiyou {

// Every identifier the assessment reads: its nutrients and what the energy
// shares are made of (alcohol counts with carbohydrate).
inline constexpr std::array<const char*, 32> kIntakeIdentifiers = {
    "ENERC_KCAL", "PROT",   "FAT",    "CHOCDF", "FIB",    "NACL_EQ", "K",      "CA",
    "MG",         "P",      "FE",     "ZN",     "CU",     "MN",      "ID",     "SE",
    "CR",         "MO",     "VITA_RAE", "VITD", "TOCPHA", "VITK",    "THIA",   "RIBF",
    "NE",         "VITB6A", "VITB12", "FOL",    "PANTAC", "BIOT",    "VITC",   "ALC"};

// Sums the intakes of foods, bound to one table, its marks and its
// companion, none of which may change while this lives. Each food adds value
// × weight / 100 of every identifier. A cell of "Tr", "(Tr)" or "(0)" adds 0;
// an estimate marks the intake ＊ (estimated); "-" or an empty cell marks it ※
// (incomplete) and adds 0, as the figure table marks its figures. A food of
// weight 0 or outside the table adds nothing and marks nothing.
//
// Without a usable companion the 23 columns give energy, protein, fat,
// dietary fibre, salt, potassium, calcium, phosphorus, iron, vitamin A (IU ×
// 0.3 as µgRAE, as the daily figures convert it), B1, B2 and C, marked by the
// marks file; every other identifier is absent, which the assessment shows
// as not in the table. Column 7 is 糖質, not carbohydrate, and the niacin
// column is not niacin equivalents: neither stands in. A food the companion
// lacks takes those same columns and marks the rest ※.
class IntakeCounter {
 public:
  IntakeCounter(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
                const FoodComponents& components);

  // The intakes of `foods`, every identifier the source holds present (0
  // for no food).
  Intakes Of(std::span<const FoodAmount> foods);

 private:
  struct Cell {
    double value = 0;
    bool estimated = false, incomplete = false;
  };
  static constexpr std::size_t kCount = kIntakeIdentifiers.size();
  using RowCells = std::array<Cell, kCount>;
  const RowCells* Row(std::int32_t row);

  const FoodTable& food_;
  const std::vector<FoodMarksLine>& marks_;
  const FoodComponents& components_;
  std::array<int, kCount> component_{};  // index in the companion, -1 none
  std::array<bool, kCount> held_{};
  std::vector<std::int32_t> slot_;  // per row: 0 not read yet, else index + 1
  std::vector<RowCells> rows_;
};

}  // namespace eiyou
