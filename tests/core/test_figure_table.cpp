// The figure table: salt and fibre with the program's arithmetic, the marks of
// estimated and missing values, the reference values and percentages, and the
// files beside the tables that feed them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "nutrition/figure_table.h"
#include "nutrition/food_entry.h"
#include "nutrition/real48.h"
#include "plans/period.h"
#include "sessions/dish_session.h"
#include "sessions/meal_session.h"
#include "table_test_support.h"
#include "tables/cp932.h"
#include "tables/numbers.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

// 23 fields; `cells` fills columns 3.. in order, the rest "0".
std::string Line(const char* number, const char* name, std::vector<const char*> cells) {
  std::string line = std::string(number) + "," + name;
  for (int c = 3; c <= 23; ++c)
    line += std::string(",") + (c - 3 < int(cells.size()) ? cells[std::size_t(c - 3)] : "0");
  return Cp932(line);
}

// A marks line: every column plain but the (column, mark) pairs given.
std::string MarksLine(const char* number, std::vector<std::pair<int, char>> marks) {
  std::string line = std::string(number) + "\t" + std::string(23, '.');
  for (auto [column, mark] : marks) line[std::size_t(5 + column)] = mark;
  return line + "\r\n";
}

// Columns 3..23: kcal water prot fat carb FIBRE ash Ca P Fe Na K ret car IU B1 B2 nia C SALT refuse
FoodTable SmallTable() {
  FoodTable t;
  t.SetRow(1, Line(" 1001", "米", {"356", "15", "6.1", "0.9", "77", "0.6", "0.4", "5", "0", "0.8",
                                    "1", "0", "0", "0", "0", "0.08", "0.02", "0", "0", "0.25"}));
  t.SetRow(2, Line("10001", "さけ", {"124", "72", "22.3", "4.1", "0", "-", "1.2", "14", "0", "0.5",
                                     "0", "0", "0", "0", "40", "0.15", "0.21", "0", "1", "1.2"}));
  return t;
}

TEST(AddExtraFood, SaltAndFibreRoundEachFoodFromSixByteReals) {
  const FoodTable t = SmallTable();
  ExtraTotals extra;
  AddExtraFood(extra, t, "1", "150");  // salt 0.25 × 10 × 150 × 0.01 = 3.75 → 4; fibre 9
  EXPECT_EQ(extra.value, (std::array<std::int32_t, 2>{4, 9}));
  AddExtraFood(extra, t, "1", "10");   // 0.25 → 0, 0.6 → 1: each food rounded by itself
  AddExtraFood(extra, t, "2", "100");  // fibre "-" counts as 0
  AddExtraFood(extra, t, "3", "100");  // an empty row adds nothing
  AddExtraFood(extra, t, "0", "100");  // outside the table
  EXPECT_EQ(extra.value, (std::array<std::int32_t, 2>{4 + 0 + 12, 9 + 1}));
  ExtraTotals huge;
  AddExtraFood(huge, t, "2", "1e30");
  AddExtraFood(huge, t, "2", "1e30");
  EXPECT_EQ(huge.value[0], INT32_MAX);
  EXPECT_EQ(TenthsText(19), "1.9");
  EXPECT_EQ(TenthsText(-3), "-0.3");
  EXPECT_EQ(TenthsText(INT32_MIN), "-214748364.8");
}

// Every total as the arithmetic is documented: both texts of each FoodEntry
// read afresh, each cell read as its nutrient's number, per food, in order.
std::array<std::int32_t, kFigureRows> PerTextTotals(const FoodTable& t,
                                                    const std::vector<std::string>& entries) {
  constexpr int kColumn[kFigureRows] = {3, 5, 6, 10, 12, 17, 18, 19, 21, 22, 8};
  constexpr int kScale[kFigureRows] = {0, 10, 10, 0, 10, 0, 100, 100, 0, 10, 10};
  std::array<std::int32_t, kFigureRows> totals{};
  for (const std::string& entry : entries) {
    const long double w = Real48(ParseRealLenient(FoodEntryWeightText(entry)));
    const std::int32_t r = ParseIntLenient(FoodEntryRowText(entry));
    if (r < 1 || r > t.rows()) continue;
    for (int k = 0; k < kFigureRows; ++k) {
      const std::string_view cell = t.Cell(kColumn[k], r);
      const long double v =
          kScale[k] ? Real48(ParseRealLenient(cell)) * kScale[k] : ParseIntLenient(cell);
      totals[k] = SaturatingAdd(totals[k], RoundEven((w * v) * 0.01L));
    }
  }
  return totals;
}

