#include "kondate.h"

TForm3::TForm3(QWidget* parent) : ChartDialog(parent) { setObjectName("TForm3"); }

void TForm3::Open(QWidget* parent) {
  TForm3 form(parent);
  form.exec();
}
