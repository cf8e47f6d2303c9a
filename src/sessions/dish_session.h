// The dish window's side: its own food and reference tables, the totals of the
// dishes chosen for evaluation, the chart and the choices the user made, kept
// for the program run from one opening of the dish window to the next.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/dish_line.h"
#include "nutrition/figure_table.h"
#include "nutrition/food_search.h"
#include "nutrition/radar_chart.h"
#include "sessions/side_tables.h"
#include "tables/dish_file.h"

namespace eiyou {

class DishSession : public SideTables {
 public:
  RadarChart chart{kDishChart};
  bool ChartDrawn = false;
  int SelectedGroup = 0;
  TypedText SelectedCuisine;
  TypedText SelectedCategory;

  // A new window starts its evaluation from zero and lists the dish file.
  DishFileOpening Opening(MessageSink& sink);

  // What a save wrote beyond the window's own list.
  struct DishSave {
    std::vector<std::string> lines;  // as written, in list order
    int othersAdded = 0, othersRemoved = 0;  // see MergeDishLines
    int foodsRepointed = 0;  // FoodEntry texts pointed at a new table's lines
    bool listChanged() const { return othersAdded || othersRemoved || foodsRepointed; }
  };
  // Writes the window's dish list to the dish file. Another program copy may
  // have saved since the opening: the file as it is now is read and merged
  // (MergeDishLines), under a lock that keeps other saves out until the new
  // file is in place. A food table replaced since the opening has moved the
  // foods' lines: every food is pointed at its number's line in the new table
  // (RepointDishLines), never written with the old line numbers. Throws
  // IoError when the file cannot be written; nothing is then written.
  DishSave SaveDishes(const std::vector<std::string>& lines);

  // The food table; the texts decoded for the screen are decoded afresh.
  void LoadFood(MessageSink& sink);

  // A food list's items: the FoodChoice texts (CP932) and the same texts
  // decoded for the screen (UTF-8).
  struct FoodList {
    std::vector<std::string> choices, shown;
  };
  // The foods of the group box's item at `chosenIndex` (-1: none chosen).
  FoodList ListGroup(int chosenIndex);
  // The foods whose name matches the typed text (FoodQuery, with the data
  // folder's everyday names), in table order, as the same items a group
  // lists. Names are folded and everyday names read once per load.
  FoodList Search(std::string_view typedUtf8);
  // Whether the food table holds any food: before 読込 a search finds nothing
  // for another reason than the words typed.
  bool HasFoods() const;

  // The dishes chosen for evaluation: their FoodEntry items go to the totals
  // (AddListedFoods) and to the figure table's column of chosen dishes.
  void Evaluate(const std::vector<std::string>& foods);
  // No dish chosen: totals at 0, the column empty.
  void ClearEvaluation();
  // The figure table of the dish being composed (`composing`, FoodEntry
  // items) and of the chosen dishes, against the row of `sex` and `ageRow`
  // when the reference table is loaded and they pick a row.
  FigureTableRows Figures(const std::vector<std::string>& composing, int sex, int ageRow) const;

  // `sex` 0/1 and `ageRow` 1..11 as chosen, -1 and 0 when nothing is.
  ChartBlocker CheckChart(int sex, int ageRow) const;
  // Draws the chart of the evaluated dishes, clearing a chart drawn before.
  void DrawChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace);
  // Erases the outline the same totals and targets drew.
  void EraseChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace);
  // Back to the empty grid, from the surface's corner to the chart's far edges:
  // every line goes, wherever its vertices lay.
  void ClearChart(Canvas& canvas, Rgb buttonFace) { chart.FormDestroy(canvas, buttonFace, 0, 0); }

 private:
  FoodList ListRows(const std::vector<int>& rows);

  // A food's FoodChoice decoded once per load: listing a group of hundreds of
  // foods then costs no conversion at all. Empty until first needed.
  std::vector<std::string> shown_;
  std::vector<bool> shownReady_;
  FoodNameIndex names_;
  // Salt, fibre and marks of the chosen dishes; their nine are calc.totals.
  FigureColumn chosen_;
  // The dish file's lines and the food table's digest (none: no table) as the
  // opening read them: what a save merges against.
  std::vector<std::string> openedLines_;
  std::optional<std::size_t> openedTable_;
};

// The note shown after a save that did more than write the window's list
// (UTF-8); empty when it did not.
std::string DishSaveNote(const DishSession::DishSave& save);

}  // namespace eiyou
