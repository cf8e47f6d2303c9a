// Reports as CSV and as a workbook: the bytes of the CSV, and the workbook's
// numbers stored as numbers.
#include <gtest/gtest.h>
#include <zip.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reports/figures_report.h"
#include "reports/report.h"

using namespace eiyou;

namespace {

ReportCell N(const char* number, const char* words = "", const char* mark = "") {
  return {number, words, mark};
}

Report TwoDays() {
  Report r;
  r.title = "期間の栄養分析";
  r.heading = {"期間: 2026-12-01～2026-12-02", "性別: 女", "年齢区分: 18～29歳"};
  r.columns = {{"エネルギー", "kcal"}, {"食塩相当量", "g"}, {"名前, \"引用\"", ""}};
  r.days = {{"2026-12-01", {N("1800"), N("86.9"), N("-0.3")}},
            {"2026-12-02", {N("2000"), N(""), N("3")}}};
  r.average = {"平均", {N("1900"), N("7.25", "", "＊"), N("1.5", "", "※＊")}};
  r.reference = {"基準値", {N("2000"), N("6.5", "未満"), N("")}};
  r.percent = {"割合(%)", {N("95"), N("112"), N("")}};
  r.marksLegend = "※ 成分値なし　＊ 推定値";
  r.sources = {"文部科学省「日本食品標準成分表（八訂）増補2023年」"};
  return r;
}

std::string ZipEntry(const std::string& path, const char* name) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) return "<not a zip>";
  std::string text;
  if (zip_file_t* f = zip_fopen(z, name, 0)) {
    char buffer[4096];
    zip_int64_t n;
    while ((n = zip_fread(f, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    zip_fclose(f);
  }
  zip_close(z);
  return text;
}

}  // namespace

TEST(Reports, CsvHasABomAHeaderOneRowPerDayAndTheMarks) {
  EXPECT_EQ(ReportCsv(TwoDays()),
            "\xEF\xBB\xBF"
            "日付,エネルギー（kcal）,食塩相当量（g）,\"名前, \"\"引用\"\"\"\r\n"
            "2026-12-01,1800,86.9,-0.3\r\n"
            "2026-12-02,2000,,3\r\n"
            "平均,1900,7.25,1.5\r\n"
            "記号,,＊,※＊\r\n"
            "基準値,2000,6.5,\r\n"
            "割合(%),95,112,\r\n"
            "※ 成分値なし　＊ 推定値\r\n"
            "\r\n"
            "期間の栄養分析\r\n"
            "期間: 2026-12-01～2026-12-02\r\n"
            "性別: 女\r\n"
            "年齢区分: 18～29歳\r\n"
            "文部科学省「日本食品標準成分表（八訂）増補2023年」\r\n");
}

// Numbers as numbers, each as the window wrote it (not 86.90000000000001),
// shown with its decimals, words and marks.
TEST(Reports, WorkbookKeepsTheShownNumbersAsNumbers) {
  const std::string path = ::testing::TempDir() + "/report.xlsx";
  std::string error;
  ASSERT_TRUE(WriteReportXlsx(TwoDays(), path, error)) << error;
  const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
  for (const char* v : {"<v>1800</v>", "<v>86.9</v>", "<v>-0.3</v>", "<v>7.25</v>"})
    EXPECT_NE(sheet.find(v), std::string::npos) << v << "\n" << sheet;
  const std::string styles = ZipEntry(path, "xl/styles.xml");
  for (const char* format : {"formatCode=\"0.0\"", "formatCode=\"0.00&quot;＊&quot;\"",
                             "formatCode=\"0.0&quot;未満&quot;\""})
    EXPECT_NE(styles.find(format), std::string::npos) << format << "\n" << styles;
  const std::string strings = ZipEntry(path, "xl/sharedStrings.xml");
  EXPECT_NE(strings.find("基準値"), std::string::npos);
  EXPECT_NE(strings.find("※ 成分値なし"), std::string::npos);
  std::remove(path.c_str());
  // A folder that does not exist: a message and no file.
  EXPECT_FALSE(WriteReportXlsx(TwoDays(), "/nonexistent/dir/r.xlsx", error));
  EXPECT_NE(error.find("作成できません"), std::string::npos);
}

// The program runs in the user's locale; a decimal comma must not reach the
// workbook's XML, and the caller's locale is left as it was.
TEST(Reports, WorkbookIsTheSameInACommaLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
    GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (localedef -i de_DE -f UTF-8 de_DE.UTF-8)";
  const std::string path = ::testing::TempDir() + "/comma.xlsx";
  std::string error;
  const bool written = WriteReportXlsx(TwoDays(), path, error);
  const char decimalPoint = *std::localeconv()->decimal_point;
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(written) << error;
  EXPECT_EQ(decimalPoint, ',');
  const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<v>86.9</v>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("width=\"14.7109375\""), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find(','), std::string::npos) << sheet;
  std::remove(path.c_str());
}

// The sources name the edition the table was imported from, as its official title.
TEST(Reports, TheFoodSourceNamesTheRecordedEdition) {
  EXPECT_EQ(FoodTableSource("食品成分表（八訂）増補2023年"),
            "食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」");
  EXPECT_EQ(FoodTableSource("自作の表 2026"), "食品成分: 自作の表 2026");
  EXPECT_EQ(FoodTableSource(""), "食品成分: 文部科学省「日本食品標準成分表」");
}
