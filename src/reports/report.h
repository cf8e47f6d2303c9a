// A report of a day or a period of meals: the figures of every day, their
// average, the reference and the share of it. The same report goes to a CSV
// file, a workbook and (from the windows) a PDF page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

struct Report {
  std::string title;                 // UTF-8
  std::vector<std::string> heading;  // lines under the title: period, sex, age class
  std::vector<ReportColumn> columns;
  std::vector<ReportRow> days;
  ReportRow average, reference, percent;
  std::vector<ReportDayColumn> dayTable;  // the window's list of days; empty: none
  std::string marksLegend;                // what the marks mean, said where one appears
  std::vector<std::string> sources;       // where the figures come from
};

// True when a cell of the report carries a mark.
bool HasMarks(const Report& report);

// A column's heading as the windows write it: "エネルギー（kcal）".
std::string ColumnHeading(const ReportColumn& c);

// UTF-8 with a byte order mark, CR LF: a header row (the first cell "日付"),
// one row per day, then the average, the reference and the share, each cell
// the number alone so that it reads as one; a row with marks is followed by a
// row "記号" of them, then the legend; after an empty line, the title, the
// heading lines and the sources, one to a line. Texts are quoted where they
// hold a comma, a quote or a line end.
std::string ReportCsv(const Report& report);

// The same as a workbook: numbers as numbers, each shown with the window's
// decimals, words and marks (by its number format), a header row, the heading
// above it and the legend and sources below. The same bytes in every locale.
// False, with `error` (UTF-8 Japanese), when the file cannot be written.
bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error);

}  // namespace eiyou
