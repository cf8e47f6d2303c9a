// What the dish side and the meal side each keep a copy of: the two tables and
// the nutrient arithmetic bound to them.
#pragma once

#include "nutrition/nutrients.h"
#include "tables/errors.h"
#include "tables/extra_reference.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"
#include "tables/reference_table.h"

namespace eiyou {

class AssessmentSession;

class SideTables {
 public:
  SideTables() = default;
  SideTables(const SideTables&) = delete;
  SideTables& operator=(const SideTables&) = delete;

  FoodTable food;
  ReferenceTable reference;
  NutrientCalculator calc{food, reference};
  // Beside the two tables, read without a word: the food table's marks and
  // the reference values STD.CSV has no field for.
  std::vector<FoodMarksLine> marks;
  ExtraReferenceTable extraReference;
  // The assessment's state, one for every side of the run (Sessions sets
  // it); null for a side made on its own, which then judges nothing.
  AssessmentSession* assessment = nullptr;

  // The side's tables from the data folder; an unreadable file throws IoError.
  void LoadFood(MessageSink& sink) {
    LoadFoodTable(food, sink);
    marks = LoadFoodMarks();
  }
  void LoadReference(MessageSink& sink) {
    LoadReferenceTable(reference, sink);
    LoadExtraReferenceTable(extraReference);
  }
};

}  // namespace eiyou
