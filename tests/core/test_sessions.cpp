// The sessions: each side's state, and the chart sequences its window runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "plans/plan_store.h"
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

// Male, the first age class: every chart of these tests.
std::unique_ptr<DishSession> DishWithOneFood() {
  auto dish = std::make_unique<DishSession>();
  Fill(*dish);
  dish->calc.AddListedFoods({"[1] 1001:food= 100g"});
  dish->ChooseSex(0);
  dish->ChooseAge(1);
  return dish;
}

}  // namespace

TEST(DishSession, ChartChecksComeInOrder) {
  auto dish = std::make_unique<DishSession>();
  EXPECT_EQ(dish->CheckChart(), ChartBlocker::NoReference);
  dish->reference.SetField(1, 1, "2100");
  EXPECT_EQ(dish->CheckChart(), ChartBlocker::NoSex);
  dish->ChooseSex(1);
  EXPECT_EQ(dish->CheckChart(), ChartBlocker::NoAge);
  dish->ChooseSex(0);
  dish->ChooseAge(11);
  EXPECT_EQ(dish->CheckChart(), ChartBlocker::None);
}

TEST(DishSession, DrawingClearsAChartDrawnBeforeUnlessTheAgeClassChanged) {
  auto dish = DishWithOneFood();
  SummaryCanvas first, again, newAge;
  dish->DrawChart(first, kFace);
  EXPECT_EQ(first.Summary(), "grid369 blue9");  // five circles of 72 chords, nine spokes
  EXPECT_TRUE(dish->chartDrawn());
  dish->DrawChart(again, kFace);
  EXPECT_EQ(again.Summary(), "fill1 grid738 blue9");
  EXPECT_EQ(again.Points(kGraphBlue), first.Points(kGraphBlue));
  dish->ChooseAge(1);  // the age class chosen again
  EXPECT_FALSE(dish->chartDrawn());
  dish->DrawChart(newAge, kFace);
  EXPECT_EQ(newAge.Summary(), "grid369 blue9");
}

TEST(DishSession, ErasingRetracesTheOutlineOfTheCurrentTotals) {
  auto dish = DishWithOneFood();
  SummaryCanvas drawn, erased, erasedLater;
  dish->DrawChart(drawn, kFace);
  dish->EraseChart(erased, kFace);
  EXPECT_EQ(erased.Summary(), "face9 grid369");
  EXPECT_EQ(erased.Points(kFace), drawn.Points(kGraphBlue));
  EXPECT_FALSE(dish->chartDrawn());
  // A dish evaluated after the drawing: the outline erased is another one,
  // and the drawn one stays partly on screen.
  dish->calc.AddListedFoods({"[1] 1001:food= 100g"});
  dish->EraseChart(erasedLater, kFace);
  EXPECT_NE(erasedLater.Points(kFace), drawn.Points(kGraphBlue));
}

