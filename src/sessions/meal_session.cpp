#include "sessions/meal_session.h"

#include "nutrition/dish_line.h"

namespace eiyou {

DishFileOpening MealSession::Opening(MessageSink& sink) {
  ClearDay();
  LoadFood(sink);
  LoadReference(sink);
  return ReadDishFileAtOpening(sink);
}

std::string MealSession::AddDish(std::string_view dishLine) {
  const DishLineParts dish = SplitDishLine(dishLine);
  AddFoods(food, marks, ReadDishFoods(dish.foods), calc.totals, dayExtra_, dayNotes_);
  if (currentMeal >= 1 && currentMeal <= 3)
    mealDishes_[static_cast<std::size_t>(currentMeal - 1)].emplace_back(dishLine);
  return MealEntryText(dish);
}

void MealSession::ClearDay() {
  calc.ClearTotals();
  dayNotes_ = QualityNotes{};
  dayExtra_ = ExtraTotals{};
  for (auto& meal : mealDishes_) meal.clear();
}

ChartBlocker MealSession::PrepareChart(MessageSink& sink) {
  LoadReference(sink);
  // Without a row of the reference table there are no targets to divide by.
  return RowChoice(sexIndex, ageIndex);
}

void MealSession::DrawChart(Canvas& canvas) {
  calc.LoadTargets(sexIndex, ageIndex);
  chart.DrawChart(canvas, calc.totals, calc.targets);
}

}  // namespace eiyou
