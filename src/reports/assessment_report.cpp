#include "reports/assessment_report.h"

#include <charconv>
#include <map>

#include "nutrition/figure_table.h"

namespace eiyou {

namespace {

// Decimals of an intake, by identifier; one decimal for what is not listed.
const std::map<std::string, int, std::less<>> kIntakeDecimals = {
    {"ENERC_KCAL", 0}, {"K", 0},      {"CA", 0},   {"MG", 0},     {"P", 0},     {"ID", 0},
    {"SE", 0},         {"CR", 0},     {"MO", 0},   {"VITA_RAE", 0}, {"VITK", 0}, {"FOL", 0},
    {"VITC", 0},       {"CU", 2},     {"THIA", 2}, {"RIBF", 2},   {"VITB6A", 2}, {"PANTAC", 2}};

std::string Fixed(double value, int decimals) {
  char buffer[64];
  // 0.0 + turns a negative zero into zero: "-0" is no intake anyone had.
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value + 0.0, std::chars_format::fixed, decimals);
  std::string text(buffer, written.ptr);
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
  return text;
}

ReportCell ReferenceCell(const ReferenceFigure& f) {
  ReportCell cell;
  if (!f.value) return cell;
  cell.number = ReferenceFigureText(*f.value);
  if (f.older) cell.mark = kOlderFigureMark;
  return cell;
}

// The goal: a range as text ("20～30"), a bound as its number with "以上",
// "未満" or "以下".
ReportCell GoalCell(const NutrientReference& r) {
  ReportCell cell;
  const ReferenceFigure &low = r.dgLower, &high = r.dgUpper;
  if (!low.value && !high.value) return cell;
  if (low.older || high.older) cell.mark = kOlderFigureMark;
  if (low.value && high.value) {
    cell.words = ReferenceFigureText(*low.value) + "～" + ReferenceFigureText(*high.value);
  } else if (low.value) {
    cell.number = ReferenceFigureText(*low.value);
    cell.words = "以上";
  } else {
    cell.number = ReferenceFigureText(*high.value);
    cell.words = r.dgUpperExclusive ? "未満" : "以下";
  }
  return cell;
}

}  // namespace

std::string AssessmentIntakeText(const AssessedNutrient& nutrient, double value) {
  const std::string_view id = nutrient.id;
  const auto it = kIntakeDecimals.find(id);
  return Fixed(value, it == kIntakeDecimals.end() ? 1 : it->second);
}

std::string ReferenceFigureText(double value) {
  std::string text = Fixed(value, 3);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

ReportAssessment MakeAssessmentSection(const Assessment& assessment, bool period) {
  ReportAssessment section;
  section.title = "栄養評価";
  bool marks = false, older = false, energy = false, lunchStandard = false;
  for (const AssessmentRow& row : assessment.rows) {
    const AssessedNutrient& n = *row.nutrient;
    ReportAssessmentRow& out = section.rows.emplace_back();
    out.nutrient = std::string(n.name) + "（" + n.unit + "）";
    const NutrientReference& r = row.reference;
    ReportCell intake;
    if (row.intake) intake.number = AssessmentIntakeText(n, *row.intake);
    intake.mark = row.marks;
    marks = marks || !row.marks.empty();
    // The estimated energy requirement and a school-lunch standard amount
    // stand where the allowance does: the intake is judged against them so.
    ReportCell rda = ReferenceCell(r.rda);
    if (!r.rda.value && r.target.value) {
      rda = ReferenceCell(r.target);
      if (r.targetToConsider) rda.words = "（配慮）";
      (std::string_view(n.id) == "ENERC_KCAL" ? energy : lunchStandard) = true;
    }
    out.cells = {intake, ReferenceCell(r.ear), rda, ReferenceCell(r.ai), GoalCell(r), ReferenceCell(r.ul)};
    for (const ReportCell& c : out.cells) older = older || c.mark == kOlderFigureMark;
    const JudgementStyle& style = StyleOf(row.judgement);
    out.symbol = style.symbol;
    out.judgement = style.words;
    out.colour[0] = style.colour.r;
    out.colour[1] = style.colour.g;
    out.colour[2] = style.colour.b;
    out.note = row.note;
  }
  section.notes.push_back("基準値: " + assessment.edition);
  if (older) section.notes.push_back(std::string(kOlderFigureMark) + " " + kOlderEditionNote);
  if (marks) section.notes.push_back(kFigureMarksLegend);
  if (energy) {
    section.notes.push_back("エネルギーの推奨量の欄は推定エネルギー必要量です");
    section.notes.push_back(kEnergyNote);
  }
  if (lunchStandard) section.notes.push_back("推奨量の欄は学校給食摂取基準の基準値（1回の給食あたり）です");
  if (period) section.notes.push_back(kHabitualIntakeNote);
  return section;
}

}  // namespace eiyou
