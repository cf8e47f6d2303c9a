// The report pages as PDFs, read back with poppler: the period report's A4
// page, its texts and the chart's blue outline; the order sheet's pages; the
// month's menu on one landscape page.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "gui/menu_page.h"
#include "gui/order_page.h"
#include "gui/report_page.h"
#include "nutrition/assessment.h"
#include "reports/assessment_report.h"

namespace {

eiyou::ReportCell N(const char* number, const char* words = "", const char* mark = "") {
  return {number, words, mark};
}

eiyou::Report DayReport() {
  eiyou::Report r;
  r.title = "食事の栄養分析";
  r.heading = {"日付: 2026-12-08", "性別: 女", "年齢区分: 18～29歳"};
  r.columns = {{"エネルギー", "kcal"}, {"たんぱく質", "g"}, {"食塩相当量", "g"}};
  r.days = {{"2026-12-08", {N("1750"), N("61.5", "", "＊"), N("8.2")}}};
  r.reference = {"基準値", {N("2000"), N("50"), N("6.5", "未満")}};
  r.percent = {"割合(%)", {N("88"), N("123"), N("126")}};
  r.marksLegend = "※ 成分値のない食品（0として計算）を含む　＊ 推定値を含む";
  r.sources = {"文部科学省「日本食品標準成分表（八訂）増補2023年」"};
  return r;
}

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("<failed>");
  return QString::fromUtf8(p.readAllStandardOutput());
}

// A chart of `totals` against the same targets in both tests.
eiyou::ReportChart Chart(const std::array<std::int32_t, eiyou::kNutrients>& totals) {
  eiyou::ReportChart chart;
  chart.shown = true;
  chart.totals.value = totals;
  chart.targets.EnergyTarget = 2000;
  chart.targets.other = {500, 500, 600, 100, 2000, 100, 120, 100};
  return chart;
}

// The PDF's page at 40 dpi.
QImage Page(const QString& pdf) {
  Run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"),
                                   QStringLiteral("-singlefile"), pdf, pdf});
  return QImage(pdf + QStringLiteral(".png"));
}

// A month of 23 serving days (22 weekdays and a Saturday), five dishes a day
// with names too long for a cell, allergens contained and possibly contained.
eiyou::MonthlyMenu FullMonth() {
  eiyou::MonthlyMenu m;
  m.facility = "みどり市立第一学校給食センター";
  m.year = 2026;
  m.month = 6;
  m.group = "中学年";
  for (int d = 1; d <= 30; ++d) {
    const QDate date(2026, 6, d);
    if (date.dayOfWeek() > 5 && d != 13) continue;
    m.days.push_back({date.toString(Qt::ISODate).toStdString(),
                      {"ごはん", "牛乳", "さばのみそ煮と季節の野菜の炊き合わせ（しょうが風味）",
                       "豆腐とわかめと油揚げのみそ汁", "ほうれんそうとにんじんのごまあえ"},
                      "612", "24.3", "2.1", "小麦・乳・さば・大豆・ごま", d % 2 ? "えび・かに" : ""});
  }
  m.referenceName = "学校給食摂取基準（中学年）";
  m.averages = {{"エネルギー（kcal）", "612", "650", "やや少なめ"},
                {"たんぱく質（g）", "24.3", "22～33", "基準の範囲内"},
                {"食塩相当量（g）", "2.1", "2.0未満", "やや多め"}};
  m.notes = "献立は都合により変わることがあります。\n牛乳は毎日つきます。";
  m.sources = {"食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」",
               "基準: 学校給食実施基準（令和3年）"};
  return m;
}

bool Blue(const QColor& c) { return c.blue() > 200 && c.red() < 100 && c.green() < 100; }

}  // namespace

class ReportPdfTest : public QObject {
  Q_OBJECT
 private slots:
  void aReportIsOnePageWithItsTextsAndChart() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QVERIFY2(eiyou::WriteReportPdf(
                 DayReport(), Chart({1750, 615, 500, 600, 100, 2000, 100, 120, 100}), pdf, error),
             qPrintable(error));
    QVERIFY(!QFile::exists(pdf + QStringLiteral(".part")));

