// The dish window's side: its own food and reference tables, the dish being
// composed, the dish list, the dishes chosen for evaluation with their totals,
// the chart and the choices the user made. The tables, the chart and the
// choices of cuisine, category and group are kept for the program run from one
// opening of the dish window to the next; the lists start with each opening.
// The window's lists are views of this side's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "nutrition/assessment.h"
#include "nutrition/dish_line.h"
#include "nutrition/figure_table.h"
#include "nutrition/food_entry.h"
#include "nutrition/food_search.h"
#include "nutrition/radar_chart.h"
#include "sessions/assessment_session.h"
#include "sessions/changes.h"
#include "sessions/side_tables.h"
#include "tables/dish_file.h"

namespace eiyou {

class AllergenSession;

// The dish list of a data folder that keeps its dishes on a shared server:
// the dish file is then the local working copy of the server's list. Whether
// the folder does is read afresh at each use.
class DishListServer {
 public:
  virtual ~DishListServer() = default;
  // At an opening: the dish file made anew from the server's list. What
  // fails is told through `sink`, and the opening goes on with the file as
  // it stands.
  virtual void Refresh(MessageSink& sink) = 0;
  // A save sent to the server (SaveServerDishes): what the server now holds,
  // or nothing when the folder keeps its dishes in the file alone. Throws
  // IoError when the server cannot take it; nothing was then changed there.
  virtual std::optional<DishMerge> Save(const std::vector<std::string>& base,
                                        const std::vector<std::string>& ours,
                                        const FoodTable* repointTo) = 0;
};

// What changed on the dish side: one of its lists (`list` says how), or what
// its figures are reckoned from (a table read again, the sex or age class
// chosen).
struct DishChange {
  enum Part { Draft, Dishes, Evaluated, Reckoning };
  Part part;
  ListChange list;
};

class DishSession : public SideTables {
 public:
  RadarChart chart{kDishChart};

  // Views follow every change through this one notification.
  [[nodiscard]] Subscription Subscribe(Notifier<DishChange>::Listener listener) {
    return changes_.Subscribe(std::move(listener));
  }

  // The dish being composed: its FoodEntry texts (CP932), in list order.
  const std::vector<std::string>& draft() const { return draft_; }
  // The dish list: its DishLine texts (CP932), in list order.
  const std::vector<std::string>& dishes() const { return dishes_; }
  // The names of the dishes chosen for evaluation (CP932), in the order chosen.
  const std::vector<std::string>& evaluated() const { return evaluated_; }
  // The food group last listed (0 for none), the cuisine and category last
  // chosen: kept from one window to the next.
  int selectedGroup() const { return SelectedGroup; }
  const TypedText& selectedCuisine() const { return SelectedCuisine; }
  const TypedText& selectedCategory() const { return SelectedCategory; }
  // True when an outline drawn by "作図実行" may be on screen.
  bool chartDrawn() const { return ChartDrawn; }
  // `sex` 0/1 and `ageRow` 1..11 as chosen, -1 and 0 when nothing is.
  int sex() const { return sex_; }
  int ageRow() const { return ageRow_; }

  // A new window: the dish list read from the dish file (the returned
  // opening's lines go to it, sorted), the dish being composed, the
  // evaluation and the sex and age class empty, as the window's controls
  // start. With the dishes on a server, the file is first made from the
  // server's list (DishListServer::Refresh). Throws IoError as
  // ReadDishFileAtOpening does.
  DishFileOpening Opening(MessageSink& sink);

  // Adds the food of `choice` (a FoodChoice, CP932) at the weight typed
  // (UTF-8) to the dish being composed, in its place of the sorted list; the
  // outcome tells why nothing was added.
  FoodPick PickFood(std::string_view choice, std::string_view typedWeight);
  // Removes the food at `row` of the dish being composed; none: nothing.
  void RemoveFood(int row);
  void ClearDraft();

  void ChooseCuisine(std::string_view utf8) { SelectedCuisine.Take(utf8); }
  void ChooseCategory(std::string_view utf8) { SelectedCategory.Take(utf8); }
  // Registers the dish being composed under the name typed (UTF-8), with the
  // cuisine and category chosen, in its place of the sorted dish list.
  DishLineResult RegisterDish(std::string_view name);
  // Removes the dish at `row`; none: nothing.
  void RemoveDish(int row);
  // The dish at `row` picked: its foods become the dish being composed (none
  // for no dish).
  void SelectDish(int row);

