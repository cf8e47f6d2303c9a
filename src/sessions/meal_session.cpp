#include "sessions/meal_session.h"

#include "nutrition/dish_line.h"
#include "nutrition/food_entry.h"
#include "tables/text_fields.h"

namespace eiyou {

DishFileOpening MealSession::Opening(MessageSink& sink) {
  ClearDay();
  LoadFood(sink);
  LoadReference(sink);
  return ReadDishFileAtOpening(sink);
}

std::string MealSession::AddDish(std::string_view dishLine) {
  const DishLineParts dish = SplitDishLine(dishLine);
  calc.AddDishFoods(dish.foods);
  // The same pieces AddDishFoods adds, each noted once per food and nutrient.
  for (const std::string& item : SplitAtCommas(dish.foods)) {
    NoteFood(dayNotes_, food, marks, FoodEntryRowText(item), FoodEntryWeightText(item));
    AddExtraFood(dayExtra_, food, FoodEntryRowText(item), FoodEntryWeightText(item));
  }
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
