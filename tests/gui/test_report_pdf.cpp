// The report page as a PDF, read back with poppler: one A4 page, its texts,
// and the chart's blue outline on it.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

  void aFolderThatCannotBeWrittenGivesAMessage() {
    QString error;
    QVERIFY(!eiyou::WriteReportPdf(DayReport(), {}, QStringLiteral("/nonexistent/r.pdf"), error));
    QVERIFY(error.contains(QString::fromUtf8("作成できません")));
  }
};

QTEST_MAIN(ReportPdfTest)
#include "test_report_pdf.moc"
