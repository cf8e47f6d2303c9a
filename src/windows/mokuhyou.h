// The target-set editor (給与栄養目標量): the stored sets, and the chosen
// set's values as a table of nutrient × kind for everyone or for one sex and
// age class. A thin view over the TargetSetSession: every edit is checked
// there, and 保存 stores the set in one transaction.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "nutrition/target_set.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace eiyou {
class TargetSetSession;
struct StoreResult;
}

class TargetSetWindow : public QDialog {
  Q_OBJECT
 public:
  // Creates the editor and shows it modally.
  static void Open(eiyou::TargetSetSession& session, QWidget* parent);
  explicit TargetSetWindow(eiyou::TargetSetSession& session, QWidget* parent = nullptr);

  QTableWidget* table() const { return ValueTable; }

 public slots:
  void SetListClick();
  void NewButtonClick();
  void RenameButtonClick();
  void DuplicateButtonClick();
  void DeleteButtonClick();
  void ImportButtonClick();
  void ExportButtonClick();
  void GroupChooserChange();
  void AddGroupButtonClick();
  void SaveButtonClick();
  void CloseButtonClick();

 protected:
  void reject() override;

 private:
  // Unsaved edits saved, dropped, or kept by the user's answer; false when
  // the action that asked is to stop (キャンセル, or the save refused).
  bool SettleEdits();
  // A set's name asked for (UTF-8); nullopt when the user cancels.
  std::optional<std::string> AskName(const char* title, const QString& proposed);
  // The list, the description, the groups and the values as the session has them.
  void ShowSets();
  void ShowSet();
  void ShowValues();
  void CellChanged(QTableWidgetItem* item);
  void Failed(const std::string& message);
  // A save refused: told, and the set read again when another user changed
  // it and the user asks for it.
  void Refused(const eiyou::StoreResult& result);
  std::optional<eiyou::TargetGroup> Group() const;

  eiyou::TargetSetSession& session_;
  std::vector<eiyou::TargetGroup> addedGroups_;  // chosen here, with no value yet
  std::vector<eiyou::TargetGroup> shownGroups_;  // GroupChooser's items after 全員
  bool showing_ = false;
  QListWidget* SetList;
  QLineEdit* DescriptionEdit;
  QComboBox* GroupChooser;
  QComboBox* NewGroupSex;
  QComboBox* NewGroupAge;
  QTableWidget* ValueTable;
  QLabel* SetCaption;
  std::vector<QPushButton*> needsSet_;
};
