#include "bunseki.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) { setObjectName("TForm4"); }

void TForm4::Open(QWidget* parent) {
  TForm4 form(parent);
  form.exec();
}

TForm5::TForm5(QWidget* parent) : ChartDialog(parent) { setObjectName("TForm5"); }

TForm6::TForm6(QWidget* parent) : QDialog(parent) { setObjectName("TForm6"); }
