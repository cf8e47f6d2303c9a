#include "arerugen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/messages.h"
#include "gui/screen_fit.h"
#include "gui/text.h"
#include "nutrition/food_groups.h"
#include "sessions/allergen_session.h"

using eiyou::U;

namespace {

// The override box's choices, in this order: none (the rules decide), then
// the presences from the strongest.
const char* const kChoices[] = {"規則どおり", "含む", "含む可能性あり", "含まない"};
constexpr eiyou::AllergenPresence kChoicePresence[] = {
    eiyou::AllergenPresence::None, eiyou::AllergenPresence::Contains,
    eiyou::AllergenPresence::MayContain, eiyou::AllergenPresence::None};

int ChoiceOf(std::optional<eiyou::AllergenPresence> o) {
  if (!o) return 0;
  return *o == eiyou::AllergenPresence::Contains ? 1 : *o == eiyou::AllergenPresence::MayContain ? 2 : 3;
}

QString FoodNumberText(int number) { return QString::number(number).rightJustified(5, u'0'); }

}  // namespace

AllergenWindow::AllergenWindow(eiyou::AllergenSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
  setObjectName("AllergenWindow");
  setWindowTitle(U("アレルゲンの確認"));
  setAccessibleName(U("アレルゲンの確認"));

  group_ = new QComboBox(this);
  group_->setObjectName("FoodGroupBox");
  group_->setAccessibleName(U("食品群"));
  group_->addItem(U("すべての食品群"), 0);
  for (int g = 1; g <= 18; ++g) group_->addItem(U(eiyou::OfficialGroupName(g)), g);
  search_ = new QLineEdit(this);
  search_->setObjectName("FoodSearchEdit");
  search_->setAccessibleName(U("食品名で検索"));
  search_->setPlaceholderText(U("食品名で検索"));
  overriddenOnly_ = new QCheckBox(U("上書きした食品のみ"), this);
  overriddenOnly_->setObjectName("OverriddenOnlyCheck");
  foods_ = new QListWidget(this);
  foods_->setObjectName("FoodList");
  foods_->setAccessibleName(U("食品"));

  items_ = new QTableWidget(0, 4, this);
  items_->setObjectName("AllergenItemTable");
  items_->setAccessibleName(U("アレルゲンの品目"));
  items_->setHorizontalHeaderLabels({U("品目"), U("規則による判定"), U("根拠"), U("指定")});
  items_->verticalHeader()->hide();
  items_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  items_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  source_ = new QLabel(this);
  source_->setObjectName("AllergenSourceNote");
  source_->setWordWrap(true);

  auto* filters = new QHBoxLayout;
  filters->addWidget(group_);
  filters->addWidget(search_, 1);
  filters->addWidget(overriddenOnly_);
  auto* panes = new QHBoxLayout;
  panes->addWidget(foods_, 2);
  panes->addWidget(items_, 3);
  auto* close = new QPushButton(U("閉じる"), this);
  close->setObjectName("CloseButton");
  close->setToolTip(U("この画面を閉じます"));
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(source_, 1);
  bottom->addWidget(close, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addLayout(panes, 1);
  layout->addLayout(bottom);
  resize(1000, 640);

  connect(group_, &QComboBox::currentIndexChanged, this, [this] { ListFoods(); });
  connect(search_, &QLineEdit::textChanged, this, [this] { ListFoods(); });
  connect(overriddenOnly_, &QCheckBox::toggled, this, [this] { ListFoods(); });
  connect(foods_, &QListWidget::currentRowChanged, this, [this] { ShowFood(); });

  const eiyou::AllergenList& list = session_.list();
  source_->setText(U("「含む可能性あり」は、食品成分表の食品名からは材料が決まらない（加工・調理済みの食品など）という意味で、"
                     "「含まない」とは限りません。品目: " + list.mandatorySource + "、" + list.recommendedSource + "。"));
  ListFoods();
}

void AllergenWindow::Open(eiyou::AllergenSession& session, QWidget* parent) {
  if (auto* open = parent ? parent->findChild<AllergenWindow*>("AllergenWindow") : nullptr) {
    open->show();
    open->raise();
    open->activateWindow();
    return;
  }
  if (!session.loaded())
    if (const std::string message = session.Load(); !message.empty())
      eiyou::ShowError(parent, U(message));
  auto* window = new AllergenWindow(session, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  // Wholly on the screen beside the facility window, shrunk on a small one.
  if (parent)
    eiyou::ShowBeside(parent->window(), window);
  else
    window->show();
}

void AllergenWindow::ListFoods() {
  const int group = group_->currentData().toInt();
  const std::string typed = search_->text().toStdString();
  std::vector<int> rows;
  const bool searching = !eiyou::SplitWords(typed).empty() && session_.names().built();
  if (searching) rows = session_.names().Find(typed);
  const int keep = foods_->currentItem() ? foods_->currentItem()->data(Qt::UserRole).toInt() : 0;
  foods_->clear();
  for (const eiyou::AllergenSession::Food& food : session_.foods()) {
    if (group != 0 && food.number / 1000 != group) continue;
    if (searching && !std::binary_search(rows.begin(), rows.end(), food.row)) continue;
    if (overriddenOnly_->isChecked() && !session_.HasOverrides(food.number)) continue;
    auto* item = new QListWidgetItem(FoodNumberText(food.number) + u' ' + U(food.name), foods_);
    item->setData(Qt::UserRole, food.number);
    if (food.number == keep) foods_->setCurrentItem(item);
  }
  if (!foods_->currentItem() && foods_->count() > 0) foods_->setCurrentRow(0);
  ShowFood();
}

void AllergenWindow::ShowFood() {
  filling_ = true;
  items_->setRowCount(0);
  const QListWidgetItem* current = foods_->currentItem();
  const eiyou::AllergenSession::Food* food =
      current ? session_.FindFood(current->data(Qt::UserRole).toInt()) : nullptr;
  if (!food) {
    filling_ = false;
    return;
  }
  const eiyou::AllergenList& list = session_.list();
  items_->setRowCount(static_cast<int>(list.size()));
  for (std::size_t i = 0; i < list.size(); ++i) {
    const int row = static_cast<int>(i);
    const eiyou::AllergenCell derived = food->derived[i];
    items_->setItem(row, 0, new QTableWidgetItem(U(list.items[i].name + (list.items[i].mandatory ? "（義務）" : "（推奨）"))));
    items_->setItem(row, 1, new QTableWidgetItem(U(eiyou::AllergenPresenceText(derived.presence))));
    items_->setItem(row, 2, new QTableWidgetItem(U(eiyou::AllergenReasonText(session_.rules(), derived.rule))));
    auto* choice = new QComboBox(items_);
    choice->setObjectName("OverrideBox");
    choice->setAccessibleName(U("指定: " + list.items[i].name));
    for (const char* c : kChoices) choice->addItem(U(c));
    choice->setCurrentIndex(ChoiceOf(session_.Override(food->number, i)));
    connect(choice, &QComboBox::currentIndexChanged, this,
            [this, row](int index) { SetOverride(row, index); });
    items_->setCellWidget(row, 3, choice);
  }
  items_->resizeColumnToContents(0);
  items_->resizeColumnToContents(1);
  filling_ = false;
}

void AllergenWindow::SetOverride(int item, int choice) {
  if (filling_ || !foods_->currentItem()) return;
  const int number = foods_->currentItem()->data(Qt::UserRole).toInt();
  const std::optional<eiyou::AllergenPresence> presence =
      choice == 0 ? std::nullopt : std::optional(kChoicePresence[choice]);
  const eiyou::StoreResult result = session_.SetOverride(number, static_cast<std::size_t>(item), presence);
  if (result.changedByOther) {
    if (eiyou::AskReload(this, result.message))
      if (const std::string problem = session_.ReloadOverrides(); !problem.empty())
        eiyou::ShowError(this, U(problem));
  } else if (!result.ok) {
    eiyou::ShowError(this, U(result.message));
  }
  ShowFood();
}
