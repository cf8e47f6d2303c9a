// The figures of a period: each day as the meal window totals it, salt and
// fibre by the decimal columns' arithmetic, and the average's rounding.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plan_test_support.h"
#include "plans/period.h"
#include "sessions/meal_session.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

using PeriodTest = PlanTest;

// A day of one food: "[1]x:y= <weight>g" at breakfast.
DayPlan OneFood(const std::string& date, const std::string& weight) {
  DayPlan day;
  day.date = date;
  day.meals[0] = {"c,k,n,[1]0001:food= " + weight + "g"};
  return day;
}

// Stored days of the sample dishes, read back, give each day the totals of the
// meal window after "選択→" on each of its dishes.
TEST_F(PeriodTest, EachDayHasTheMealWindowsTotals) {
  const std::string data = EIYOU_SAMPLE_DATA;
  WriteBytes(kFoodFileName, ReadWholeFile(data + "/" + kFoodFileName));
  WriteBytes(kReferenceFileName, ReadWholeFile(data + "/" + kReferenceFileName));
  const std::vector<std::string> dishes =
      ReadDishFile(data + "/" + kDishDirName + "/" + kDishFileName);
  ASSERT_GT(dishes.size(), 20u);

  auto store = OpenStore();
  for (int d = 0; d < 5; ++d) {
    DayPlan day;
    day.date = "2024-07-0" + std::to_string(d + 1);
    day.sex = 0;
    day.age = 7;
    for (int m = 0; m < kMeals; ++m)
      for (int i = 0; i <= d % 4; ++i) day.meals[m].push_back(dishes[(d * 11 + m * 5 + i * 3) % dishes.size()]);
    ASSERT_TRUE(store->SaveDay(day).ok);
  }
  const std::vector<DayPlan> days = store->DaysBetween("2024-07-01", "2024-07-31");
  ASSERT_EQ(days.size(), 5u);

  auto meal = std::make_unique<MealSession>();
  RecordingSink sink;
  meal->LoadFood(sink);
  meal->LoadReference(sink);
  ASSERT_TRUE(sink.messages.empty());
  const PeriodFigures period = ComputePeriod(days, meal->food, meal->reference);
  ASSERT_EQ(period.days.size(), 5u);
  for (std::size_t d = 0; d < days.size(); ++d) {
    meal->calc.ClearTotals();
    for (const auto& dishesOfMeal : days[d].meals)
      for (const std::string& line : dishesOfMeal) meal->AddDish(0, line);
    EXPECT_EQ(period.days[d].date, days[d].date);
    for (int k = 0; k < kNutrients; ++k)
      EXPECT_EQ(period.days[d].totals[k], meal->calc.totals.value[k]) << days[d].date << " " << k;
    EXPECT_GT(period.days[d].totals[kSaltIndex], 0);
    EXPECT_GT(period.days[d].totals[kFibreIndex], 0);
  }
}

// Salt and fibre come out exactly as fat does from the same cell and weight
// (the 6-byte real path: 150 g of 0.3 is 5 tenths, where doubles give 4).
TEST_F(PeriodTest, SaltAndFibreFollowTheDecimalColumns) {
  auto food = std::make_unique<FoodTable>();
  auto reference = std::make_unique<ReferenceTable>();
  food->SetCell(6, 1, "0.3");
  food->SetCell(8, 1, "0.3");
  food->SetCell(22, 1, "0.3");
  PeriodFigures p = ComputePeriod({OneFood("2024-01-01", "150")}, *food, *reference);
  EXPECT_EQ(p.days[0].totals[kSaltIndex], 5);
  EXPECT_EQ(p.days[0].totals[kFibreIndex], 5);

  for (const char* cell : {"2.5", "0.05", "12.35", "Tr", "(0)", "7.45", "-1.5", "1e3", "99999999"}) {
    for (const char* weight : {"150", "50", "0.5", "33.3", "2", "-20", "1e6", "abc"}) {
      food->SetCell(6, 1, cell);
      food->SetCell(8, 1, cell);
      food->SetCell(22, 1, cell);
      p = ComputePeriod({OneFood("2024-01-01", weight)}, *food, *reference);
      const PeriodValues& t = p.days[0].totals;
      EXPECT_EQ(t[kSaltIndex], t[2]) << cell << " × " << weight;
      EXPECT_EQ(t[kFibreIndex], t[2]) << cell << " × " << weight;
    }
  }
}

TEST_F(PeriodTest, TheAverageIsTheMeanRoundedHalfToEven) {
  auto food = std::make_unique<FoodTable>();
  auto reference = std::make_unique<ReferenceTable>();
  food->SetCell(3, 1, "100");  // 1 kcal a gram
  auto average = [&](std::vector<const char*> weights) {
    std::vector<DayPlan> days;
    for (const char* w : weights) days.push_back(OneFood("2024-01-01", w));
    return ComputePeriod(days, *food, *reference);
  };
  EXPECT_EQ(average({"1", "2"}).average[0], 2);  // 1.5
  EXPECT_EQ(average({"2", "3"}).average[0], 2);  // 2.5
  EXPECT_EQ(average({"-2", "-3"}).average[0], -2);
  const PeriodFigures thirds = average({"1", "2", "2"});
  EXPECT_EQ(thirds.average[0], 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(thirds.mean[0]), 5.0 / 3.0);
  // Totals at the 32-bit limit do not overflow the sum.
  EXPECT_EQ(average({"1e12", "1e12", "1e12"}).average[0], 2147483647);

  const PeriodFigures none = ComputePeriod({}, *food, *reference);
  EXPECT_TRUE(none.days.empty());
  EXPECT_EQ(none.average, PeriodValues{});
}

}  // namespace
