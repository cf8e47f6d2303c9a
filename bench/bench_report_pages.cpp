// The facility's printed pages and files: the month's menu as a PDF beside an
// empty A4 page written the same way, and a month's order sheet as CSV and
// workbook beside writing the CSV's bytes alone.
#include <benchmark/benchmark.h>

#include <QDate>
#include <QDir>
#include <fstream>

#include "bench_data.h"
#include "bench_report.h"
#include "gui/menu_page.h"
#include "gui/pdf_file.h"
#include "reports/order_report.h"

namespace {

using eiyou::bench::Goal;

// 22 weekdays of June 2026, five dishes a day with long names, allergens of
// both kinds.
eiyou::MonthlyMenu FullMonth() {
  eiyou::MonthlyMenu m;
  m.facility = "みどり市立第一学校給食センター";
  m.year = 2026;
  m.month = 6;
  m.group = "中学年";
  for (int d = 1; d <= 30; ++d) {
    const QDate date(2026, 6, d);
    if (date.dayOfWeek() > 5) continue;
    m.days.push_back({date.toString(Qt::ISODate).toStdString(),
                      {"麦ごはん（国産大麦入り）", "牛乳", "さばのみそ煮と季節の野菜の炊き合わせ（しょうが風味）",
                       "豆腐とわかめと油揚げのみそ汁", "ほうれんそうとにんじんともやしのごまあえ"},
                      "612", "24.3", "2.1", "小麦・乳・さば・大豆・ごま", "えび・かに"});
  }
  m.referenceName = "学校給食摂取基準（中学年）";
  m.averages = {{"エネルギー（kcal）", "612", "650", "やや少なめ"},
                {"たんぱく質（g）", "24.3", "22～33", "基準の範囲内"},
                {"食塩相当量（g）", "2.1", "2.0未満", "やや多め"}};
  m.notes = "献立は都合により変わることがあります。\n牛乳は毎日つきます。";
  m.sources = {"食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」"};
  return m;
}

void BM_MonthlyMenuPdf(benchmark::State& state) {
  const eiyou::bench::ScratchDir dir;
  const eiyou::MonthlyMenu menu = FullMonth();
  const QString path = QString::fromStdString(dir.Path("menu.pdf"));
  QString error;
  for (auto _ : state)
    if (!eiyou::WriteMonthlyMenuPdf(menu, path, error)) state.SkipWithError("not written");
}
BENCHMARK(BM_MonthlyMenuPdf)->Unit(benchmark::kMillisecond);

// Floor: an A4 landscape PDF with nothing painted on its page.
void BM_EmptyA4Pdf(benchmark::State& state) {
  const eiyou::bench::ScratchDir dir;
  const QString path = QString::fromStdString(dir.Path("empty.pdf"));
  QString error;
  for (auto _ : state)
    if (!eiyou::WriteA4Pdf(path, QStringLiteral("empty"), QPageLayout::Landscape,
                           [](QPainter&, QPagedPaintDevice&) {}, error))
      state.SkipWithError("not written");
}
BENCHMARK(BM_EmptyA4Pdf)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"monthly menu PDF, 22 days of 5 dishes", "BM_MonthlyMenuPdf", "BM_EmptyA4Pdf",
                     Goal::SecondsAtMost(1)});

// A month's deliveries: 22 dates of 60 foods, a third with a supplier.
eiyou::OrderSheet MonthOfOrders() {
  eiyou::OrderSheet sheet;
  sheet.from = "2026-06-01";
  sheet.to = "2026-06-30";
  sheet.groups = {"幼児", "低学年", "中学年", "高学年", "中学生", "教職員"};
  for (int d = 1; d <= 22; ++d)
    for (int f = 0; f < 60; ++f)
      sheet.lines.push_back({"2026-06-" + std::to_string(10 + d), f < 20 ? "やまだ青果" : "", 6, 6001 + f,
                             "\x82\xBD\x82\xDC\x82\xCB\x82\xAC", 12345678 + f, 6, 13133700 + f});
  return sheet;
}

void BM_OrderSheetFiles(benchmark::State& state) {
  const eiyou::bench::ScratchDir dir;
  const eiyou::OrderSheet sheet = MonthOfOrders();
  std::string error;
  for (auto _ : state) {
    const eiyou::OrderReport report = eiyou::MakeOrderReport(sheet, {"第一給食センター", ""}, "");
    std::ofstream(dir.Path("order.csv"), std::ios::binary) << eiyou::OrderSheetCsv(report);
    if (!eiyou::WriteOrderSheetXlsx(report, dir.Path("order.xlsx"), error)) state.SkipWithError("not written");
  }
}
BENCHMARK(BM_OrderSheetFiles)->Unit(benchmark::kMillisecond);

// Floor: the same CSV's bytes written to a file.
void BM_OrderSheetFiles_Floor(benchmark::State& state) {
  const eiyou::bench::ScratchDir dir;
  const std::string bytes = eiyou::OrderSheetCsv(eiyou::MakeOrderReport(MonthOfOrders(), {}, ""));
  for (auto _ : state) std::ofstream(dir.Path("order.csv"), std::ios::binary) << bytes;
}
BENCHMARK(BM_OrderSheetFiles_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"order sheet of a month, CSV and workbook, 1320 lines", "BM_OrderSheetFiles",
                     "BM_OrderSheetFiles_Floor", Goal::None()});

}  // namespace
