// The meal side: its own food and reference tables, the day's totals, the
// chosen meal, sex and age class and the daily chart, kept for the program
// run from one opening of the meal window to the next.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/figure_table.h"
#include "nutrition/figures.h"
#include "nutrition/radar_chart.h"
#include "sessions/side_tables.h"
#include "tables/dish_file.h"

namespace eiyou {

class MealSession : public SideTables {
 public:
  RadarChart chart{kDailyChart};
  int currentMeal = 0;  // 1 breakfast, 2 lunch, 3 dinner, else none
  int sexIndex = 0;     // 0 male, 1 female, -1 nothing chosen
  int ageIndex = 0;     // reference row 1..11, 0 nothing chosen

  // A new meal window: the totals from zero, both tables loaded, the dish file
  // read. An unreadable file throws IoError.
  DishFileOpening Opening(MessageSink& sink);

  // Adds a dish's foods to the day's totals, and the dish to the current meal
  // (when one is chosen); returns its label in a meal.
  std::string AddDish(std::string_view dishLine);
  // No dish in any meal: the totals at 0 and no food noted.
  void ClearDay();

  // The dish lines of breakfast, lunch and dinner, in the order added.
  const std::array<std::vector<std::string>, 3>& MealDishes() const { return mealDishes_; }
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

 private:
  QualityNotes dayNotes_;
  ExtraTotals dayExtra_;
  std::array<std::vector<std::string>, 3> mealDishes_;
};

}  // namespace eiyou
