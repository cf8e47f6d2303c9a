#include "seibun_hyou.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent) { setObjectName("TForm2"); }

void TForm2::Open(QWidget* parent) {
  TForm2 form(parent);
  form.exec();
}
