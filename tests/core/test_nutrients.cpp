#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "nutrition/nutrients.h"
#include "nutrition/real48.h"
#include "table_test_support.h"

using namespace eiyou;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr int kColumns[kNutrients] = {3, 5, 6, 10, 12, 17, 18, 19, 21};

// A side's tables (on the heap: the food table is large) and its calculator.
struct Side {
  std::unique_ptr<FoodTable> food = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference = std::make_unique<ReferenceTable>();
  NutrientCalculator calc{*food, *reference};

  void Food(int row, int nutrient, std::string cell) {
    food->SetCell(kColumns[nutrient], row, std::move(cell));
  }
  std::int32_t Total(int nutrient) const { return calc.totals.value[nutrient]; }
};

}  // namespace

TEST(Real48, RoundsTheFortiethBitHalfAwayFromZeroWithCarry) {
  const long double step = std::ldexp(1.0L, -39);  // spacing of the significand in [1, 2)
  EXPECT_EQ(Real48(12345.0L), 12345.0L);
  EXPECT_EQ(Real48(1.0L + step / 2), 1.0L + step);
  EXPECT_EQ(Real48(-(1.0L + step / 2)), -(1.0L + step));
  EXPECT_EQ(Real48(1.0L + 3 * step / 2), 1.0L + 2 * step);  // away, not to even
  EXPECT_EQ(Real48(1.0L + step / 2 - std::ldexp(1.0L, -60)), 1.0L);
  EXPECT_EQ(Real48(2.0L - step / 2), 2.0L);  // carries into the exponent
  EXPECT_EQ(Real48(-(2.0L - step / 2)), -2.0L);
  // 0.3 is held slightly above itself: the cause of 150 g × 0.3 giving 5 tenths.
  EXPECT_GT(Real48(0.3L), 0.3L);
}

TEST(Real48, OutsideItsRangeUnderflowsToPlusZeroOrSaturates) {
  EXPECT_EQ(Real48(kReal48Min), kReal48Min);
  EXPECT_EQ(Real48(std::ldexp(1.0L, -129)), 0.0L);
  EXPECT_FALSE(std::signbit(Real48(-std::ldexp(1.0L, -130))));
  EXPECT_FALSE(std::signbit(Real48(-0.0L)));
  EXPECT_EQ(kReal48Max, std::ldexp(1.0L, 127) - std::ldexp(1.0L, 127 - 40));
  EXPECT_EQ(Real48(kReal48Max), kReal48Max);
  EXPECT_EQ(Real48(std::ldexp(1.0L, 127)), kReal48Max);
  EXPECT_EQ(Real48(-1e4000L), -kReal48Max);
  EXPECT_EQ(Real48(kInf), kReal48Max);
  EXPECT_EQ(Real48(std::numeric_limits<long double>::quiet_NaN()), 0.0L);
}

TEST(RoundEven, HalvesGoToEvenWhateverTheCallersRoundingMode) {
  const int saved = std::fegetround();
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    EXPECT_EQ(RoundEven(0.5L), 0);
    EXPECT_EQ(RoundEven(1.5L), 2);
    EXPECT_EQ(RoundEven(12.5L), 12);
    EXPECT_EQ(RoundEven(-2.5L), -2);
    EXPECT_EQ(RoundEven(-3.5L), -4);
    EXPECT_EQ(RoundEven(2.5000001L), 3);
    EXPECT_EQ(RoundEven(-0.7L), -1);
  }
  std::fesetround(saved);
}

