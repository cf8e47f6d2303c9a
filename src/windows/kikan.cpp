#include "kikan.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <ctime>
#include <iterator>

#include "gui/accessible.h"
#include "gui/controls.h"
#include "gui/figure_cells.h"
#include "gui/image_canvas.h"
#include "gui/messages.h"
#include "gui/report_actions.h"
#include "gui/text.h"
#include "hyouka.h"
#include "sessions/period_session.h"

using eiyou::ChosenItem;
using eiyou::MakeButton;
using eiyou::MakeChoiceBox;
using eiyou::MakeLabel;
using eiyou::U;

namespace {

constexpr int kClientWidth = 1134;
constexpr int kClientHeight = 640;
// The tables to the right of the chart area.
constexpr int kTablesLeft = 648;
constexpr int kTablesWidth = 470;

QDateEdit* MakeDateEdit(QWidget* parent, const char* name, const QDate& date, const char* hint,
                        const QRect& place) {
  auto* edit = new QDateEdit(date, parent);
  edit->setObjectName(QString::fromUtf8(name));
  edit->setCalendarPopup(true);
  // The day plans' own form of a date, as the day table lists them.
  edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  edit->setToolTip(U(hint));
  edit->setGeometry(place);
  return edit;
}

QDate DateOf(const std::string& text, const QDate& otherwise) {
  const QDate date = QDate::fromString(U(text), Qt::ISODate);
  return date.isValid() ? date : otherwise;
}

std::string DateText(const QDateEdit* edit) {
  return eiyou::Utf8Of(edit->date().toString(Qt::ISODate));
}

QTableWidgetItem* Cell(const std::string& text, bool number) {
  auto* item = new QTableWidgetItem(U(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  return item;
}

}  // namespace

PeriodWindow::PeriodWindow(eiyou::PeriodSession& session, QWidget* parent)
    : ChartDialog(parent), session_(session) {
  resize(kClientWidth, kClientHeight);
  setObjectName("PeriodWindow");
  setWindowTitle(U("期間の栄養分析"));

  // The top band, as in the daily window: the choices and the buttons.
  auto* panel = eiyou::MakePanel(this, "Panel1", QRect(0, 0, kClientWidth, 49));
  const QDate today = QDate::currentDate();
  MakeLabel(panel, "FromLabel", U("期間"), 16, 16);
  FromDate = MakeDateEdit(panel, "FromDate", DateOf(session_.from(), today.addDays(-6)),
                          "期間の最初の日を選択します", QRect(56, 12, 120, 26));
  MakeLabel(panel, "ToLabel", U("～"), 182, 16);
  ToDate = MakeDateEdit(panel, "ToDate", DateOf(session_.to(), today), "期間の最後の日を選択します",
                        QRect(202, 12, 120, 26));
  MakeLabel(panel, "SexLabel", U("性別"), 340, 16);
  SexBox = MakeChoiceBox(panel, "SexBox", eiyou::Utf8Items(eiyou::kSexItems), "性別を選択します",
                         QRect(376, 12, 60, 26), this, &PeriodWindow::SexBoxChange);
  MakeLabel(panel, "AgeLabel", U("年齢区分"), 452, 16);
  AgeBox = MakeChoiceBox(panel, "AgeBox", eiyou::Utf8Items(eiyou::kAgeClassItems),
                         "年齢区分を選択します", QRect(516, 12, 120, 26), this,
                         &PeriodWindow::AgeBoxChange);
  // The choices of this run, set after the boxes' handlers are bound: they
  // store the same values again.
  const int sex = session_.sex(), age = session_.ageRow();
  if (sex == 0 || sex == 1) SexBox->setCurrentIndex(sex);
  if (age >= 1 && age <= AgeBox->count()) AgeBox->setCurrentIndex(age - 1);
  QPushButton* showButton =
      MakeButton(panel, "ShowButton", "表示", "保存した日別献立から期間の平均を求めて表示します",
                 QRect(kTablesLeft, 8, 89, 33), this, &PeriodWindow::ShowButtonClick);
  QPushButton* closeButton =
      MakeButton(panel, "CloseButton", "閉じる", "期間の栄養分析を終了します",
                 QRect(kClientWidth - 105, 8, 89, 33), this, &PeriodWindow::CloseButtonClick);

  // The reports, in the column where the daily window lists its figures.
  MakeLabel(this, "ReportLabel", U("レポート"), 16, 64);
  PdfButton = MakeButton(this, "PdfButton", "PDFに保存", "期間の栄養分析をPDFファイルに保存します",
                         QRect(16, 88, 120, 33), this, &PeriodWindow::PdfButtonClick);
  CsvButton =
      MakeButton(this, "CsvButton", "CSVに保存", "日ごとの成分値と平均をCSVファイルに保存します",
                 QRect(16, 128, 120, 33), this, &PeriodWindow::CsvButtonClick);
  XlsxButton =
      MakeButton(this, "XlsxButton", "Excelに保存", "日ごとの成分値と平均をExcelブックに保存します",
                 QRect(16, 168, 120, 33), this, &PeriodWindow::XlsxButtonClick);
  PreviewButton = MakeButton(this, "PreviewButton", "印刷プレビュー",
                             "レポートを印刷プレビューで表示し、印刷します",
                             QRect(16, 208, 120, 33), this, &PeriodWindow::PreviewButtonClick);
  AssessmentButton = MakeButton(this, "AssessmentButton", "栄養評価",
                                "期間の1日あたり平均を習慣的な摂取量として食事摂取基準で評価します",
                                QRect(16, 256, 120, 33), this, &PeriodWindow::AssessmentButtonClick);
  AssessmentButton->setVisible(session_.assessment != nullptr);

  // Marks the chart area only; the chart is drawn on the window's own surface.
  eiyou::MakeDailyChartArea(this, "ChartArea", U("期間平均"), "ChartCaption");

  eiyou::MakeMarksLegend(this, 152, 546);

  // To the right of the chart: the average against the reference, then the days.
  MakeLabel(this, "FigureCaption", U("期間平均（1日あたり）と基準値（日本人の食事摂取基準 2020年版）"), kTablesLeft, 56);
  FigureTable =
      eiyou::MakeFigureTableWidget(this, "PeriodFigureTable", {"平均", "基準値", "割合(%)"});
  // As tall as its eleven rows; the days take the rest of the height.
  const int figureHeight = FigureTable->horizontalHeader()->sizeHint().height() +
                           FigureTable->verticalHeader()->length() + 2 * FigureTable->frameWidth();
  FigureTable->setGeometry(kTablesLeft, 78, kTablesWidth, figureHeight);
  const int daysTop = 78 + figureHeight + 12;
  DayCount = MakeLabel(this, "DayCount", U("献立のある日"), kTablesLeft, daysTop);
  QStringList dayColumns = {U("日付")};
  for (const eiyou::PeriodDayColumn& c : eiyou::kPeriodDayColumns) dayColumns << U(c.heading);
  DayTable = new QTableWidget(0, static_cast<int>(dayColumns.size()), this);
  DayTable->setObjectName("DayTable");
  DayTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DayTable->setSelectionMode(QAbstractItemView::SingleSelection);
  DayTable->setTabKeyNavigation(false);
  DayTable->verticalHeader()->hide();
  DayTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // The date as wide as it is, the four figures sharing the rest.
  DayTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  DayTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  DayTable->setHorizontalHeaderLabels(dayColumns);
  DayTable->setGeometry(kTablesLeft, daysTop + 22, kTablesWidth, kClientHeight - 16 - daysTop - 22);

  eiyou::NameControls(this, {{"PeriodWindow", "期間の栄養分析"},
                             {"FromDate", "期間の最初の日"},
                             {"ToDate", "期間の最後の日"},
                             {"SexBox", "性別"},
                             {"AgeBox", "年齢区分"},
                             {"ShowButton", "表示"},
                             {"CloseButton", "閉じる"},
                             {"PdfButton", "PDFに保存"},
                             {"CsvButton", "CSVに保存"},
                             {"XlsxButton", "Excelに保存"},
                             {"PreviewButton", "印刷プレビュー"},
                             {"AssessmentButton", "栄養評価"},
                             {"ChartArea", "期間平均のレーダーチャート"},
                             {"PeriodFigureTable", "期間平均の成分値の表"},
                             {"DayTable", "献立のある日の成分値の表"}});
  // Tab follows the reading order: the band, the tables, then the reports.
  setTabOrder(FromDate, ToDate);
  setTabOrder(ToDate, SexBox);
  setTabOrder(SexBox, AgeBox);
  setTabOrder(AgeBox, showButton);
  setTabOrder(showButton, closeButton);
  setTabOrder(closeButton, FigureTable);
  setTabOrder(FigureTable, DayTable);
  setTabOrder(DayTable, PdfButton);
  setTabOrder(PdfButton, CsvButton);
  setTabOrder(CsvButton, XlsxButton);
  setTabOrder(XlsxButton, PreviewButton);
  setTabOrder(PreviewButton, AssessmentButton);

  ShowPeriod();
}

void PeriodWindow::Open(eiyou::PeriodSession& session, QWidget* parent) {
  PeriodWindow window(session, parent);
  window.exec();
}

void PeriodWindow::SexBoxChange() { session_.ChooseSex(ChosenItem(SexBox)); }

void PeriodWindow::AgeBoxChange() { session_.ChooseAge(ChosenItem(AgeBox) + 1); }

void PeriodWindow::ShowButtonClick() {
  eiyou::Guarded(this, [&] {
    eiyou::BoxMessageSink sink(this);
    session_.ShowInDataFolder(sink, DateText(FromDate), DateText(ToDate), std::time(nullptr));
  });
  // Also after an unreadable table: what was shown before is gone.
  ShowPeriod();
}

void PeriodWindow::ShowPeriod() {
  const bool shown = session_.HasPeriod();

  const std::vector<eiyou::PeriodDayRow> days = session_.DayRows();
  DayTable->setRowCount(static_cast<int>(days.size()));
  for (int r = 0; r < static_cast<int>(days.size()); ++r) {
    const eiyou::PeriodDayRow& day = days[static_cast<std::size_t>(r)];
    const std::string* texts[] = {&day.date, &day.energy, &day.protein, &day.fat, &day.salt};
    for (int c = 0; c < static_cast<int>(std::size(texts)); ++c)
      DayTable->setItem(r, c, Cell(*texts[c], c > 0));
  }
  DayCount->setText(shown ? U("献立のある日：") + QString::number(days.size()) + U("日")
                          : U("献立のある日"));
  DayCount->adjustSize();

  if (shown) {
    const eiyou::FigureTableRows rows = session_.Figures();
    for (int r = 0; r < eiyou::kFigureRows; ++r) {
      const eiyou::FigureTableRow& row = rows[static_cast<std::size_t>(r)];
      eiyou::SetFigureCell(FigureTable, r, 0, row.chosen);
      eiyou::SetFigureCell(FigureTable, r, 1, row.reference);
      eiyou::SetFigureCell(FigureTable, r, 2, row.percent);
    }
  } else {
    FigureTable->clearContents();
  }

  // A new period replaces the old chart whole, wherever its outline reached.
  surface().fill(eiyou::ButtonFace());
  if (shown) {
    eiyou::ImageCanvas canvas(surface());
    session_.DrawChart(canvas);
  }
  surfaceChanged();

  for (QPushButton* b : {PdfButton, CsvButton, XlsxButton, PreviewButton, AssessmentButton})
    b->setEnabled(shown);
  // An open assessment follows the period shown, and goes with it.
  if (auto* assessment = findChild<AssessmentWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (shown && assessment->isVisible()) assessment->ShowAssessment();
    if (!shown) assessment->close();
  }
}

eiyou::Report PeriodWindow::PeriodReport() const {
  const int sex = session_.shownSex(), age = session_.shownAge();
  return session_.MakeReport(sex == 0 || sex == 1 ? eiyou::kSexItems[sex] : "",
                             age >= 1 && age <= static_cast<int>(std::size(eiyou::kAgeClassItems))
                                 ? eiyou::kAgeClassItems[age - 1]
                                 : "",
                             session_.assessment ? std::optional(session_.Assessed().assessment)
                                                 : std::nullopt);
}

void PeriodWindow::Save(eiyou::ReportFormat format) {
  if (!session_.HasPeriod()) return;
  eiyou::SaveReport(this, PeriodReport(), session_.MakeReportChart(), format, U(session_.ReportBaseName()));
}

void PeriodWindow::PdfButtonClick() { Save(eiyou::ReportFormat::Pdf); }
void PeriodWindow::CsvButtonClick() { Save(eiyou::ReportFormat::Csv); }
void PeriodWindow::XlsxButtonClick() { Save(eiyou::ReportFormat::Xlsx); }

void PeriodWindow::PreviewButtonClick() {
  if (!session_.HasPeriod()) return;
  eiyou::PreviewReport(this, PeriodReport(), session_.MakeReportChart());
}

void PeriodWindow::AssessmentButtonClick() {
  if (!session_.HasPeriod() || !session_.assessment) return;
  AssessmentWindow::Open(this, *session_.assessment, [this] { return session_.Assessed(); });
}

void PeriodWindow::CloseButtonClick() { reject(); }
