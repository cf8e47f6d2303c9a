// Meal analysis: the day's meals, the daily intake graph and its print image.
#pragma once

#include <QDialog>

#include "gui_support.h"

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);
  // Creates a new meal window and runs its opening: shown modally unless the
  // dish directory is missing.
  static void Open(QWidget* parent);
};

class TForm5 : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);
};

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
};
