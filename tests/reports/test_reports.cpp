// Reports as CSV and as a workbook: the bytes of the CSV, and the workbook's
// numbers stored as numbers.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "reports/report.h"

using namespace eiyou;

namespace {

Report TwoDays() {
  Report r;
  r.title = "期間の栄養分析";
  r.heading = {"期間: 2026-12-01～2026-12-02", "性別: 女", "年齢区分: 18～29歳"};
  r.columns = {{"エネルギー", "kcal", 0}, {"食塩相当量", "g", 1}, {"名前, \"引用\"", "", 2}};
  r.days = {{"2026-12-01", {1800, 7.25, -0.001}}, {"2026-12-02", {2000, std::nullopt, 3}}};
  r.average = {"平均", {1900, 7.25, 1.4995}};
  r.reference = {"基準値", {2000, 6.5, std::nullopt}};
  r.percent = {"割合(%)", {95, 111.5, std::nullopt}};
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

TEST(Reports, CsvHasABomAHeaderAndOneRowPerDay) {
  EXPECT_EQ(ReportCsv(TwoDays()),
            "\xEF\xBB\xBF"
            "日付,エネルギー(kcal),食塩相当量(g),\"名前, \"\"引用\"\"\"\r\n"
            "2026-12-01,1800,7.2,0.00\r\n"  // an exact half goes to the even digit
            "2026-12-02,2000,,3.00\r\n"
            "平均,1900,7.2,1.50\r\n"
            "基準値,2000,6.5,\r\n"
            "割合(%),95,111.5,\r\n");
}

TEST(Reports, WorkbookKeepsNumbersAsNumbers) {
  const std::string path = ::testing::TempDir() + "/report.xlsx";
  std::string error;
  ASSERT_TRUE(WriteReportXlsx(TwoDays(), path, error)) << error;
  const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<v>1800</v>"), std::string::npos) << sheet.substr(0, 400);
  EXPECT_NE(sheet.find("<v>7.25</v>"), std::string::npos);
  EXPECT_NE(ZipEntry(path, "xl/sharedStrings.xml").find("基準値"), std::string::npos);
  std::remove(path.c_str());
  // A folder that does not exist: a message and no file.
  EXPECT_FALSE(WriteReportXlsx(TwoDays(), "/nonexistent/dir/r.xlsx", error));
  EXPECT_NE(error.find("作成できません"), std::string::npos);
}
