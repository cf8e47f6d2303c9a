// The food groups of the dish window's group box: a food belongs to group G
// when the first two bytes of its number, trimmed, read G.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/food_table.h"

namespace eiyou {

// The official name of food group 1..18 (UTF-8, "穀類" .. "調理済み流通食品類"),
// as 文部科学省「日本食品標準成分表（八訂）増補2023年」 names them; "" for any
// other number.
const char* OfficialGroupName(int group);

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