// The foods are read once and added in one place: each way in (the dish
// window's list, a dish line, a figure column, a stored day, the meal side)
// must give what the per-text arithmetic gives, saturation order included.
TEST(AddFoods, EveryWayInAddsAsThePerTextArithmetic) {
  // Products beside halves (0.3 × 10 × 150 g is 4.5 before the 6-byte real
  // lifts it), the tables' odd texts, and weights of every kind; the weights
  // that saturate, and those that then take from a saturated total, come last.
  const char* cells[] = {"356", "25", "35", "0.3", "0.7", "1.1", "0.15", "0.35", "2.5", "Tr", "-",
                         "(1.2)", "0.05", "$1F", " 7", "", "2147483647", "1e3"};
  const char* rows[] = {"1", "2", "3", "4", "5", "6", "7", " 8", "0", "1834", "1835", "-2", "x", ""};
  const char* weights[] = {" 150", " 50", " 250", " 30", " 10", " 12.5", " 0", " 0.3",
                           " 3.", " abc", "", " 85.5", " 0.0001", "5"};
  const char* extremes[] = {" 1e30", " -7.5", " -1e30", " 99999"};
  std::mt19937 random(11);
  const auto any = [&](const auto& pool) { return pool[random() % std::size(pool)]; };
  FoodTable t;
  for (int r = 1; r <= 8; ++r) {
    std::string line = std::to_string(1000 + r) + ",food" + std::to_string(r);
    for (int c = 3; c <= FoodTable::kColumns; ++c) line += std::string(",") + any(cells);
    t.SetRow(r, line);
  }
  std::vector<std::string> entries = {"[1a= 10g", "]1]= 5g", "[2]a=", "[3]a=g", "[4]10g"};
  for (int n = 0; n < 600; ++n)
    entries.push_back(std::string("[") + any(rows) + "]1001:x=" + any(weights) + "g");

  const ReferenceTable ref;
  const auto figures = [](const NutrientTotals& nine, const ExtraTotals& extra) {
    std::array<std::int32_t, kFigureRows> all{};
    std::copy(nine.value.begin(), nine.value.end(), all.begin());
    all[kSaltRow] = extra.value[0];
    all[kFibreRow] = extra.value[1];
    return all;
  };
  const auto check = [&](const std::vector<std::string>& foods) {
    std::string dish = "c,k,n";
    for (const std::string& food : foods) dish += "," + food;
    const auto expected = PerTextTotals(t, foods);
    NutrientCalculator listed(t, ref), joined(t, ref);  // the nine only
    listed.AddListedFoods(foods);
    joined.AddDishFoods(SplitDishLine(dish).foods);
    FigureColumn column;
    AddFoodsToColumn(column, t, {}, foods);
    EXPECT_EQ(figures(column.nine, column.extra), expected);
    EXPECT_EQ(figures(listed.totals, column.extra), expected);
    EXPECT_EQ(figures(joined.totals, column.extra), expected);

    // Twice: a stored day with the dish at breakfast and dinner, the meal side
    // adding it twice.
    std::vector<std::string> twice = foods;
    twice.insert(twice.end(), foods.begin(), foods.end());
    const auto doubled = PerTextTotals(t, twice);
    DayPlan plan;
    plan.meals[0] = plan.meals[2] = {dish};
    EXPECT_EQ(ComputePeriod({plan}, t, ref).days.at(0).totals, doubled);
    MealSession meal;
    meal.food = t;
    meal.AddDish(1, dish);
    meal.AddDish(3, dish);
    const FigureColumn day = meal.DayColumn();
    EXPECT_EQ(figures(day.nine, day.extra), doubled);
  };
  check(entries);
  for (int n = 0; n < 30; ++n)
    entries.push_back(std::string("[") + any(rows) + "]1001:x=" + any(extremes) + "g");
  check(entries);
}

TEST(QualityOf, MarksCountOnlyOnTheirOwnFoodAndDashesAlways) {
  const FoodTable t = SmallTable();
  std::vector<FoodMarksLine> marks = ReadFoodMarks(MarksLine("01001", {{6, 'E'}}) +
                                                   MarksLine("10001", {{18, '-'}, {19, 'E'}}));
  EXPECT_EQ(QualityOf(t, marks, 6, 1), CellQuality::Estimated);     // fat of 米
  EXPECT_EQ(QualityOf(t, marks, 5, 1), CellQuality::Analysed);
  EXPECT_EQ(QualityOf(t, marks, 18, 2), CellQuality::NotAnalysed);  // a mark '-'
  EXPECT_EQ(QualityOf(t, marks, 19, 2), CellQuality::Estimated);
  EXPECT_EQ(QualityOf(t, marks, 8, 2), CellQuality::NotAnalysed);   // the cell "-"
  EXPECT_EQ(QualityOf(t, {}, 8, 2), CellQuality::NotAnalysed);      // without marks too
  EXPECT_EQ(QualityOf(t, {}, 6, 1), CellQuality::Analysed);
  // Marks of another table (numbers differ) are not used.
  marks[0].number = "01002";
  EXPECT_EQ(QualityOf(t, marks, 6, 1), CellQuality::Analysed);
}