  // What a save wrote beyond the window's own list.
  struct DishSave {
    std::vector<std::string> lines;  // as written, in list order
    bool server = false;  // the list went to the shared server first
    int othersAdded = 0, othersRemoved = 0;  // see MergeDishLines
    int foodsRepointed = 0;  // FoodEntry texts pointed at a new table's lines
    bool listChanged() const { return othersAdded || othersRemoved || foodsRepointed; }
  };
  // Writes the dish list to the dish file. Another program copy may have
  // saved since the opening: the file as it is now is read and merged
  // (MergeDishLines), under a lock that keeps other saves out until the new
  // file is in place. A food table replaced since the opening has moved the
  // foods' lines: every food is pointed at its number's line in the new table
  // (RepointDishLines), never written with the old line numbers. The dish
  // list then holds what was written. Throws IoError when the file cannot be
  // written; nothing is then written and the list stays as it was.
  // With the dishes on a server the list goes there first, merged against
  // what other users saved (DishListServer::Save), and the file is then
  // written with what the server holds. A server that cannot take it throws
  // IoError with nothing changed, the file included.
  DishSave SaveDishes();

  // The food table; the texts decoded for the screen are decoded afresh.
  void LoadFood(MessageSink& sink);
  void LoadReference(MessageSink& sink);

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

  // The dish at `row` chosen for evaluation: its name is listed, and the
  // foods of the dish being composed (those of the dish picked, as they now
  // stand) go to the totals (AddListedFoods) and to the figure table's column
  // of chosen dishes. No dish at `row`: nothing.
  void EvaluateDish(int row);
  // No dish chosen: no name listed, totals at 0, the column empty.
  void ClearEvaluation();
  // The figure table of the dish being composed and of the chosen dishes,
  // against the row of the sex and age class chosen when the reference table
  // is loaded and they pick a row.
  FigureTableRows Figures() const;
  // The foods of the dish being composed and of the dishes chosen, for their
  // allergens (read through `allergens`, which Sessions sets; null: none shown).
  std::vector<FoodAmount> DraftFoods() const { return ReadFoodEntries(draft_); }
  const std::vector<FoodAmount>& ChosenFoods() const { return chosenFoods_; }
  AllergenSession* allergens = nullptr;
  // Where the dishes are kept besides the file (Sessions sets it; null: the
  // file alone).
  DishListServer* server = nullptr;
  // The assessment of the dishes chosen for evaluation, or, with none
  // chosen, of the dish being composed. Needs `assessment`.
  AssessmentView Assessed();

  // The choices of the sex and age class boxes. Another age class draws the
  // next chart over what is on screen.
  void ChooseSex(int sex);
  void ChooseAge(int ageRow);

  // What keeps the chart from being drawn or erased, in the order checked.
  ChartBlocker CheckChart() const;
  // Draws the chart of the evaluated dishes, clearing a chart drawn before.
  void DrawChart(Canvas& canvas, Rgb buttonFace);
  // Erases the outline the same totals and targets drew.
  void EraseChart(Canvas& canvas, Rgb buttonFace);
  // Back to the empty grid, from the surface's corner to the chart's far edges:
  // every line goes, wherever its vertices lay.
  void ClearChart(Canvas& canvas, Rgb buttonFace) { chart.FormDestroy(canvas, buttonFace, 0, 0); }

 private:
  FoodList ListRows(const std::vector<int>& rows);
  // The FoodEntry items of a dish chosen for evaluation into the totals and
  // the column of chosen dishes.
  void Evaluate(const std::vector<std::string>& foods);
  void Changed(DishChange::Part part, ListChange list = {}) const { changes_.Notify({part, list}); }

  Notifier<DishChange> changes_;
  std::vector<std::string> draft_, dishes_, evaluated_;
  int SelectedGroup = 0;
  TypedText SelectedCuisine;
  TypedText SelectedCategory;
  bool ChartDrawn = false;
  int sex_ = -1, ageRow_ = 0;

  // A food's FoodChoice decoded once per load: listing a group of hundreds of
  // foods then costs no conversion at all. Empty until first needed.
  std::vector<std::string> shown_;
  std::vector<bool> shownReady_;
  FoodNameIndex names_;
  // Salt, fibre and marks of the chosen dishes; their nine are calc.totals.
  FigureColumn chosen_;
  std::vector<FoodAmount> chosenFoods_;
  // The dish file's lines and the food table's digest (none: no table) as the
  // opening read them: what a save merges against.
  std::vector<std::string> openedLines_;
  std::optional<std::size_t> openedTable_;
};

// The note shown after a save that did more than write the window's list
// (UTF-8); empty when it did not.
std::string DishSaveNote(const DishSession::DishSave& save);

}  // namespace eiyou
