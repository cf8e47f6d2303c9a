// The order sheet as a workbook: apart from the rest of the order sheet, like
// the report's, since the workbook libraries load only when one is written.
#include <xlsxwriter.h>

#include <charconv>

#include "reports/order_report.h"
#include "reports/xlsx_support.h"

namespace eiyou {

bool WriteOrderSheetXlsx(const OrderReport& report, const std::string& path, std::string& error) {
  const std::string temp = path + ".part";
  error = "ファイル " + path + " を作成できません。";
  const CNumbersOnThisThread cNumbers;
  if (!cNumbers.ok()) return false;
  lxw_workbook* book = workbook_new(temp.c_str());
  if (!book) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(book, report.title.c_str());
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  // The figures with the decimals they are shown with, plain and bold.
  lxw_format* formats[2][3];
  const char* shown[3] = {"0", "0.0", "0.000"};
  for (int b = 0; b < 2; ++b)
    for (int d = 0; d < 3; ++d) {
      formats[b][d] = workbook_add_format(book);
      format_set_num_format(formats[b][d], shown[d]);
      if (b) format_set_bold(formats[b][d]);
    }

  lxw_row_t row = 0;
  worksheet_write_string(sheet, row++, 0, report.title.c_str(), bold);
  for (const std::string& line : report.heading) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  ++row;
  for (lxw_col_t c = 0; c < 9; ++c) worksheet_write_string(sheet, row, c, kOrderColumns[c], bold);
  worksheet_freeze_panes(sheet, row + 1, 0);
  ++row;
  // `shape` indexes `shown`.
  auto number = [&](lxw_col_t c, const std::string& text, int shape, bool subtotal) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, value);
    if (!text.empty() && read.ec == std::errc() && read.ptr == end)
      worksheet_write_number(sheet, row, c, value, formats[subtotal][shape]);
  };
  for (const OrderReportRow& r : report.rows) {
    lxw_format* text = r.subtotal ? bold : nullptr;
    lxw_col_t c = 0;
    for (const std::string* field : {&r.delivery, &r.supplier, &r.group, &r.number, &r.name}) {
      if (!field->empty()) worksheet_write_string(sheet, row, c, field->c_str(), text);
      ++c;
    }
    number(5, r.net, 1, r.subtotal);
    number(6, r.refuse, 0, r.subtotal);
    number(7, r.order, 1, r.subtotal);
    number(8, r.orderKg, 2, r.subtotal);
    ++row;
  }
  ++row;
  for (const std::vector<std::string>* lines : {&report.notes, &report.sources})
    for (const std::string& line : *lines) worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
  const double widths[9] = {12, 16, 18, 9, 40, 12, 10, 12, 12};
  for (lxw_col_t c = 0; c < 9; ++c) worksheet_set_column(sheet, c, c, widths[c], nullptr);

  if (!FinishWorkbook(book, temp, path, 1)) return false;
  error.clear();
  return true;
}

}  // namespace eiyou
