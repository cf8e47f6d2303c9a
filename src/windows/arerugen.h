// The allergen review window: per food of the table, each item with what the
// rules derive and why, and the user's override, stored at once. Not modal.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace eiyou {
class AllergenSession;
}

class AllergenWindow : public QWidget {
  Q_OBJECT
 public:
  AllergenWindow(eiyou::AllergenSession& session, QWidget* parent);
  // Shows the window (one per parent), loading the session on first use.
  static void Open(eiyou::AllergenSession& session, QWidget* parent);

 private:
  void ListFoods();
  void ShowFood();
  void SetOverride(int item, int choice);

  eiyou::AllergenSession& session_;
  QComboBox* group_;
  QLineEdit* search_;
  QCheckBox* overriddenOnly_;
  QListWidget* foods_;
  QTableWidget* items_;
  QLabel* source_;
  bool filling_ = false;
};
