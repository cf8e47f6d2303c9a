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

struct AssessmentLine {
  std::string name;  // with its unit: "鉄（mg）"
  // Intake with its marks; the figures (older ones marked †); the judgement's
  // symbol and words; the row's note.
  std::array<std::string, kAssessmentColumns> cells;
  Judgement judgement = Judgement::NotJudged;
};

struct AssessmentTable {
  std::vector<AssessmentLine> lines;
  std::vector<std::string> notes;  // in the order shown
};

// `period`: the intakes are a period's mean daily intake, which the notes
// say is judged as the habitual intake. `subject` names what was judged
// ("2024-05-01の1日分" ...), first of the notes when not empty.
AssessmentTable MakeAssessmentTable(const Assessment& assessment, bool period,
                                    const std::string& subject = {});

// A figure as the table writes it: whole numbers from 100 up, one decimal
// from 10, two below, trailing zeros dropped; never "-0". Locale-free.
std::string AssessmentFigureText(double value);

}  // namespace eiyou
