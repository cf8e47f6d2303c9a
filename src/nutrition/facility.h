// A facility's kitchen: the groups of eaters it feeds, how many eat on a day,
// how large their portions are, what the foods cost and who delivers them.
// Kept in the day-plan database with the days they are served. Names and
// notes typed by the user are UTF-8; food names stay the table's CP932.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/assessment.h"
#include "nutrition/day_plan.h"

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
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
};

// The eaters of one group on one date, when they differ from the group's
// headcount; 0: the group is not served that day.
struct HeadcountChange {
  std::string date;  // "YYYY-MM-DD"
  std::int64_t group = 0;
  int headcount = 0;
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
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
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
};

// Typed by the user for the monthly menu and the order sheet.
struct FacilityInfo {
  std::string name;   // UTF-8: 「〇〇市立第一学校給食センター」
  std::string notes;  // UTF-8, several lines: what families are told under the menu
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
};

// An official food number as the table writes it: 1088 -> "01088".
std::string FoodNumberText(int food);

// ---- portions ----------------------------------------------------------------

// A weight as a FoodEntry holds it ("60", "0.05", "1.5") in milligrams,
// exactly; more than three decimals are rounded half up. nullopt for a text
// that is not a non-negative decimal.
std::optional<std::int64_t> WeightMilligrams(std::string_view weightText);

// The eaters of a group on a date: the date's change when there is one, else
// the group's headcount.
int HeadcountOn(const EaterGroup& group, const std::string& date,
                const std::vector<HeadcountChange>& changes);

// The DishLines of a day a group eats (its meals), in meal and list order.
std::vector<std::string> DishesFor(const EaterGroup& group, const DayPlan& day);

// A group's intakes: every value × factorPermille / 1000, marks kept.
Intakes PortionIntakes(const Intakes& asComposed, int factorPermille);

// ---- the order sheet (発注表) ---------------------------------------------------
//
// How the sheet is worked out:
// - A dish's foods are its FoodEntry texts, "[row]number:name= weightg". The
//   food is the entry's official number, looked up in the table by number
//   (the row may be stale after a new edition): its name, its refuse (廃棄率,
//   column 23) and its group, the number's first two digits of five.
// - 純使用量 (net) per delivery date and food = Σ over the groups served that
//   day and each group's meals of weight × factorPermille × headcount, summed
//   exactly (in 1/1000 mg) and rounded half up to the milligram once, at the
//   end. A group whose headcount on the date is 0 adds nothing.
// - 使用量 (order) = ⌈net × 100 ÷ (100 − refuse)⌉ in milligrams, worked from
//   the net the sheet shows so that its two columns agree by hand. A refuse
//   cell that is not a whole number from 0 to 99, or a food the table lacks:
//   the order is the net amount, and a note says so, once per food.
// - An entry whose number or weight cannot be read is never dropped without a
//   word: a note names its date and dish. A weight of 0 adds nothing.

// One food to deliver on one date.
struct OrderLine {
  std::string delivery;  // "YYYY-MM-DD", the serving date
  std::string supplier;  // UTF-8; empty: none set for the food
  int foodGroup = 0;     // 1..18 from the food number; 0 when unknown
  int food = 0;          // the official food number
  std::string name;      // CP932, the table's name; the entry's when the table lacks it
  // 純使用量: Σ weight per person × factor × headcount over the groups.
  std::int64_t netMilligrams = 0;
  // 廃棄率 (column 23) in percent; nullopt when the table has no figure for
  // it, and the order is then the net amount (the sheet's notes say so).
  std::optional<int> refusePercent;
  // 使用量 = net ÷ (1 − refuse / 100), rounded up to the milligram so that the
  // order is never short.
  std::int64_t orderMilligrams = 0;
};

struct OrderSheet {
  std::string from, to;              // the dates asked for
  std::vector<std::string> groups;   // UTF-8 names of the groups counted
  // In delivery date, supplier (none last), food group (unknown last) and
  // food number order.
  std::vector<OrderLine> lines;
  std::vector<std::string> notes;    // UTF-8: entries not read, refuse unknown ...
};

class FoodTable;

// The order of the stored `days` dated `from` to `to` for `groups`: each
// group's meals of each day, weights × its factor × its headcount on that
// date. `purchases` give the suppliers.
OrderSheet BuildOrderSheet(const std::vector<DayPlan>& days, const std::vector<EaterGroup>& groups,
                           const std::vector<HeadcountChange>& changes,
                           const std::vector<FoodPurchase>& purchases, const FoodTable& table,
                           const std::string& from, const std::string& to);

// ---- food cost -------------------------------------------------------------------

// What `orderMilligrams` of a food bought costs: orderMg × priceSen ÷
// (unitGrams × 1000), in 1/100 yen rounded half up; nullopt when the food has
// no price (or a unit weight that is not above 0).
std::optional<std::int64_t> CostSen(const FoodPurchase& purchase, std::int64_t orderMilligrams);

// The cost of a group's meals on a day, and per person.
struct DayCost {
  std::string date;
  std::int64_t group = 0;
  int headcount = 0;
  std::int64_t totalSen = 0;      // of the priced foods
  std::int64_t perPersonSen = 0;  // totalSen ÷ headcount, rounded half up
  bool complete = true;           // every food priced, every entry read
};

struct CostSummary {
  std::vector<DayCost> days;  // date, then group order
  // Per person over the period, by group: Σ perPerson of its serving days.
  std::vector<std::pair<std::int64_t, std::int64_t>> perPersonPeriodSen;
  // Foods of the period without a price (official numbers, ascending): never
  // counted as 0 yen without a word.
  std::vector<int> unpriced;
  std::vector<std::string> notes;  // UTF-8: entries not read, as the order sheet's
};

// Every day of `days` and every group served then (headcount above 0, a dish
// in its meals): the cost of the group's own order of the day (its net ×
// factor × headcount with refuse, as the sheet works it), CostSen per food.
// A day is incomplete when a food has no price or an entry cannot be read.
CostSummary BuildCostSummary(const std::vector<DayPlan>& days,
                             const std::vector<EaterGroup>& groups,
                             const std::vector<HeadcountChange>& changes,
                             const std::vector<FoodPurchase>& purchases, const FoodTable& table);

// The cost of one portion of a dish for a group (its weights × factor, with
// refuse): each food's cost kept to 1/10000 yen, the sum rounded half up to
// 1/100 yen. Incomplete when a food has no price or an entry cannot be read;
// `unpriced` lists the foods without a price (ascending).
struct PortionCost {
  std::int64_t sen = 0;  // of the priced foods
  bool complete = true;
  std::vector<int> unpriced;
};
PortionCost DishPortionCost(std::string_view dishLine, int factorPermille,
                            const std::vector<FoodPurchase>& purchases, const FoodTable& table);

}  // namespace eiyou
