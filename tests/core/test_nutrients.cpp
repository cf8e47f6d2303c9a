#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>

#include "nutrition/nutrients.h"
#include "nutrition/real48.h"

using namespace eiyou;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Food columns of the nine nutrients, in nutrient order.
constexpr int kColumns[kNutrients] = {3, 5, 6, 10, 12, 17, 18, 19, 21};

// A side's tables with the calculator bound to them. FoodTable is large, so
// everything lives on the heap.
struct Side {
  std::unique_ptr<FoodTable> food = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference = std::make_unique<ReferenceTable>();
  NutrientCalculator calc{*food, *reference};

  // Puts one value into a nutrient's column of `row`.
  void Food(int row, int nutrient, std::string cell) {
    food->SetCell(kColumns[nutrient], row, std::move(cell));
  }
  std::int32_t Total(int nutrient) const { return calc.totals.value[nutrient]; }
};

}  // namespace

// ---- Real48 -------------------------------------------------------------------

TEST(Real48, KeepsValuesThatFitAndRoundsTheFortiethBitHalfAwayFromZero) {
  EXPECT_EQ(Real48(1.0L), 1.0L);
  EXPECT_EQ(Real48(12345.0L), 12345.0L);
  EXPECT_EQ(Real48(-0.5L), -0.5L);

  // Near 1 the 40-bit significand steps by 2^-39.
  const long double step = std::ldexp(1.0L, -39);
  EXPECT_EQ(Real48(1.0L + step / 2), 1.0L + step);        // exactly half: away from zero
  EXPECT_EQ(Real48(-(1.0L + step / 2)), -(1.0L + step));  // likewise when negative
  EXPECT_EQ(Real48(1.0L + step / 2 - std::ldexp(1.0L, -60)), 1.0L);
  EXPECT_EQ(Real48(1.0L + 3 * step / 2), 1.0L + 2 * step);  // away, not to even
}

TEST(Real48, RoundingUpToTheNextPowerOfTwoCarriesIntoTheExponent) {
  const long double step = std::ldexp(1.0L, -39);  // spacing just below 2 is 2^-39
  EXPECT_EQ(Real48(2.0L - step / 2), 2.0L);
  EXPECT_EQ(Real48(-(2.0L - step / 2)), -2.0L);
  EXPECT_EQ(Real48(2.0L - step), 2.0L - step);
}

TEST(Real48, PointThreeIsHeldSlightlyAboveItself) {
  // This is what makes 150 g of fat 0.3 add 5 tenths rather than 4.
  const long double r = Real48(0.3L);
  EXPECT_GT(r, 0.3L);
  EXPECT_LT(r - 0.3L, std::ldexp(1.0L, -41));
  EXPECT_EQ(Real48(r), r);
}

TEST(Real48, BelowItsRangeGivesPositiveZero) {
  EXPECT_EQ(Real48(kReal48Min), kReal48Min);
  EXPECT_EQ(Real48(std::ldexp(1.0L, -129)), 0.0L);
  EXPECT_EQ(Real48(std::ldexp(1.0L, -5000)), 0.0L);
  EXPECT_FALSE(std::signbit(Real48(-std::ldexp(1.0L, -130))));
  EXPECT_FALSE(std::signbit(Real48(-0.0L)));
}

TEST(Real48, AboveItsRangeSaturatesAndNanBecomesZero) {
  EXPECT_EQ(Real48(kReal48Max), kReal48Max);
  EXPECT_EQ(Real48(std::ldexp(1.0L, 127)), kReal48Max);
  EXPECT_EQ(Real48(1e4000L), kReal48Max);
  EXPECT_EQ(Real48(-1e4000L), -kReal48Max);
  EXPECT_EQ(Real48(std::numeric_limits<long double>::infinity()), kReal48Max);
  EXPECT_EQ(Real48(-std::numeric_limits<long double>::infinity()), -kReal48Max);
  EXPECT_EQ(Real48(std::numeric_limits<long double>::quiet_NaN()), 0.0L);
  // The largest value really is the top of the format: 2^127 minus one step.
  EXPECT_EQ(kReal48Max, std::ldexp(1.0L, 127) - std::ldexp(1.0L, 127 - 40));
}

