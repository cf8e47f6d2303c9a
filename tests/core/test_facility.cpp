// A facility's portions, order sheet and food cost against figures worked by
// hand.
#include <gtest/gtest.h>

#include "nutrition/facility.h"
#include "tables/cp932.h"
#include "tables/food_table.h"

using namespace eiyou;

namespace {

// A table line: number as the file writes it (" 1001"), name, refuse cell.
std::string TableLine(const std::string& number, const std::string& name, const std::string& refuse) {
  std::string line = number + "," + Cp932(name);
  for (int i = 0; i < 20; ++i) line += ",0";
  return line + "," + refuse;
}

struct Fixture {
  FoodTable table;
  Fixture() {
    // Row 5 names pork; the entries below say row 9: the number decides.
    table.SetRow(5, TableLine("11130", "ぶた　もも", "10"));
    table.SetRow(6, TableLine("17012", "食塩", "0"));
    table.SetRow(7, TableLine(" 6153", "たまねぎ", "-"));
    table.SetRow(8, TableLine(" 1026", "こむぎ　食パン", "100"));
  }
};

std::string Dish(const std::string& name, const std::string& foods) {
  return Cp932("和　食,主菜," + name + "," + foods);
}

EaterGroup Group(std::int64_t id, const char* name, int factor, int headcount,
                 std::uint8_t meals = kLunch) {
  EaterGroup g;
  g.id = id;
  g.name = name;
  g.factorPermille = factor;
  g.headcount = headcount;
  g.meals = meals;
  return g;
}

DayPlan Lunch(const std::string& date, std::vector<std::string> dishes) {
  DayPlan day;
  day.date = date;
  day.meals[1] = std::move(dishes);
  return day;
}

const OrderLine* Find(const OrderSheet& sheet, const std::string& date, int food) {
  for (const OrderLine& l : sheet.lines)
    if (l.delivery == date && l.food == food) return &l;
  return nullptr;
}

TEST(FacilityTest, WeightsAreReadExactlyToTheMilligram) {
  EXPECT_EQ(WeightMilligrams(" 60"), 60000);
  EXPECT_EQ(WeightMilligrams("0.05"), 50);
  EXPECT_EQ(WeightMilligrams("1.5"), 1500);
  EXPECT_EQ(WeightMilligrams(".5"), 500);
  EXPECT_EQ(WeightMilligrams("1.2345"), 1235);   // half up past the third decimal
  EXPECT_EQ(WeightMilligrams("1.23449"), 1234);
  EXPECT_EQ(WeightMilligrams("0.0004"), 0);
  for (const char* bad : {"", ".", "-1", "1,5", "1e3", "６０", "1.2.3", "9999999999999"})
    EXPECT_FALSE(WeightMilligrams(bad)) << bad;
}

TEST(FacilityTest, PortionsFollowTheGroupsFactorAndMeals) {
  Intakes composed;
  composed["ENERC_KCAL"] = {500, false, false};
  composed["NACL_EQ"] = {2.5, true, true};
  const Intakes portion = PortionIntakes(composed, 800);
  EXPECT_DOUBLE_EQ(portion.at("ENERC_KCAL").value, 400);
  EXPECT_DOUBLE_EQ(portion.at("NACL_EQ").value, 2.0);
  EXPECT_TRUE(portion.at("NACL_EQ").estimated && portion.at("NACL_EQ").incomplete);

  DayPlan day;
  day.meals = {{{"a"}, {"b1", "b2"}, {"c"}}};
  EXPECT_EQ(DishesFor(Group(1, "夜勤", 1000, 1, kBreakfast | kDinner), day),
            (std::vector<std::string>{"a", "c"}));
}

// 低学年: 60 g × 0.8 × 120 eaters = 5,760 g net; refuse 10 % → 5,760 ÷ 0.9 =
// 6,400 g. 高学年 adds 60 g × 1.1 × 100 = 6,600 g: 12,360 g net, 13,733.333… g
// to order, rounded up to 13,733,334 mg.
// Salt: 0.05 g × 0.8 × 120 = 4.8 g and 0.05 g × 1.1 × 35 (that day's change)
// = 1.925 g: 6.725 g, refuse 0.
TEST(FacilityTest, TheOrderSheetSumsGroupsWithRefuse) {
  Fixture f;
  const std::vector<EaterGroup> groups = {Group(1, "低学年", 800, 120), Group(2, "高学年", 1100, 100),
                                          Group(3, "教職員", 1000, 20)};
  const std::vector<HeadcountChange> changes = {{"2024-06-04", 2, 35}, {"2024-06-04", 3, 0}};
  const std::string pork = "[9]11130:ぶた= 60g", salt = "[6]17012:食塩= 0.05g";
  const std::vector<DayPlan> days = {
      Lunch("2024-06-03", {Dish("豚の生姜焼き", pork)}),
      Lunch("2024-06-04", {Dish("豚汁", salt)}),
      Lunch("2024-06-05", {Dish("範囲の外", pork)})};
  FoodPurchase butcher;
  butcher.food = 11130;
  butcher.supplier = "肉の田中";
  const OrderSheet sheet = BuildOrderSheet(days, {groups[0], groups[1]}, changes, {butcher},
                                           f.table, "2024-06-03", "2024-06-04");
  ASSERT_EQ(sheet.lines.size(), 2u);
  const OrderLine& p = sheet.lines[0];
  EXPECT_EQ(p.delivery, "2024-06-03");
  EXPECT_EQ(p.supplier, "肉の田中");
  EXPECT_EQ(p.foodGroup, 11);
  EXPECT_EQ(p.name, Cp932("ぶた　もも"));
  EXPECT_EQ(p.netMilligrams, 12'360'000);
  EXPECT_EQ(p.refusePercent, 10);
  EXPECT_EQ(p.orderMilligrams, 13'733'334);
  const OrderLine& s = sheet.lines[1];
  EXPECT_EQ(s.food, 17012);
  EXPECT_EQ(s.netMilligrams, 6725);
  EXPECT_EQ(s.orderMilligrams, 6725);
  EXPECT_TRUE(sheet.notes.empty());

  // One group alone: the hand-worked 5,760 g → 6,400 g; 教職員 served 0 that
  // day adds nothing.
  const OrderSheet one = BuildOrderSheet(days, {groups[0], groups[2]}, changes, {}, f.table,
                                         "2024-06-03", "2024-06-04");
  EXPECT_EQ(Find(one, "2024-06-03", 11130)->netMilligrams, 5'760'000 + 1'200'000);
  EXPECT_EQ(Find(one, "2024-06-04", 17012)->netMilligrams, 4800);
}

// Rounded once, at the end: two groups of 1 mg × 0.5 × 1 eater make 1 mg,
// not 1 + 1. 1 mg × 1.5 = 1.5 mg rounds half up to 2; 1.499 mg to 1. An order
// of 1 mg at 10 % refuse is 1.11… mg, rounded up to 2.
TEST(FacilityTest, AmountsAreRoundedOnceHalfUpAndOrdersUp) {
  Fixture f;
  const std::vector<DayPlan> days = {Lunch("2024-06-03", {Dish("a", "[9]11130:ぶた= 0.001g")})};
  auto net = [&](std::vector<EaterGroup> groups) {
    return BuildOrderSheet(days, groups, {}, {}, f.table, "2024-06-03", "2024-06-03").lines.at(0);
  };
  EXPECT_EQ(net({Group(1, "a", 500, 1), Group(2, "b", 500, 1)}).netMilligrams, 1);
  EXPECT_EQ(net({Group(1, "a", 1500, 1)}).netMilligrams, 2);
  EXPECT_EQ(net({Group(1, "a", 1499, 1)}).netMilligrams, 1);
  EXPECT_EQ(net({Group(1, "a", 1000, 1)}).orderMilligrams, 2);
  // The largest amounts stay exact: 1,000 kg × 10 × 100,000 eaters.
  const std::vector<DayPlan> big = {Lunch("2024-06-03", {Dish("a", "[6]17012:食塩= 1000000g")})};
  EXPECT_EQ(BuildOrderSheet(big, {Group(1, "a", 10000, 100000)}, {}, {}, f.table, "2024-06-03",
                            "2024-06-03")
                .lines.at(0)
                .netMilligrams,
            1'000'000'000'000'000);
}

// What the table cannot settle is said, never dropped: a food it lacks, a
// refuse cell not a number or not below 100, an entry that cannot be read.
TEST(FacilityTest, UnknownFoodsRefuseAndEntriesAreNoted) {
  Fixture f;
  const std::vector<DayPlan> days = {Lunch(
      "2024-06-03", {Dish("カレー", "[1]99001:謎の食品= 10g,[7] 6153:たまねぎ= 50g,[8] 1026:パン= 40g,"
                                   "[3]abc:壊れた= 5g,[4]17012:食塩= 1.2.3g"),
                     Dish("朝だけ", "[2]17012:食塩= 0g")})};
  const OrderSheet sheet =
      BuildOrderSheet(days, {Group(1, "常食", 1000, 10)}, {}, {}, f.table, "2024-06-03", "2024-06-03");
  ASSERT_EQ(sheet.lines.size(), 3u);  // the weight 0 adds nothing
  const OrderLine* unknown = Find(sheet, "2024-06-03", 99001);
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->name, Cp932("謎の食品"));
  EXPECT_EQ(unknown->foodGroup, 0);
  EXPECT_FALSE(unknown->refusePercent);
  EXPECT_EQ(unknown->orderMilligrams, unknown->netMilligrams);
  EXPECT_EQ(Find(sheet, "2024-06-03", 6153)->orderMilligrams, 500'000);
  EXPECT_FALSE(Find(sheet, "2024-06-03", 1026)->refusePercent);
  // By food group, a group unknown last.
  EXPECT_EQ(sheet.lines[0].food, 1026);
  EXPECT_EQ(sheet.lines[2].food, 99001);
  ASSERT_EQ(sheet.notes.size(), 5u);
  std::string all;
  for (const std::string& n : sheet.notes) all += n + "\n";
  for (const char* said : {"99001", "06153", "01026", "「カレー」", "壊れた", "食塩= 1.2.3g", "2024-06-03"})
    EXPECT_NE(all.find(said), std::string::npos) << said << "\n" << all;
}

// A 500 g bag at 298 yen: 6,400 g cost 12.8 bags × 298 = 3,814.40 yen.
TEST(FacilityTest, CostFollowsThePurchaseUnitAndListsUnpricedFoods) {
  Fixture f;
  FoodPurchase bag;
  bag.food = 11130;
  bag.priced = true;
  bag.priceSen = 29800;
  bag.unitGrams = 500;
  EXPECT_EQ(CostSen(bag, 6'400'000), 381'440);
  FoodPurchase perKg = bag;
  perKg.priceSen = 1000;  // 10 yen a kg: 500 mg is half a sen, rounded up
  perKg.unitGrams = 1000;
  EXPECT_EQ(CostSen(perKg, 500), 1);
  EXPECT_EQ(CostSen(perKg, 499), 0);
  EXPECT_EQ(CostSen(perKg, 9'000'000'000'000'000'000), 9'000'000'000'000'000);  // no overflow
  FoodPurchase unpriced = bag;
  unpriced.priced = false;
  EXPECT_FALSE(CostSen(unpriced, 1000));

  // 低学年 on 2024-06-03: pork 6,400 g → 381,440 sen for 120 eaters, 3,178.67
  // → 3,179 sen each; the salt has no price, so the day is incomplete.
  const std::vector<DayPlan> days = {
      Lunch("2024-06-03", {Dish("生姜焼き", "[9]11130:ぶた= 60g,[6]17012:食塩= 0.05g")}),
      Lunch("2024-06-04", {Dish("生姜焼き", "[9]11130:ぶた= 60g")})};
  const std::vector<EaterGroup> groups = {Group(1, "低学年", 800, 120), Group(2, "朝食", 1000, 9, kBreakfast)};
  const CostSummary cost = BuildCostSummary(days, groups, {{"2024-06-04", 1, 0}}, {bag}, f.table);
  ASSERT_EQ(cost.days.size(), 1u);  // 06-04 served none; 朝食 has no dish
  EXPECT_EQ(cost.days[0].totalSen, 381'440);
  EXPECT_EQ(cost.days[0].perPersonSen, 3179);
  EXPECT_FALSE(cost.days[0].complete);
  EXPECT_EQ(cost.unpriced, std::vector<int>{17012});
  EXPECT_EQ(cost.perPersonPeriodSen,
            (std::vector<std::pair<std::int64_t, std::int64_t>>{{1, 3179}, {2, 0}}));

  // One portion: 48 g ÷ 0.9 = 53.333334 g of a 298-yen 500 g bag = 31.79 yen.
  const PortionCost portion = DishPortionCost(days[0].meals[1][0], 800, {bag}, f.table);
  EXPECT_EQ(portion.sen, 3179);
  EXPECT_FALSE(portion.complete);
  EXPECT_EQ(portion.unpriced, std::vector<int>{17012});
}

}  // namespace