TEST(FigureColumn, NineEqualTheCalculatorsAndNotesNameEachFoodOnce) {
  const FoodTable t = SmallTable();
  const ReferenceTable ref;
  const std::vector<FoodMarksLine> marks = ReadFoodMarks(
      MarksLine("01001", {{6, 'E'}}) + MarksLine("10001", {{18, '-'}, {19, 'E'}}));
  const std::vector<std::string> items = {Cp932("[1] 1001:米= 150g"), Cp932("[2]10001:さけ= 80g"),
                                          Cp932("[2]10001:さけ= 20g"), Cp932("[2]10001:さけ= 0g")};
  FigureColumn column;
  AddFoodsToColumn(column, t, marks, items);
  NutrientCalculator calc(t, ref);
  calc.AddListedFoods(items);
  EXPECT_EQ(column.nine.value, calc.totals.value);
  EXPECT_EQ(column.notes.estimated[2], (std::vector<std::string>{Cp932("米")}));
  EXPECT_EQ(column.notes.missing[6], (std::vector<std::string>{Cp932("さけ")}));
  EXPECT_EQ(column.notes.estimated[7], (std::vector<std::string>{Cp932("さけ")}));
  EXPECT_EQ(column.notes.missing[kFibreRow], (std::vector<std::string>{Cp932("さけ")}));
  EXPECT_TRUE(column.notes.missing[0].empty());

  const FigureCell b1 = MarkOf(column.notes, 6);
  EXPECT_EQ(b1.mark, "※");
  EXPECT_NE(b1.tip.find("さけ"), std::string::npos);
  EXPECT_EQ(MarkOf(column.notes, 0).mark, "");
}

TEST(MakeFigureTable, ReferenceInTheDailyUnitsAndPercentOfTheChosenDishes) {
  FigureColumn dish, chosen;
  dish.nine.value = {700, 123, 5, 1, 85, 1000, 5, 0, 3};
  chosen.nine.value = {1050, 300, 0, 0, 0, 0, 0, 0, 0};
  chosen.extra.value = {15, 30};
  chosen.notes.estimated[0] = {Cp932("米")};
  NutrientTargets targets;
  targets.EnergyTarget = 2100;
  targets.other = {600, 0, 650, 75, 2333, 120, 140, 100};
  ExtraReferenceTable extra;
  extra.SetField(9, 1, "7.5");  // salt, male
  extra.SetField(9, 2, "6.5");
  extra.SetField(9, 3, "");     // fibre, male: none given
  extra.SetField(9, 4, "18");

  const FigureTableRows male = MakeFigureTable(dish, chosen, &targets, extra, 0, 9);
  EXPECT_EQ(male[0].dish.text, "700");
  EXPECT_EQ(male[1].dish.text, "12.3");
  EXPECT_EQ(male[5].dish.text, "300");   // IU × 0.3
  EXPECT_EQ(male[6].dish.text, "0.05");
  EXPECT_EQ(male[0].chosen.text, "1050");
  EXPECT_EQ(male[0].chosen.mark, "＊");
  EXPECT_EQ(male[0].reference.text, "2100");
  EXPECT_EQ(male[0].percent.text, "50");
  EXPECT_EQ(male[1].percent.text, "50");
  EXPECT_EQ(male[2].percent.text, "-");   // a target of 0
  EXPECT_EQ(male[5].reference.text, "700");  // the µgRAE it came from, not 699.9
  EXPECT_EQ(male[kSaltRow].chosen.text, "1.5");
  EXPECT_EQ(male[kSaltRow].reference.text, "7.5未満");
  EXPECT_EQ(male[kSaltRow].percent.text, "20");
  EXPECT_EQ(male[kFibreRow].reference.text, "-");
  EXPECT_EQ(male[kFibreRow].percent.text, "-");
  const FigureTableRows female = MakeFigureTable(dish, chosen, &targets, extra, 1, 9);
  EXPECT_EQ(female[kFibreRow].reference.text, "18.0以上");
  EXPECT_EQ(female[kFibreRow].percent.text, "17");  // 3.0 of 18.0: 16.67

  const FigureTableRows none = MakeFigureTable(dish, chosen, nullptr, extra, 0, 9);
  for (const FigureTableRow& row : none) {
    EXPECT_EQ(row.reference.text, "-");
    EXPECT_EQ(row.percent.text, "-");
  }
}

