// The dish composition window.
#pragma once

#include "gui_support.h"

class TForm3 : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
  // Creates a new dish window and runs its opening: shown modally unless the
  // dish directory is missing.
  static void Open(QWidget* parent);
};
