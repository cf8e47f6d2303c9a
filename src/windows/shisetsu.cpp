#include "shisetsu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "nutrition/target_set.h"
#include "sessions/facility_session.h"
#include "tables/data_dir.h"
#include "tables/reference_sets.h"
#include "arerugen.h"
#include "tanka.h"

using eiyou::EaterGroup;
using eiyou::U;

namespace {

// A refusal lists this many problems; the rest are counted.
constexpr std::size_t kProblemsShown = 20;
constexpr const char* kWeekdays[] = {"月", "火", "水", "木", "金", "土", "日"};

QTableWidgetItem* Cell(const QString& text, bool number = false) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

std::string MealsText(std::uint8_t meals) {
  std::string text;
  for (const auto& [bit, name] : {std::pair{eiyou::kBreakfast, "朝"}, {eiyou::kLunch, "昼"}, {eiyou::kDinner, "夕"}})
    if (meals & bit) text += text.empty() ? name : std::string("・") + name;
  return text.empty() ? "なし" : text;
}

const std::vector<eiyou::Period>& SchoolBands() {
  return eiyou::BundledReferenceSets().schoolLunch.bands();
}

}  // namespace

void OpenAllergenReview(eiyou::FacilitySession& session, QWidget* parent) {
  if (session.allergens) AllergenWindow::Open(*session.allergens, parent);
}

void ShowCsvProblems(QWidget* parent, const QString& path, const std::vector<std::string>& problems) {
  QString text = U("次の誤りがあるため、読み込みませんでした（何も保存していません）。\n") + path + "\n";
  for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) text += "\n" + U(problems[i]);
  if (problems.size() > kProblemsShown)
    text += U("\nほか " + std::to_string(problems.size() - kProblemsShown) + " 件");
  eiyou::ShowMessage(parent, text);
}

