// A report of a day or a period of meals: the figures of every day, their
// average, the reference and the share of it. The same report goes to a CSV
// file, a workbook and (from the windows) a PDF page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nutrition/assessment_table.h"

namespace eiyou {

struct ReportColumn {
  std::string name;  // UTF-8, e.g. "エネルギー"
  std::string unit;  // UTF-8, e.g. "kcal"
};

// A figure as the window shows it, so that every report says the same.
struct ReportCell {
  std::string number;  // the window's text of it ("25.5", "30", "0.05"); empty: no value
  std::string words;   // UTF-8 the window writes after it: "未満", "以上" or ""
  std::string mark;    // UTF-8 data-quality marks: "", "※", "＊" or "※＊"
};

struct ReportRow {
  std::string label;               // UTF-8: a date, "平均", "基準値", "割合(%)"
  std::vector<ReportCell> cells;  // one per column
};

// A column of the page's list of days: its heading there and the report column.
struct ReportDayColumn {
  std::string heading;  // UTF-8, e.g. "脂質(g)"
  std::size_t column;
};

// The nutrition assessment (栄養評価) of the day or the period's mean, as the
// assessment window shows it: one row per nutrient, then the notes.
struct ReportAssessmentRow {
  std::string nutrient;           // UTF-8 with its unit: "たんぱく質（g）"
  std::vector<ReportCell> cells;  // kAssessmentCells: intake, EAR, RDA, AI, DG, UL
  std::string symbol, judgement;  // UTF-8: "○", "充足"
  std::uint8_t colour[3] = {};    // the judgement's colour, for whoever can show it
  std::string note;               // UTF-8: why not judged, or what it rests on
};
// The headings are the window's: kAssessmentHeadings (nutrition/assessment_table.h).
inline constexpr std::size_t kAssessmentCells = 6;
struct ReportAssessment {
  std::string title;               // UTF-8, "栄養評価"
  std::vector<ReportAssessmentRow> rows;
  std::vector<std::string> notes;  // under the table: edition, marks, energy, habitual intake
};

struct Report {
  std::string title;                 // UTF-8
  std::vector<std::string> heading;  // lines under the title: period, sex, age class
  std::vector<ReportColumn> columns;
  std::vector<ReportRow> days;
  ReportRow average, reference, percent;
  std::vector<ReportDayColumn> dayTable;  // the window's list of days; empty: none
  std::string marksLegend;                // what the marks mean, said where one appears
  std::vector<std::string> sources;       // where the figures come from
  std::optional<ReportAssessment> assessment;  // after the figures, when asked for
};

// True when a cell of the report carries a mark.
bool HasMarks(const Report& report);

// A column's heading as the windows write it: "エネルギー（kcal）".
std::string ColumnHeading(const ReportColumn& c);

// A field of the reports' CSV files: quoted where it holds a comma, a quote
// or a line end, its quotes doubled.
std::string CsvField(const std::string& text);

// UTF-8 with a byte order mark, CR LF: a header row (the first cell "日付"),
// one row per day, then the average, the reference and the share, each cell
// the number alone so that it reads as one; a row with marks is followed by a
// row "記号" of them, then the legend; after an empty line the assessment
// when there is one (its title, a header row, a row per nutrient with the
// judgement as symbol and words, its notes); after another, the title, the
// heading lines and the sources, one to a line. Texts are quoted where they
// hold a comma, a quote or a line end.
std::string ReportCsv(const Report& report);

// The same as a workbook: numbers as numbers, each shown with the window's
// decimals, words and marks (by its number format), a header row, the heading
// above it and the legend and sources below; the assessment on a second sheet
// "栄養評価", its judgements in their colours. The same bytes in every locale.
// False, with `error` (UTF-8 Japanese), when the file cannot be written.
bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error);

}  // namespace eiyou
