// The facility window (給食施設): the groups of eaters with their portion
// factor, headcount, meals and standard; each group's eaters on the dates of
// a month; the facility's name and notes. A thin view over the
// FacilitySession: every change is stored at once, in one transaction.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace eiyou {
class FacilitySession;
struct EaterGroup;
struct StoreResult;
}

// Opens the allergen review beside the facility window.
void OpenAllergenReview(eiyou::FacilitySession& session, QWidget* parent);

// A CSV file refused: a modal box listing its problems, line by line.
void ShowCsvProblems(QWidget* parent, const QString& path, const std::vector<std::string>& problems);

class FacilityWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the window, not modal; a second call brings the open one forward.
  static void Open(eiyou::FacilitySession& session, QWidget* parent);
  explicit FacilityWindow(eiyou::FacilitySession& session, QWidget* parent = nullptr);

 public slots:
  void GroupTableClick();
  void AddGroupButtonClick();
  void ChangeGroupButtonClick();
  void DeleteGroupButtonClick();
  void UpButtonClick();
  void DownButtonClick();
  void StandardKindChange();
  void MonthChange();
  void HeadcountCsvButtonClick();
  void SaveInfoButtonClick();
  void PriceButtonClick();
  void AllergenButtonClick();

 private:
  void ShowGroups();
  void ShowHeadcounts();
  void HeadcountEdited(QTableWidgetItem* item);
  // The form's group; false, with the user told why, when it is not one.
  bool FormGroup(eiyou::EaterGroup& group);
  void Move(int step);
  std::int64_t ChosenGroup() const;
  void Failed(const std::string& message);
  // A save refused: told, and read again when another user changed the row
  // and the user asks for it.
  void Refused(const eiyou::StoreResult& result);
  void ShowInfo();

  eiyou::FacilitySession& session_;
  bool showing_ = false;
  QTableWidget* GroupTable;
  QLineEdit* GroupNameEdit;
  QLineEdit* FactorEdit;
  QSpinBox* HeadcountSpin;
  QCheckBox* BreakfastCheck;
  QCheckBox* LunchCheck;
  QCheckBox* DinnerCheck;
  QComboBox* StandardKindBox;
  QComboBox* BandBox;
  QComboBox* TargetSetBox;
  QComboBox* SexBox;
  QComboBox* AgeBox;
  QDateEdit* MonthEdit;
  QTableWidget* HeadcountTable;
  QLineEdit* FacilityNameEdit;
  QPlainTextEdit* NotesEdit;
};
