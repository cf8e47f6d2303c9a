#include "sessions/meal_session.h"

#include <ctime>
#include <memory>
#include <optional>

#include "nutrition/dish_line.h"
#include "nutrition/profile.h"
#include "nutrition/food_entry.h"
#include "plans/plan_store.h"
#include "plans/store_open.h"
#include "reports/assessment_report.h"
#include "sessions/dish_working_copy.h"
#include "tables/cp932.h"
#include "tables/food_edition.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {

// The store's word on opening: told through `dialog` when the store serves
// `use`, and the storing or opening goes on; else the status that ends it.
std::optional<DayStatus> Refusal(const DayPlanStore& store, PlanUse use, DayPlanDialog& dialog) {
  if (!store.Serves(use)) return DayStatus{DayOutcome::Unusable, store.message(), !store.CanRead()};
  if (!store.message().empty()) dialog.Show(store.message());
  return std::nullopt;
}

}  // namespace

DishFileOpening MealSession::Opening(MessageSink& sink) {
  ClearDay();
  LoadFood(sink);
  LoadReference(sink);
  RefreshDishWorkingCopy(sink);
  return ReadDishFileAtOpening(sink);
}

DishAdded MealSession::AddDish(int meal, std::string_view dishLine) {
  const DishLineParts dish = SplitDishLine(dishLine);
  const std::size_t before = dayFoods_.size();
  ReadDishFoods(dish.foods, dayFoods_);
  AddFoods(food, marks, std::span<const FoodAmount>(dayFoods_).subspan(before), calc.totals,
           dayExtra_, dayNotes_);
  if (meal < 1 || meal > kMeals) return DishAdded::ToTotalsOnly;
  std::vector<std::string>& dishes = mealDishes_[static_cast<std::size_t>(meal - 1)];
  dishes.emplace_back(dishLine);
  changes_.Notify({meal, {ListChange::Inserted, static_cast<int>(dishes.size()) - 1}});
  return DishAdded::ToMeal;
}

void MealSession::ClearDay() {
  calc.ClearTotals();
  dayNotes_ = QualityNotes{};
  dayExtra_ = ExtraTotals{};
  dayFoods_.clear();
  for (auto& meal : mealDishes_) meal.clear();
  changes_.Notify({0, {}});
}

std::vector<std::string> MealSession::MealEntries(int meal) const {
  std::vector<std::string> entries;
  if (meal < 1 || meal > kMeals) return entries;
  for (const std::string& line : mealDishes_[static_cast<std::size_t>(meal - 1)])
    entries.push_back(MealEntryText(SplitDishLine(line)));
  return entries;
}

ChartBlocker MealSession::PrepareChart(MessageSink& sink) {
  LoadReference(sink);
  // Without a row of the reference table there are no targets to divide by.
  return RowChoice(sex_, ageRow_);
}

void MealSession::DrawChart(Canvas& canvas) {
  calc.LoadTargets(sex_, ageRow_);
  chart.DrawChart(canvas, calc.totals, calc.targets);
}

DayStatus MealSession::SaveDay(DayPlanDialog& dialog) {
  if (const ChartBlocker choice = RowChoice(sex_, ageRow_); choice != ChartBlocker::None)
    return {DayOutcome::NoRow, ChartBlockerMessage(choice)};
  const std::unique_ptr<DayPlanStore> store = OpenPlanStore(DataDirectory(), std::time(nullptr));
  if (std::optional<DayStatus> refused = Refusal(*store, PlanUse::Store, dialog)) return *refused;
  // The version the replacing goes by: the day as this window read it, or
  // as it is now when the user is asked.
  std::int64_t version = 0;
  const bool stored = store->LoadDayWithVersion(date_, version).has_value();
  if (!store->readError().empty()) return {DayOutcome::Failed, store->readError(), true};
  if (heldDate_ == date_) version = heldVersion_;
  if (stored && !dialog.Confirm(date_ + " の日別献立はすでに保存されています。置き換えますか？",
                                "置き換える", "やめる"))
    return {DayOutcome::Kept, {}};
  bool changedByOther = false;
  const StoreResult saved = store->SaveDayIfUnchanged(PlannedDay(), version, changedByOther);
  if (changedByOther) {
    std::string tried = saved.message + "\n保存しようとした献立:";
    const char* const meals[] = {"朝食", "昼食", "夕食"};
    for (int m = 1; m <= kMeals; ++m) {
      tried += std::string("\n") + meals[m - 1] + ": ";
      const std::vector<std::string> entries = MealEntries(m);
      for (std::size_t i = 0; i < entries.size(); ++i)
        tried += (i ? "、" : "") + Cp932ToUtf8(entries[i]);
    }
    return {DayOutcome::ChangedByOther, tried, true};
  }
  if (!saved.ok) return {DayOutcome::Failed, saved.message, true};
  heldDate_ = date_;
  heldVersion_ = version;
  return {DayOutcome::Saved, date_ + " の日別献立を保存しました！"};
}

