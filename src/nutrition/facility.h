// A facility's kitchen: the groups of eaters it feeds, how many eat on a day,
// how large their portions are, what the foods cost and who delivers them.
// Kept in the day-plan database with the days they are served. Names and
// notes typed by the user are UTF-8; food names stay the table's CP932.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace eiyou {

// Bits of EaterGroup::meals: which meals of a day plan a group eats.
inline constexpr std::uint8_t kBreakfast = 1, kLunch = 2, kDinner = 4;

// A group of eaters (幼児, 低学年, 常食, 教職員 ...).
struct EaterGroup {
  std::int64_t id = 0;  // the store's key; 0 for a group not stored yet
  std::string name;     // UTF-8, unique in the facility
  // The portion as a share of the dish as composed, in thousandths: 800 is
  // 0.8 of every food's weight. Exact, so that amounts add up to the gram.
  int factorPermille = 1000;
  int headcount = 0;         // eaters on a serving day unless the day says otherwise
  std::uint8_t meals = kLunch;  // kBreakfast | kLunch | kDinner
  // What the group's figures are judged against: a stored profile text
  // (ProfileText), naming the school-lunch standard's band, a target set or
  // the reference intakes for a sex and age; empty: not judged.
  std::string profile;
  int position = 0;  // order in lists
};

// The eaters of one group on one date, when they differ from the group's
// headcount; 0: the group is not served that day.
struct HeadcountChange {
  std::string date;  // "YYYY-MM-DD"
  std::int64_t group = 0;
  int headcount = 0;
};

// How a food is bought and what it costs: a price for a purchase unit of a
// weight (1 kg, a 500 g bag), the date the price was set, and the supplier.
// A food without a price has no row, or a row with a supplier only.
struct FoodPurchase {
  int food = 0;  // the official food number (01001 → 1001), stable across editions
  bool priced = false;
  std::int64_t priceSen = 0;   // price of one unit in 1/100 yen (exact)
  std::int64_t unitGrams = 1000;  // weight of the unit as bought, in grams (> 0)
  std::string unitName;      // UTF-8: "kg", "袋", "本"; empty means per kg
  std::string setOn;         // "YYYY-MM-DD" the price was set; empty when not priced
  std::string supplier;      // UTF-8; empty: none set
};

// Typed by the user for the monthly menu and the order sheet.
struct FacilityInfo {
  std::string name;   // UTF-8: 「〇〇市立第一学校給食センター」
  std::string notes;  // UTF-8, several lines: what families are told under the menu
};

}  // namespace eiyou
