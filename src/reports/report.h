// A report of a day or a period of meals: the figures of every day, their
// average, the reference and the share of it. The same report goes to a CSV
// file, a workbook and (from the windows) a PDF page.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace eiyou {

struct ReportColumn {
  std::string name;  // UTF-8, e.g. "エネルギー"
  std::string unit;  // UTF-8, e.g. "kcal"
  int decimals = 0;  // digits after the point when the value is written
};

struct ReportRow {
  std::string label;                         // UTF-8: a date, "平均", "基準値", "割合(%)"
  std::vector<std::optional<double>> values;  // one per column; empty: no value
  int decimals = -1;                          // for every value; -1: each column's own
};

struct Report {
  std::string title;                 // UTF-8
  std::vector<std::string> heading;  // lines under the title: period, sex, age class
  std::vector<ReportColumn> columns;
  std::vector<ReportRow> days;
  ReportRow average, reference, percent;
  std::vector<std::string> sources;  // where the figures come from
};

// A value as the report writes it: fixed decimals, no exponent, no locale.
std::string ReportNumber(double value, int decimals);

// UTF-8 with a byte order mark, CR LF: a header row (the first cell "日付"),
// one row per day, then the average, the reference and the share. Texts are
// quoted where they hold a comma, a quote or a line end.
std::string ReportCsv(const Report& report);

// The same as a workbook: numbers as numbers, a header row, the heading above
// it and the sources below. False, with `error` (UTF-8 Japanese), when the file
// cannot be written.
bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error);

}  // namespace eiyou
