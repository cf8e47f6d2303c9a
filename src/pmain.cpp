#include "pmain.h"

#include "bunseki.h"
#include "kondate.h"
#include "seibun_hyou.h"

TForm1::TForm1(QWidget* parent) : QWidget(parent) { setObjectName("TForm1"); }

void TForm1::BitBtn1Click() { TForm2::Open(this); }
void TForm1::BitBtn2Click() { TForm3::Open(this); }
void TForm1::BitBtn3Click() { TForm4::Open(this); }
void TForm1::BitBtn4Click() { close(); }