// STD.CSV keeps vitamin A in IU made as µgRAE × 10 / 3 rounded half away from
// zero: every row of the bundled table gives back a figure that makes its IU.
TEST(RaeOfIu, GivesBackTheMicrogramsEveryBundledRowWasMadeFrom) {
  EXPECT_EQ(RaeOfIu(5), 2);  // 1.5: an IU not made from RAE rounds half to even
  EXPECT_EQ(RaeOfIu(-2833), -850);
  std::ifstream in(EIYOU_SAMPLE_DATA "/STD.CSV", std::ios::binary);
  int rows = 0;
  for (std::string line; std::getline(in, line); ++rows) {
    const std::vector<std::string> fields = SplitAtCommas(line);
    ASSERT_EQ(fields.size(), 20u) << line;
    for (const std::string& field : {fields[10], fields[11]}) {
      const std::int32_t iu = ParseIntLenient(field);
      EXPECT_EQ((RaeOfIu(iu) * 10 + 1) / 3, iu) << "row " << rows + 1;
    }
  }
  EXPECT_EQ(rows, 11);
}

using SideFilesTest = testing::ScratchDirTest;

TEST_F(SideFilesTest, ExtraReferenceAndMarksAreReadWithoutAWordOrNotAtAll) {
  ExtraReferenceTable extra;
  extra.SetField(1, 1, "stale");
  LoadExtraReferenceTable(extra);  // missing: empty, no message possible
  EXPECT_EQ(extra.Field(1, 1), "");
  EXPECT_TRUE(LoadFoodMarks().empty());

  WriteBytes("STD_EXTRA.CSV", ",,,\r\n3.5,3.5,8,8\r\n");
  WriteBytes(kFoodMarksFileName, MarksLine("01001", {{6, 'E'}}) + "broken\r\n");
  LoadExtraReferenceTable(extra);
  EXPECT_EQ(extra.Field(1, 1), "");
  EXPECT_EQ(extra.Field(2, 4), "8");
  EXPECT_EQ(extra.Field(3, 1), "");
  const std::vector<FoodMarksLine> marks = LoadFoodMarks();
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[1].number, "");

  // A directory in the file's place reads as no file.
  std::filesystem::remove(Path("STD_EXTRA.CSV"));
  std::filesystem::create_directory(Path("STD_EXTRA.CSV"));
  LoadExtraReferenceTable(extra);
  EXPECT_EQ(extra.Field(2, 4), "");
}

TEST_F(SideFilesTest, SessionsKeepTheChosenColumnAndTheDaysNotesUntilCleared) {
  WriteBytes("食品成分表５訂.CSV", Line(" 1001", "米", {"356", "15", "6.1", "-"}) + "\r\n");
  WriteBytes(kFoodMarksFileName, "01001\t.....................\r\n");  // malformed: unused
  WriteBytes("STD.CSV", "2100,2100,60,60\r\n");
  testing::RecordingSink sink;

  std::filesystem::create_directory(Path("KONDATE"));
  WriteBytes("KONDATE/献立.TXT", Cp932(",,ごはん,[1] 1001:米= 100g\r\n"));

  DishSession dish;
  dish.LoadFood(sink);
  dish.LoadReference(sink);
  dish.Opening(sink);
  dish.SelectDish(0);  // the dish being composed: 100 g of rice
  dish.EvaluateDish(0);
  dish.EvaluateDish(0);
  dish.ChooseSex(0);
  dish.ChooseAge(1);
  FigureTableRows rows = dish.Figures();
  EXPECT_EQ(rows[0].dish.text, "356");
  EXPECT_EQ(rows[0].chosen.text, "712");
  EXPECT_EQ(rows[0].percent.text, "34");
  EXPECT_EQ(rows[2].chosen.mark, "※");       // fat "-"
  EXPECT_EQ(rows[kSaltRow].reference.text, "-");  // no STD_EXTRA.CSV
  EXPECT_EQ(dish.calc.totals.value[0], 712);
  dish.ChooseSex(-1);
  EXPECT_EQ(dish.Figures()[0].reference.text, "-");
  dish.ChooseSex(0);
  dish.ClearEvaluation();
  dish.ClearDraft();
  rows = dish.Figures();
  EXPECT_EQ(rows[0].chosen.text, "0");
  EXPECT_EQ(rows[2].chosen.mark, "");
  EXPECT_TRUE(sink.messages.empty());

  MealSession meal;
  meal.LoadFood(sink);
  meal.AddDish(1, Cp932("和食,煮もの,ごはん,[1] 1001:米= 100g"));
  EXPECT_EQ(meal.FigureMark(2).mark, "※");
  meal.ClearDay();
  EXPECT_EQ(meal.FigureMark(2).mark, "");
  EXPECT_EQ(meal.calc.totals.value[0], 0);
}

}  // namespace
}  // namespace eiyou
