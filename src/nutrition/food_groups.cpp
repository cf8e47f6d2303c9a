#include "nutrition/food_groups.h"

#include "nutrition/food_entry.h"

namespace eiyou {

const char* OfficialGroupName(int group) {
  static constexpr const char* kNames[19] = {
      "",           "穀類",     "いも及びでん粉類", "砂糖及び甘味類",     "豆類",
      "種実類",     "野菜類",   "果実類",           "きのこ類",           "藻類",
      "魚介類",     "肉類",     "卵類",             "乳類",               "油脂類",
      "菓子類",     "し好飲料類", "調味料及び香辛料類", "調理済み流通食品類"};
  return group >= 1 && group <= 18 ? kNames[group] : "";
}

std::string_view GroupKey(std::string_view number) {
  std::string_view two = number.substr(0, 2);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!two.empty() && blank(two.front())) two.remove_prefix(1);
  while (!two.empty() && blank(two.back())) two.remove_suffix(1);
  return two;
}

std::vector<int> FoodRowsOfGroup(const FoodTable& table, int group) {
  const std::string key = std::to_string(group);
  std::vector<int> rows;
  for (int r = 1; r <= table.rows(); ++r) {
    const std::string_view number = table.Cell(1, r);
    if (number.size() >= 2 && GroupKey(number) == key) rows.push_back(r);
  }
  return rows;
}

std::vector<std::string> FoodsOfGroup(const FoodTable& table, int group) {
  std::vector<std::string> foods;
  for (int r : FoodRowsOfGroup(table, group)) foods.push_back(FoodChoiceText(table, r));
  return foods;
}

}  // namespace eiyou