TEST(RoundEven, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(RoundEven(2147483646.5L), 2147483646);
  EXPECT_EQ(RoundEven(2147483647.5L), kMax);  // the even neighbour is 2^31
  EXPECT_EQ(RoundEven(3e9L), kMax);
  EXPECT_EQ(RoundEven(-2147483648.5L), kMin);
  EXPECT_EQ(RoundEven(-kInf), kMin);
  EXPECT_EQ(RoundEven(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(SaturatingAdd(kMax, 1), kMax);
  EXPECT_EQ(SaturatingAdd(kMin, -1), kMin);
  EXPECT_EQ(SaturatingAdd(kMin, kMax), -1);
}

// Both conversions read the value's bits; the unit's own arithmetic says
// what they must give: frexp, roundl and ldexp for the 6-byte real, nearbyintl
// in the default mode for RoundEven (which must not follow another mode).
TEST(Real48AndRoundEven, AgreeWithTheUnitsArithmeticOverTheirWholeRange) {
  const auto real48 = [](long double x) {
    int exponent = 0;
    const long double m = std::round(std::ldexp(std::frexp(x, &exponent), 40));
    const long double r = std::ldexp(m, exponent - 40);
    if (std::fabs(r) < kReal48Min) return 0.0L;
    return std::fabs(r) > kReal48Max ? std::copysign(kReal48Max, r) : r;
  };
  std::mt19937_64 random(48);
  const int saved = std::fegetround();
  for (int n = 0; n < 100000; ++n) {
    std::uint64_t significand = random() | 1ULL << 63;
    // Ties and near-ties of both roundings: the dropped 24 bits of the 6-byte
    // real, or the bits below the units of a whole number.
    if (n % 3 == 0) significand = (significand & ~0xFFFFFFULL) | (0x800000ULL - n % 2);
    const int exponent = n % 2 ? static_cast<int>(random() % 300) - 150
                               : static_cast<int>(random() % 36) - 3;
    long double x = std::ldexp(static_cast<long double>(significand), exponent - 63);
    if (n % 3 == 1) x = std::trunc(x) + 0.5L * (n % 4 == 1);
    if (random() % 2) x = -x;
    ASSERT_EQ(Real48(x), real48(x)) << std::hexfloat << x;
    const long double nearest = std::nearbyint(x);
    const std::int32_t expected = nearest >= kMax ? kMax : nearest <= kMin ? kMin
                                                         : static_cast<std::int32_t>(nearest);
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
      ASSERT_EQ(std::fesetround(mode), 0);
      const std::int32_t got = RoundEven(x);
      std::fesetround(saved);
      ASSERT_EQ(got, expected) << std::hexfloat << x << " in mode " << mode;
    }
  }
}

TEST(AddFoodToTotals, RoundsEachFoodInExtendedPrecisionFromSixByteReals) {
  struct Case {
    const char* weight;
    int nutrient;
    const char* cell;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"50", 0, "25", 12},  {"30", 0, "35", 10}, {"150", 0, "1", 2}, {"250", 0, "1", 2},
      {"150", 2, "0.3", 5},  // 0.3 as a 6-byte real: 4.5 and a little (double gives 4)
      {"1", 0, "50", 0},     // 0.01 as the extended value lies below 0.01 ...
      {"5", 1, "5.0", 2},    // ... so these halves fall short
      {"100", 6, "0.05", 5}, {"2", 2, "7.5", 2}, {" 12.5", 0, "200", 25},
      {"50", 0, "Tr", 0},    {"50", 1, "(0)", 0},
  };
  for (const Case& c : cases) {
    Side side;
    side.Food(7, c.nutrient, c.cell);
    side.calc.AddFoodToTotals("7", c.weight);
    EXPECT_EQ(side.Total(c.nutrient), c.expected) << c.weight << " g of " << c.cell;
  }
}

TEST(AddFoodToTotals, ReadsEachNutrientFromItsColumnAndAddsPerFoodIntegers) {
  Side side;
  for (int c = 1; c <= FoodTable::kColumns; ++c) side.food->SetCell(c, 3, "999");
  const char* cells[kNutrients] = {"100", "1.0", "2.0", "3", "0.4", "5", "0.06", "0.07", "8"};
  for (int i = 0; i < kNutrients; ++i) side.Food(3, i, cells[i]);
  side.calc.AddFoodToTotals("3", "100");
  EXPECT_EQ(side.calc.totals.value,
            (std::array<std::int32_t, kNutrients>{100, 10, 20, 3, 4, 5, 6, 7, 8}));

  side.calc.ClearTotals();
  side.Food(1, 0, "25");
  side.calc.AddFoodToTotals("1", "50");
  side.calc.AddFoodToTotals("1", "50");
  EXPECT_EQ(side.Total(0), 24);  // 12 + 12, not 25
}

TEST(AddFoodToTotals, RowsOutsideTheTableAddNothing) {
  Side side;
  side.Food(1, 0, "100");
  side.Food(FoodTable::kMinRows, 0, "100");
  for (const char* row : {"0", "-1", "1835", "", "x", "99999999999"})
    side.calc.AddFoodToTotals(row, "100");
  EXPECT_EQ(side.Total(0), 0);
  side.calc.AddFoodToTotals("1834", "100");
  EXPECT_EQ(side.Total(0), 100);
}

TEST(AddFoodToTotals, HugeAmountsSaturate) {
  Side side;
  side.Food(1, 0, "2000000000");
  side.Food(1, 1, "1e30");
  side.Food(2, 0, "-2000000000");
  side.calc.AddFoodToTotals("1", "1000000");
  side.calc.AddFoodToTotals("1", "1e300");  // a weight beyond the 6-byte real
  EXPECT_EQ(side.Total(0), kMax);
  EXPECT_EQ(side.Total(1), kMax);
  side.calc.ClearTotals();
  side.calc.AddFoodToTotals("2", "1000000");
  side.calc.AddFoodToTotals("2", "1000000");
  EXPECT_EQ(side.Total(0), kMin);
}

