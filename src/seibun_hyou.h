// The food table viewer: one food of the table at a time.
#pragma once

#include <QDialog>

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
  // Creates a new viewer and runs its opening (shown modally).
  static void Open(QWidget* parent);
};
