#include "mokuhyou.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "sessions/target_set_session.h"
#include "tables/data_dir.h"

using eiyou::TargetGroup;
using eiyou::TargetKind;
using eiyou::U;

namespace {

// The table's columns: the kinds, with 未満 beside the upper goal it qualifies.
constexpr int kExclusiveColumn = 5;
struct Column {
  const char* heading;
  TargetKind kind;
};
constexpr Column kColumns[] = {
    {"推定平均必要量", TargetKind::Ear},   {"推奨量", TargetKind::Rda},
    {"目安量", TargetKind::Ai},            {"目標量（下限）", TargetKind::DgLower},
    {"目標量（上限）", TargetKind::DgUpper}, {"未満", TargetKind::DgUpper},
    {"耐容上限量", TargetKind::Ul},        {"目標値", TargetKind::Target}};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));


}  // namespace

void TargetSetWindow::Open(eiyou::TargetSetSession& session, QWidget* parent) {
  TargetSetWindow window(session, parent);
  window.exec();
}

TargetSetWindow::TargetSetWindow(eiyou::TargetSetSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("TargetSetWindow");
  setWindowTitle(U("目標量セット"));
  setAccessibleName(U("目標量セット"));

  SetList = new QListWidget(this);
  SetList->setObjectName("SetList");
  SetList->setAccessibleName(U("目標量セットの一覧"));
  SetList->setSelectionMode(QAbstractItemView::SingleSelection);
  SetList->setMinimumWidth(200);
  connect(SetList, &QListWidget::itemClicked, this, &TargetSetWindow::SetListClick);

  auto* setButtons = new QGridLayout;
  const auto add = [&](const char* name, const char* caption, const char* hint, int row, int column,
                       void (TargetSetWindow::*slot)(), bool needsSet) {
    QPushButton* b = eiyou::LayoutButton(this, name, caption, hint);
    connect(b, &QPushButton::clicked, this, slot);
    setButtons->addWidget(b, row, column);
    if (needsSet) needsSet_.push_back(b);
  };
  add("NewButton", "新規", "空の目標量セットを作ります", 0, 0, &TargetSetWindow::NewButtonClick, false);
  add("RenameButton", "名前の変更", "選んだセットの名前を変えます", 0, 1,
      &TargetSetWindow::RenameButtonClick, true);
  add("DuplicateButton", "複製", "選んだセットを別の名前で複製します", 1, 0,
      &TargetSetWindow::DuplicateButtonClick, true);
  add("DeleteButton", "削除", "選んだセットを削除します", 1, 1, &TargetSetWindow::DeleteButtonClick,
      true);
  add("ImportButton", "CSVから読み込み", "CSVファイルを新しいセットとして読み込みます", 2, 0,
      &TargetSetWindow::ImportButtonClick, false);
  add("ExportButton", "CSVに書き出し", "選んだセットをCSVファイルに書き出します", 2, 1,
      &TargetSetWindow::ExportButtonClick, true);

  auto* left = new QVBoxLayout;
  left->addWidget(SetList, 1);
  left->addLayout(setButtons);

  SetCaption = new QLabel(this);
  SetCaption->setObjectName("SetCaption");
  DescriptionEdit = new QLineEdit(this);
  DescriptionEdit->setObjectName("DescriptionEdit");
  DescriptionEdit->setAccessibleName(U("説明"));
  DescriptionEdit->setToolTip(U("セットの説明（1行）"));
  connect(DescriptionEdit, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_.SetDescription(eiyou::Utf8Of(text)); });
  auto* descriptionLabel = new QLabel(U("説明"), this);
  descriptionLabel->setObjectName("DescriptionLabel");
  descriptionLabel->setBuddy(DescriptionEdit);

  GroupChooser = new QComboBox(this);
  GroupChooser->setObjectName("GroupChooser");
  GroupChooser->setAccessibleName(U("対象"));
  GroupChooser->setToolTip(U("値を入れる対象：全員、または性別と年齢区分"));
  connect(GroupChooser, &QComboBox::currentIndexChanged, this, &TargetSetWindow::GroupChooserChange);
  auto* groupLabel = new QLabel(U("対象"), this);
  groupLabel->setObjectName("GroupLabel");
  groupLabel->setBuddy(GroupChooser);
  NewGroupSex = new QComboBox(this);
  NewGroupSex->setObjectName("NewGroupSex");
  NewGroupSex->setAccessibleName(U("追加する性別"));
  NewGroupSex->addItems({U("男性"), U("女性")});
  NewGroupAge = new QComboBox(this);
  NewGroupAge->setObjectName("NewGroupAge");
  NewGroupAge->setAccessibleName(U("追加する年齢区分"));
  for (const eiyou::Period& age : eiyou::kTargetAgeClasses) NewGroupAge->addItem(U(eiyou::AgeClassText(age)));
  NewGroupAge->setCurrentIndex(10);  // 30-49歳
  QPushButton* addGroup = eiyou::LayoutButton(this, "AddGroupButton", "対象を追加", "性別と年齢区分の値を入れる対象を加えます");
  connect(addGroup, &QPushButton::clicked, this, &TargetSetWindow::AddGroupButtonClick);
  needsSet_.push_back(addGroup);

  auto* groups = new QHBoxLayout;
  groups->addWidget(groupLabel);
  groups->addWidget(GroupChooser, 1);
  groups->addSpacing(16);
  groups->addWidget(NewGroupSex);
  groups->addWidget(NewGroupAge);
  groups->addWidget(addGroup);

  ValueTable = new QTableWidget(static_cast<int>(eiyou::kAssessedNutrients.size()), kColumnCount, this);
  ValueTable->setObjectName("ValueTable");
  ValueTable->setAccessibleName(U("目標量の表"));
  QStringList headings, rows;
  for (const Column& c : kColumns) headings << U(c.heading);
  for (const eiyou::AssessedNutrient& n : eiyou::kAssessedNutrients)
    rows << U(std::string(n.name) + "（" + n.unit + "）");
  ValueTable->setHorizontalHeaderLabels(headings);
  ValueTable->setVerticalHeaderLabels(rows);
  ValueTable->setSelectionMode(QAbstractItemView::SingleSelection);
  // Every heading whole; the room left goes to the last column.
  QHeaderView* header = ValueTable->horizontalHeader();
  header->setMinimumSectionSize(64);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setStretchLastSection(true);
  connect(ValueTable, &QTableWidget::itemChanged, this, &TargetSetWindow::CellChanged);

  auto* right = new QVBoxLayout;
  right->addWidget(SetCaption);
  auto* description = new QHBoxLayout;
  description->addWidget(descriptionLabel);
  description->addWidget(DescriptionEdit, 1);
  right->addLayout(description);
  right->addLayout(groups);
  right->addWidget(ValueTable, 1);
  auto* note = new QLabel(U("値は各栄養素の単位で入れます（空欄は値なし）。目標量（上限）の「未満」は上限の値そのものを範囲外とします。"), this);
  note->setObjectName("ValueNote");
  note->setWordWrap(true);
  right->addWidget(note);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  QPushButton* save = eiyou::LayoutButton(this, "SaveButton", "保存", "選んだセットを保存します");
  connect(save, &QPushButton::clicked, this, &TargetSetWindow::SaveButtonClick);
  needsSet_.push_back(save);
  QPushButton* close = eiyou::LayoutButton(this, "CloseButton", "閉じる", "この画面を閉じます");
  connect(close, &QPushButton::clicked, this, &TargetSetWindow::CloseButtonClick);
  bottom->addWidget(save);
  bottom->addWidget(close);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 0);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addLayout(bottom);
  // Every column whole at 1366 × 768.
  resize(1180, 700);

  if (const std::string problem = session_.Refresh(); !problem.empty()) Failed(problem);
  ShowSets();
}

