#include "gui/figure_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/text.h"

namespace eiyou {

namespace {

const char* const kColumnNames[] = {"作成中の献立", "選んだ献立", "基準値", "割合(%)"};

void SetCell(QTableWidget* table, int row, int column, const FigureCell& cell) {
  QTableWidgetItem* item = table->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
  }
  // The mark after the figure, so the numbers stay aligned on their right.
  item->setText(U(cell.text + (cell.mark.empty() ? "　" : cell.mark)));
  item->setToolTip(U(cell.tip));
  item->setData(Qt::UserRole, U(cell.text));
  item->setData(Qt::UserRole + 1, U(cell.mark));
  // Screen readers hear the marks as words.
  QString spoken = U(cell.text);
  if (!cell.tip.empty()) spoken += U("、") + U(cell.tip);
  item->setData(Qt::AccessibleTextRole, spoken);
}

}  // namespace

FigureWindow::FigureWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("FigureWindow");
  setWindowTitle(U("献立の成分値"));
  setAccessibleName(U("献立の成分値"));

  table_ = new QTableWidget(kFigureRows, 4, this);
  table_->setObjectName("FigureTable");
  table_->setAccessibleName(U("成分値の表"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setTabKeyNavigation(false);  // Tab leaves the table, arrows move in it
  table_->setFocusPolicy(Qt::StrongFocus);
  QStringList rows, columns;
  for (const char* name : kFigureRowNames) rows << U(name);
  for (const char* name : kColumnNames) columns << U(name);
  table_->setVerticalHeaderLabels(rows);
  table_->setHorizontalHeaderLabels(columns);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->horizontalHeader()->setMinimumSectionSize(88);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

  legend_ = new QLabel(U(kFigureMarksLegend), this);
  legend_->setObjectName("FigureLegend");
  legend_->setWordWrap(true);
  auto* note = new QLabel(
      U("選んだ献立の値は「選択→」で評価に加えた献立の合計、割合は基準値に対する選んだ献立の割合です。"
        "印の付いた値にマウスを置くと、該当する食品が表示されます。"),
      this);
  note->setObjectName("FigureNote");
  note->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(legend_);
  layout->addWidget(note);
  // As large as the table with its eleven rows, the notes below it.
  table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  resize(600, sizeHint().height());
}

void FigureWindow::ShowFigures(const FigureTableRows& rows) {
  for (int r = 0; r < kFigureRows; ++r) {
    const FigureTableRow& row = rows[static_cast<std::size_t>(r)];
    SetCell(table_, r, 0, row.dish);
    SetCell(table_, r, 1, row.chosen);
    SetCell(table_, r, 2, row.reference);
    SetCell(table_, r, 3, row.percent);
  }
}

}  // namespace eiyou
