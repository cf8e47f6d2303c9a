// The nutrition assessment (栄養評価) as a section of a day's or a period's
// report: the rows of an Assessment in the window's columns, written as text
// cells that every format (PDF, CSV, workbook) shows alike.
#pragma once

#include <string>

#include "nutrition/assessment.h"
#include "reports/report.h"

namespace eiyou {

// An intake in the nutrient's decimals (energy and the minerals counted in
// hundreds whole, grams and most milligrams one decimal, the B vitamins two),
// locale-free: finer than the table's own figures would be false precision.
std::string AssessmentIntakeText(const AssessedNutrient& nutrient, double value);

// A reference figure as the official tables write it ("6.5", "2050", "0.9"):
// its shortest form, after rounding away the float noise of an addition.
std::string ReferenceFigureText(double value);

// The mark of a figure taken from the 2020 edition for want of a 2025 one.
inline constexpr const char* kOlderFigureMark = "†";

// The section of `assessment`; `period` adds the note that the mean daily
// intake stands for the habitual intake. A nutrient without an intake or a
// reference keeps its cells empty (shown "-", never 0) and says why.
ReportAssessment MakeAssessmentSection(const Assessment& assessment, bool period);

}  // namespace eiyou