// ---- RoundEven and saturation ------------------------------------------------

TEST(RoundEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundEven(0.5L), 0);
  EXPECT_EQ(RoundEven(1.5L), 2);
  EXPECT_EQ(RoundEven(2.5L), 2);
  EXPECT_EQ(RoundEven(12.5L), 12);
  EXPECT_EQ(RoundEven(-0.5L), 0);
  EXPECT_EQ(RoundEven(-1.5L), -2);
  EXPECT_EQ(RoundEven(-2.5L), -2);
  EXPECT_EQ(RoundEven(2.4999999L), 2);
  EXPECT_EQ(RoundEven(2.5000001L), 3);
  EXPECT_EQ(RoundEven(-2.5000001L), -3);
  EXPECT_EQ(RoundEven(-0.7L), -1);
}

TEST(RoundEven, DoesNotDependOnTheCallersRoundingMode) {
  const int saved = std::fegetround();
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    EXPECT_EQ(RoundEven(2.5L), 2);
    EXPECT_EQ(RoundEven(3.5L), 4);
    EXPECT_EQ(RoundEven(-2.5L), -2);
    EXPECT_EQ(RoundEven(2.6L), 3);
    EXPECT_EQ(RoundEven(-2.6L), -3);
  }
  std::fesetround(saved);
}

