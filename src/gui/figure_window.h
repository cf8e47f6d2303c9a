// The dish window's companion: the figure table of the dish being composed
// and of the dishes chosen for evaluation against the chosen reference, with
// the marks of estimated and missing values. Not modal: it stays open beside
// the dish window and, while shown, follows every change of the dish side.
#pragma once

#include <QWidget>

#include "nutrition/figure_table.h"
#include "sessions/changes.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace eiyou {

class DishSession;

class FigureWindow : public QWidget {
  Q_OBJECT
 public:
  FigureWindow(QWidget* owner, DishSession& session);
  // Puts the side's figures into the table.
  void ShowFigures();
  QTableWidget* table() const { return table_; }
  // 栄養評価: the dish window opens the assessment of the same foods with it.
  QPushButton* assessmentButton() const { return assessment_; }

 private:
  // As tall as the table and the lines under it need, within the screen.
  void FitHeight();

  const DishSession& session_;
  QTableWidget* table_;
  QLabel* legend_;
  QLabel* allergens_;
  QPushButton* assessment_;
  Subscription following_;
};

}  // namespace eiyou