void TargetSetWindow::Failed(const std::string& message) { eiyou::ShowMessage(this, U(message)); }

void TargetSetWindow::Refused(const eiyou::StoreResult& result) {
  if (!result.changedByOther) return Failed(result.message);
  if (!eiyou::AskReload(this, result.message)) return;
  if (const std::string problem = session_.Reload(); !problem.empty()) Failed(problem);
  ShowSets();
}

std::optional<TargetGroup> TargetSetWindow::Group() const {
  const int i = GroupChooser->currentIndex();
  if (i <= 0 || i > static_cast<int>(shownGroups_.size())) return std::nullopt;
  return shownGroups_[static_cast<std::size_t>(i - 1)];
}

void TargetSetWindow::ShowSets() {
  showing_ = true;
  SetList->clear();
  const eiyou::TargetSet* chosen = session_.chosen();
  for (const eiyou::TargetSetEntry& e : session_.sets()) {
    auto* item = new QListWidgetItem(U(e.name), SetList);
    item->setToolTip(U(e.description));
    if (chosen && chosen->name == e.name) SetList->setCurrentItem(item);
  }
  showing_ = false;
  ShowSet();
}

void TargetSetWindow::ShowSet() {
  showing_ = true;
  const eiyou::TargetSet* set = session_.chosen();
  for (QPushButton* b : needsSet_) b->setEnabled(set != nullptr);
  DescriptionEdit->setEnabled(set != nullptr);
  GroupChooser->setEnabled(set != nullptr);
  ValueTable->setEnabled(set != nullptr);
  SetCaption->setText(set ? U("「" + set->name + "」の値") : U("セットを選ぶか、新規に作ってください。"));
  DescriptionEdit->setText(set ? U(set->description) : QString());

  // 全員, then every group the set or this window has: men, then women, the
  // youngest first (a file may bring ages of its own, such as 18-64歳).
  const std::optional<TargetGroup> was = Group();
  shownGroups_ = addedGroups_;
  if (set)
    for (const eiyou::TargetValue& v : set->values)
      if (v.group && std::find(shownGroups_.begin(), shownGroups_.end(), *v.group) == shownGroups_.end())
        shownGroups_.push_back(*v.group);
  const auto key = [](const TargetGroup& g) {
    return std::tuple(g.sex == eiyou::Sex::Female, g.age.cls == eiyou::PeriodClass::Years, g.age.from, g.age.to);
  };
  std::sort(shownGroups_.begin(), shownGroups_.end(),
            [&](const TargetGroup& a, const TargetGroup& b) { return key(a) < key(b); });
  GroupChooser->clear();
  GroupChooser->addItem(U("全員"));
  for (const TargetGroup& g : shownGroups_) {
    GroupChooser->addItem(U(eiyou::GroupText(g)));
    if (was == g) GroupChooser->setCurrentIndex(GroupChooser->count() - 1);
  }
  showing_ = false;
  ShowValues();
}

