// The food groups of the dish window's group box: a food belongs to group G
// when the first two bytes of its number, trimmed, read G.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/food_table.h"

namespace eiyou {

// The first two bytes of a food number with the bytes <= 32 removed from both
// ends (the ideographic blank stays).
std::string_view GroupKey(std::string_view number);

// The FoodChoice texts of the foods of `group` (1..18; 0 when no group is
// chosen, which only a number trimming to "0" matches), in row order. A food
// number shorter than two bytes (an empty row too) belongs to no group.
std::vector<std::string> FoodsOfGroup(const FoodTable& table, int group);
// The rows of those foods.
std::vector<int> FoodRowsOfGroup(const FoodTable& table, int group);

}  // namespace eiyou