    QVERIFY(Run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression("Pages:\\s+1\\n")));
    const QString text = Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (const char* expected : {"食事の栄養分析", "29歳", "基準値", "1750", "123", "61.5＊",
                                 "6.5未満", "推定値を含む", "日本食品標準成分表", "ビタミンＣ"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);

    const QImage page = Page(pdf);
    QVERIFY(!page.isNull());
    int blue = 0, green = 0;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, y);
        if (Blue(c)) ++blue;
        if (c.green() > 90 && c.red() < 80 && c.blue() < 80) ++green;
      }
    QVERIFY2(blue > 30 && green > 30, qPrintable(QStringLiteral("%1 %2").arg(blue).arg(green)));
  }

  // Three times the energy and calcium targets reach far beyond the chart: the
  // outline stops at the chart's square instead of running over the table
  // beside it and the title above.
  void anOutlineAboveTheTargetsStopsAtTheChartsEdge() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("over.pdf"));
    QString error;
    QVERIFY2(eiyou::WriteReportPdf(DayReport(), Chart({6000, 250, 250, 1800, 50, 1000, 50, 60, 50}),
                                   pdf, error),
             qPrintable(error));
    const QImage page = Page(pdf);
    QVERIFY(!page.isNull());
    const double mm = page.width() / 210.0;  // the chart spans 15 to 110 mm across
    int inside = 0, outside = 0;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x)
        if (Blue(page.pixelColor(x, y))) ++(x > 14 * mm && x < 111 * mm ? inside : outside);
    QVERIFY2(inside > 30 && outside == 0, qPrintable(QStringLiteral("%1 %2").arg(inside).arg(outside)));
  }

  // The assessment on a second page: its rows and notes, the symbols in
  // their colours.
  void theAssessmentFollowsOnASecondPage() {
    eiyou::Profile woman;
    woman.reference = eiyou::ReferenceChoice::Edition2020;
    const eiyou::Assessment a =
        eiyou::Assess({{"ENERC_KCAL", {1750}}, {"PROT", {61.5, true}}, {"FE", {5, false, true}},
                       {"NACL_EQ", {8.2}}, {"VITA_RAE", {3000}}},
                      eiyou::ResolveReference(woman, eiyou::BundledReferenceSets()));
    eiyou::Report report = DayReport();
    report.assessment = eiyou::MakeAssessmentSection(a, false);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
    const QString pdf = dir.filePath(QStringLiteral("assessed.pdf"));
    QString error;
    QVERIFY2(eiyou::WriteReportPdf(report, Chart({1750, 615, 500, 600, 100, 2000, 100, 120, 100}),
                                   pdf, error),
             qPrintable(error));
    QVERIFY(Run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression("Pages:\\s+2\\n")));
    const QString text = Run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-f"), QStringLiteral("2"), pdf, QStringLiteral("-")});
    for (const char* expected :
         {"栄養評価", "推定平均", "耐容上限量", "5.0※", "10.5", "6.5未満", "不足の可能性が高い",
          "過剰のおそれ", "亜鉛、", "計算できません", "日本人の食事摂取基準（2020年版）",
          "体重の変化"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    Run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                     QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-singlefile"),
                                     pdf, pdf + QStringLiteral("2")});
    const QImage page(pdf + QStringLiteral("2.png"));
    QVERIFY(!page.isNull());
    int red = 0, purple = 0;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 90 && c.blue() < 90) ++red;        // ▼
        if (c.red() > 70 && c.blue() > 110 && c.green() < 70) ++purple;     // ▲
      }
    QVERIFY2(red > 3 && purple > 3, qPrintable(QStringLiteral("%1 %2").arg(red).arg(purple)));
  }

  // Enough lines for several pages: each repeats the column headings and
  // counts itself out of all; the notes end the last.
  void theOrderSheetRunsOverPortraitPagesWithHeadingsAndNumbers() {
    eiyou::OrderSheet sheet;
    sheet.from = "2026-06-01";
    sheet.to = "2026-06-05";
    sheet.groups = {"低学年", "高学年"};
    for (int d = 1; d <= 5; ++d)
      for (int f = 0; f < 30; ++f)
        sheet.lines.push_back({"2026-06-0" + std::to_string(d), f < 10 ? "やまだ青果" : "", 6, 6001 + f,
                               "\x82\xBD\x82\xDC\x82\xCB\x82\xAC", 1234450, 6, 1313245});
    const eiyou::OrderReport report = eiyou::MakeOrderReport(sheet, {"第一給食センター", ""}, "");
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
    const QString pdf = dir.filePath(QStringLiteral("order.pdf"));
    QString error;
    QVERIFY2(eiyou::WriteOrderSheetPdf(report, pdf, error), qPrintable(error));
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QStringLiteral("595 x 842 pts (A4)")), qPrintable(info));
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    const int count = pages.captured(1).toInt();
    QVERIFY2(count >= 3, qPrintable(info));
    for (int p = 1; p <= count; ++p) {
      const QString text = Run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(p),
                                                             QStringLiteral("-l"), QString::number(p), pdf,
                                                             QStringLiteral("-")});
      QVERIFY2(text.contains(QString::fromUtf8("食品名")) && text.contains(QRegularExpression(QStringLiteral("%1\\s*/\\s*%2").arg(p).arg(count))),
               qPrintable(text));
      if (p == 1) QVERIFY(text.contains(QString::fromUtf8("第一給食センター")));
      if (p == count) QVERIFY(text.contains(QString::fromUtf8("切り上げ")));
    }
  }

  // One landscape page whatever the month holds; the calendar gains 土 for a
  // served Saturday; "may contain" printed as such.
  void theMonthlyMenuIsOneLandscapePage() {
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
    const QString pdf = dir.filePath(QStringLiteral("menu.pdf"));
    QString error;
    QVERIFY2(eiyou::WriteMonthlyMenuPdf(FullMonth(), pdf, error), qPrintable(error));
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))) &&
                 info.contains(QStringLiteral("842 x 595 pts (A4)")),
             qPrintable(info));
    const QString text = Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (const char* expected : {"6月の献立表", "みどり市立第一学校給食センター", "土", "含む可能性: えび・かに",
                                 "学校給食摂取基準（中学年）", "やや多め", "牛乳は毎日つきます。"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    if (!qEnvironmentVariableIsEmpty("KEEP_PDF")) qInfo() << "kept" << pdf;
  }

  void aFolderThatCannotBeWrittenGivesAMessage() {
    QString error;
    QVERIFY(!eiyou::WriteReportPdf(DayReport(), {}, QStringLiteral("/nonexistent/r.pdf"), error));
    QVERIFY(error.contains(QString::fromUtf8("作成できません")));
  }
};

QTEST_MAIN(ReportPdfTest)
#include "test_report_pdf.moc"
