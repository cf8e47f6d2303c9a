#include "nutrition/assessment_table.h"

#include <charconv>
#include <cmath>

#include "nutrition/figure_table.h"

namespace eiyou {

const std::array<const char*, kAssessmentColumns + 1> kAssessmentHeadings = {
    "栄養素", "摂取量", "推定平均必要量", "推奨量", "目安量", "目標量", "耐容上限量", "判定", "備考"};

std::string AssessmentFigureText(double value) {
  const double magnitude = std::fabs(value);
  const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : 2;
  const double scale = std::pow(10.0, decimals);
  double rounded = std::round(value * scale) / scale;
  if (rounded == 0) rounded = 0;  // no "-0"
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

namespace {

std::string FigureText(const ReferenceFigure& figure) {
  if (!figure.value) return {};
  std::string text = AssessmentFigureText(*figure.value);
  if (figure.older) text += kOlderEditionMark;
  return text;
}

// The goal: a range, or one bound with the words the reference intakes use.
std::string GoalText(const NutrientReference& r) {
  const std::string low = FigureText(r.dgLower), high = FigureText(r.dgUpper);
  if (!low.empty() && !high.empty()) return low + "～" + high;
  if (!low.empty()) return low + "以上";
  if (!high.empty()) return high + (r.dgUpperExclusive ? "未満" : "以下");
  return {};
}

}  // namespace

AssessmentTable MakeAssessmentTable(const Assessment& assessment, bool period,
                                    const std::string& subject) {
  AssessmentTable table;
  bool older = false, marked = false, energy = false;
  for (const AssessmentRow& row : assessment.rows) {
    AssessmentLine& line = table.lines.emplace_back();
    line.name = std::string(row.nutrient->name) + "（" + row.nutrient->unit + "）";
    line.judgement = row.judgement;
    const NutrientReference& r = row.reference;
    auto& c = line.cells;
    c[kIntakeColumn] = row.intake ? AssessmentFigureText(*row.intake) + row.marks : "－";
    c[kEarColumn] = FigureText(r.ear);
    c[kRdaColumn] = FigureText(r.rda);
    c[kAiColumn] = FigureText(r.ai);
    c[kDgColumn] = GoalText(r);
    // Energy's requirement or a lunch's standard amount is a goal of its own.
    if (r.target.value) {
      const std::string target = FigureText(r.target);
      const char* kind = r.targetToConsider ? "（配慮）"
                         : std::string_view(row.nutrient->id) == "ENERC_KCAL" ? "（必要量）"
                                                                               : "（基準値）";
      c[kDgColumn] = c[kDgColumn].empty() ? target + kind : c[kDgColumn] + "、" + target + kind;
    }
    c[kUlColumn] = FigureText(r.ul);
    const JudgementStyle& style = StyleOf(row.judgement);
    c[kJudgementColumn] = std::string(style.symbol) + " " + style.words;
    c[kNoteColumn] = row.note;
    for (const ReferenceFigure* f : {&r.ear, &r.rda, &r.ai, &r.ul, &r.dgLower, &r.dgUpper, &r.target})
      older = older || (f->value && f->older);
    marked = marked || !row.marks.empty();
    energy = energy || row.note == kEnergyNote;
  }
  if (!subject.empty()) table.notes.push_back("評価の対象：" + subject);
  table.notes.push_back("基準：" + assessment.edition);
  if (older) table.notes.push_back(std::string(kOlderEditionMark) + " " + kOlderEditionNote);
  if (marked) table.notes.push_back(kFigureMarksLegend);
  if (energy) table.notes.push_back(kEnergyNote);
  if (period) table.notes.push_back(kHabitualIntakeNote);
  return table;
}

}  // namespace eiyou