DayStatus MealSession::LoadDay(DayPlanDialog& dialog) {
  const std::unique_ptr<DayPlanStore> store = OpenPlanStore(DataDirectory(), std::time(nullptr));
  if (std::optional<DayStatus> refused = Refusal(*store, PlanUse::Read, dialog)) return *refused;
  std::int64_t version = 0;
  const std::optional<DayPlan> plan = store->LoadDayWithVersion(date_, version);
  if (!store->readError().empty()) return {DayOutcome::Failed, store->readError(), true};
  if (!plan) return {DayOutcome::NotStored, date_ + " の日別献立は保存されていません！"};
  bool anyDish = false;
  for (const auto& meal : mealDishes_) anyDish = anyDish || !meal.empty();
  if (anyDish && !reloading_ &&
      !dialog.Confirm("今の朝食・昼食・夕食の献立を " + date_ + " の日別献立に入れ替えますか？",
                      "入れ替える", "やめる"))
    return {DayOutcome::Kept, {}};
  TakeDay(*plan);
  heldDate_ = date_;
  heldVersion_ = version;
  return {DayOutcome::Loaded, {}};
}

DayStatus MealSession::ReloadDay(DayPlanDialog& dialog) {
  reloading_ = true;
  DayStatus status = LoadDay(dialog);
  reloading_ = false;
  if (status.outcome == DayOutcome::NotStored) {  // deleted by the other user
    ClearDay();
    heldDate_ = date_;
    heldVersion_ = 0;
  }
  return status;
}

DayPlan MealSession::PlannedDay() const {
  DayPlan plan;
  plan.date = date_;
  plan.sex = sex_;
  plan.age = ageRow_;
  plan.meals = mealDishes_;
  if (assessment) plan.profile = ProfileText(assessment->profile());
  return plan;
}

void MealSession::TakeDay(const DayPlan& plan) {
  // The same path as choosing the sex and age and adding each dish, so the
  // totals are exactly those of the day as it was planned.
  ClearDay();
  sex_ = plan.sex;
  ageRow_ = plan.age;
  // A day stored before profiles were keeps the profile of the moment.
  if (assessment)
    if (const std::optional<Profile> profile = ParseProfile(plan.profile))
      assessment->ChooseProfile(*profile);
  for (int m = 1; m <= kMeals; ++m)
    for (const std::string& line : plan.meals[static_cast<std::size_t>(m - 1)]) AddDish(m, line);
}

DayReport MealSession::MakeDayReport(std::string_view sexText, std::string_view ageText,
                                     const std::optional<Assessment>& assessment) {
  DayReport day;
  const FigureColumn column = DayColumn();
  const bool row = RowChoice(sex_, ageRow_) == ChartBlocker::None;
  if (row) {
    calc.LoadTargets(sex_, ageRow_);
    day.chart = {calc.totals, calc.targets, true};
  }
  const std::vector<std::string> heading = {"日付: " + date_, "性別: " + std::string(sexText),
                                            "年齢区分: " + std::string(ageText)};
  day.report = MakeFiguresReport("食事の栄養分析", heading, {{date_, ColumnTotals(column)}}, column,
                                 row ? &day.chart.targets : nullptr, extraReference, sex_, ageRow_,
                                 Cp932ToUtf8(LoadFoodEdition()));
  if (assessment) day.report.assessment = MakeAssessmentSection(*assessment, false);
  day.baseName = "栄養分析_" + date_;
  return day;
}

AssessmentView MealSession::Assessed() {
  AssessmentView view;
  view.assessment = assessment->AssessFoods(food, marks, dayFoods_);
  view.subject = date_ + "の1日分（朝食・昼食・夕食）";
  return view;
}

}  // namespace eiyou