TEST(DishSession, ClearingFillsFromTheSurfacesCornerAndLeavesTheGridOnTheAxes) {
  auto dish = DishWithOneFood();
  SummaryCanvas drawn, cleared;
  dish->DrawChart(drawn, kFace);
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
  meal.AddDish(1, ",,dish,[1] 1001:food= 100g");
  dish.ChooseSex(1);
  meal.ChooseSex(1);
  for (int r = 1; r <= 3; ++r) {
    SummaryCanvas dishChart, dailyChart;
    dish.ChooseAge(r);
    dish.DrawChart(dishChart, kFace);
    meal.ChooseAge(r);
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
  EXPECT_EQ(dish->selectedGroup(), 1);
  // Typed text naming no item: group 0.
  EXPECT_EQ(dish->ListGroup(-1).choices, std::vector<std::string>{"[2] 0001:zero"});
  EXPECT_EQ(dish->selectedGroup(), 0);
}

TEST(MealSession, DishesAddUpToTheDaysFigures) {
  auto meal = std::make_unique<MealSession>();
  Fill(*meal);
  EXPECT_EQ(meal->AddDish(1, Cp932("和      食,汁 も の,みそ汁,[1] 1001:food= 1g")),
            DishAdded::ToMeal);
  EXPECT_EQ(meal->MealEntries(1), std::vector<std::string>{Cp932("和      食：汁 も の：みそ汁")});
  EXPECT_EQ(meal->Figures(), (std::array<std::string, kNutrients>{"1", "1", "1", "1", "1", "0.3",
                                                                  "1", "1", "1"}));
  // No foods, or a FoodEntry without its "=": nothing more.
  meal->AddDish(1, ",,none");
  meal->AddDish(1, ",,no weight,[1] 1001:food 1g");
  meal->AddDish(1, ",,twice,[1]x= 1g");
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
    meal->AddDish(1, std::string(",,dish,[4]1 002:ones= ") + weight + "g");
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
  session.Opening(sink);
  session.LoadFood(sink);
  ASSERT_EQ(session.PickFood("[1] 1001:rice", "50"), FoodPick::Added);
  ASSERT_EQ(session.RegisterDish("zosui").line, ",,zosui,[1] 1001:rice= 50g");
  // The lines swapped, and the dish file pointed at them, as an import does.
  WriteBytes(kFoodFileName, potato + rice);
  WriteBytes("KONDATE/献立.TXT", ",,stew,[1] 2001:potato= 100g\r\n");
  const DishSession::DishSave save = session.SaveDishes();
  EXPECT_EQ(ReadBytes("KONDATE/献立.TXT"),
            ",,stew,[1] 2001:potato= 100g\r\n,,zosui,[2] 1001:rice= 50g\r\n");
  EXPECT_EQ(save.foodsRepointed, 2);
  EXPECT_EQ(save.othersAdded + save.othersRemoved, 0);  // the same dish, on the new lines
}

// Every change of the dish side's lists reaches a view once, saying where;
// what changes nothing says nothing, and a view gone hears no more.
TEST(DishSession, EachChangeIsToldOnceWithItsPlace) {
  auto dish = std::make_unique<DishSession>();
  std::vector<std::string> heard;
  Subscription view = dish->Subscribe([&](const DishChange& c) {
    heard.push_back(std::to_string(c.part) + ":" + std::to_string(c.list.kind) + "@" +
                    std::to_string(c.list.row));
  });
  const auto told = [&] { return std::exchange(heard, {}); };
  using Told = std::vector<std::string>;
  ASSERT_EQ(dish->PickFood("[9]b", "10"), FoodPick::Added);
  ASSERT_EQ(dish->PickFood("[10]a", "5"), FoodPick::Added);  // sorts first
  EXPECT_EQ(told(), (Told{"0:1@0", "0:1@0"}));
  EXPECT_EQ(dish->draft(), (std::vector<std::string>{"[10]a= 5g", "[9]b= 10g"}));
  EXPECT_EQ(dish->PickFood("[9]b", "0"), FoodPick::ZeroWeight);
  dish->RemoveFood(2);
  EXPECT_EQ(told(), Told{});
  dish->RemoveFood(1);
  EXPECT_EQ(told(), Told{"0:2@1"});

  dish->ChooseCategory("c");
  ASSERT_EQ(dish->RegisterDish("z").outcome, DishRegistration::Registered);
  dish->ChooseCategory("a");
  ASSERT_EQ(dish->RegisterDish("y").outcome, DishRegistration::Registered);
  EXPECT_EQ(told(), (Told{"1:1@0", "1:1@0"}));
  EXPECT_EQ(dish->dishes(), (std::vector<std::string>{",a,y,[10]a= 5g", ",c,z,[10]a= 5g"}));
  dish->SelectDish(1);
  dish->EvaluateDish(1);
  dish->EvaluateDish(5);
  EXPECT_EQ(told(), (Told{"0:0@-1", "2:1@0"}));
  EXPECT_EQ(dish->evaluated(), std::vector<std::string>{"z"});
  dish->ChooseAge(3);
  dish->RemoveDish(0);
  EXPECT_EQ(told(), (Told{"3:0@-1", "1:2@0"}));

  view.Cancel();
  dish->ClearDraft();
  EXPECT_EQ(told(), Told{});
}

TEST(MealSession, DishesGoToTheirMealOrOnlyToTheTotals) {
  auto meal = std::make_unique<MealSession>();
  Fill(*meal);
  std::vector<std::pair<int, int>> heard;
  const Subscription view =
      meal->Subscribe([&](const MealChange& c) { heard.push_back({c.meal, c.list.row}); });
  for (int m : {3, 1, 2, 3, 0, 4})
    EXPECT_EQ(meal->AddDish(m, ",,d" + std::to_string(m) + ",[1] 1001:food= 1g"),
              m >= 1 && m <= 3 ? DishAdded::ToMeal : DishAdded::ToTotalsOnly);
  EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{3, 0}, {1, 0}, {2, 0}, {3, 1}}));
  EXPECT_EQ(meal->MealEntries(3), (std::vector<std::string>{Cp932("：：d3"), Cp932("：：d3")}));
  EXPECT_EQ(meal->MealEntries(1), std::vector<std::string>{Cp932("：：d1")});
  EXPECT_EQ(meal->Figures()[0], "6");  // every dish counts, listed or not
}

