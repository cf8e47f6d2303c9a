#include "nutrition/assessment_table.h"

#include <charconv>
#include <map>

#include "nutrition/figure_table.h"

namespace eiyou {

const std::array<const char*, kAssessmentColumns + 1> kAssessmentHeadings = {
    "栄養素", "摂取量", "推定平均必要量", "推奨量", "目安量", "目標量", "耐容上限量", "判定", "備考"};

namespace {

// Decimals of an intake, by identifier; one decimal for what is not listed.
const std::map<std::string, int, std::less<>> kIntakeDecimals = {
    {"ENERC_KCAL", 0}, {"K", 0},      {"CA", 0},   {"MG", 0},       {"P", 0},      {"ID", 0},
    {"SE", 0},         {"CR", 0},     {"MO", 0},   {"VITA_RAE", 0}, {"VITK", 0},   {"FOL", 0},
    {"VITC", 0},       {"CU", 2},     {"THIA", 2}, {"RIBF", 2},     {"VITB6A", 2}, {"PANTAC", 2}};

std::string Fixed(double value, int decimals) {
  char buffer[64];
  // 0.0 + turns a negative zero into zero: "-0" is no intake anyone had.
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value + 0.0, std::chars_format::fixed, decimals);
  std::string text(buffer, written.ptr);
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
  return text;
}

AssessmentCell ReferenceCell(const ReferenceFigure& figure) {
  AssessmentCell cell;
  if (!figure.value) return cell;
  cell.number = ReferenceFigureText(*figure.value);
  if (figure.older) cell.mark = kOlderEditionMark;
  return cell;
}

// The goal: a range, or one bound with the words the reference intakes use;
// energy's requirement or a lunch's standard amount is a goal of its own.
AssessmentCell GoalCell(const AssessedNutrient& n, const NutrientReference& r) {
  AssessmentCell cell;
  const AssessmentCell low = ReferenceCell(r.dgLower), high = ReferenceCell(r.dgUpper);
  if (!low.number.empty() && !high.number.empty()) {
    cell.words = low.number + "～" + high.number;
  } else if (!low.number.empty()) {
    cell.number = low.number;
    cell.words = "以上";
  } else if (!high.number.empty()) {
    cell.number = high.number;
    cell.words = r.dgUpperExclusive ? "未満" : "以下";
  }
  if (!low.mark.empty() || !high.mark.empty()) cell.mark = kOlderEditionMark;
  if (r.target.value) {
    const AssessmentCell target = ReferenceCell(r.target);
    const char* kind = r.targetToConsider                          ? "（配慮）"
                       : std::string_view(n.id) == "ENERC_KCAL" ? "（必要量）"
                                                                  : "（基準値）";
    if (cell.number.empty() && cell.words.empty()) {
      cell.number = target.number;
      cell.words = kind;
    } else {
      cell.words = cell.number + cell.words + "、" + target.number + kind;
      cell.number.clear();
    }
    if (!target.mark.empty()) cell.mark = kOlderEditionMark;
  }
  return cell;
}

}  // namespace

std::string AssessmentIntakeText(const AssessedNutrient& nutrient, double value) {
  const auto it = kIntakeDecimals.find(std::string_view(nutrient.id));
  return Fixed(value, it == kIntakeDecimals.end() ? 1 : it->second);
}

std::string ReferenceFigureText(double value) {
  std::string text = Fixed(value, 3);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

AssessmentTable MakeAssessmentTable(const Assessment& assessment, bool period,
                                    const std::string& subject) {
  AssessmentTable table;
  bool older = false, marked = false, energy = false;
  for (const AssessmentRow& row : assessment.rows) {
    AssessmentLine& line = table.lines.emplace_back();
    const AssessedNutrient& n = *row.nutrient;
    line.name = std::string(n.name) + "（" + n.unit + "）";
    line.judgement = row.judgement;
    const NutrientReference& r = row.reference;
    auto& p = line.parts;
    if (row.intake) {
      p[kIntakeColumn].number = AssessmentIntakeText(n, *row.intake);
      p[kIntakeColumn].mark = row.marks;
    }
    p[kEarColumn] = ReferenceCell(r.ear);
    p[kRdaColumn] = ReferenceCell(r.rda);
    p[kAiColumn] = ReferenceCell(r.ai);
    p[kDgColumn] = GoalCell(n, r);
    p[kUlColumn] = ReferenceCell(r.ul);
    for (int c = 0; c < kJudgementColumn; ++c) {
      line.cells[c] = p[c].Text();
      older = older || (c != kIntakeColumn && !p[c].mark.empty());
    }
    if (!row.intake) line.cells[kIntakeColumn] = "－";
    const JudgementStyle& style = StyleOf(row.judgement);
    line.cells[kJudgementColumn] = std::string(style.symbol) + " " + style.words;
    line.cells[kNoteColumn] = row.note;
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
