#include "sessions/period_session.h"

#include <memory>

#include "nutrition/dish_line.h"
#include "plans/plan_store.h"
#include "plans/store_open.h"
#include "reports/assessment_report.h"
#include "reports/figures_report.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/food_edition.h"

namespace eiyou {

// A period's totals and a figure column share their order and units.
static_assert(kPeriodNutrients == kFigureRows && kSaltIndex == kSaltRow &&
              kFibreIndex == kFibreRow);

bool PeriodSession::Show(MessageSink& sink, const std::string& fromDate, const std::string& toDate,
                         const std::string& dataDir, std::time_t now) {
  Clear();
  if (toDate < fromDate) {  // plan dates sort as their dates do
    sink.Show(kReversedPeriodMessage);
    return false;
  }
  from_ = fromDate;
  to_ = toDate;
  if (const ChartBlocker choice = RowChoice(sex_, ageRow_); choice != ChartBlocker::None) {
    sink.Show(ChartBlockerMessage(choice));
    return false;
  }
  LoadFood(sink);
  LoadReference(sink);

  const std::unique_ptr<DayPlanStore> store = OpenPlanStore(dataDir, now);
  // Reading needs no write access: a read-only folder is no news here.
  if (store->status() != OpenStatus::Ok && store->status() != OpenStatus::ReadOnly)
    sink.Show(store->message());
  // Without the folder or a usable file nothing was read: "no days" would mislead.
  if (!store->Serves(PlanUse::Read)) return false;
  const std::vector<DayPlan> days = store->DaysBetween(fromDate, toDate);
  if (!store->readError().empty()) {
    sink.Show(store->readError());
    return false;
  }
  if (days.empty()) {
    sink.Show(kNoPeriodDaysMessage);
    return false;
  }

  // The same foods the totals took, each noted once however often it was eaten.
  figures_ = ComputePeriod(days, food, reference, marks, notes_);
  for (const DayPlan& day : days) {
    std::vector<FoodAmount>& foods = dayFoods_.emplace_back();
    for (const auto& meal : day.meals)
      for (const std::string& line : meal) ReadDishFoods(DishLineFoodText(line), foods);
  }

  shownSex_ = sex_;
  shownAge_ = ageRow_;
  shownFrom_ = fromDate;
  shownTo_ = toDate;
  hasTargets_ = reference.IsLoaded();
  if (hasTargets_) {
    calc.LoadTargets(shownSex_, shownAge_);
    targets_ = calc.targets;
  }
  return true;
}

bool PeriodSession::ShowInDataFolder(MessageSink& sink, const std::string& fromDate,
                                     const std::string& toDate, std::time_t now) {
  return Show(sink, fromDate, toDate, DataDirectory(), now);
}

void PeriodSession::Clear() {
  figures_ = PeriodFigures{};
  notes_ = QualityNotes{};
  targets_ = NutrientTargets{};
  hasTargets_ = false;
  shownSex_ = -1;
  shownAge_ = 0;
  shownFrom_.clear();
  shownTo_.clear();
  dayFoods_.clear();
}

FigureColumn PeriodSession::AverageColumn() const {
  FigureColumn column;
  for (int k = 0; k < kNutrients; ++k) column.nine.value[k] = figures_.average[k];
  column.extra.value = {figures_.average[kSaltIndex], figures_.average[kFibreIndex]};
  column.notes = notes_;
  return column;
}

FigureTableRows PeriodSession::Figures() const {
  const FigureColumn average = AverageColumn();
  return MakeFigureTable(average, average, Targets(), extraReference, shownSex_, shownAge_);
}

std::vector<PeriodDayRow> PeriodSession::DayRows() const {
  std::vector<PeriodDayRow> rows;
  rows.reserve(figures_.days.size());
  for (const DayFigures& day : figures_.days) {
    const auto text = [&](const PeriodDayColumn& c) { return FigureRowText(c.row, day.totals[c.row]); };
    rows.push_back({day.date, text(kPeriodDayColumns[0]), text(kPeriodDayColumns[1]),
                    text(kPeriodDayColumns[2]), text(kPeriodDayColumns[3])});
  }
  return rows;
}

bool PeriodSession::DrawChart(Canvas& canvas) {
  if (!HasPeriod() || !hasTargets_) return false;
  chart.DrawChart(canvas, AverageColumn().nine, targets_);
  return true;
}

Report PeriodSession::MakeReport(std::string_view sexText, std::string_view ageText,
                                 const std::optional<Assessment>& assessment) const {
  std::vector<ReportDay> days;
  days.reserve(figures_.days.size());
  for (const DayFigures& day : figures_.days) {
    ReportDay& row = days.emplace_back();
    row.label = day.date;
    for (int k = 0; k < kFigureRows; ++k) row.totals[k] = day.totals[k];
  }
  const std::vector<std::string> heading = {
      "期間: " + shownFrom_ + "～" + shownTo_ + "（献立のある日 " +
          std::to_string(figures_.days.size()) + "日）",
      "性別: " + std::string(sexText), "年齢区分: " + std::string(ageText)};
  Report report = MakeFiguresReport("期間の栄養分析", heading, days, AverageColumn(), Targets(),
                                    extraReference, shownSex_, shownAge_,
                                    Cp932ToUtf8(LoadFoodEdition()));
  for (const PeriodDayColumn& c : kPeriodDayColumns)
    report.dayTable.push_back({c.heading, static_cast<std::size_t>(c.row)});
  if (assessment) report.assessment = MakeAssessmentSection(*assessment, true);
  return report;
}

ReportChart PeriodSession::MakeReportChart() const {
  ReportChart chart;
  chart.totals = AverageColumn().nine;
  if (const NutrientTargets* targets = Targets()) {
    chart.targets = *targets;
    chart.shown = true;
  }
  return chart;
}

std::string PeriodSession::ReportBaseName() const {
  return "期間の栄養分析_" + shownFrom_ + "_" + shownTo_;
}

AssessmentView PeriodSession::Assessed() {
  AssessmentView view;
  view.assessment = assessment->AssessDays(food, marks, dayFoods_);
  view.subject = shownFrom_ + "～" + shownTo_ + "の1日あたり平均（" +
                 std::to_string(dayFoods_.size()) + "日）";
  view.period = true;
  return view;
}

}  // namespace eiyou