void TargetSetWindow::ShowValues() {
  const bool wasShowing = showing_;
  showing_ = true;
  const std::optional<TargetGroup> group = Group();
  for (int r = 0; r < ValueTable->rowCount(); ++r) {
    const std::string id = eiyou::kAssessedNutrients[static_cast<std::size_t>(r)].id;
    for (int c = 0; c < kColumnCount; ++c) {
      const eiyou::TargetValue* v = session_.Find(id, kColumns[c].kind, group);
      auto* item = new QTableWidgetItem;
      if (c == kExclusiveColumn) {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(v && v->exclusive ? Qt::Checked : Qt::Unchecked);
      } else {
        item->setText(v ? U(eiyou::FigureText(v->value)) : QString());
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      ValueTable->setItem(r, c, item);
    }
  }
  showing_ = wasShowing;
}

void TargetSetWindow::CellChanged(QTableWidgetItem* item) {
  if (showing_) return;
  const int r = item->row(), c = item->column();
  const std::string id = eiyou::kAssessedNutrients[static_cast<std::size_t>(r)].id;
  const std::string problem =
      c == kExclusiveColumn
          ? session_.SetExclusive(id, Group(), item->checkState() == Qt::Checked)
          : session_.SetValue(id, kColumns[c].kind, Group(), eiyou::Utf8Of(item->text().trimmed()));
  if (!problem.empty()) Failed(problem);
  // The cell as the session has it: a refused edit goes back.
  ShowValues();
}

bool TargetSetWindow::SettleEdits() {
  if (!session_.modified()) return true;
  const int answer = eiyou::AskQuestion(
      this, U("目標量セット「" + session_.chosen()->name + "」の変更を保存しますか？"),
      {{U("保存する"), QMessageBox::AcceptRole},
       {U("保存しない"), QMessageBox::DestructiveRole},
       {U("キャンセル"), QMessageBox::RejectRole}},
      0, 2);
  if (answer == 2) return false;
  if (answer == 0) {
    const eiyou::StoreResult saved = session_.Save();
    if (!saved.ok) {
      Refused(saved);
      return false;
    }
  }
  return true;
}

std::optional<std::string> TargetSetWindow::AskName(const char* title, const QString& proposed) {
  QInputDialog dialog(this);
  dialog.setObjectName("SetNameDialog");
  dialog.setWindowTitle(U(title));
  dialog.setLabelText(U("目標量セットの名前："));
  dialog.setTextValue(proposed);
  dialog.setOkButtonText(U("OK"));
  dialog.setCancelButtonText(U("キャンセル"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return eiyou::Utf8Of(dialog.textValue().trimmed());
}

void TargetSetWindow::SetListClick() {
  if (showing_ || !SetList->currentItem()) return;
  const std::string name = eiyou::Utf8Of(SetList->currentItem()->text());
  if (session_.chosen() && session_.chosen()->name == name) return;
  if (!SettleEdits()) {
    ShowSets();
    return;
  }
  addedGroups_.clear();
  if (const std::string problem = session_.Choose(name); !problem.empty()) Failed(problem);
  ShowSets();
}

void TargetSetWindow::NewButtonClick() {
  if (!SettleEdits()) return;
  const std::optional<std::string> name = AskName("新しい目標量セット", QString());
  if (!name) return;
  const eiyou::StoreResult r = session_.Create(*name);
  if (!r.ok) return Failed(r.message);
  addedGroups_.clear();
  ShowSets();
}

void TargetSetWindow::RenameButtonClick() {
  if (!session_.chosen()) return;
  const std::optional<std::string> name = AskName("名前の変更", U(session_.chosen()->name));
  if (!name || *name == session_.chosen()->name) return;
  if (const eiyou::StoreResult r = session_.Rename(*name); !r.ok) return Refused(r);
  ShowSets();
}

void TargetSetWindow::DuplicateButtonClick() {
  if (!session_.chosen() || !SettleEdits()) return;
  const std::optional<std::string> name =
      AskName("目標量セットの複製", U(session_.chosen()->name + " のコピー"));
  if (!name) return;
  if (const eiyou::StoreResult r = session_.Duplicate(*name); !r.ok) return Failed(r.message);
  ShowSets();
}

void TargetSetWindow::DeleteButtonClick() {
  if (!session_.chosen()) return;
  if (!eiyou::Confirm(this,
                      U("目標量セット「" + session_.chosen()->name +
                        "」を削除しますか？\nこのセットで評価していた日別献立は「削除されたため、判定できません」と表示されます。"),
                      "削除する", "削除しない"))
    return;
  if (const eiyou::StoreResult r = session_.Delete(); !r.ok) return Failed(r.message);
  addedGroups_.clear();
  ShowSets();
}

void TargetSetWindow::ImportButtonClick() {
  if (!SettleEdits()) return;
  const QString path = eiyou::AskCsvFile(this, U("目標量セットのCSVを読み込む"), "TargetCsvOpenDialog");
  if (path.isEmpty()) return;
  const eiyou::StoreResult r = session_.ImportCsv(eiyou::Utf8Of(path));
  if (!r.ok) return Failed(r.message);
  addedGroups_.clear();
  ShowSets();
}

void TargetSetWindow::ExportButtonClick() {
  if (!session_.chosen()) return;
  const QString path = eiyou::AskCsvFile(this, U("目標量セットをCSVに書き出す"), "TargetCsvSaveDialog", U(session_.chosen()->name + ".csv"));
  if (path.isEmpty()) return;
  const eiyou::StoreResult r = session_.ExportCsv(eiyou::Utf8Of(path));
  if (!r.ok) return eiyou::ShowError(this, U(r.message));
  eiyou::ShowMessage(this, U("書き出しました：") + QDir::toNativeSeparators(path));
}

void TargetSetWindow::GroupChooserChange() {
  if (!showing_) ShowValues();
}

void TargetSetWindow::AddGroupButtonClick() {
  const TargetGroup g{NewGroupSex->currentIndex() == 0 ? eiyou::Sex::Male : eiyou::Sex::Female,
                      eiyou::kTargetAgeClasses[NewGroupAge->currentIndex()]};
  if (std::find(addedGroups_.begin(), addedGroups_.end(), g) == addedGroups_.end()) addedGroups_.push_back(g);
  ShowSet();
  GroupChooser->setCurrentIndex(GroupChooser->findText(U(eiyou::GroupText(g))));
}

void TargetSetWindow::SaveButtonClick() {
  const eiyou::StoreResult r = session_.Save();
  if (!r.ok) return Refused(r);
  ShowSets();
}

void TargetSetWindow::CloseButtonClick() { reject(); }

void TargetSetWindow::reject() {
  if (SettleEdits()) QDialog::reject();
}
