#include "gui/figure_cells.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include "gui/text.h"

namespace eiyou {

QTableWidget* MakeFigureTableWidget(QWidget* parent, const char* name,
                                    std::initializer_list<const char*> columns) {
  auto* table = new QTableWidget(kFigureRows, static_cast<int>(columns.size()), parent);
  table->setObjectName(QString::fromUtf8(name));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setTabKeyNavigation(false);  // Tab leaves the table, arrows move in it
  table->setFocusPolicy(Qt::StrongFocus);
  QStringList rowNames, columnNames;
  for (const char* row : kFigureRowNames) rowNames << U(row);
  for (const char* column : columns) columnNames << U(column);
  table->setVerticalHeaderLabels(rowNames);
  table->setHorizontalHeaderLabels(columnNames);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return table;
}

void SetFigureCell(QTableWidget* table, int row, int column, const FigureCell& cell) {
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

void MakeMarksLegend(QWidget* window, int x, int y) {
  auto* legend = new QLabel(U(kFigureMarksLegend), window);
  legend->setObjectName(QStringLiteral("FigureMarksLegend"));
  QFont small = legend->font();
  small.setPixelSize(11);
  legend->setFont(small);
  legend->move(x, y);
  legend->adjustSize();
}

}  // namespace eiyou
