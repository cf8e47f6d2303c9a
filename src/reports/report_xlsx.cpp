// The report as a workbook (libxlsxwriter, and libzip to shorten the sheet's
// numbers): apart from the rest of the reports, since the program loads these
// libraries only when a workbook is first written.
#include <locale.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <charconv>
#include <cstdio>
#include <map>
#include <vector>

#include "reports/report.h"

namespace eiyou {

namespace {

// Switches the calling thread's numbers to the "C" locale for its lifetime:
// libxlsxwriter writes every double (cell values, column widths, margins)
// with printf, which follows the numeric locale the program runs in, and a
// decimal comma in the XML makes the workbook unreadable.
class CNumbersOnThisThread {
 public:
  CNumbersOnThisThread() {
    if (locale_t copy = duplocale(uselocale(static_cast<locale_t>(nullptr)))) {
      mine_ = newlocale(LC_NUMERIC_MASK, "C", copy);
      if (!mine_) freelocale(copy);
    }
    if (mine_) previous_ = uselocale(mine_);
  }
  ~CNumbersOnThisThread() {
    if (!mine_) return;
    uselocale(previous_);
    freelocale(mine_);
  }
  CNumbersOnThisThread(const CNumbersOnThisThread&) = delete;
  CNumbersOnThisThread& operator=(const CNumbersOnThisThread&) = delete;
  bool ok() const { return mine_ != nullptr; }

 private:
  locale_t mine_ = nullptr, previous_ = nullptr;
};

// Every <v> number of a sheet in the shortest form that reads back as the
// same double. libxlsxwriter writes "%.16G", which gives 86.9 as
// 86.90000000000001; the shortest form of a number read from the window's
// text is that text again.
std::string ShortestNumbers(const std::string& xml) {
  std::string out;
  out.reserve(xml.size());
  std::size_t at = 0;
  for (std::size_t open; (open = xml.find("<v>", at)) != std::string::npos;) {
    const std::size_t begin = open + 3, end = xml.find("</v>", begin);
    if (end == std::string::npos) break;
    out.append(xml, at, begin - at);
    const char* first = xml.data() + begin;
    const char* last = xml.data() + end;
    double value = 0;
    const auto read = std::from_chars(first, last, value);
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (read.ec == std::errc() && read.ptr == last && written.ec == std::errc())
      out.append(buffer, written.ptr);
    else
      out.append(first, last);
    at = end;
  }
  out.append(xml, at, std::string::npos);
  return out;
}

// Rewrites the numbers of the workbook's sheets 1..`sheets` in place (libzip
// writes the archive anew and renames it over the old one).
bool ShortenSheetNumbers(const std::string& path, int sheets) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &error);
  if (!archive) return false;
  // Kept alive until zip_close has written them.
  std::vector<std::string> shortened;
  shortened.reserve(static_cast<std::size_t>(sheets));
  for (int sheet = 1; sheet <= sheets; ++sheet) {
    const std::string name = "xl/worksheets/sheet" + std::to_string(sheet) + ".xml";
    std::string xml;
    const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
    zip_file_t* entry =
        index < 0 ? nullptr : zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!entry) {
      zip_discard(archive);
      return false;
    }
    char buffer[16384];
    zip_int64_t n;
    while ((n = zip_fread(entry, buffer, sizeof buffer)) > 0) xml.append(buffer, static_cast<std::size_t>(n));
    zip_fclose(entry);
    if (n < 0) {
      zip_discard(archive);
      return false;
    }
    const std::string& bytes = shortened.emplace_back(ShortestNumbers(xml));
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (!source || zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return false;
  }
  return true;
}

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

  if (workbook_close(book) != LXW_NO_ERROR || !ShortenSheetNumbers(temp, report.assessment ? 2 : 1) ||
      std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  error.clear();
  return true;
}

}  // namespace eiyou
