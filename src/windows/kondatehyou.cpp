#include "kondatehyou.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/menu_page.h"
#include "gui/messages.h"
#include "gui/printing.h"
#include "gui/text.h"
#include "nutrition/assessment_table.h"
#include "reports/monthly_menu.h"
#include "sessions/facility_session.h"
#include "sessions/menu_session.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"

using eiyou::U;

namespace {

constexpr const char* kMenuHeadings[] = {"日付",           "曜日",          "献立",
                                         "エネルギー(kcal)", "たんぱく質(g)", "食塩相当量(g)",
                                         "アレルゲン（含む）", "アレルゲン（含む可能性）"};

QTableWidget* Table(QWidget* parent, const char* name, const char* accessible, int columns) {
  auto* t = new QTableWidget(0, columns, parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setAccessibleName(U(accessible));
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->verticalHeader()->hide();
  return t;
}

QTableWidgetItem* Put(QTableWidget* t, int row, int column, const std::string& text, bool number) {
  auto* item = new QTableWidgetItem(U(text));
  item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  t->setItem(row, column, item);
  return item;
}

// 「6月2日」 of "2025-06-02".
QString DayText(const std::string& date) {
  const QDate d = QDate::fromString(U(date), Qt::ISODate);
  return d.isValid() ? U(std::to_string(d.month()) + "月" + std::to_string(d.day()) + "日") : U(date);
}

}  // namespace

void MonthlyMenuWindow::Open(eiyou::MenuSession& session, QWidget* parent) {
  auto* window = parent ? parent->findChild<MonthlyMenuWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
  if (!window) {
    window = new MonthlyMenuWindow(session, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  window->show();
  window->raise();
  window->activateWindow();
}

MonthlyMenuWindow::MonthlyMenuWindow(eiyou::MenuSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("MonthlyMenuWindow");
  setWindowTitle(U("献立表"));
  setAccessibleName(U("献立表"));

  const QDate today = QDate::currentDate();
  MonthEdit = new QDateEdit(QDate(today.year(), today.month(), 1), this);
  MonthEdit->setObjectName("MonthEdit");
  MonthEdit->setDisplayFormat(U("yyyy年M月"));
  MonthEdit->setToolTip(U("献立表を作る月"));
  GroupCombo = new QComboBox(this);
  GroupCombo->setObjectName("GroupCombo");
  GroupCombo->setAccessibleName(U("喫食グループ"));
  GroupCombo->setToolTip(U("献立表の量と基準にする喫食グループ"));
  GroupCombo->setMinimumContentsLength(12);
  QPushButton* show = eiyou::LayoutButton(this, "ShowButton", "表示", "その月の献立表とグループ別の評価を表示します");
  connect(show, &QPushButton::clicked, this, &MonthlyMenuWindow::ShowButtonClick);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(U("月"), this));
  top->addWidget(MonthEdit);
  top->addSpacing(16);
  top->addWidget(new QLabel(U("喫食グループ"), this));
  top->addWidget(GroupCombo);
  top->addWidget(show);
  top->addStretch(1);

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("MenuTabs");
  auto* menuPage = new QWidget(tabs);
  menuPage->setObjectName("MenuPage");
  MenuTable = Table(menuPage, "MenuTable", "献立表", 8);
  QStringList headings;
  for (const char* h : kMenuHeadings) headings << U(h);
  MenuTable->setHorizontalHeaderLabels(headings);
  MenuTable->setWordWrap(true);
  QHeaderView* header = MenuTable->horizontalHeader();
  // The dishes take what is left; the allergens wrap in columns of their own
  // width, so that the whole day shows without scrolling sideways.
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setSectionResizeMode(2, QHeaderView::Stretch);
  for (int c = 6; c < 8; ++c) {
    header->setSectionResizeMode(c, QHeaderView::Interactive);
    MenuTable->setColumnWidth(c, 190);
  }
  // Two lines a day: the seasonings of most days may contain nearly every
  // item, which would make a day as tall as the table. The whole text is the
  // cell's hint.
  MenuTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  MenuTable->verticalHeader()->setDefaultSectionSize(2 * MenuTable->fontMetrics().lineSpacing() + 8);

  AverageLabel = new QLabel(U("今月の平均"), menuPage);
  AverageLabel->setObjectName("AverageLabel");
  AverageLabel->setWordWrap(true);
  AverageTable = Table(menuPage, "AverageTable", "今月の平均", 4);
  AverageTable->setHorizontalHeaderLabels({U(""), U("平均"), U("基準"), U("判定")});
  AverageTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  AverageTable->horizontalHeader()->setStretchLastSection(true);
  AverageTable->setFixedHeight(4 * AverageTable->verticalHeader()->defaultSectionSize() + 6);
  auto* average = new QVBoxLayout;
  average->addWidget(AverageLabel);
  average->addWidget(AverageTable);

  NotesEdit = new QPlainTextEdit(menuPage);
  NotesEdit->setObjectName("NotesEdit");
  NotesEdit->setAccessibleName(U("お知らせ"));
  NotesEdit->setToolTip(U("献立表の下に載せるご家庭へのお知らせ"));
  NotesEdit->setFixedHeight(AverageTable->height());
  QPushButton* saveNotes = eiyou::LayoutButton(menuPage, "SaveNotesButton", "お知らせを保存", "お知らせを施設情報に保存します");
  connect(saveNotes, &QPushButton::clicked, this, &MonthlyMenuWindow::SaveNotesButtonClick);
  auto* notesHead = new QHBoxLayout;
  notesHead->addWidget(new QLabel(U("お知らせ"), menuPage));
  notesHead->addStretch(1);
  notesHead->addWidget(saveNotes);
  auto* notes = new QVBoxLayout;
  notes->addLayout(notesHead);
  notes->addWidget(NotesEdit);
  auto* under = new QHBoxLayout;
  under->addLayout(average, 1);
  under->addLayout(notes, 1);
  auto* menuLayout = new QVBoxLayout(menuPage);
  menuLayout->addWidget(MenuTable, 1);
  menuLayout->addLayout(under);
  tabs->addTab(menuPage, U("献立表"));

  auto* groupPage = new QWidget(tabs);
  groupPage->setObjectName("GroupPage");
  GroupTable = Table(groupPage, "GroupTable", "グループ別の評価", 0);
  GroupTable->verticalHeader()->show();
  EditionsLabel = new QLabel(groupPage);
  EditionsLabel->setObjectName("EditionsLabel");
  EditionsLabel->setWordWrap(true);
  auto* groupLayout = new QVBoxLayout(groupPage);
  groupLayout->addWidget(GroupTable, 1);
  groupLayout->addWidget(EditionsLabel);
  tabs->addTab(groupPage, U("グループ別の評価"));

  auto* bottom = new QHBoxLayout;
  const auto add = [&](const char* name, const char* caption, const char* hint, void (MonthlyMenuWindow::*slot)()) {
    QPushButton* b = eiyou::LayoutButton(this, name, caption, hint);
    connect(b, &QPushButton::clicked, this, slot);
    bottom->addWidget(b);
    needsMenu_.push_back(b);
  };
  add("PdfButton", "PDF", "献立表をPDFファイル（A4横）に保存します", &MonthlyMenuWindow::PdfButtonClick);
  add("CsvButton", "CSV", "献立表をCSVファイルに保存します", &MonthlyMenuWindow::CsvButtonClick);
  add("PreviewButton", "印刷プレビュー", "献立表を印刷前に確認します", &MonthlyMenuWindow::PreviewButtonClick);
  bottom->addStretch(1);
  QPushButton* close = eiyou::LayoutButton(this, "CloseButton", "閉じる", "この画面を閉じます");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  bottom->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(tabs, 1);
  layout->addLayout(bottom);
  resize(1120, 680);

  if (const std::string problem = session_.facility().Refresh(); !problem.empty())
    eiyou::ShowMessage(this, U(problem));
  NotesEdit->setPlainText(U(session_.facility().info().notes));
  ShowGroups();
  ShowMenu();
}

void MonthlyMenuWindow::ShowGroups() {
  GroupCombo->clear();
  for (const eiyou::EaterGroup& g : session_.facility().groups())
    GroupCombo->addItem(U(g.name), QVariant::fromValue<qlonglong>(g.id));
}

void MonthlyMenuWindow::ShowButtonClick() {
  const QDate month = MonthEdit->date();
  const std::int64_t group = GroupCombo->currentIndex() < 0 ? 0 : GroupCombo->currentData().toLongLong();
  std::vector<eiyou::GroupMonth> judged;
  eiyou::Guarded(this, [&] {
    eiyou::BoxMessageSink sink(this);
    // The other groups are judged even when this one is not served; what
    // keeps both from showing is said once.
    struct Quiet : eiyou::MessageSink {
      void Show(const std::string&) override {}
    } quiet;
    const bool built = session_.Build(sink, month.year(), month.month(), group);
    judged = session_.AssessGroups(built ? static_cast<eiyou::MessageSink&>(sink) : quiet, month.year(),
                                   month.month());
  });
  ShowMenu();

  // One column a group, one row a nutrient, as the assessment window shows them.
  GroupTable->clear();
  GroupTable->setColumnCount(static_cast<int>(judged.size()));
  GroupTable->setRowCount(0);
  EditionsLabel->clear();
  if (judged.empty()) {
    if (session_.HasMenu())
      EditionsLabel->setText(U("この月に評価できる喫食グループはありません。給食施設の画面でグループに評価の基準を"
                               "設定すると、給食を出した日の平均をその基準で評価します。"));
    return;
  }
  std::vector<eiyou::AssessmentTable> tables;
  QStringList columns, rows;
  std::set<std::string> editions;
  for (const eiyou::GroupMonth& g : judged) {
    tables.push_back(eiyou::MakeAssessmentTable(g.assessment, true));
    columns << U(g.name + "\n" + g.caption + "（" + std::to_string(g.servingDays) + "日）");
    editions.insert("基準: " + g.assessment.edition);
  }
  for (const eiyou::AssessmentLine& line : tables.front().lines) rows << U(line.name);
  GroupTable->setRowCount(static_cast<int>(rows.size()));
  GroupTable->setHorizontalHeaderLabels(columns);
  GroupTable->setVerticalHeaderLabels(rows);
  for (int c = 0; c < static_cast<int>(tables.size()); ++c)
    for (int r = 0; r < static_cast<int>(tables[static_cast<std::size_t>(c)].lines.size()); ++r) {
      const eiyou::AssessmentLine& line = tables[static_cast<std::size_t>(c)].lines[static_cast<std::size_t>(r)];
      const eiyou::JudgementStyle& style = eiyou::StyleOf(line.judgement);
      QTableWidgetItem* item = Put(GroupTable, r, c, line.cells[eiyou::kIntakeColumn] + " " + style.symbol, true);
      item->setForeground(QColor(style.colour.r, style.colour.g, style.colour.b));
      item->setToolTip(U(line.cells[eiyou::kJudgementColumn] + "\n" + line.cells[eiyou::kNoteColumn]));
    }
  GroupTable->resizeColumnsToContents();
  QStringList sources{U(session_.FoodSource())};
  for (const std::string& e : editions) sources << U(e);
  sources << U(eiyou::kHabitualIntakeNote);
  EditionsLabel->setText(sources.join(QLatin1Char('\n')));
}

void MonthlyMenuWindow::ShowMenu() {
  const bool has = session_.HasMenu();
  for (QPushButton* b : needsMenu_) b->setEnabled(has);
  MenuTable->setRowCount(0);
  AverageTable->setRowCount(0);
  AverageLabel->setText(U("今月の平均"));
  if (!has) return;
  const eiyou::MonthlyMenu& menu = session_.menu();
  MenuTable->setRowCount(static_cast<int>(menu.days.size()));
  for (int r = 0; r < static_cast<int>(menu.days.size()); ++r) {
    const eiyou::MenuDay& d = menu.days[static_cast<std::size_t>(r)];
    QString dishes;
    for (const std::string& dish : d.dishes) dishes += (dishes.isEmpty() ? QString() : U("、")) + U(dish);
    MenuTable->setItem(r, 0, new QTableWidgetItem(DayText(d.date)));
    Put(MenuTable, r, 1, eiyou::WeekdayName(d.date), false);
    MenuTable->setItem(r, 2, new QTableWidgetItem(dishes));
    MenuTable->item(r, 2)->setToolTip(dishes);
    Put(MenuTable, r, 3, d.energy, true);
    Put(MenuTable, r, 4, d.protein, true);
    Put(MenuTable, r, 5, d.salt, true);
    Put(MenuTable, r, 6, d.contains, false)->setToolTip(U(d.contains));
    Put(MenuTable, r, 7, d.mayContain, false)->setToolTip(U(d.mayContain));
  }
  AverageLabel->setText(U("今月の平均（" + menu.group + "、" + std::to_string(menu.days.size()) + "日" +
                          (menu.referenceName.empty() ? std::string() : "、基準: " + menu.referenceName) + "）" +
                          (session_.averageNote().empty() ? std::string() : "\n" + session_.averageNote())));
  AverageTable->setRowCount(static_cast<int>(menu.averages.size()));
  for (int r = 0; r < static_cast<int>(menu.averages.size()); ++r) {
    const eiyou::MenuAverage& a = menu.averages[static_cast<std::size_t>(r)];
    Put(AverageTable, r, 0, a.name, false);
    Put(AverageTable, r, 1, a.average, true);
    Put(AverageTable, r, 2, a.reference, true);
    Put(AverageTable, r, 3, a.judgement, false);
  }
}

bool MonthlyMenuWindow::SaveNotes() {
  const eiyou::StoreResult r = session_.SaveNotes(eiyou::Utf8Of(NotesEdit->toPlainText()));
  if (!r.ok) eiyou::ShowError(this, U(r.message));
  return r.ok;
}

void MonthlyMenuWindow::SaveNotesButtonClick() {
  if (SaveNotes()) eiyou::ShowMessage(this, U("お知らせを保存しました。"));
}

void MonthlyMenuWindow::Save(bool pdf) {
  if (!session_.HasMenu() || !SaveNotes()) return;
  const char* suffix = pdf ? "pdf" : "csv";
  QFileDialog dialog(this, U("献立表の保存"));
  dialog.setObjectName("ReportFileDialog");
  eiyou::PrepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(pdf ? U("PDFファイル (*.pdf)") : U("CSVファイル (*.csv)"));
  dialog.setDefaultSuffix(QString::fromLatin1(suffix));
  dialog.setDirectory(U(eiyou::DataDirectory()));
  dialog.selectFile(U(session_.BaseName()) + "." + suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  const std::string file = eiyou::Utf8Of(path);
  if (pdf) {
    QString error;
    if (!eiyou::WriteMonthlyMenuPdf(session_.menu(), path, error)) return eiyou::ShowError(this, error);
  } else if (!eiyou::ReplaceFileContents(file, eiyou::MonthlyMenuCsv(session_.menu()))) {
    return eiyou::ShowError(this, U(eiyou::WriteFailureMessage(file)));
  }
  eiyou::ShowMessage(this, U("保存しました：") + QDir::toNativeSeparators(path));
}

void MonthlyMenuWindow::PdfButtonClick() { Save(true); }
void MonthlyMenuWindow::CsvButtonClick() { Save(false); }

void MonthlyMenuWindow::PreviewButtonClick() {
  if (session_.HasMenu() && SaveNotes()) eiyou::PreviewMonthlyMenu(this, session_.menu());
}
