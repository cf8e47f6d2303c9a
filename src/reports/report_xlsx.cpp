// The report as a workbook (libxlsxwriter, and libzip to shorten the sheet's
// numbers): apart from the rest of the reports, since the program loads these
// libraries only when a workbook is first written.
#include <xlsxwriter.h>

#include <charconv>
#include <cstdio>
#include <map>
#include <vector>

#include "reports/report.h"
#include "reports/xlsx_support.h"

namespace eiyou {

namespace {

// The number format that shows a cell as the window does: its decimals, then
// its words and marks as literal text ("0.0\"未満\"").
std::string NumberFormat(const ReportCell& cell) {
  const std::size_t point = cell.number.find('.');
  std::string format = "0";
  if (point != std::string::npos) format += "." + std::string(cell.number.size() - point - 1, '0');
  const std::string after = cell.words + cell.mark;
  if (!after.empty()) format += "\"" + after + "\"";
  return format;
}

}  // namespace

bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error) {
  // Written beside the target and renamed over it: a failure leaves no half
  // workbook under the chosen name.
  const std::string temp = path + ".part";
  error = "ファイル " + path + " を作成できません。";
  const CNumbersOnThisThread cNumbers;
  if (!cNumbers.ok()) return false;
  lxw_workbook* book = workbook_new(temp.c_str());
  if (!book) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(book, "栄養分析");
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  std::map<std::string, lxw_format*> numberFormats;
  auto formatOf = [&](const ReportCell& cell) {
    const std::string shown = NumberFormat(cell);
    lxw_format*& format = numberFormats[shown];
    if (!format) {
      format = workbook_add_format(book);
      format_set_num_format(format, shown.c_str());
    }
    return format;
  };

  lxw_row_t row = 0;
  worksheet_write_string(sheet, row++, 0, report.title.c_str(), bold);
  for (const std::string& line : report.heading) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  ++row;
  worksheet_write_string(sheet, row, 0, "日付", bold);
  for (std::size_t i = 0; i < report.columns.size(); ++i)
    worksheet_write_string(sheet, row, static_cast<lxw_col_t>(i + 1), ColumnHeading(report.columns[i]).c_str(), bold);
  ++row;
  // A number with its number format; a cell of words alone (a goal's range)
  // as its text.
  auto writeCell = [&](lxw_worksheet* on, lxw_row_t r, lxw_col_t c, const ReportCell& cell) {
    const char* end = cell.number.data() + cell.number.size();
    double value = 0;
    const auto read = std::from_chars(cell.number.data(), end, value);
    if (!cell.number.empty() && read.ec == std::errc() && read.ptr == end)
      worksheet_write_number(on, r, c, value, formatOf(cell));
    else if (cell.number.empty() && !cell.words.empty())
      worksheet_write_string(on, r, c, (cell.words + cell.mark).c_str(), nullptr);
  };
  auto writeRow = [&](const ReportRow& r, lxw_format* labelFormat) {
    worksheet_write_string(sheet, row, 0, r.label.c_str(), labelFormat);
    for (std::size_t i = 0; i < report.columns.size() && i < r.cells.size(); ++i)
      writeCell(sheet, row, static_cast<lxw_col_t>(i + 1), r.cells[i]);
    ++row;
  };
  for (const ReportRow& day : report.days) writeRow(day, nullptr);
  for (const ReportRow* r : {&report.average, &report.reference, &report.percent})
    if (!r->label.empty()) writeRow(*r, bold);
  ++row;
  if (HasMarks(report)) worksheet_write_string(sheet, row++, 0, report.marksLegend.c_str(), nullptr);
  for (const std::string& line : report.sources) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  worksheet_set_column(sheet, 0, 0, 14, nullptr);
  worksheet_set_column(sheet, 1, static_cast<lxw_col_t>(report.columns.size()), 12, nullptr);

  if (report.assessment) {
    const ReportAssessment& a = *report.assessment;
    lxw_worksheet* second = workbook_add_worksheet(book, a.title.c_str());
    lxw_row_t at = 0;
    worksheet_write_string(second, at++, 0, report.title.c_str(), bold);
    for (const std::string& line : report.heading) worksheet_write_string(second, at++, 0, line.c_str(), nullptr);
    ++at;
    worksheet_write_string(second, at++, 0, a.title.c_str(), bold);
    lxw_col_t c = 0;
    for (const char* heading : kAssessmentHeadings) worksheet_write_string(second, at, c++, heading, bold);
    ++at;
    // The judgement in its colour, one format per colour.
    std::map<std::uint32_t, lxw_format*> colours;
    for (const ReportAssessmentRow& r : a.rows) {
      worksheet_write_string(second, at, 0, r.nutrient.c_str(), nullptr);
      for (std::size_t i = 0; i < r.cells.size(); ++i)
        writeCell(second, at, static_cast<lxw_col_t>(i + 1), r.cells[i]);
      const std::uint32_t rgb = std::uint32_t{r.colour[0]} << 16 | std::uint32_t{r.colour[1]} << 8 | r.colour[2];
      lxw_format*& colour = colours[rgb];
      if (!colour) {
        colour = workbook_add_format(book);
        format_set_font_color(colour, rgb);
      }
      const lxw_col_t judged = static_cast<lxw_col_t>(r.cells.size() + 1);
      worksheet_write_string(second, at, judged, (r.symbol + " " + r.judgement).c_str(), colour);
      if (!r.note.empty()) worksheet_write_string(second, at, judged + 1, r.note.c_str(), nullptr);
      ++at;
    }
    ++at;
    for (const std::string& note : a.notes) worksheet_write_string(second, at++, 0, note.c_str(), nullptr);
    worksheet_set_column(second, 0, 0, 30, nullptr);
    worksheet_set_column(second, 1, static_cast<lxw_col_t>(kAssessmentCells), 13, nullptr);
    worksheet_set_column(second, static_cast<lxw_col_t>(kAssessmentCells + 1),
                         static_cast<lxw_col_t>(kAssessmentCells + 1), 20, nullptr);
  }

  if (!FinishWorkbook(book, temp, path, report.assessment ? 2 : 1)) return false;
  error.clear();
  return true;
}

}  // namespace eiyou