TEST(RoundEven, SaturatesOutsideThe32BitRangeAndMapsNanToZero) {
  EXPECT_EQ(RoundEven(2147483646.5L), 2147483646);
  EXPECT_EQ(RoundEven(2147483647.4L), kMax);
  EXPECT_EQ(RoundEven(2147483647.5L), kMax);  // would be 2^31
  EXPECT_EQ(RoundEven(3e9L), kMax);
  EXPECT_EQ(RoundEven(1e4000L), kMax);
  EXPECT_EQ(RoundEven(-2147483647.5L), kMin);  // the even neighbour is -2^31
  EXPECT_EQ(RoundEven(-2147483648.5L), kMin);
  EXPECT_EQ(RoundEven(-3e9L), kMin);
  EXPECT_EQ(RoundEven(std::numeric_limits<long double>::infinity()), kMax);
  EXPECT_EQ(RoundEven(-std::numeric_limits<long double>::infinity()), kMin);
  EXPECT_EQ(RoundEven(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(SaturatingAdd, ClampsInsteadOfOverflowing) {
  EXPECT_EQ(SaturatingAdd(2, 3), 5);
  EXPECT_EQ(SaturatingAdd(-2, -3), -5);
  EXPECT_EQ(SaturatingAdd(kMax, 1), kMax);
  EXPECT_EQ(SaturatingAdd(kMax, kMax), kMax);
  EXPECT_EQ(SaturatingAdd(kMin, -1), kMin);
  EXPECT_EQ(SaturatingAdd(kMin, kMax), -1);
}

// ---- AddFoodToTotals ------------------------------------------------------------

TEST(AddFoodToTotals, RoundsEachFoodLikeTheTablesDo) {
  struct Case {
    const char* weight;
    int nutrient;
    const char* cell;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"50", 0, "25", 12},    // 12.5 rounds to even
      {"30", 0, "35", 10},    // 10.5 rounds to even
      {"150", 0, "1", 2},     // 1.5
      {"250", 0, "1", 2},     // 2.5
      {"150", 2, "0.3", 5},   // fat: Real48 lies above 0.3, so 4.5 + a little
      {"100", 6, "0.05", 5},  // vitamin B1 in hundredths
      {"2", 2, "7.5", 2},     // 1.5 tenths
      {"80", 4, "1.3", 10},   // iron 10.4 tenths
      {" 12.5", 0, "200", 25},
      {"1", 0, "50", 0},      // 0.01 is the extended value: just below 0.5
      {"1", 0, "250", 2},     // ... and just below 2.5
      {"5", 1, "5.0", 2},     // protein 2.5 tenths, likewise
      {"50", 0, "Tr", 0},
      {"50", 1, "(0)", 0},
  };
  for (const Case& c : cases) {
    Side side;
    side.Food(7, c.nutrient, c.cell);
    side.calc.AddFoodToTotals("7", c.weight);
    EXPECT_EQ(side.Total(c.nutrient), c.expected)
        << c.weight << " g of " << c.cell << " in nutrient " << c.nutrient;
  }
}

TEST(AddFoodToTotals, ReadsEachNutrientFromItsOwnColumnAndScale) {
  Side side;
  for (int c = 1; c <= FoodTable::kColumns; ++c) side.food->SetCell(c, 3, "999");
  const char* cells[kNutrients] = {"100", "1.0", "2.0", "3", "0.4", "5", "0.06", "0.07", "8"};
  for (int i = 0; i < kNutrients; ++i) side.Food(3, i, cells[i]);
  side.calc.AddFoodToTotals("3", "100");
  const std::array<std::int32_t, kNutrients> expected{100, 10, 20, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(side.calc.totals.value, expected);
}

TEST(AddFoodToTotals, AccumulatesRoundedPerFoodAndClearTotalsResets) {
  Side side;
  side.Food(1, 0, "25");
  side.calc.AddFoodToTotals("1", "50");
  side.calc.AddFoodToTotals("1", "50");
  EXPECT_EQ(side.Total(0), 24);  // 12 + 12, not RoundEven(25)
  side.calc.ClearTotals();
  EXPECT_EQ(side.calc.totals.value, (std::array<std::int32_t, kNutrients>{}));
}

TEST(AddFoodToTotals, RowsOutsideTheTableAddNothing) {
  Side side;
  for (int row : {1, FoodTable::kRows}) side.Food(row, 0, "100");
  for (const char* row : {"0", "-1", "1835", "", "x", "99999999999"}) {
    side.calc.AddFoodToTotals(row, "100");
    EXPECT_EQ(side.Total(0), 0) << "row text '" << row << "'";
  }
  side.calc.AddFoodToTotals("1834", "100");
  EXPECT_EQ(side.Total(0), 100);
}

TEST(AddFoodToTotals, HugeAmountsSaturateInsteadOfOverflowing) {
  Side side;
  side.Food(1, 0, "2000000000");
  side.Food(2, 0, "-2000000000");
  side.Food(1, 1, "1e30");
  side.calc.AddFoodToTotals("1", "1000000");
  EXPECT_EQ(side.Total(0), kMax);
  EXPECT_EQ(side.Total(1), kMax);
  side.calc.AddFoodToTotals("1", "100");  // already at the top: stays there
  EXPECT_EQ(side.Total(0), kMax);
  side.calc.AddFoodToTotals("1", "1e300");  // weight beyond the 6-byte real
  EXPECT_EQ(side.Total(0), kMax);

  side.calc.ClearTotals();
  side.calc.AddFoodToTotals("2", "1000000");
  side.calc.AddFoodToTotals("2", "1000000");
  EXPECT_EQ(side.Total(0), kMin);
}

// ---- Food entries of a list and of a dish line ----------------------------------

TEST(FoodEntries, ListedFoodsTakeRowAndWeightFromEachEntry) {
  Side side;
  side.Food(25, 0, "200");
  side.Food(3, 0, "10");
  side.calc.AddListedFoods({"[25]10001:N= 80g", "[3] 1003:\x95\xC4= 12.5g"});
  EXPECT_EQ(side.Total(0), 160 + 1);  // 160 + RoundEven(1.25)
  side.calc.AddListedFoods({});
  EXPECT_EQ(side.Total(0), 161);
}

TEST(FoodEntries, DishFoodsTakeTheFirstItemsWeightWithoutTheCommaPart) {
  // 12.5 g as the first of two items must read as 12.5, not as the digits of
  // "12.5g,[2]..." up to some later character.
  Side side;
  side.Food(1, 0, "200");
  side.Food(2, 0, "100");
  side.calc.AddDishFoods("[1]1001:a= 12.5g,[2]1002:b= 100g");
  EXPECT_EQ(side.Total(0), 25 + 100);

  Side last;
  last.Food(1, 0, "200");
  last.calc.AddDishFoods("[1]1001:a= 12.5g");
  EXPECT_EQ(last.Total(0), 25);
}

TEST(FoodEntries, EmptyAndMalformedItemsAddNothing) {
  Side side;
  side.Food(1, 0, "100");
  side.calc.AddDishFoods("");
  side.calc.AddDishFoods(",");
  side.calc.AddDishFoods("[1a= 10g");      // no "]"
  side.calc.AddDishFoods("]1]a= 10g");     // "]" first: empty row text
  side.calc.AddDishFoods("1]a 10g");       // no "="
  side.calc.AddDishFoods("[1]a=");         // "=" is the last byte
  side.calc.AddDishFoods("[1]a=g");        // nothing between "=" and the last byte
  side.calc.AddListedFoods({"", "[", "]", "=", "[1]", "11]a 10g"});
  EXPECT_EQ(side.Total(0), 0);

  // Empty items between commas are skipped over, not fatal.
  side.calc.AddDishFoods("[1]a= 10g,,[1]a= 20g,");
  EXPECT_EQ(side.Total(0), 30);
}

TEST(FoodEntries, TheSameDishTwiceDoublesItsContribution) {
  Side side;
  side.Food(4, 2, "0.3");
  side.calc.AddDishFoods("[4]x= 150g");
  side.calc.AddDishFoods("[4]x= 150g");
  EXPECT_EQ(side.Total(2), 10);
}

// ---- LoadTargets ----------------------------------------------------------------

namespace {

// Reference fields 1..20 of one row: male, female pairs.
void SetRow(ReferenceTable& table, int row, const std::array<const char*, 20>& fields) {
  for (int f = 1; f <= 20; ++f) table.SetField(row, f, fields[f - 1]);
}

}  // namespace

TEST(LoadTargets, ReadsEachPairForTheChosenSex) {
  Side side;
  SetRow(*side.reference, 9,
         {"2650", "2000", "55.5", "50", "70", "50.5", "600", "600", "7.5", "8.5",  //
          "2000", "1800", "1.1", "0.8", "1.2", "1.0", "99", "99", "100", "95"});
  side.calc.LoadTargets(0, 9);
  EXPECT_EQ(side.calc.targets.EnergyTarget, 2650);
  EXPECT_EQ(side.calc.targets.other,
            (std::array<std::int32_t, 8>{550, 700, 600, 75, 2000, 110, 120, 100}));
  side.calc.LoadTargets(1, 9);
  EXPECT_EQ(side.calc.targets.EnergyTarget, 2000);
  EXPECT_EQ(side.calc.targets.other,
            (std::array<std::int32_t, 8>{500, 505, 600, 85, 1800, 80, 100, 95}));
  EXPECT_EQ(side.calc.targets.Of(0), 2000);
  EXPECT_EQ(side.calc.targets.Of(8), 95);
}

TEST(LoadTargets, NoValidRowGivesZeroTargets) {
  Side side;
  for (int row = 1; row <= 11; ++row)
    for (int f = 1; f <= 20; ++f) side.reference->SetField(row, f, "10");
  const NutrientTargets zero{};
  for (auto [sex, age] : {std::pair{-1, 5}, {2, 5}, {0, 0}, {1, 12}, {0, -3}}) {
    side.calc.LoadTargets(0, 1);  // something non-zero first, to see it replaced
    ASSERT_EQ(side.calc.targets.EnergyTarget, 10);
    side.calc.LoadTargets(sex, age);
    EXPECT_EQ(side.calc.targets.EnergyTarget, zero.EnergyTarget) << sex << "," << age;
    EXPECT_EQ(side.calc.targets.other, zero.other) << sex << "," << age;
  }
  side.calc.LoadTargets(1, 11);
  EXPECT_EQ(side.calc.targets.EnergyTarget, 10);
}

TEST(LoadTargets, ProteinTimesTenSaturates) {
  Side side;
  side.reference->SetField(1, 3, "300000000");
  side.reference->SetField(1, 4, "-300000000");
  side.calc.LoadTargets(0, 1);
  EXPECT_EQ(side.calc.targets.other[0], kMax);
  side.calc.LoadTargets(1, 1);
  EXPECT_EQ(side.calc.targets.other[0], kMin);
}
