// The sessions: each side's state, and the chart sequences its window runs.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sessions/sessions.h"
#include "table_test_support.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"

using namespace eiyou;

namespace {

using Point = std::pair<int, int>;
constexpr Rgb kFace{240, 240, 240};
constexpr Point kDishCentre{948, 608};

// Records what a chart sequence draws: a summary of its runs of calls, such
// as "fill1 grid369 blue9", and the points of the lines of each colour.
class SummaryCanvas : public Canvas {
 public:
  void SetPen(Rgb colour, int) override { pen_ = colour; }
  void MoveTo(int x, int y) override { at_ = {x, y}; }
  void LineTo(int x, int y) override {
    Add(pen_ == kGridGreen ? "grid" : pen_ == kGraphBlue ? "blue" : pen_ == kFace ? "face" : "?");
    lines_.push_back({pen_, at_, {x, y}});
    at_ = {x, y};
  }
  void SetBrush(Rgb) override {}
  void FillRect(int left, int top, int right, int bottom) override {
    Add("fill");
    fills.push_back({left, top, right, bottom});
  }

  std::string Summary() const {
    std::string text;
    for (const auto& [what, n] : runs_) text += (text.empty() ? "" : " ") + what + std::to_string(n);
    return text;
  }
  std::vector<Point> Points(Rgb colour) const {
    std::vector<Point> points;
    for (const Line& l : lines_)
      if (l.colour == colour) points.insert(points.end(), {l.from, l.to});
    return points;
  }
  std::vector<std::array<int, 4>> fills;

 private:
  struct Line {
    Rgb colour;
    Point from, to;
  };
  void Add(const std::string& what) {
    if (runs_.empty() || runs_.back().first != what) runs_.push_back({what, 0});
    ++runs_.back().second;
  }
  Rgb pen_{};
  Point at_{};
  std::vector<Line> lines_;
  std::vector<std::pair<std::string, int>> runs_;
};

// Row 1 of the food table: 100 of every column. Every reference row: 2100.
template <class Side>
void Fill(Side& side) {
  std::string line = " 1001,food";
  for (int c = 3; c <= FoodTable::kColumns; ++c) line += ",100";
  side.food.SetRow(1, line);
  for (int row = 1; row <= ReferenceTable::kRows; ++row)
    for (int f = 1; f <= ReferenceTable::kFields; ++f) side.reference.SetField(row, f, "2100");
}

std::unique_ptr<DishSession> DishWithOneFood() {
  auto dish = std::make_unique<DishSession>();
  Fill(*dish);
  dish->calc.AddListedFoods({"[1] 1001:food= 100g"});
  return dish;
}

}  // namespace

TEST(DishSession, ChartChecksComeInOrder) {
  auto dish = std::make_unique<DishSession>();
  EXPECT_EQ(dish->CheckChart(-1, 0), ChartBlocker::NoReference);
  dish->reference.SetField(1, 1, "2100");
  EXPECT_EQ(dish->CheckChart(-1, 0), ChartBlocker::NoSex);
  EXPECT_EQ(dish->CheckChart(1, 0), ChartBlocker::NoAge);
  EXPECT_EQ(dish->CheckChart(0, 11), ChartBlocker::None);
}

TEST(DishSession, DrawingClearsAChartDrawnBeforeUnlessTheAgeClassChanged) {
  auto dish = DishWithOneFood();
  SummaryCanvas first, again, newAge;
  dish->DrawChart(first, 0, 1, kFace);
  EXPECT_EQ(first.Summary(), "grid369 blue9");  // five circles of 72 chords, nine spokes
  EXPECT_TRUE(dish->ChartDrawn);
  dish->DrawChart(again, 0, 1, kFace);
  EXPECT_EQ(again.Summary(), "fill1 grid738 blue9");
  EXPECT_EQ(again.Points(kGraphBlue), first.Points(kGraphBlue));
  dish->ChartDrawn = false;  // what choosing another age class does
  dish->DrawChart(newAge, 0, 1, kFace);
  EXPECT_EQ(newAge.Summary(), "grid369 blue9");
}

TEST(DishSession, ErasingRetracesTheOutlineOfTheCurrentTotals) {
  auto dish = DishWithOneFood();
  SummaryCanvas drawn, erased, erasedLater;
  dish->DrawChart(drawn, 0, 1, kFace);
  dish->EraseChart(erased, 0, 1, kFace);
  EXPECT_EQ(erased.Summary(), "face9 grid369");
  EXPECT_EQ(erased.Points(kFace), drawn.Points(kGraphBlue));
  EXPECT_FALSE(dish->ChartDrawn);
  // A dish evaluated after the drawing: the outline erased is another one,
  // and the drawn one stays partly on screen.
  dish->calc.AddListedFoods({"[1] 1001:food= 100g"});
  dish->EraseChart(erasedLater, 0, 1, kFace);
  EXPECT_NE(erasedLater.Points(kFace), drawn.Points(kGraphBlue));
}

