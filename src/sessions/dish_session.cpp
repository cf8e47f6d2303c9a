#include "sessions/dish_session.h"

#include "nutrition/food_entry.h"
#include "nutrition/food_groups.h"
#include "tables/cp932.h"

namespace eiyou {

DishFileOpening DishSession::Opening(MessageSink& sink) {
  ClearEvaluation();
  return ReadDishFileAtOpening(sink);
}

void DishSession::LoadFood(MessageSink& sink) {
  // Forgotten first: rows stored before a read error must not show old names.
  shown_.clear();
  shownReady_.clear();
  names_.Clear();
  SideTables::LoadFood(sink);
}

DishSession::FoodList DishSession::ListGroup(int chosenIndex) {
  SelectedGroup = chosenIndex + 1;
  return ListRows(FoodRowsOfGroup(food, SelectedGroup));
}

DishSession::FoodList DishSession::Search(std::string_view typedUtf8) {
  // The everyday names are read with the names they find: pressing 読込
  // after editing the file takes the new mappings.
  if (!names_.built()) names_.Build(food, LoadEverydayNames());
  return ListRows(names_.Find(typedUtf8));
}

void DishSession::Evaluate(const std::vector<std::string>& foods) {
  calc.AddListedFoods(foods);
  AddExtrasAndNotes(chosen_, food, marks, foods);
}

void DishSession::ClearEvaluation() {
  calc.ClearTotals();
  chosen_ = FigureColumn{};
}

FigureTableRows DishSession::Figures(const std::vector<std::string>& composing, int sex,
                                     int ageRow) const {
  FigureColumn dish;
  AddFoodsToColumn(dish, food, marks, composing);
  FigureColumn chosen = chosen_;
  chosen.nine = calc.totals;
  // The chart's own targets, made on a calculator of our own: the chart's
  // targets change only when it is drawn or erased.
  NutrientCalculator targets(food, reference);
  const bool row = reference.IsLoaded() && (sex == 0 || sex == 1) && ageRow >= 1 &&
                   ageRow <= ReferenceTable::kRows;
  if (row) targets.LoadTargets(sex, ageRow);
  return MakeFigureTable(dish, chosen, row ? &targets.targets : nullptr, extraReference, sex,
                         ageRow);
}

DishSession::FoodList DishSession::ListRows(const std::vector<int>& rows) {
  const auto size = static_cast<std::size_t>(food.rows());
  if (shown_.size() != size) {
    shown_.resize(size);
    shownReady_.resize(size);
  }
  FoodList list;
  list.choices.reserve(rows.size());
  list.shown.reserve(rows.size());
  for (int r : rows) {
    list.choices.push_back(FoodChoiceText(food, r));
    const auto i = static_cast<std::size_t>(r - 1);
    if (!shownReady_[i]) {
      shown_[i] = Cp932ToUtf8(list.choices.back());
      shownReady_[i] = true;
    }
    list.shown.push_back(shown_[i]);
  }
  return list;
}

ChartBlocker DishSession::CheckChart(int sex, int ageRow) const {
  if (!reference.IsLoaded()) return ChartBlocker::NoReference;
  return RowChoice(sex, ageRow);
}

void DishSession::DrawChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace) {
  if (ChartDrawn) ClearChart(canvas, buttonFace);
  calc.LoadTargets(sex, ageRow);
  chart.DrawChart(canvas, calc.totals, calc.targets);
  ChartDrawn = true;
}

void DishSession::EraseChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace) {
  calc.LoadTargets(sex, ageRow);
  chart.EraseGraph(canvas, calc.totals, calc.targets, buttonFace);
  ChartDrawn = false;
}

}  // namespace eiyou