class MealDays : public eiyou::testing::ScratchDirTest {
 protected:
  // Records what the window would show and answers its questions.
  struct Dialog : DayPlanDialog {
    void Show(const std::string& text) override { notes.push_back(text); }
    bool Confirm(const std::string& question, const char*, const char*) override {
      questions.push_back(question);
      return answer;
    }
    bool answer = true;
    std::vector<std::string> notes, questions;
  };
  void SetUp() override {
    ScratchDirTest::SetUp();
    Fill(meal_);
    meal_.ChooseDate("2026-12-08");
    meal_.ChooseSex(1);
    meal_.ChooseAge(8);
  }
  MealSession meal_;
  Dialog dialog_;
};

TEST_F(MealDays, ADayStoredComesBackWithItsMealsChoicesAndTotals) {
  ASSERT_EQ(mkdir("KONDATE", 0755), 0);
  meal_.AddDish(1, ",,a,[1] 1001:food= 30g");
  meal_.AddDish(3, ",,b,[1] 1001:food= 7g");
  const std::array<std::string, kNutrients> figures = meal_.Figures();
  DayStatus s = meal_.SaveDay(dialog_);
  EXPECT_EQ(s.outcome, DayOutcome::Saved);
  EXPECT_EQ(s.message, "2026-12-08 の日別献立を保存しました！");
  dialog_.answer = false;  // the stored day is kept
  EXPECT_EQ(meal_.SaveDay(dialog_).outcome, DayOutcome::Kept);
  EXPECT_EQ(dialog_.questions.size(), 1u);

  meal_.ChooseSex(0);
  meal_.AddDish(2, ",,c,[1] 1001:food= 1g");
  EXPECT_EQ(meal_.LoadDay(dialog_).outcome, DayOutcome::Kept);  // dishes in the meals: asked
  EXPECT_EQ(meal_.MealDishes()[1].size(), 1u);
  dialog_.answer = true;
  s = meal_.LoadDay(dialog_);
  EXPECT_EQ(s.outcome, DayOutcome::Loaded);
  EXPECT_EQ(s.message, "");
  EXPECT_EQ(dialog_.questions.size(), 3u);
  EXPECT_EQ(meal_.Figures(), figures);
  EXPECT_EQ(meal_.MealEntries(3), std::vector<std::string>{Cp932("：：b")});
  EXPECT_TRUE(meal_.MealDishes()[1].empty());
  EXPECT_EQ(meal_.sex(), 1);
  EXPECT_EQ(meal_.ageRow(), 8);

  meal_.ChooseDate("2026-12-09");
  s = meal_.LoadDay(dialog_);
  EXPECT_EQ(s.outcome, DayOutcome::NotStored);
  EXPECT_EQ(s.message, "2026-12-09 の日別献立は保存されていません！");
  meal_.ChooseAge(0);
  EXPECT_EQ(meal_.SaveDay(dialog_).outcome, DayOutcome::NoRow);
  EXPECT_TRUE(dialog_.notes.empty());
}

// What the store says on opening: the end of it where it cannot serve (an
// error where nothing can be read), a note told first where it can.
TEST_F(MealDays, TheStoresWordEndsOrPrecedesTheDay) {
  DayStatus s = meal_.SaveDay(dialog_);  // no KONDATE folder
  EXPECT_EQ(s.outcome, DayOutcome::Unusable);
  EXPECT_TRUE(s.error);
  EXPECT_NE(s.message.find("KONDATE"), std::string::npos) << s.message;
  EXPECT_EQ(meal_.LoadDay(dialog_).outcome, DayOutcome::Unusable);

  // A newer program's file: read, never written.
  ASSERT_EQ(mkdir("KONDATE", 0755), 0);
  std::vector<PlanMigration> later(PlanMigrations().begin(), PlanMigrations().end());
  later.push_back({later.back().version + 1, "CREATE TABLE later (x);"});
  ASSERT_EQ(DayPlanStore::Open(dir_, 0, later)->status(), OpenStatus::Ok);
  s = meal_.SaveDay(dialog_);
  EXPECT_EQ(s.outcome, DayOutcome::Unusable);
  EXPECT_FALSE(s.error);
  EXPECT_FALSE(s.message.empty());
  EXPECT_EQ(meal_.LoadDay(dialog_).outcome, DayOutcome::NotStored);
  EXPECT_EQ(dialog_.notes, std::vector<std::string>{s.message});

  // A folder that cannot be written: the same.
  ASSERT_EQ(std::remove("KONDATE/献立表.db"), 0);
  ASSERT_EQ(chmod("KONDATE", 0555), 0);
  s = meal_.SaveDay(dialog_);
  EXPECT_EQ(s.outcome, DayOutcome::Unusable);
  EXPECT_FALSE(s.error);
  EXPECT_EQ(meal_.LoadDay(dialog_).outcome, DayOutcome::NotStored);
  EXPECT_EQ(dialog_.notes.back(), s.message);
  EXPECT_TRUE(dialog_.questions.empty());
}