TEST(DishSession, ClearingFillsFromTheSurfacesCornerAndLeavesTheGridOnTheAxes) {
  auto dish = DishWithOneFood();
  SummaryCanvas drawn, cleared;
  dish->DrawChart(drawn, 0, 1, kFace);
  dish->ClearChart(cleared, kFace);
  EXPECT_EQ(cleared.Summary(), "fill1 grid369");
  EXPECT_EQ(cleared.fills, (std::vector<std::array<int, 4>>{{0, 0, 1169, 817}}));
  EXPECT_EQ(cleared.Points(kGridGreen).back(), (Point{948, 448}));  // the ninth spoke, upright
}

TEST(Sessions, TargetsReadingZeroOrLessPutEveryVertexAtTheCentre) {
  auto sessions = std::make_unique<Sessions>();
  DishSession& dish = sessions->dish;
  MealSession& meal = sessions->meal;
  Fill(dish);
  Fill(meal);
  const char* rows[] = {"0", "x", "-2100"};
  for (int r = 1; r <= 3; ++r)
    for (int f = 1; f <= ReferenceTable::kFields; ++f) {
      dish.reference.SetField(r, f, rows[r - 1]);
      meal.reference.SetField(r, f, rows[r - 1]);
    }
  dish.calc.AddListedFoods({"[1] 1001:food= 100g"});
  meal.AddDish(",,dish,[1] 1001:food= 100g");
  for (int r = 1; r <= 3; ++r) {
    SummaryCanvas dishChart, dailyChart;
    dish.DrawChart(dishChart, 1, r, kFace);
    meal.sexIndex = 1;
    meal.ageIndex = r;
    meal.DrawChart(dailyChart);
    EXPECT_EQ(dailyChart.Summary(), "grid225 blue9");  // three circles, nine spokes
    EXPECT_EQ(dishChart.Points(kGraphBlue), std::vector<Point>(18, kDishCentre)) << rows[r - 1];
    EXPECT_EQ(dailyChart.Points(kGraphBlue), std::vector<Point>(18, Point(392, 304)))
        << rows[r - 1];
  }
}

TEST(DishSession, TheGroupBoxChoiceListsItsGroup) {
  auto dish = std::make_unique<DishSession>();
  dish->food.SetRow(1, " 1001," + Cp932("米") + std::string(21, ','));
  dish->food.SetRow(2, " 0001,zero" + std::string(21, ','));
  const DishSession::FoodList rice = dish->ListGroup(0);
  EXPECT_EQ(rice.choices, std::vector<std::string>{"[1] 1001:" + Cp932("米")});
  EXPECT_EQ(rice.shown, std::vector<std::string>{"[1] 1001:米"});
  EXPECT_EQ(dish->SelectedGroup, 1);
  // Typed text naming no item: group 0.
  EXPECT_EQ(dish->ListGroup(-1).choices, std::vector<std::string>{"[2] 0001:zero"});
  EXPECT_EQ(dish->SelectedGroup, 0);
}

TEST(MealSession, DishesAddUpToTheDaysFigures) {
  auto meal = std::make_unique<MealSession>();
  Fill(*meal);
  EXPECT_EQ(meal->AddDish(Cp932("和      食,汁 も の,みそ汁,[1] 1001:food= 1g")),
            Cp932("和      食：汁 も の：みそ汁"));
  EXPECT_EQ(meal->Figures(), (std::array<std::string, kNutrients>{"1", "1", "1", "1", "1", "0.3",
                                                                  "1", "1", "1"}));
  // No foods, or a FoodEntry without its "=": nothing more.
  meal->AddDish(",,none");
  meal->AddDish(",,no weight,[1] 1001:food 1g");
  meal->AddDish(",,twice,[1]x= 1g");
  EXPECT_EQ(meal->Figures(), (std::array<std::string, kNutrients>{"2", "2", "2", "2", "2", "0.6",
                                                                  "2", "2", "2"}));
}

