// A table widget of the figure table's rows (the nine, salt and fibre): each
// figure with its marks after it and the foods behind them as a hint, as the
// dish window's companion and the period window show them.
#pragma once

#include <initializer_list>

#include "nutrition/figure_table.h"

class QTableWidget;
class QWidget;

namespace eiyou {

// A read-only table with the rows of kFigureRowNames under `columns` (UTF-8),
// its columns sharing its width; Tab leaves it, arrows move in it.
QTableWidget* MakeFigureTableWidget(QWidget* parent, const char* name,
                                    std::initializer_list<const char*> columns);

// Shows `cell` at (row, column): the figure with its marks as text, the figure
// and the marks alone as Qt::UserRole and Qt::UserRole + 1, the foods as hint.
void SetFigureCell(QTableWidget* table, int row, int column, const FigureCell& cell);

// What the marks mean, in small type at (x, y) of `window`.
void MakeMarksLegend(QWidget* window, int x, int y);

}  // namespace eiyou