TEST(FoodEntries, RowAndWeightComeFromEachEntry) {
  Side side;
  side.Food(1, 0, "200");
  side.Food(2, 0, "100");
  side.Food(3, 0, "10");
  side.calc.AddListedFoods({"[2]10001:N= 80g", "[3] 1003:\x95\xC4= 12.5g"});
  EXPECT_EQ(side.Total(0), 80 + 1);
  // 12.5 g as the first item of a dish reads 12.5, not digits beyond its own item.
  side.calc.ClearTotals();
  side.calc.AddDishFoods("[1]1001:a= 12.5g,[2]1002:b= 100g");
  EXPECT_EQ(side.Total(0), 25 + 100);
  // Empty items between commas are passed over.
  side.calc.ClearTotals();
  side.calc.AddDishFoods("[2]x= 10g,,[2]x= 20g,");
  EXPECT_EQ(side.Total(0), 30);
}

TEST(FoodEntries, EmptyAndMalformedItemsAddNothing) {
  Side side;
  side.Food(1, 0, "100");
  side.calc.AddDishFoods("");
  side.calc.AddDishFoods("[1a= 10g");   // no "]"
  side.calc.AddDishFoods("]1]a= 10g");  // "]" first: empty row text
  side.calc.AddDishFoods("[1]a=");      // "=" is the last byte
  side.calc.AddDishFoods("[1]a=g");
  side.calc.AddListedFoods({"", "[", "]", "=", "[1]", "11]a 10g"});  // no "=": no weight
  EXPECT_EQ(side.Total(0), 0);
}

TEST(LoadTargets, ReadsThePairOfTheChosenSex) {
  Side side;
  const char* fields[20] = {"2650", "2000", "55.5", "50", "70",   "50.5", "600",
                            "600",  "7.5",  "8.5",  "2000", "1800", "1.1",  "0.8",
                            "1.2",  "1.0",  "99",   "99",   "100",  "95"};
  for (int f = 1; f <= 20; ++f) side.reference->SetField(9, f, fields[f - 1]);
  side.calc.LoadTargets(0, 9);
  EXPECT_EQ(side.calc.targets.EnergyTarget, 2650);
  EXPECT_EQ(side.calc.targets.other,
            (std::array<std::int32_t, 8>{550, 700, 600, 75, 2000, 110, 120, 100}));
  side.calc.LoadTargets(1, 9);
  EXPECT_EQ(side.calc.targets.EnergyTarget, 2000);
  EXPECT_EQ(side.calc.targets.other,
            (std::array<std::int32_t, 8>{500, 505, 600, 85, 1800, 80, 100, 95}));
}

// The bundled reference table takes iron with menstruation for women up to 49
// only: the 50～69歳 row is for women most of whom are past it.
TEST(LoadTargets, BundledIronForWomenAssumesMenstruationUpTo49) {
  Side side;
  char* old = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(EIYOU_SAMPLE_DATA), 0);
  eiyou::testing::RecordingSink sink;
  LoadReferenceTable(*side.reference, sink);
  ASSERT_EQ(chdir(old), 0);
  std::free(old);
  ASSERT_TRUE(sink.messages.empty());
  for (auto [age, tenths] : {std::pair{9, 105}, {10, 65}, {11, 60}}) {
    side.calc.LoadTargets(1, age);
    EXPECT_EQ(side.calc.targets.Of(4), tenths) << age;
  }
}

TEST(LoadTargets, NoValidRowGivesZeroTargetsAndProteinSaturates) {
  Side side;
  for (int row = 1; row <= 11; ++row)
    for (int f = 1; f <= 20; ++f) side.reference->SetField(row, f, "10");
  for (auto [sex, age] : {std::pair{-1, 5}, {2, 5}, {0, 0}, {1, 12}}) {
    side.calc.LoadTargets(1, 11);
    ASSERT_EQ(side.calc.targets.EnergyTarget, 10);
    side.calc.LoadTargets(sex, age);
    EXPECT_EQ(side.calc.targets.EnergyTarget, 0) << sex << "," << age;
    EXPECT_EQ(side.calc.targets.other, (std::array<std::int32_t, 8>{})) << sex << "," << age;
  }
  side.reference->SetField(1, 3, "300000000");
  side.reference->SetField(1, 4, "-300000000");
  side.calc.LoadTargets(0, 1);
  EXPECT_EQ(side.calc.targets.other[0], kMax);
  side.calc.LoadTargets(1, 1);
  EXPECT_EQ(side.calc.targets.other[0], kMin);
}
