// Reports as CSV and as a workbook: the bytes of the CSV, and the workbook's
// numbers stored as numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "nutrition/assessment.h"
#include "reports/assessment_report.h"
#include "reports/figures_report.h"
#include "reports/report.h"
#include "zip_entry.h"

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

// ---- the assessment section ---------------------------------------------

namespace {

Profile Adult(Sex sex, int from, int to, ReferenceChoice reference) {
  Profile p;
  p.sex = sex;
  p.age = {PeriodClass::Years, from, to};
  p.reference = reference;
  return p;
}

const ReportAssessmentRow& RowOf(const ReportAssessment& a, std::string_view nutrient) {
  for (const ReportAssessmentRow& row : a.rows)
    if (row.nutrient.starts_with(nutrient)) return row;
  throw std::runtime_error("no row");
}

std::string Shown(const ReportCell& c) { return c.number + c.words + c.mark; }

// A day of a woman of 30-49 judged by the 2020 edition; zinc missing from an
// old table.
Report WithAssessment(bool period) {
  const Intakes intakes = {{"ENERC_KCAL", {1900.2}}, {"PROT", {61.26, true}},
                           {"FAT", {50}},            {"CHOCDF", {260}},
                           {"FE", {5.04, false, true}}, {"NACL_EQ", {9.14}},
                           {"FIB", {20}},            {"THIA", {0.876}},
                           {"VITA_RAE", {3000}}};
  const Assessment a = Assess(
      intakes, ResolveReference(Adult(Sex::Female, 30, 49, ReferenceChoice::Edition2020),
                                BundledReferenceSets()));
  Report r = TwoDays();
  r.assessment = MakeAssessmentSection(a, period);
  return r;
}

}  // namespace

// Every cell as the window shows it: intakes in the nutrient's decimals with
// their marks, the reference figures as the tables write them, the goal as a
// bound or a range, no value as no value (never 0), and the notes under it.
TEST(AssessmentReport, RowsAndNotesOfADay) {
  const ReportAssessment a = *WithAssessment(false).assessment;
  ASSERT_EQ(a.rows.size(), kAssessedNutrients.size());
  const ReportAssessmentRow& energy = RowOf(a, "エネルギー（kcal）");
  EXPECT_EQ(Shown(energy.cells[0]), "1900");
  EXPECT_EQ(Shown(energy.cells[4]), "2050（必要量）");  // the estimated requirement, as the window has it
  EXPECT_EQ(energy.symbol + energy.judgement, "○充足");
  EXPECT_EQ(Shown(RowOf(a, "たんぱく質（g）").cells[0]), "61.3＊");
  const ReportAssessmentRow& iron = RowOf(a, "鉄（mg）");
  EXPECT_EQ(Shown(iron.cells[0]), "5.0※");
  EXPECT_EQ(Shown(iron.cells[1]), "9");  // EAR with menstruation
  EXPECT_EQ(Shown(iron.cells[2]), "10.5");
  EXPECT_EQ(iron.judgement, "不足の可能性が高い");
  EXPECT_EQ(Shown(RowOf(a, "ビタミンB1（mg）").cells[0]), "0.88");
  const ReportAssessmentRow& salt = RowOf(a, "食塩相当量（g）");
  EXPECT_EQ(Shown(salt.cells[4]), "6.5未満");
  EXPECT_EQ(salt.symbol + salt.judgement, "△目標量の範囲外");
  EXPECT_EQ(Shown(RowOf(a, "食物繊維（g）").cells[4]), "18以上");
  EXPECT_EQ(Shown(RowOf(a, "脂質エネルギー比（%E）").cells[4]), "20～30");
  const ReportAssessmentRow& vitaminA = RowOf(a, "ビタミンA（µgRAE）");
  EXPECT_EQ(Shown(vitaminA.cells[5]), "2700");
  EXPECT_EQ(vitaminA.symbol, "▲");
  const ReportAssessmentRow& zinc = RowOf(a, "亜鉛（mg）");
  EXPECT_EQ(Shown(zinc.cells[0]), "");
  EXPECT_EQ(zinc.judgement, "判定できない");
  EXPECT_EQ(zinc.note, "食品成分表にこの成分がありません");
  EXPECT_EQ(a.notes.front(), "基準：厚生労働省「日本人の食事摂取基準（2020年版）」");
  for (const char* note : {"※ 成分値のない食品（0として計算）を含む　＊ 推定値を含む",
                           "エネルギーの過不足は体重の変化で評価します（推定エネルギー必要量は目安です）"})
    EXPECT_NE(std::find(a.notes.begin(), a.notes.end(), note), a.notes.end()) << note;
  EXPECT_EQ(std::find(a.notes.begin(), a.notes.end(), std::string(kHabitualIntakeNote)), a.notes.end());
  EXPECT_EQ(std::find(a.notes.begin(), a.notes.end(), "† 2020年版の値"), a.notes.end());

  // A period says the mean is the habitual intake; an adult judged by the
  // current edition marks the figures of 2020 that stand in.
  const Assessment current = Assess(
      {{"NE", {16}}}, ResolveReference(Adult(Sex::Male, 18, 29, ReferenceChoice::Current),
                                       BundledReferenceSets()));
  const ReportAssessment c = MakeAssessmentSection(current, true);
  EXPECT_EQ(Shown(RowOf(c, "ナイアシン（mgNE）").cells[2]), "15†");
  EXPECT_EQ(Shown(RowOf(c, "ビタミンB1（mg）").cells[2]), "1.1");
  for (const std::string& note : {std::string("† 2020年版の値"), std::string(kHabitualIntakeNote)})
    EXPECT_NE(std::find(c.notes.begin(), c.notes.end(), note), c.notes.end()) << note;
}

