#include "sessions/dish_session.h"

#include "nutrition/food_groups.h"

namespace eiyou {

DishFileOpening DishSession::Opening(MessageSink& sink) {
  calc.ClearTotals();
  return ReadDishFileAtOpening(sink);
}

std::vector<std::string> DishSession::ListGroup(int chosenIndex) {
  SelectedGroup = chosenIndex + 1;
  return FoodsOfGroup(food, SelectedGroup);
}

ChartBlocker DishSession::CheckChart(int sex, int ageRow) const {
  if (!reference.IsLoaded()) return ChartBlocker::NoReference;
  if (sex < 0) return ChartBlocker::NoSex;
  if (ageRow < 1) return ChartBlocker::NoAge;
  return ChartBlocker::None;
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
