// The assessment as a table of texts (UTF-8), as the assessment window shows
// it: one line per row of the assessment, then the notes that go under it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "nutrition/assessment.h"

namespace eiyou {

// The columns after the nutrient's name.
enum AssessmentColumn {
  kIntakeColumn, kEarColumn, kRdaColumn, kAiColumn, kDgColumn, kUlColumn, kJudgementColumn,
  kNoteColumn, kAssessmentColumns
};
extern const std::array<const char*, kAssessmentColumns + 1> kAssessmentHeadings;

// Beside a reference figure that came from the 2020 edition where the 2025
// edition gives none.
inline constexpr const char* kOlderEditionMark = "†";

// A cell of a figure column, in parts, so that a workbook can keep the number
// a number: "6.5" "未満" "†", "2050" "（必要量）" "", "" "20～30" "".
struct AssessmentCell {
  std::string number, words, mark;
  std::string Text() const { return number + words + mark; }
};

struct AssessmentLine {
  std::string name;  // with its unit: "鉄（mg）"
  // Intake with its marks; the figures (older ones marked †); the judgement's
  // symbol and words; the row's note.
  std::array<std::string, kAssessmentColumns> cells;
  // The intake and the five figure columns (kIntakeColumn .. kUlColumn) in parts.
  std::array<AssessmentCell, kJudgementColumn> parts;
  Judgement judgement = Judgement::NotJudged;
};

struct AssessmentTable {
  std::vector<AssessmentLine> lines;
  std::vector<std::string> notes;  // in the order shown
};

// `period`: the intakes are a period's mean daily intake, which the notes
// say is judged as the habitual intake. `subject` names what was judged
// ("2024-05-01の1日分" ...), first of the notes when not empty. The window and
// every report take their texts from here, so that they say the same.
AssessmentTable MakeAssessmentTable(const Assessment& assessment, bool period,
                                    const std::string& subject = {});

// An intake in the nutrient's decimals (energy and the minerals counted in
// hundreds whole, grams and most milligrams one decimal, the B vitamins two),
// locale-free: finer than the table's own figures would be false precision.
std::string AssessmentIntakeText(const AssessedNutrient& nutrient, double value);

// A reference figure as the official tables write it ("6.5", "2050", "0.9"):
// its shortest form, after rounding away the float noise of an addition.
std::string ReferenceFigureText(double value);

}  // namespace eiyou
