// The food table viewer: one food of the table at a time.
#pragma once

#include <QDialog>

#include "sessions/session_fwd.h"

class QLineEdit;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  // Creates a new viewer and runs its opening (shown modally, every field empty).
  static void Open(eiyou::ViewerSession& session, QWidget* parent);
  explicit TForm2(eiyou::ViewerSession& session, QWidget* parent = nullptr);

 public slots:
  void BitBtn4Click();         // load the table and show record 1
  void BitBtn3Click();         // close the viewer
  void SpinButton1UpClick();   // previous record
  void SpinButton1DownClick(); // next record
  void Edit1Change();          // show the record whose number was typed

 private:
  void ShowRecord(int n);
  void ShowEdition();

  eiyou::ViewerSession& session_;
  // Edit1 .. Edit24; index 0 is unused.
  QLineEdit* edits_[25] = {};
  int changeDepth_ = 0;
};
