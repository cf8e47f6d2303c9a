// Saved dishes name their foods by the food's line in the table. When a new
// table moves the lines, every FoodEntry is pointed again at the line of the
// same food number, with the name that line gives.
#pragma once

#include <string>
#include <vector>

#include "tables/food_table.h"

namespace eiyou {

struct UnmatchedFood {
  std::size_t line = 0;  // 0-based index of the dish line
  std::string entry;     // the FoodEntry as it stands (CP932)
};

struct RepointResult {
  std::vector<std::string> lines;       // as many as given, in the same order
  int entriesMoved = 0;                 // entries whose text changed
  std::vector<UnmatchedFood> unmatched;  // left as they were
};

// Each FoodEntry "[row]number:name= weightg" whose number stands in `table`
// becomes "[newRow]number:newName" followed by everything from its first "="
// on, so the weight the totals read stays byte for byte. An entry whose number
// the table lacks (or whose new name holds "=" or a line end), or that has no
// "[row]number:...=" form, stays as it is and is listed. Cuisine, category and name, the order of the foods and the order of
// the lines never change.
RepointResult RepointDishLines(const std::vector<std::string>& lines, const FoodTable& table);

}  // namespace eiyou