// The CSV carries the section after the figures; the workbook a second sheet
// with the intakes as numbers and the judgements in their colours.
TEST(AssessmentReport, CsvAndWorkbook) {
  const Report r = WithAssessment(true);
  const std::string csv = ReportCsv(r);
  for (const char* line :
       {"\r\n\r\n栄養評価\r\n栄養素,摂取量,推定平均必要量,推奨量,目安量,目標量,耐容上限量,判定,備考\r\n"
        "エネルギー（kcal）,1900,,,,2050（必要量）,,○ 充足,エネルギーの過不足は",
        "\r\n鉄（mg）,5.0※,9,10.5,,,40,▼ 不足の可能性が高い,\r\n",
        "\r\n亜鉛（mg）,,7,8,,,35,－ 判定できない,食品成分表にこの成分がありません\r\n",
        "\r\n期間中の1日あたり平均摂取量を習慣的な摂取量として評価しています\r\n\r\n期間の栄養分析\r\n"})
    EXPECT_NE(csv.find(line), std::string::npos) << line << "\n" << csv;

  const std::string path = ::testing::TempDir() + "/assessed.xlsx";
  std::string error;
  ASSERT_TRUE(WriteReportXlsx(r, path, error)) << error;
  const std::string sheet = ZipEntry(path, "xl/worksheets/sheet2.xml");
  for (const char* v : {"<v>1900</v>", "<v>2050</v>", "<v>5</v>", "<v>10.5</v>"})
    EXPECT_NE(sheet.find(v), std::string::npos) << v << "\n" << sheet;
  EXPECT_NE(ZipEntry(path, "xl/workbook.xml").find("name=\"栄養評価\""), std::string::npos);
  const std::string styles = ZipEntry(path, "xl/styles.xml");
  for (const char* s : {"formatCode=\"0.0&quot;※&quot;\"", "formatCode=\"0.0&quot;未満&quot;\"",
                        "rgb=\"FFC62828\""})
    EXPECT_NE(styles.find(s), std::string::npos) << s;
  std::remove(path.c_str());
}
