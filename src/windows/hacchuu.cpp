#include "hacchuu.h"

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/order_page.h"
#include "gui/printing.h"
#include "gui/text.h"
#include "reports/order_report.h"
#include "sessions/facility_session.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tanka.h"

using eiyou::U;

namespace {

// The order table shows these of the sheet's columns (kOrderColumns).
constexpr const char* kOrderHeadings[] = {"納品日",      "業者",       "食品群",    "食品名",
                                          "純使用量(g)", "廃棄率(%)", "使用量(g)", "使用量(kg)"};
const QColor kRed(0xC0, 0x00, 0x00);

QTableWidget* Table(QWidget* parent, const char* name, const char* accessible, const QStringList& headings) {
  auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setAccessibleName(U(accessible));
  t->setHorizontalHeaderLabels(headings);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->verticalHeader()->hide();
  t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

void SetRow(QTableWidget* t, int row, const std::vector<std::string>& texts, int firstNumber,
            bool bold = false) {
  for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
    auto* item = new QTableWidgetItem(U(texts[static_cast<std::size_t>(c)]));
    if (c >= firstNumber) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (bold) {
      QFont f = item->font();
      f.setBold(true);
      item->setFont(f);
    }
    t->setItem(row, c, item);
  }
}

QDate ThisMonday() {
  const QDate today = QDate::currentDate();
  return today.addDays(1 - today.dayOfWeek());
}

QDateEdit* DateEdit(QWidget* parent, const char* name, const QDate& date, const char* hint) {
  auto* e = new QDateEdit(date, parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setCalendarPopup(true);
  e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  e->setToolTip(U(hint));
  return e;
}

}  // namespace

void OrderSheetWindow::Open(eiyou::FacilitySession& session, QWidget* parent) {
  auto* window = parent ? parent->findChild<OrderSheetWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
  if (!window) {
    window = new OrderSheetWindow(session, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  window->show();
  window->raise();
  window->activateWindow();
}

OrderSheetWindow::OrderSheetWindow(eiyou::FacilitySession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("OrderSheetWindow");
  setWindowTitle(U("発注表・原価"));
  setAccessibleName(U("発注表・原価"));

  // This week, Monday to Friday, until a period is asked for.
  const bool asked = !session_.from().empty();
  FromDate = DateEdit(this, "FromDate", asked ? QDate::fromString(U(session_.from()), Qt::ISODate) : ThisMonday(),
                      "期間の最初の日");
  ToDate = DateEdit(this, "ToDate", asked ? QDate::fromString(U(session_.to()), Qt::ISODate) : ThisMonday().addDays(4),
                    "期間の最後の日");
  GroupList = new QListWidget(this);
  GroupList->setObjectName("GroupList");
  GroupList->setAccessibleName(U("数える喫食グループ"));
  GroupList->setToolTip(U("発注量と原価に数える喫食グループ"));
  GroupList->setMaximumHeight(110);
  QPushButton* show = eiyou::LayoutButton(this, "ShowButton", "表示", "期間の発注表と原価を表示します");
  connect(show, &QPushButton::clicked, this, &OrderSheetWindow::ShowButtonClick);
  auto* period = new QHBoxLayout;
  period->addWidget(new QLabel(U("期間"), this));
  period->addWidget(FromDate);
  period->addWidget(new QLabel(U("～"), this));
  period->addWidget(ToDate);
  period->addSpacing(16);
  period->addWidget(new QLabel(U("喫食グループ"), this));
  period->addWidget(GroupList, 1);
  period->addWidget(show, 0, Qt::AlignTop);

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("SheetTabs");
  QStringList headings;
  for (const char* h : kOrderHeadings) headings << U(h);
  OrderTable = Table(tabs, "OrderTable", "発注表", headings);
  OrderTable->horizontalHeader()->setStretchLastSection(false);
  OrderTable->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
  tabs->addTab(OrderTable, U("発注表"));

  auto* costPage = new QWidget(tabs);
  costPage->setObjectName("CostPage");
  CostTable = Table(costPage, "CostTable", "日ごとの原価",
                    {U("日付"), U("喫食グループ"), U("人数"), U("合計(円)"), U("1人あたり(円)")});
  PeriodCostTable = Table(costPage, "PeriodCostTable", "期間の1人あたり原価",
                          {U("喫食グループ"), U("期間の1人あたり(円)")});
  UnpricedLabel = new QLabel(costPage);
  UnpricedLabel->setObjectName("UnpricedLabel");
  UnpricedLabel->setWordWrap(true);
  QPalette red = UnpricedLabel->palette();
  red.setColor(QPalette::WindowText, kRed);
  UnpricedLabel->setPalette(red);
  UnpricedList = new QListWidget(costPage);
  UnpricedList->setObjectName("UnpricedList");
  UnpricedList->setAccessibleName(U("単価のない食品"));
  PricesButton = eiyou::LayoutButton(costPage, "PricesButton", "単価を入れる…", "単価のない食品に単価を入れます");
  connect(PricesButton, &QPushButton::clicked, this, &OrderSheetWindow::PricesButtonClick);
  auto* right = new QVBoxLayout;
  right->addWidget(PeriodCostTable, 1);
  right->addWidget(UnpricedLabel);
  right->addWidget(UnpricedList, 1);
  right->addWidget(PricesButton, 0, Qt::AlignRight);
  auto* costLayout = new QHBoxLayout(costPage);
  costLayout->addWidget(CostTable, 3);
  costLayout->addLayout(right, 2);
  tabs->addTab(costPage, U("原価"));

  auto* bottom = new QHBoxLayout;
  const auto add = [&](const char* name, const char* caption, const char* hint, void (OrderSheetWindow::*slot)()) {
    QPushButton* b = eiyou::LayoutButton(this, name, caption, hint);
    connect(b, &QPushButton::clicked, this, slot);
    bottom->addWidget(b);
    needsSheet_.push_back(b);
  };
  add("PdfButton", "PDF", "発注表をPDFファイルに保存します", &OrderSheetWindow::PdfButtonClick);
  add("CsvButton", "CSV", "発注表をCSVファイルに保存します", &OrderSheetWindow::CsvButtonClick);
  add("XlsxButton", "Excel", "発注表をExcelブックに保存します", &OrderSheetWindow::XlsxButtonClick);
  add("PreviewButton", "印刷プレビュー", "発注表を印刷前に確認します", &OrderSheetWindow::PreviewButtonClick);
  bottom->addStretch(1);
  QPushButton* close = eiyou::LayoutButton(this, "CloseButton", "閉じる", "この画面を閉じます");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  bottom->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(period);
  layout->addWidget(tabs, 1);
  layout->addLayout(bottom);
  resize(1100, 680);

  if (const std::string problem = session_.Refresh(); !problem.empty()) eiyou::ShowMessage(this, U(problem));
  ShowGroups();
  ShowSheet();
}

void OrderSheetWindow::ShowGroups() {
  GroupList->clear();
  const std::vector<std::int64_t>& chosen = session_.chosenGroups();
  for (const eiyou::EaterGroup& g : session_.groups()) {
    auto* item = new QListWidgetItem(U(g.name + "（" + std::to_string(g.headcount) + "人）"), GroupList);
    item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(g.id));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    // Every group until a choice was made.
    const bool on = session_.from().empty() || std::find(chosen.begin(), chosen.end(), g.id) != chosen.end();
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
}

void OrderSheetWindow::ShowButtonClick() {
  std::vector<std::int64_t> ids;
  for (int i = 0; i < GroupList->count(); ++i)
    if (GroupList->item(i)->checkState() == Qt::Checked) ids.push_back(GroupList->item(i)->data(Qt::UserRole).toLongLong());
  eiyou::Guarded(this, [&] {
    eiyou::BoxMessageSink sink(this);
    session_.BuildSheet(sink, eiyou::Utf8Of(FromDate->date().toString(Qt::ISODate)),
                        eiyou::Utf8Of(ToDate->date().toString(Qt::ISODate)), ids);
  });
  ShowSheet();
}

void OrderSheetWindow::ShowSheet() {
  for (QPushButton* b : needsSheet_) b->setEnabled(session_.HasSheet());
  OrderTable->setRowCount(0);
  CostTable->setRowCount(0);
  PeriodCostTable->setRowCount(0);
  UnpricedList->clear();
  UnpricedLabel->clear();
  PricesButton->setEnabled(false);
  if (!session_.HasSheet()) return;

  const eiyou::OrderReport report = session_.SheetReport();
  OrderTable->setRowCount(static_cast<int>(report.rows.size()));
  for (int r = 0; r < static_cast<int>(report.rows.size()); ++r) {
    const eiyou::OrderReportRow& row = report.rows[static_cast<std::size_t>(r)];
    SetRow(OrderTable, r,
           {row.delivery, row.supplier, row.group, row.subtotal ? "小計" : row.name, row.net, row.refuse,
            row.order, row.orderKg},
           4, row.subtotal);
  }

  const eiyou::CostSummary& cost = session_.cost();
  const auto name = [&](std::int64_t id) {
    const eiyou::EaterGroup* g = session_.Group(id);
    return g ? g->name : std::string("?");
  };
  CostTable->setRowCount(static_cast<int>(cost.days.size()));
  for (int r = 0; r < static_cast<int>(cost.days.size()); ++r) {
    const eiyou::DayCost& d = cost.days[static_cast<std::size_t>(r)];
    // A day with a food unpriced is a part: marked, in red, never a whole.
    const std::string part = d.complete ? "" : "＊";
    SetRow(CostTable, r,
           {d.date, name(d.group), std::to_string(d.headcount), eiyou::YenText(d.totalSen) + part,
            eiyou::YenText(d.perPersonSen) + part},
           2);
    if (!d.complete)
      for (int c = 3; c < 5; ++c) {
        CostTable->item(r, c)->setForeground(kRed);
        CostTable->item(r, c)->setToolTip(U("単価のない食品を除いた額です"));
      }
  }
  PeriodCostTable->setRowCount(static_cast<int>(cost.perPersonPeriodSen.size()));
  for (int r = 0; r < static_cast<int>(cost.perPersonPeriodSen.size()); ++r) {
    const auto& [group, sen] = cost.perPersonPeriodSen[static_cast<std::size_t>(r)];
    SetRow(PeriodCostTable, r, {name(group), eiyou::YenText(sen) + (cost.unpriced.empty() ? "" : "＊")}, 1);
  }
  if (!cost.unpriced.empty()) {
    UnpricedLabel->setText(U("＊ 単価のない食品が " + std::to_string(cost.unpriced.size()) +
                             " 品あります。その分は合計に入っていません。"));
    for (const int food : cost.unpriced) {
      auto* item = new QListWidgetItem(QStringLiteral("%1 ").arg(food, 5, 10, QLatin1Char('0')) +
                                           eiyou::ToQ(session_.FoodName(food)),
                                       UnpricedList);
      item->setForeground(kRed);
    }
    PricesButton->setEnabled(true);
  }
}

void OrderSheetWindow::Save(eiyou::ReportFormat format) {
  if (!session_.HasSheet()) return;
  const char* suffix = format == eiyou::ReportFormat::Csv ? "csv" : format == eiyou::ReportFormat::Xlsx ? "xlsx" : "pdf";
  QFileDialog dialog(this, U("発注表の保存"));
  dialog.setObjectName("ReportFileDialog");
  eiyou::PrepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(format == eiyou::ReportFormat::Csv    ? U("CSVファイル (*.csv)")
                       : format == eiyou::ReportFormat::Xlsx ? U("Excelブック (*.xlsx)")
                                                             : U("PDFファイル (*.pdf)"));
  dialog.setDefaultSuffix(QString::fromLatin1(suffix));
  dialog.setDirectory(U(eiyou::DataDirectory()));
  dialog.selectFile(U(session_.SheetBaseName()) + "." + suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  const std::string file = eiyou::Utf8Of(path);
  const eiyou::OrderReport report = session_.SheetReport();
  std::string error;
  if (format == eiyou::ReportFormat::Csv) {
    if (!eiyou::ReplaceFileContents(file, eiyou::OrderSheetCsv(report))) error = eiyou::WriteFailureMessage(file);
  } else if (format == eiyou::ReportFormat::Xlsx) {
    eiyou::WriteOrderSheetXlsx(report, file, error);
  } else {
    error = SaveOrderSheetPdf(report, file);
  }
  if (!error.empty()) return eiyou::ShowError(this, U(error));
  eiyou::ShowMessage(this, U("保存しました：") + QDir::toNativeSeparators(path));
}

void OrderSheetWindow::PdfButtonClick() { Save(eiyou::ReportFormat::Pdf); }
void OrderSheetWindow::CsvButtonClick() { Save(eiyou::ReportFormat::Csv); }
void OrderSheetWindow::XlsxButtonClick() { Save(eiyou::ReportFormat::Xlsx); }

void OrderSheetWindow::PreviewButtonClick() {
  if (session_.HasSheet()) eiyou::PreviewOrderSheet(this, session_.SheetReport());
}

void OrderSheetWindow::PricesButtonClick() { PriceWindow::Open(session_, this, FromDate->date(), ToDate->date()); }

std::string SaveOrderSheetPdf(const eiyou::OrderReport& report, const std::string& path) {
  QString error;
  return eiyou::WriteOrderSheetPdf(report, U(path), error) ? std::string() : eiyou::Utf8Of(error);
}
