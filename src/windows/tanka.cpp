#include "tanka.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <charconv>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "nutrition/food_search.h"
#include "sessions/facility_session.h"
#include "shisetsu.h"
#include "tables/data_dir.h"

using eiyou::U;

namespace {

// Search results listed at most; more say to type more.
constexpr std::size_t kFoundShown = 200;

QLineEdit* Edit(QWidget* parent, const char* name, const char* hint) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setToolTip(U(hint));
  return e;
}

QDate ThisMonday() {
  const QDate today = QDate::currentDate();
  return today.addDays(1 - today.dayOfWeek());
}

QString NumberText(int food) { return QStringLiteral("%1").arg(food, 5, 10, QLatin1Char('0')); }

}  // namespace

void PriceWindow::Open(eiyou::FacilitySession& session, QWidget* parent, const QDate& unpricedFrom,
                       const QDate& unpricedTo) {
  auto* window = parent ? parent->findChild<PriceWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
  if (!window) {
    window = new PriceWindow(session, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  if (unpricedFrom.isValid()) {
    window->FilterFrom->setDate(unpricedFrom);
    window->FilterTo->setDate(unpricedTo);
    if (window->UnpricedFilter->isChecked()) window->ShowPrices();
    window->UnpricedFilter->setChecked(true);
  }
  window->show();
  window->raise();
  window->activateWindow();
}

PriceWindow::PriceWindow(eiyou::FacilitySession& session, QWidget* parent)
    : QDialog(parent), session_(session), index_(std::make_unique<eiyou::FoodNameIndex>()) {
  setObjectName("PriceWindow");
  setWindowTitle(U("食品の単価"));
  setAccessibleName(U("食品の単価"));

  PriceTable = new QTableWidget(0, 7, this);
  PriceTable->setObjectName("PriceTable");
  PriceTable->setAccessibleName(U("食品の単価の一覧"));
  PriceTable->setHorizontalHeaderLabels({U("食品番号"), U("食品名"), U("単価(円)"), U("単位"),
                                         U("単位の重量(g)"), U("設定日"), U("納入業者")});
  PriceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  PriceTable->setSelectionMode(QAbstractItemView::SingleSelection);
  PriceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PriceTable->verticalHeader()->hide();
  PriceTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  PriceTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  connect(PriceTable, &QTableWidget::itemSelectionChanged, this, &PriceWindow::PriceTableClick);

  UnpricedFilter = new QCheckBox(U("献立で使う食品のうち単価のないもの"), this);
  UnpricedFilter->setObjectName("UnpricedFilter");
  UnpricedFilter->setToolTip(U("期間の日別献立に使われていて単価のない食品だけを表示します"));
  connect(UnpricedFilter, &QCheckBox::toggled, this, &PriceWindow::UnpricedFilterChange);
  const auto date = [this](const char* name, const QDate& d) {
    auto* e = new QDateEdit(d, this);
    e->setObjectName(QString::fromLatin1(name));
    e->setCalendarPopup(true);
    e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    connect(e, &QDateEdit::dateChanged, this, &PriceWindow::UnpricedFilterChange);
    return e;
  };
  FilterFrom = date("FilterFrom", ThisMonday());
  FilterTo = date("FilterTo", ThisMonday().addDays(4));
  auto* filter = new QHBoxLayout;
  filter->addWidget(UnpricedFilter);
  filter->addWidget(FilterFrom);
  filter->addWidget(new QLabel(U("～"), this));
  filter->addWidget(FilterTo);
  filter->addStretch(1);

  SearchEdit = Edit(this, "SearchEdit", "食品名の一部を入れると候補を表示します");
  SearchEdit->setPlaceholderText(U("食品名で探す"));
  connect(SearchEdit, &QLineEdit::textChanged, this, &PriceWindow::SearchEditChange);
  FoodList = new QListWidget(this);
  FoodList->setObjectName("FoodList");
  FoodList->setAccessibleName(U("食品の候補"));
  connect(FoodList, &QListWidget::itemSelectionChanged, this, &PriceWindow::FoodListClick);
  auto* search = new QVBoxLayout;
  search->addWidget(SearchEdit);
  search->addWidget(FoodList, 1);

  FoodEdit = Edit(this, "FoodEdit", "単価を入れる食品");
  FoodEdit->setReadOnly(true);
  PriceEdit = Edit(this, "PriceEdit", "購入単位あたりの価格（円）");
  UnitEdit = Edit(this, "UnitEdit", "購入単位の名前（例：kg、袋、本）");
  UnitGramsEdit = Edit(this, "UnitGramsEdit", "購入単位の重量（g）。1 kg あたりの単価なら 1000");
  SetOnEdit = Edit(this, "SetOnEdit", "単価を決めた日（YYYY-MM-DD）");
  SupplierEdit = Edit(this, "SupplierEdit", "納入業者（発注表をこの業者ごとに分けます）");
  auto* form = new QFormLayout;
  form->addRow(U("食品"), FoodEdit);
  form->addRow(U("単価(円)"), PriceEdit);
  form->addRow(U("単位"), UnitEdit);
  form->addRow(U("単位の重量(g)"), UnitGramsEdit);
  form->addRow(U("設定日"), SetOnEdit);
  form->addRow(U("納入業者"), SupplierEdit);
  auto* formButtons = new QHBoxLayout;
  QPushButton* save = eiyou::LayoutButton(this, "SavePriceButton", "登録", "入力した単価を登録します（登録済みの食品は書き換えます）");
  connect(save, &QPushButton::clicked, this, &PriceWindow::SavePriceButtonClick);
  QPushButton* remove = eiyou::LayoutButton(this, "RemovePriceButton", "削除", "選んだ食品の単価と納入業者を削除します");
  connect(remove, &QPushButton::clicked, this, &PriceWindow::RemovePriceButtonClick);
  formButtons->addStretch(1);
  formButtons->addWidget(save);
  formButtons->addWidget(remove);
  form->addRow(formButtons);

  auto* editing = new QHBoxLayout;
  editing->addLayout(search, 1);
  editing->addLayout(form, 1);

  auto* bottom = new QHBoxLayout;
  QPushButton* import = eiyou::LayoutButton(this, "ImportButton", "CSVから読込…", "単価をCSVファイルから読み込みます");
  connect(import, &QPushButton::clicked, this, &PriceWindow::ImportButtonClick);
  QPushButton* exportButton = eiyou::LayoutButton(this, "ExportButton", "CSVに書出…", "登録した単価をCSVファイルに書き出します");
  connect(exportButton, &QPushButton::clicked, this, &PriceWindow::ExportButtonClick);
  QPushButton* close = eiyou::LayoutButton(this, "CloseButton", "閉じる", "この画面を閉じます");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  bottom->addWidget(import);
  bottom->addWidget(exportButton);
  bottom->addStretch(1);
  bottom->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filter);
  layout->addWidget(PriceTable, 3);
  layout->addLayout(editing, 2);
  layout->addLayout(bottom);
  resize(1000, 680);

  eiyou::Guarded(this, [&] {
    eiyou::BoxMessageSink sink(this);
    session_.LoadTable(sink);
    index_->Build(session_.table(), eiyou::LoadEverydayNames());
  });
  if (const std::string problem = session_.Refresh(); !problem.empty()) Failed(problem);
  ShowPrices();
}

PriceWindow::~PriceWindow() = default;

void PriceWindow::Failed(const std::string& message) { eiyou::ShowMessage(this, U(message)); }

void PriceWindow::Refused(const eiyou::StoreResult& result) {
  if (!result.changedByOther) return Failed(result.message);
  if (!eiyou::AskReload(this, result.message)) return;
  if (const std::string problem = session_.Refresh(); !problem.empty()) Failed(problem);
  ShowFood(food_);
  ShowPrices();
}

void PriceWindow::ShowPrices() {
  shown_.clear();
  if (UnpricedFilter->isChecked()) {
    eiyou::BoxMessageSink sink(this);
    shown_ = session_.UnpricedFoods(sink, eiyou::Utf8Of(FilterFrom->date().toString(Qt::ISODate)),
                                    eiyou::Utf8Of(FilterTo->date().toString(Qt::ISODate)));
  } else {
    for (const eiyou::FoodPurchase& p : session_.purchases()) shown_.push_back(p.food);
  }
  PriceTable->setRowCount(static_cast<int>(shown_.size()));
  for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
    const int food = shown_[static_cast<std::size_t>(r)];
    const eiyou::FoodPurchase* p = session_.Purchase(food);
    const bool priced = p && p->priced;
    const QString texts[] = {
        NumberText(food),
        eiyou::ToQ(session_.FoodName(food)),
        priced ? U(eiyou::YenText(p->priceSen)) : QString(),
        priced ? U(p->unitName.empty() ? "kg" : p->unitName) : QString(),
        priced ? QString::number(p->unitGrams) : QString(),
        priced ? U(p->setOn) : QString(),
        p ? U(p->supplier) : QString()};
    for (int c = 0; c < 7; ++c) {
      auto* item = new QTableWidgetItem(texts[c]);
      if (c == 0 || c == 2 || c == 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      PriceTable->setItem(r, c, item);
    }
    if (food == food_) PriceTable->selectRow(r);
  }
}

void PriceWindow::ShowFood(int food) {
  food_ = food;
  const eiyou::FoodPurchase* p = session_.Purchase(food);
  const bool priced = p && p->priced;
  FoodEdit->setText(NumberText(food) + " " + eiyou::ToQ(session_.FoodName(food)));
  PriceEdit->setText(priced ? U(eiyou::YenText(p->priceSen)) : QString());
  UnitEdit->setText(priced ? U(p->unitName) : U("kg"));
  UnitGramsEdit->setText(priced ? QString::number(p->unitGrams) : QStringLiteral("1000"));
  SetOnEdit->setText(priced ? U(p->setOn) : QDate::currentDate().toString(Qt::ISODate));
  SupplierEdit->setText(p ? U(p->supplier) : QString());
}

void PriceWindow::PriceTableClick() {
  const int row = PriceTable->currentRow();
  if (row >= 0 && row < static_cast<int>(shown_.size())) ShowFood(shown_[static_cast<std::size_t>(row)]);
}

void PriceWindow::SearchEditChange() {
  FoodList->clear();
  const std::vector<int> rows = index_->Find(eiyou::Utf8Of(SearchEdit->text()));
  for (std::size_t i = 0; i < rows.size() && i < kFoundShown; ++i) {
    const int row = rows[i];
    const QString number = eiyou::ToQ(session_.table().Cell(1, row)).trimmed();
    auto* item = new QListWidgetItem(number + " " + eiyou::ToQ(session_.table().Cell(2, row)), FoodList);
    item->setData(Qt::UserRole, number.toInt());
  }
  if (rows.size() > kFoundShown)
    FoodList->addItem(U("ほか " + std::to_string(rows.size() - kFoundShown) + " 件：もっと詳しく入れてください"));
}

void PriceWindow::FoodListClick() {
  if (const QListWidgetItem* item = FoodList->currentItem(); item && item->data(Qt::UserRole).toInt() > 0)
    ShowFood(item->data(Qt::UserRole).toInt());
}

void PriceWindow::SavePriceButtonClick() {
  if (food_ == 0) return Failed("単価を入れる食品を、一覧か食品名の検索で選んでください。");
  eiyou::FoodPurchase p;
  p.food = food_;
  p.supplier = eiyou::Utf8Of(SupplierEdit->text().trimmed());
  const std::string price = eiyou::Utf8Of(PriceEdit->text().trimmed());
  if (!price.empty()) {
    const std::optional<std::int64_t> sen = eiyou::PriceSen(price);
    if (!sen) return Failed("単価は 0 以上の数で入れてください（円、例：350）。");
    const std::string grams = eiyou::Utf8Of(UnitGramsEdit->text().trimmed());
    std::int64_t unitGrams = 0;
    const auto [end, ec] = std::from_chars(grams.data(), grams.data() + grams.size(), unitGrams);
    if (ec != std::errc() || end != grams.data() + grams.size() || unitGrams <= 0)
      return Failed("単位の重量は 1 以上の整数で入れてください（g、例：1000）。");
    p.priced = true;
    p.priceSen = *sen;
    p.unitGrams = unitGrams;
    p.unitName = eiyou::Utf8Of(UnitEdit->text().trimmed());
    p.setOn = eiyou::Utf8Of(SetOnEdit->text().trimmed());
    if (!QDate::fromString(U(p.setOn), Qt::ISODate).isValid())
      return Failed("設定日は YYYY-MM-DD の形で入れてください（例：2025-04-01）。");
  } else if (p.supplier.empty()) {
    return Failed("単価か納入業者を入れてください。");
  }
  if (const eiyou::StoreResult r = session_.SavePurchase(p); !r.ok) return Refused(r);
  ShowPrices();
}

void PriceWindow::RemovePriceButtonClick() {
  if (food_ == 0 || !session_.Purchase(food_)) return Failed("削除する食品を一覧で選んでください。");
  if (!eiyou::Confirm(this, U("「") + eiyou::ToQ(session_.FoodName(food_)) + U("」の単価と納入業者を削除しますか？"),
                      "削除する", "削除しない"))
    return;
  if (const eiyou::StoreResult r = session_.RemovePurchase(food_); !r.ok) return Refused(r);
  ShowFood(food_);
  ShowPrices();
}

void PriceWindow::ImportButtonClick() {
  const QString path = eiyou::AskCsvFile(this, U("単価のCSVを読み込む"), "PriceCsvOpenDialog");
  if (path.isEmpty()) return;
  const eiyou::CsvImport r = session_.ImportPriceCsv(eiyou::Utf8Of(path));
  if (!r.problems.empty()) return ShowCsvProblems(this, path, r.problems);
  if (!r.result.ok) return Failed(r.result.message);
  ShowPrices();
  eiyou::ShowMessage(this, U("単価を読み込みました：") + QDir::toNativeSeparators(path));
}

void PriceWindow::ExportButtonClick() {
  const QString path = eiyou::AskCsvFile(this, U("単価をCSVに書き出す"), "PriceCsvSaveDialog", U("食品の単価.csv"));
  if (path.isEmpty()) return;
  if (const eiyou::StoreResult r = session_.ExportPriceCsv(eiyou::Utf8Of(path)); !r.ok)
    return eiyou::ShowError(this, U(r.message));
  eiyou::ShowMessage(this, U("書き出しました：") + QDir::toNativeSeparators(path));
}

void PriceWindow::UnpricedFilterChange() { ShowPrices(); }
