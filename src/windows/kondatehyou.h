// The monthly menu for families (献立表) of a group of eaters: its serving
// days with dishes, energy, protein, salt and allergens, the month's average
// against the group's reference and the facility's notes, saved as PDF or
// CSV and printed from its preview; and beside it every group's month judged
// against its own reference.
#pragma once

#include <QDialog>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace eiyou {
class MenuSession;
}

class MonthlyMenuWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the window, not modal; a second call brings the open one forward.
  static void Open(eiyou::MenuSession& session, QWidget* parent);
  explicit MonthlyMenuWindow(eiyou::MenuSession& session, QWidget* parent = nullptr);

 public slots:
  void ShowButtonClick();
  void SaveNotesButtonClick();
  void PdfButtonClick();
  void CsvButtonClick();
  void PreviewButtonClick();

 private:
  void ShowGroups();
  void ShowMenu();
  bool SaveNotes();
  void Save(bool pdf);

  eiyou::MenuSession& session_;
  QDateEdit* MonthEdit;
  QComboBox* GroupCombo;
  QTableWidget* MenuTable;
  QLabel* AverageLabel;
  QTableWidget* AverageTable;
  QPlainTextEdit* NotesEdit;
  QTableWidget* GroupTable;
  QLabel* EditionsLabel;
  std::vector<QPushButton*> needsMenu_;
};
