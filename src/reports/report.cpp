#include "reports/report.h"

namespace eiyou {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

namespace {

bool RowHasMarks(const ReportRow& row) {
  for (const ReportCell& cell : row.cells)
    if (!cell.mark.empty()) return true;
  return false;
}

// The row's label, then one field per column taken from its cells by `field`.
template <typename Field>
void CsvRow(std::string& out, const std::string& label, const ReportRow& row, std::size_t columns,
            Field field) {
  out += CsvField(label);
  for (std::size_t i = 0; i < columns; ++i) {
    out += ',';
    if (i < row.cells.size()) out += CsvField(field(row.cells[i]));
  }
  out += "\r\n";
}

std::vector<const ReportRow*> RowsInOrder(const Report& report) {
  std::vector<const ReportRow*> rows;
  for (const ReportRow& day : report.days) rows.push_back(&day);
  for (const ReportRow* row : {&report.average, &report.reference, &report.percent})
    if (!row->label.empty()) rows.push_back(row);
  return rows;
}

// The assessment as the window shows it: each cell with its words and marks
// (a goal "6.5未満" or "20～30" is no number to add up anyway).
void AssessmentCsv(std::string& out, const ReportAssessment& a) {
  out += CsvField(a.title) + "\r\n";
  bool first = true;
  for (const char* heading : kAssessmentHeadings) {
    out += (first ? "" : ",") + CsvField(heading);
    first = false;
  }
  out += "\r\n";
  for (const ReportAssessmentRow& row : a.rows) {
    out += CsvField(row.nutrient);
    for (const ReportCell& c : row.cells) out += "," + CsvField(c.number + c.words + c.mark);
    out += "," + CsvField(row.symbol + " " + row.judgement) + "," + CsvField(row.note) + "\r\n";
  }
  for (const std::string& note : a.notes) out += CsvField(note) + "\r\n";
}

}  // namespace

bool HasMarks(const Report& report) {
  for (const ReportRow* row : RowsInOrder(report))
    if (RowHasMarks(*row)) return true;
  return false;
}

std::string ColumnHeading(const ReportColumn& c) {
  return c.name + (c.unit.empty() ? "" : "（" + c.unit + "）");
}

std::string ReportCsv(const Report& report) {
  std::string out = "\xEF\xBB\xBF";
  out += CsvField("日付");
  for (const ReportColumn& c : report.columns) out += "," + CsvField(ColumnHeading(c));
  out += "\r\n";
  const std::size_t columns = report.columns.size();
  for (const ReportRow* row : RowsInOrder(report)) {
    CsvRow(out, row->label, *row, columns, [](const ReportCell& c) { return c.number; });
    if (RowHasMarks(*row)) CsvRow(out, "記号", *row, columns, [](const ReportCell& c) { return c.mark; });
  }
  if (HasMarks(report)) out += CsvField(report.marksLegend) + "\r\n";
  if (report.assessment) {
    out += "\r\n";
    AssessmentCsv(out, *report.assessment);
  }
  // What the figures are of and where they come from, below the table so
  // that it still starts at the first line.
  out += "\r\n";
  out += CsvField(report.title) + "\r\n";
  for (const std::vector<std::string>* lines : {&report.heading, &report.sources})
    for (const std::string& line : *lines) out += CsvField(line) + "\r\n";
  return out;
}

}  // namespace eiyou