TEST(MealSession, ExtremeWeightsSaturateTheFigures) {
  auto meal = std::make_unique<MealSession>();
  std::string ones = "1 002,ones";
  for (int c = 3; c <= FoodTable::kColumns; ++c) ones += ",1";
  meal->food.SetRow(4, ones);
  using Figures = std::array<std::string, kNutrients>;
  const Figures top = {"2147483647",  "214748364.7", "214748364.7", "2147483647", "214748364.7",
                       "644245094.1", "21474836.47", "21474836.47", "2147483647"};
  const Figures bottom = {"-2147483648",  "-214748364.8", "-214748364.8",
                          "-2147483648",  "-214748364.8", "-644245094.4",
                          "-21474836.48", "-21474836.48", "-2147483648"};
  // 1e11 g of 1 per 100 g: 1e9 in the whole-number columns; the scaled ones saturate.
  const Figures eleven = {"1000000000",  "214748364.7", "214748364.7", "1000000000", "214748364.7",
                          "300000000",   "21474836.47", "21474836.47", "1000000000"};
  const Figures zero = {"0", "0", "0", "0", "0", "0", "0", "0", "0"};
  const std::pair<const char*, Figures> cases[] = {
      {"1e30", top},  {"99999999999", eleven}, {"-1e30", bottom}, {"1e99999", top},
      {"-0", zero},   {"nan", zero},           {"inf", zero},     {"0x1p4", zero}};
  for (const auto& [weight, figures] : cases) {
    meal->calc.ClearTotals();
    meal->AddDish(std::string(",,dish,[4]1 002:ones= ") + weight + "g");
    EXPECT_EQ(meal->Figures(), figures) << weight;
  }
}

class ViewerSessionFiles : public eiyou::testing::ScratchDirTest {};

TEST_F(ViewerSessionFiles, StepsAndTypedNumbersStayWithinTheTable) {
  auto viewer = std::make_unique<ViewerSession>();
  eiyou::testing::RecordingSink sink;
  viewer->Load(sink);  // no file here: the user is told, and the first record shows
  EXPECT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(viewer->currentRecord(), 1);
  EXPECT_FALSE(viewer->StepBack());
  int steps = 0;
  while (viewer->StepForward()) ++steps;
  EXPECT_EQ(steps, FoodTable::kMinRows - 1);
  EXPECT_TRUE(viewer->StepBack());
  EXPECT_EQ(viewer->currentRecord(), FoodTable::kMinRows - 1);

  EXPECT_EQ(viewer->TypedRecord("12"), 12);
  EXPECT_EQ(viewer->TypedRecord(" 1834"), 1834);
  EXPECT_EQ(viewer->TypedRecord("$A"), 10);
  EXPECT_EQ(viewer->TypedRecord("12€"), 12);  // the reading stops at a character without a code
  for (const char* none : {"", "0", "-3", "１２", "1835"})
    EXPECT_EQ(viewer->TypedRecord(none), 0) << none;

  // A longer file: its last row can be named and stepped to, no further.
  std::string bytes;
  for (int i = 1; i <= 2000; ++i) bytes += "n,x\r\n";
  WriteBytes(kFoodFileName, bytes);
  viewer->Load(sink);
  EXPECT_EQ(viewer->TypedRecord("2000"), 2000);
  EXPECT_EQ(viewer->TypedRecord("2001"), 0);
  steps = 0;
  while (viewer->StepForward()) ++steps;
  EXPECT_EQ(steps, 1999);
}

class DishSessionFiles : public eiyou::testing::ScratchDirTest {};

// The table replaced while the window is open, by other means than an import
// this program refuses: the window's dishes must not be written with the old
// table's line numbers, which now name other foods.
TEST_F(DishSessionFiles, ASaveAfterTheTableWasReplacedPointsTheFoodsAtTheNewLines) {
  const std::string rice = " 1001,rice" + std::string(21, ',') + "\r\n";  // 23 fields
  const std::string potato = " 2001,potato" + std::string(21, ',') + "\r\n";
  WriteBytes(kFoodFileName, rice + potato);
  ASSERT_EQ(mkdir("KONDATE", 0755), 0);
  WriteBytes("KONDATE/献立.TXT", ",,stew,[2] 2001:potato= 100g\r\n");
  DishSession session;
  eiyou::testing::RecordingSink sink;
  std::vector<std::string> lines = session.Opening(sink).lines;
  lines.push_back(",,zosui,[1] 1001:rice= 50g");
  // The lines swapped, and the dish file pointed at them, as an import does.
  WriteBytes(kFoodFileName, potato + rice);
  WriteBytes("KONDATE/献立.TXT", ",,stew,[1] 2001:potato= 100g\r\n");
  const DishSession::DishSave save = session.SaveDishes(lines);
  EXPECT_EQ(ReadBytes("KONDATE/献立.TXT"),
            ",,stew,[1] 2001:potato= 100g\r\n,,zosui,[2] 1001:rice= 50g\r\n");
  EXPECT_EQ(save.foodsRepointed, 2);
  EXPECT_EQ(save.othersAdded + save.othersRemoved, 0);  // the same dish, on the new lines
}
