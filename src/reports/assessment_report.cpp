#include "reports/assessment_report.h"

#include "nutrition/assessment_table.h"

namespace eiyou {

ReportAssessment MakeAssessmentSection(const Assessment& assessment, bool period) {
  ReportAssessment section;
  section.title = "栄養評価";
  const AssessmentTable table = MakeAssessmentTable(assessment, period);
  for (std::size_t i = 0; i < table.lines.size(); ++i) {
    const AssessmentLine& line = table.lines[i];
    ReportAssessmentRow& out = section.rows.emplace_back();
    out.nutrient = line.name;
    for (const AssessmentCell& part : line.parts) out.cells.push_back({part.number, part.words, part.mark});
    const JudgementStyle& style = StyleOf(line.judgement);
    out.symbol = style.symbol;
    out.judgement = style.words;
    out.colour[0] = style.colour.r;
    out.colour[1] = style.colour.g;
    out.colour[2] = style.colour.b;
    out.note = line.cells[kNoteColumn];
  }
  section.notes = table.notes;
  return section;
}

}  // namespace eiyou
