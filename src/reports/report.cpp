#include "reports/report.h"

#include <xlsxwriter.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace eiyou {

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void CsvRow(std::string& out, const ReportRow& row, const std::vector<ReportColumn>& columns) {
  out += CsvField(row.label);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    out += ',';
    if (i < row.values.size() && row.values[i])
      out += ReportNumber(*row.values[i], row.decimals >= 0 ? row.decimals : columns[i].decimals);
  }
  out += "\r\n";
}

std::string Header(const ReportColumn& c) { return c.name + (c.unit.empty() ? "" : "(" + c.unit + ")"); }

}  // namespace

std::string ReportNumber(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0, std::chars_format::fixed,
                               decimals);
  std::string text(buffer, r.ptr);
  // "-0" and "-0.0" read as what they are.
  if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
  return text;
}

std::string ReportCsv(const Report& report) {
  std::string out = "\xEF\xBB\xBF";
  out += CsvField("日付");
  for (const ReportColumn& c : report.columns) out += "," + CsvField(Header(c));
  out += "\r\n";
  for (const ReportRow& day : report.days) CsvRow(out, day, report.columns);
  for (const ReportRow* row : {&report.average, &report.reference, &report.percent})
    if (!row->label.empty()) CsvRow(out, *row, report.columns);
  return out;
}

bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error) {
  // Written beside the target and renamed over it: a failure leaves no half
  // workbook under the chosen name.
  const std::string temp = path + ".part";
  error = "ファイル " + path + " を作成できません。";
  lxw_workbook* book = workbook_new(temp.c_str());
  if (!book) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(book, "栄養分析");
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* whole = workbook_add_format(book);
  format_set_num_format(whole, "0");
  std::vector<lxw_format*> number(report.columns.size());
  for (std::size_t i = 0; i < number.size(); ++i) {
    number[i] = workbook_add_format(book);
    const int d = report.columns[i].decimals;
    format_set_num_format(number[i], d == 0 ? "0" : ("0." + std::string(static_cast<std::size_t>(d), '0')).c_str());
  }

  lxw_row_t row = 0;
  worksheet_write_string(sheet, row++, 0, report.title.c_str(), bold);
  for (const std::string& line : report.heading) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  ++row;
  worksheet_write_string(sheet, row, 0, "日付", bold);
  for (std::size_t i = 0; i < report.columns.size(); ++i)
    worksheet_write_string(sheet, row, static_cast<lxw_col_t>(i + 1), Header(report.columns[i]).c_str(), bold);
  ++row;
  auto writeRow = [&](const ReportRow& r, lxw_format* labelFormat) {
    worksheet_write_string(sheet, row, 0, r.label.c_str(), labelFormat);
    for (std::size_t i = 0; i < report.columns.size() && i < r.values.size(); ++i)
      if (r.values[i] && std::isfinite(*r.values[i]))
        worksheet_write_number(sheet, row, static_cast<lxw_col_t>(i + 1), *r.values[i],
                               r.decimals == 0 ? whole : number[i]);
    ++row;
  };
  for (const ReportRow& day : report.days) writeRow(day, nullptr);
  for (const ReportRow* r : {&report.average, &report.reference, &report.percent})
    if (!r->label.empty()) writeRow(*r, bold);
  ++row;
  for (const std::string& line : report.sources) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  worksheet_set_column(sheet, 0, 0, 14, nullptr);
  worksheet_set_column(sheet, 1, static_cast<lxw_col_t>(report.columns.size()), 12, nullptr);

  if (workbook_close(book) != LXW_NO_ERROR || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  error.clear();
  return true;
}

}  // namespace eiyou
