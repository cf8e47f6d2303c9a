// The dish window's companion: the figure table of the dish being composed
// and of the dishes chosen for evaluation against the chosen reference, with
// the marks of estimated and missing values. Not modal: it stays open beside
// the dish window while foods and dishes change.
#pragma once

#include <QWidget>

#include "nutrition/figure_table.h"

class QLabel;
class QTableWidget;

namespace eiyou {

class FigureWindow : public QWidget {
  Q_OBJECT
 public:
  explicit FigureWindow(QWidget* owner);
  // Puts the rows into the table.
  void ShowFigures(const FigureTableRows& rows);
  QTableWidget* table() const { return table_; }

 private:
  QTableWidget* table_;
  QLabel* legend_;
};

}  // namespace eiyou
