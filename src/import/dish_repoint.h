// Saved dishes refer to foods by their line in the food table; a new table
// moves the lines. This is where, after a new table is written, the dishes of
// KONDATE/献立.TXT will be pointed at the new lines of the same foods.
#pragma once

#include <string>
#include <vector>

#include "import/food_import.h"

namespace eiyou {

struct DishRepointReport {
  std::vector<std::string> lines;  // UTF-8 Japanese, for the summary
};

// `oldTableBytes`: the table file as it was before (empty when there was
// none). For now it changes nothing and reports nothing.
DishRepointReport RepointSavedDishes(const std::string& oldTableBytes,
                                     const std::vector<ImportedFood>& newFoods);

}  // namespace eiyou