void FacilityWindow::Open(eiyou::FacilitySession& session, QWidget* parent) {
  if (auto* open = parent ? parent->findChild<FacilityWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr) {
    open->raise();
    open->activateWindow();
    return;
  }
  auto* window = new FacilityWindow(session, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}

FacilityWindow::FacilityWindow(eiyou::FacilitySession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("FacilityWindow");
  setWindowTitle(U("給食施設"));
  setAccessibleName(U("給食施設"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("FacilityTabs");

  // ---- 喫食グループ ----
  auto* groupsPage = new QWidget(tabs);
  groupsPage->setObjectName("GroupsPage");
  GroupTable = new QTableWidget(0, 5, groupsPage);
  GroupTable->setObjectName("GroupTable");
  GroupTable->setAccessibleName(U("喫食グループの一覧"));
  GroupTable->setHorizontalHeaderLabels({U("名前"), U("量の倍率"), U("喫食人数"), U("食事"), U("評価の基準")});
  GroupTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  GroupTable->setSelectionMode(QAbstractItemView::SingleSelection);
  GroupTable->verticalHeader()->hide();
  GroupTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  GroupTable->horizontalHeader()->setStretchLastSection(true);
  connect(GroupTable, &QTableWidget::itemSelectionChanged, this, &FacilityWindow::GroupTableClick);

  GroupNameEdit = new QLineEdit(groupsPage);
  GroupNameEdit->setObjectName("GroupNameEdit");
  GroupNameEdit->setToolTip(U("グループの名前（例：低学年、常食）"));
  FactorEdit = new QLineEdit(QStringLiteral("1"), groupsPage);
  FactorEdit->setObjectName("FactorEdit");
  FactorEdit->setToolTip(U("献立の量に掛ける倍率（例：0.8、1.1）"));
  FactorEdit->setMaximumWidth(80);
  HeadcountSpin = new QSpinBox(groupsPage);
  HeadcountSpin->setObjectName("HeadcountSpin");
  HeadcountSpin->setRange(0, 100000);
  HeadcountSpin->setToolTip(U("ふだんの喫食人数（日ごとの人数は「日別の人数」で変えます）"));
  BreakfastCheck = new QCheckBox(U("朝"), groupsPage);
  BreakfastCheck->setObjectName("BreakfastCheck");
  LunchCheck = new QCheckBox(U("昼"), groupsPage);
  LunchCheck->setObjectName("LunchCheck");
  LunchCheck->setChecked(true);
  DinnerCheck = new QCheckBox(U("夕"), groupsPage);
  DinnerCheck->setObjectName("DinnerCheck");
  StandardKindBox = new QComboBox(groupsPage);
  StandardKindBox->setObjectName("StandardKindBox");
  StandardKindBox->addItems({U("評価しない"), U("学校給食摂取基準"), U("目標量セット"), U("食事摂取基準")});
  StandardKindBox->setToolTip(U("このグループの栄養量を何と比べて評価するか"));
  connect(StandardKindBox, &QComboBox::currentIndexChanged, this, &FacilityWindow::StandardKindChange);
  BandBox = new QComboBox(groupsPage);
  BandBox->setObjectName("BandBox");
  BandBox->setToolTip(U("学校給食摂取基準の区分"));
  for (const eiyou::Period& band : SchoolBands()) BandBox->addItem(U(eiyou::AgeClassText(band)));
  TargetSetBox = new QComboBox(groupsPage);
  TargetSetBox->setObjectName("TargetSetBox");
  TargetSetBox->setToolTip(U("目標量セット"));
  SexBox = new QComboBox(groupsPage);
  SexBox->setObjectName("SexBox");
  SexBox->addItems({U("男性"), U("女性")});
  SexBox->setCurrentIndex(1);
  AgeBox = new QComboBox(groupsPage);
  AgeBox->setObjectName("AgeBox");
  for (const eiyou::Period& age : eiyou::kTargetAgeClasses) AgeBox->addItem(U(eiyou::AgeClassText(age)));
  AgeBox->setCurrentIndex(10);  // 30-49歳

  auto* meals = new QHBoxLayout;
  meals->addWidget(BreakfastCheck);
  meals->addWidget(LunchCheck);
  meals->addWidget(DinnerCheck);
  meals->addStretch(1);
  auto* standard = new QHBoxLayout;
  standard->addWidget(StandardKindBox);
  standard->addWidget(BandBox);
  standard->addWidget(TargetSetBox);
  standard->addWidget(SexBox);
  standard->addWidget(AgeBox);
  standard->addStretch(1);
  auto* numbers = new QHBoxLayout;
  numbers->addWidget(FactorEdit);
  numbers->addSpacing(24);
  numbers->addWidget(new QLabel(U("喫食人数"), groupsPage));
  numbers->addWidget(HeadcountSpin);
  numbers->addWidget(new QLabel(U("人"), groupsPage));
  numbers->addStretch(1);
  auto* form = new QFormLayout;
  form->addRow(U("名前"), GroupNameEdit);
  form->addRow(U("量の倍率"), numbers);
  form->addRow(U("食事"), meals);
  form->addRow(U("評価の基準"), standard);

  auto* groupButtons = new QHBoxLayout;
  const auto add = [&](const char* name, const char* caption, const char* hint, void (FacilityWindow::*slot)()) {
    QPushButton* b = eiyou::LayoutButton(groupsPage, name, caption, hint);
    connect(b, &QPushButton::clicked, this, slot);
    groupButtons->addWidget(b);
  };
  add("AddGroupButton", "追加", "入力した内容で新しいグループを加えます", &FacilityWindow::AddGroupButtonClick);
  add("ChangeGroupButton", "変更", "選んだグループを入力した内容に変えます", &FacilityWindow::ChangeGroupButtonClick);
  add("DeleteGroupButton", "削除", "選んだグループを削除します", &FacilityWindow::DeleteGroupButtonClick);
  groupButtons->addStretch(1);
  add("UpButton", "上へ", "選んだグループを一つ上へ移します", &FacilityWindow::UpButtonClick);
  add("DownButton", "下へ", "選んだグループを一つ下へ移します", &FacilityWindow::DownButtonClick);
  auto* groupsLayout = new QVBoxLayout(groupsPage);
  groupsLayout->addWidget(GroupTable, 1);
  groupsLayout->addLayout(form);
  groupsLayout->addLayout(groupButtons);
  tabs->addTab(groupsPage, U("喫食グループ"));

  // ---- 日別の人数 ----
  auto* daysPage = new QWidget(tabs);
  daysPage->setObjectName("HeadcountPage");
  MonthEdit = new QDateEdit(QDate::currentDate(), daysPage);
  MonthEdit->setObjectName("MonthEdit");
  MonthEdit->setDisplayFormat(U("yyyy年M月"));
  MonthEdit->setToolTip(U("人数を表示する月"));
  connect(MonthEdit, &QDateEdit::dateChanged, this, &FacilityWindow::MonthChange);
  QPushButton* csv = eiyou::LayoutButton(daysPage, "HeadcountCsvButton", "CSVから読込…", "日付とグループごとの人数をCSVファイルから読み込みます");
  connect(csv, &QPushButton::clicked, this, &FacilityWindow::HeadcountCsvButtonClick);
  auto* monthRow = new QHBoxLayout;
  monthRow->addWidget(new QLabel(U("月"), daysPage));
  monthRow->addWidget(MonthEdit);
  monthRow->addStretch(1);
  monthRow->addWidget(csv);
  HeadcountTable = new QTableWidget(daysPage);
  HeadcountTable->setObjectName("HeadcountTable");
  HeadcountTable->setAccessibleName(U("日別の喫食人数"));
  connect(HeadcountTable, &QTableWidget::itemChanged, this, &FacilityWindow::HeadcountEdited);
  auto* note = new QLabel(U("人数を書き換えるとその日だけの人数になります（0 は提供しない日、空欄に戻すとふだんの人数）。太字はその日だけの人数です。"), daysPage);
  note->setObjectName("HeadcountNote");
  note->setWordWrap(true);
  auto* daysLayout = new QVBoxLayout(daysPage);
  daysLayout->addLayout(monthRow);
  daysLayout->addWidget(HeadcountTable, 1);
  daysLayout->addWidget(note);
  tabs->addTab(daysPage, U("日別の人数"));

  // ---- 施設情報 ----
  auto* infoPage = new QWidget(tabs);
  infoPage->setObjectName("InfoPage");
  FacilityNameEdit = new QLineEdit(infoPage);
  FacilityNameEdit->setObjectName("FacilityNameEdit");
  FacilityNameEdit->setToolTip(U("献立表に載せる施設名"));
  NotesEdit = new QPlainTextEdit(infoPage);
  NotesEdit->setObjectName("NotesEdit");
  NotesEdit->setToolTip(U("献立表の下に載せるお知らせ"));
  QPushButton* saveInfo = eiyou::LayoutButton(infoPage, "SaveInfoButton", "保存", "施設名とお知らせを保存します");
  connect(saveInfo, &QPushButton::clicked, this, &FacilityWindow::SaveInfoButtonClick);
  auto* infoForm = new QFormLayout(infoPage);
  infoForm->addRow(U("施設名"), FacilityNameEdit);
  infoForm->addRow(U("お知らせ"), NotesEdit);
  infoForm->addRow(QString(), saveInfo);
  tabs->addTab(infoPage, U("施設情報"));

  auto* bottom = new QHBoxLayout;
  QPushButton* prices = eiyou::LayoutButton(this, "PriceButton", "食品の単価…", "食品の単価と納入業者を編集します");
  connect(prices, &QPushButton::clicked, this, &FacilityWindow::PriceButtonClick);
  QPushButton* allergens = eiyou::LayoutButton(this, "AllergenButton", "アレルゲン…", "食品のアレルゲンを確認・修正します");
  connect(allergens, &QPushButton::clicked, this, &FacilityWindow::AllergenButtonClick);
  QPushButton* close = eiyou::LayoutButton(this, "CloseButton", "閉じる", "この画面を閉じます");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  bottom->addWidget(prices);
  bottom->addWidget(allergens);
  bottom->addStretch(1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs, 1);
  layout->addLayout(bottom);
  resize(900, 620);

  if (const std::string problem = session_.Refresh(); !problem.empty()) Failed(problem);
  for (const std::string& name : session_.TargetSetNames()) TargetSetBox->addItem(U(name));
  ShowInfo();
  StandardKindChange();
  ShowGroups();
}

void FacilityWindow::Failed(const std::string& message) { eiyou::ShowMessage(this, U(message)); }

void FacilityWindow::ShowInfo() {
  FacilityNameEdit->setText(U(session_.info().name));
  NotesEdit->setPlainText(U(session_.info().notes));
}

void FacilityWindow::Refused(const eiyou::StoreResult& result) {
  if (!result.changedByOther) return Failed(result.message);
  if (!eiyou::AskReload(this, result.message)) return;
  if (const std::string problem = session_.Refresh(); !problem.empty()) Failed(problem);
  ShowInfo();
  ShowGroups();
}

std::int64_t FacilityWindow::ChosenGroup() const {
  const int row = GroupTable->currentRow();
  const auto& groups = session_.groups();
  return row >= 0 && row < static_cast<int>(groups.size()) ? groups[static_cast<std::size_t>(row)].id : 0;
}

void FacilityWindow::ShowGroups() {
  const std::int64_t chosen = ChosenGroup();
  showing_ = true;
  const auto& groups = session_.groups();
  GroupTable->setRowCount(static_cast<int>(groups.size()));
  for (int r = 0; r < static_cast<int>(groups.size()); ++r) {
    const EaterGroup& g = groups[static_cast<std::size_t>(r)];
    GroupTable->setItem(r, 0, Cell(U(g.name)));
    GroupTable->setItem(r, 1, Cell(U(eiyou::FactorText(g.factorPermille)), true));
    GroupTable->setItem(r, 2, Cell(QString::number(g.headcount), true));
    GroupTable->setItem(r, 3, Cell(U(MealsText(g.meals))));
    GroupTable->setItem(r, 4, Cell(U(eiyou::StandardCaption(g.profile))));
    if (g.id == chosen) GroupTable->selectRow(r);
  }
  showing_ = false;
  ShowHeadcounts();
}

void FacilityWindow::GroupTableClick() {
  if (showing_) return;
  const eiyou::EaterGroup* g = session_.Group(ChosenGroup());
  if (!g) return;
  GroupNameEdit->setText(U(g->name));
  FactorEdit->setText(U(eiyou::FactorText(g->factorPermille)));
  HeadcountSpin->setValue(g->headcount);
  BreakfastCheck->setChecked(g->meals & eiyou::kBreakfast);
  LunchCheck->setChecked(g->meals & eiyou::kLunch);
  DinnerCheck->setChecked(g->meals & eiyou::kDinner);
  const eiyou::GroupStandard s = eiyou::StandardOf(g->profile);
  StandardKindBox->setCurrentIndex(static_cast<int>(s.kind));
  SexBox->setCurrentIndex(s.sex == eiyou::Sex::Male ? 0 : 1);
  for (int i = 0; i < static_cast<int>(std::size(eiyou::kTargetAgeClasses)); ++i)
    if (eiyou::kTargetAgeClasses[i] == s.age) AgeBox->setCurrentIndex(i);
  for (int i = 0; i < static_cast<int>(SchoolBands().size()); ++i)
    if (SchoolBands()[static_cast<std::size_t>(i)] == s.age) BandBox->setCurrentIndex(i);
  if (s.kind == eiyou::StandardKind::TargetSet) {
    if (TargetSetBox->findText(U(s.targetSet)) < 0) TargetSetBox->addItem(U(s.targetSet));
    TargetSetBox->setCurrentIndex(TargetSetBox->findText(U(s.targetSet)));
  }
}

void FacilityWindow::StandardKindChange() {
  const auto kind = static_cast<eiyou::StandardKind>(StandardKindBox->currentIndex());
  BandBox->setVisible(kind == eiyou::StandardKind::SchoolLunch);
  TargetSetBox->setVisible(kind == eiyou::StandardKind::TargetSet);
  SexBox->setVisible(kind == eiyou::StandardKind::TargetSet || kind == eiyou::StandardKind::Intakes);
  AgeBox->setVisible(SexBox->isVisibleTo(this));
}

bool FacilityWindow::FormGroup(EaterGroup& g) {
  g.name = eiyou::Utf8Of(GroupNameEdit->text().trimmed());
  if (g.name.empty()) {
    Failed("グループの名前を入れてください。");
    return false;
  }
  const std::optional<int> factor = eiyou::FactorPermille(eiyou::Utf8Of(FactorEdit->text().trimmed()));
  if (!factor) {
    Failed("量の倍率は 0 より大きく 10 以下の数で入れてください（例：0.8）。");
    return false;
  }
  g.factorPermille = *factor;
  g.headcount = HeadcountSpin->value();
  g.meals = static_cast<std::uint8_t>((BreakfastCheck->isChecked() ? eiyou::kBreakfast : 0) |
                                      (LunchCheck->isChecked() ? eiyou::kLunch : 0) |
                                      (DinnerCheck->isChecked() ? eiyou::kDinner : 0));
  if (g.meals == 0) {
    Failed("食べる食事（朝・昼・夕）を一つ以上選んでください。");
    return false;
  }
  eiyou::GroupStandard s;
  s.kind = static_cast<eiyou::StandardKind>(StandardKindBox->currentIndex());
  s.sex = SexBox->currentIndex() == 0 ? eiyou::Sex::Male : eiyou::Sex::Female;
  if (s.kind == eiyou::StandardKind::SchoolLunch && BandBox->currentIndex() >= 0)
    s.age = SchoolBands()[static_cast<std::size_t>(BandBox->currentIndex())];
  else
    s.age = eiyou::kTargetAgeClasses[AgeBox->currentIndex()];
  s.targetSet = eiyou::Utf8Of(TargetSetBox->currentText());
  if (s.kind == eiyou::StandardKind::TargetSet && s.targetSet.empty()) {
    Failed("目標量セットがありません。先に「目標量セット」で作ってください。");
    return false;
  }
  g.profile = eiyou::StandardProfileText(s);
  return true;
}

void FacilityWindow::AddGroupButtonClick() {
  EaterGroup g;
  if (!FormGroup(g)) return;
  std::int64_t id = 0;
  if (const eiyou::StoreResult r = session_.SaveGroup(g, &id); !r.ok) return Refused(r);
  ShowGroups();
  for (int r = 0; r < static_cast<int>(session_.groups().size()); ++r)
    if (session_.groups()[static_cast<std::size_t>(r)].id == id) GroupTable->selectRow(r);
}

void FacilityWindow::ChangeGroupButtonClick() {
  const eiyou::EaterGroup* chosen = session_.Group(ChosenGroup());
  if (!chosen) return Failed("変更するグループを一覧で選んでください。");
  EaterGroup g = *chosen;
  if (!FormGroup(g)) return;
  if (const eiyou::StoreResult r = session_.SaveGroup(g); !r.ok) return Refused(r);
  ShowGroups();
}

void FacilityWindow::DeleteGroupButtonClick() {
  const eiyou::EaterGroup* chosen = session_.Group(ChosenGroup());
  if (!chosen) return Failed("削除するグループを一覧で選んでください。");
  if (!eiyou::Confirm(this, U("喫食グループ「" + chosen->name + "」を削除しますか？\n日別の人数も削除されます。"),
                      "削除する", "削除しない"))
    return;
  if (const eiyou::StoreResult r = session_.DeleteGroup(chosen->id); !r.ok) return Failed(r.message);
  ShowGroups();
}

void FacilityWindow::Move(int step) {
  const std::int64_t id = ChosenGroup();
  if (id == 0) return;
  if (const eiyou::StoreResult r = session_.MoveGroup(id, step); !r.ok) return Refused(r);
  ShowGroups();
}

void FacilityWindow::UpButtonClick() { Move(-1); }
void FacilityWindow::DownButtonClick() { Move(+1); }

void FacilityWindow::MonthChange() { ShowHeadcounts(); }

void FacilityWindow::ShowHeadcounts() {
  const QDate first(MonthEdit->date().year(), MonthEdit->date().month(), 1);
  const QDate last = first.addMonths(1).addDays(-1);
  std::string error;
  const std::vector<eiyou::HeadcountChange> changes = session_.HeadcountChanges(
      eiyou::Utf8Of(first.toString(Qt::ISODate)), eiyou::Utf8Of(last.toString(Qt::ISODate)), error);
  if (!error.empty()) Failed(error);
  const auto& groups = session_.groups();
  const bool wasShowing = showing_;
  showing_ = true;
  HeadcountTable->clear();
  HeadcountTable->setColumnCount(static_cast<int>(groups.size()));
  HeadcountTable->setRowCount(first.daysInMonth());
  QStringList headings, dates;
  for (const EaterGroup& g : groups) headings << U(g.name);
  HeadcountTable->setHorizontalHeaderLabels(headings);
  for (int d = 0; d < first.daysInMonth(); ++d) {
    const QDate date = first.addDays(d);
    dates << QStringLiteral("%1/%2 (").arg(date.month()).arg(date.day()) + U(kWeekdays[date.dayOfWeek() - 1]) + ")";
    const std::string iso = eiyou::Utf8Of(date.toString(Qt::ISODate));
    for (int c = 0; c < static_cast<int>(groups.size()); ++c) {
      const EaterGroup& g = groups[static_cast<std::size_t>(c)];
      auto* item = new QTableWidgetItem(QString::number(eiyou::HeadcountOn(g, iso, changes)));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      bool changed = false;
      for (const eiyou::HeadcountChange& h : changes) changed = changed || (h.date == iso && h.group == g.id);
      QFont font = item->font();
      font.setBold(changed);
      item->setFont(font);
      if (date.dayOfWeek() >= 6) item->setBackground(QColor(0xF0, 0xF0, 0xF0));
      HeadcountTable->setItem(d, c, item);
    }
  }
  HeadcountTable->setVerticalHeaderLabels(dates);
  showing_ = wasShowing;
}

void FacilityWindow::HeadcountEdited(QTableWidgetItem* item) {
  if (showing_) return;
  const auto& groups = session_.groups();
  if (item->column() >= static_cast<int>(groups.size())) return;
  const QDate first(MonthEdit->date().year(), MonthEdit->date().month(), 1);
  const std::string date = eiyou::Utf8Of(first.addDays(item->row()).toString(Qt::ISODate));
  const QString text = item->text().trimmed();
  bool ok = true;
  const int headcount = text.isEmpty() ? -1 : text.toInt(&ok);
  if (!ok || headcount < -1 || headcount > 100000) {
    Failed("人数は 0 以上の整数で入れてください（空欄でふだんの人数に戻ります）。");
  } else if (const eiyou::StoreResult r =
                 session_.SetHeadcount(date, groups[static_cast<std::size_t>(item->column())].id, headcount);
             !r.ok) {
    Refused(r);
  }
  // The cell as stored: a refused edit goes back.
  QMetaObject::invokeMethod(this, &FacilityWindow::ShowHeadcounts, Qt::QueuedConnection);
}

void FacilityWindow::HeadcountCsvButtonClick() {
  const QString path = eiyou::AskCsvFile(this, U("日別の人数のCSVを読み込む"), "HeadcountCsvOpenDialog");
  if (path.isEmpty()) return;
  const eiyou::CsvImport r = session_.ImportHeadcountCsv(eiyou::Utf8Of(path));
  if (!r.problems.empty()) return ShowCsvProblems(this, path, r.problems);
  if (!r.result.ok) return Failed(r.result.message);
  ShowHeadcounts();
  eiyou::ShowMessage(this, U("日別の人数を読み込みました：") + path);
}

void FacilityWindow::SaveInfoButtonClick() {
  const eiyou::FacilityInfo info{eiyou::Utf8Of(FacilityNameEdit->text().trimmed()),
                                 eiyou::Utf8Of(NotesEdit->toPlainText())};
  if (const eiyou::StoreResult r = session_.SaveInfo(info); !r.ok) return Refused(r);
  eiyou::ShowMessage(this, U("施設情報を保存しました。"));
}

void FacilityWindow::PriceButtonClick() { PriceWindow::Open(session_, this); }

void FacilityWindow::AllergenButtonClick() { OpenAllergenReview(session_, this); }
