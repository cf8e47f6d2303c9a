// The meal side: its own food and reference tables, the day's meals and
// totals, the chosen meal, sex, age class and date, and the daily chart, kept
// for the program run from one opening of the meal window to the next. The
// day is stored in and read back from the day plans, and reported.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "nutrition/figure_table.h"
#include "nutrition/assessment.h"
#include "nutrition/figures.h"
#include "nutrition/radar_chart.h"
#include "nutrition/day_plan.h"
#include "reports/figures_report.h"
#include "sessions/assessment_session.h"
#include "sessions/changes.h"
#include "sessions/side_tables.h"
#include "tables/dish_file.h"

namespace eiyou {

// What changed on the meal side: the dishes of meal 1..3, or of every meal
// (0) when the day was emptied or read back; `list` says how.
struct MealChange {
  int meal = 0;
  ListChange list;
};

// How storing or opening a day went; `message` (UTF-8) is what the user is
// told, empty when there is nothing to tell.
enum class DayOutcome {
  Saved,        // stored under the date chosen
  Loaded,       // the stored day replaced the day's meals, sex and age class
  NoRow,        // storing: the sex or age class chooses no reference row
  Unusable,     // the day plans cannot be used for this (the store's message)
  Kept,         // the user chose to keep what was there: nothing changed
  NotStored,    // opening: nothing is stored under the date
  Failed,       // the store could not read or write the day
  // Storing: another user stored or deleted the day since it was read (on a
  // server); nothing was written. The message names the day tried, so that
  // it can be put together again after ReloadDay.
  ChangedByOther,
};
struct DayStatus {
  DayOutcome outcome = DayOutcome::Failed;
  std::string message;
  bool error = false;  // told as an error: a file that cannot be used
};

// Where an added dish went: into its meal's list, or (no meal chosen) into
// the totals only.
enum class DishAdded { ToMeal, ToTotalsOnly };

// What storing or opening a day asks of the window, in the order it comes:
// the store's word on opening (a damaged file set aside, a folder it cannot
// write to, a newer program's file) before going on, and whether to replace
// what is there.
class DayPlanDialog : public MessageSink {
 public:
  // True when the user answers `yes` (UTF-8 texts).
  virtual bool Confirm(const std::string& question, const char* yes, const char* no) = 0;
};

// The day's report with the chart that goes with it, and a file name for it
// without its extension (UTF-8).
struct DayReport {
  Report report;
  ReportChart chart;
  std::string baseName;
};

class MealSession : public SideTables {
 public:
  RadarChart chart{kDailyChart};

  // Views follow every change of the meals through this one notification.
  [[nodiscard]] Subscription Subscribe(Notifier<MealChange>::Listener listener) {
    return changes_.Subscribe(std::move(listener));
  }

  int currentMeal() const { return currentMeal_; }  // 1 breakfast, 2 lunch, 3 dinner, else none
  int sex() const { return sex_; }                  // 0 male, 1 female, -1 nothing chosen
  int ageRow() const { return ageRow_; }            // reference row 1..11, 0 nothing chosen
  const std::string& date() const { return date_; }  // "YYYY-MM-DD"

  void ChooseMeal(int meal) { currentMeal_ = meal; }
  void ChooseSex(int sex) { sex_ = sex; }
  void ChooseAge(int ageRow) { ageRow_ = ageRow; }
  // The day that is stored, read back and reported.
  void ChooseDate(std::string date) { date_ = std::move(date); }

  // A new meal window: the totals from zero, both tables loaded, the dish file
  // read (with the dishes on a server, made from the server's list first:
  // RefreshDishWorkingCopy). An unreadable file throws IoError.
  DishFileOpening Opening(MessageSink& sink);

  // Adds a dish's foods to the day's totals, and the dish to `meal` (1..3;
  // for any other meal to no list: its foods still count).
  DishAdded AddDish(int meal, std::string_view dishLine);
  // No dish in any meal: the totals at 0 and no food noted.
  void ClearDay();

  // The dish lines of breakfast, lunch and dinner, in the order added.
  const std::array<std::vector<std::string>, kMeals>& MealDishes() const { return mealDishes_; }
  // The labels of meal 1..3's dishes (CP932), as its list shows them.
  std::vector<std::string> MealEntries(int meal) const;
  // The day's figures: the nine totals, salt and fibre, and the notes.
  FigureColumn DayColumn() const { return {calc.totals, dayExtra_, dayNotes_}; }

  std::array<std::string, kNutrients> Figures() const { return DailyFigureTexts(calc.totals); }
  // The marks beside figure k (0..8) and the foods behind them.
  FigureCell FigureMark(int k) const { return MarkOf(dayNotes_, k); }

  // Reloads the reference table (its messages through `sink`) and tells
  // whether sex and age class pick a row of it.
  ChartBlocker PrepareChart(MessageSink& sink);
  // The daily chart of the totals against the chosen row.
  void DrawChart(Canvas& canvas);

  // Stores the three meals with the sex and age class under the date chosen,
  // in the day plans of the data folder. A day stored under that date is
  // replaced only when `dialog` confirms it, and only as it was read (by
  // LoadDay or the last save of the date, else when asked).
  DayStatus SaveDay(DayPlanDialog& dialog);
  // Reads the day stored under the date chosen: its sex and age class become
  // the chosen ones, and its dishes go to their meals as adding each would
  // (the totals are those of the day as it was planned). Meals holding dishes
  // are replaced only when `dialog` confirms it.
  DayStatus LoadDay(DayPlanDialog& dialog);
  // LoadDay after a save was refused (ChangedByOther): the day as stored now
  // replaces the meals without asking.
  DayStatus ReloadDay(DayPlanDialog& dialog);
  // The day as SaveDay stores it: date, sex, age class, the three meals and
  // the assessment's profile.
  DayPlan PlannedDay() const;
  // A stored day taken in as LoadDay takes it once allowed: its sex, age
  // class and dishes, and its profile when it was stored with one.
  void TakeDay(const DayPlan& plan);

  // The day's report under the date chosen; `sexText` and `ageText` (UTF-8)
  // as the choice boxes show them. The chart goes with it when a reference
  // row is chosen; the day's assessment, when the caller gives one, after the
  // figures.
  DayReport MakeDayReport(std::string_view sexText, std::string_view ageText,
                          const std::optional<Assessment>& assessment = std::nullopt);

  // The assessment of the day's foods, every dish added since the day was
  // emptied (those added with no meal chosen too, as the totals have them).
  // Needs `assessment`.
  AssessmentView Assessed();

 private:
  Notifier<MealChange> changes_;
  int currentMeal_ = 0;
  // Reads as "男" until the user chooses.
  int sex_ = 0;
  int ageRow_ = 0;
  std::string date_;
  // The day as last read or stored, by date and row version.
  std::string heldDate_;
  std::int64_t heldVersion_ = 0;
  bool reloading_ = false;
  QualityNotes dayNotes_;
  ExtraTotals dayExtra_;
  std::array<std::vector<std::string>, kMeals> mealDishes_;
  std::vector<FoodAmount> dayFoods_;
};

}  // namespace eiyou
