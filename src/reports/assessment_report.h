// The nutrition assessment (栄養評価) as a section of a day's or a period's
// report: the assessment window's table (nutrition/assessment_table.h), its
// cells kept in parts so that every format (PDF, CSV, workbook) shows alike.
#pragma once

#include "nutrition/assessment.h"
#include "reports/report.h"

namespace eiyou {

// The section of `assessment`; `period` adds the note that the mean daily
// intake stands for the habitual intake. A nutrient without an intake or a
// reference keeps its cells empty (shown "-", never 0) and says why.
ReportAssessment MakeAssessmentSection(const Assessment& assessment, bool period);

}  // namespace eiyou
