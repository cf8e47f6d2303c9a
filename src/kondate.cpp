#include "kondate.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

#include <initializer_list>
#include <string_view>

#include "nutrition/nutrients.h"
#include "nutrition/radar_chart.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/food_table.h"
#include "tables/numbers.h"
#include "tables/reference_table.h"

using eiyou::AppendItem;
using eiyou::BoxMessageSink;
using eiyou::ChosenItem;
using eiyou::Guarded;
using eiyou::InsertSorted;
using eiyou::ItemBytes;
using eiyou::MakeButton;
using eiyou::MakeChoiceBox;
using eiyou::ShowMessage;

namespace {

constexpr int kDishLimit = 300;
constexpr int kClientWidth = 1169;  // PaintBox1's right edge
constexpr int kClientHeight = 817;  // PaintBox1's bottom edge

// A text taken from a combo box on every change. It is kept as typed even when
// it has no CP932 code, so that registration can tell the user then (not at
// every keystroke).
struct TypedChoice {
  QString shown;
  std::string bytes;
  bool encodable = true;

  void Take(const QString& text) {
    shown = text;
    encodable = eiyou::FromQ(text, bytes);
    if (!encodable) bytes.clear();
  }
};

// The dish side: everything here lives for the program run, not for one window.
struct DishSide {
  eiyou::FoodTable food;
  eiyou::ReferenceTable reference;
  eiyou::NutrientCalculator calc{food, reference};
  eiyou::RadarChart chart{eiyou::kDishChart};
  bool ChartDrawn = false;
  int SelectedGroup = 0;
  TypedChoice SelectedCuisine;
  TypedChoice SelectedCategory;
};

DishSide& Side() {
  static DishSide side;
  return side;
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QListWidgetItem* Selected(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? nullptr : items.first();
}

// A line end would split a dish line in two when the file is read back, and a
// NUL byte would end the file's text there. One-line edits still accept them
// when pasted.
bool BreaksTheLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The first two bytes of a food number, trimmed of bytes <= 32 at both ends.
std::string_view GroupKey(std::string_view number) {
  std::string_view two = number.substr(0, 2);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!two.empty() && blank(two.front())) two.remove_prefix(1);
  while (!two.empty() && blank(two.back())) two.remove_suffix(1);
  return two;
}

QLabel* MakeStatic(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* l = new QLabel(U(caption), parent);
  l->setObjectName(U(name));
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setAlignment(Qt::AlignCenter);
  l->setGeometry(geometry);
  return l;
}

template <class List>
List* MakeList(QWidget* parent, const char* name, QRect geometry) {
  auto* l = new List(parent);
  l->setObjectName(U(name));
  l->setSelectionMode(QAbstractItemView::SingleSelection);
  l->setGeometry(geometry);
  return l;
}

constexpr eiyou::AxisLabel kAxisLabels[9] = {
    {"エネルギー", 912, 422},   {"たんぱく質", 1056, 464},  {"総脂質", 1120, 570},
    {"カルシウム", 1088, 696},  {"鉄", 1004, 768},          {"ビタミンＡ", 840, 768},
    {"ビタミンＢ１", 732, 666}, {"ビタミンＢ２", 732, 559}, {"ビタミンＣ", 776, 464},
};

}  // namespace

// ---- PickList -----------------------------------------------------------------

namespace eiyou {

void PickList::mousePressEvent(QMouseEvent* event) {
  // Only the left button picks, or even moves the selection.
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressing_ = true;
  rowAtPress_ = currentRow();
  QListWidget::mousePressEvent(event);
}

void PickList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click on the same item is not another pick;
  // the base class turns one on a different item into a press.
  pressing_ = false;
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void PickList::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (!pressing_) return;
  pressing_ = false;
  QListWidgetItem* current = currentItem();
  if (!current || !current->isSelected()) return;
  // A click on the selected item picks it again; a press dragged elsewhere
  // picks where the selection ended.
  if (itemAt(event->position().toPoint()) == current || currentRow() != rowAtPress_)
    emit picked();
}

void PickList::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  const bool wasSelected = currentItem() && currentItem()->isSelected();
  QListWidget::keyPressEvent(event);
  QListWidgetItem* current = currentItem();
  if (current && current->isSelected() && (currentRow() != before || !wasSelected))
    emit picked();
}

}  // namespace eiyou

// ---- TForm3 -------------------------------------------------------------------

TForm3::TForm3(QWidget* parent) : ChartDialog(parent) {
  setObjectName("TForm3");
  setWindowTitle(U("献立作成"));
  setFixedSize(kClientWidth, kClientHeight);

  // The chart is drawn on the window's own surface around this empty box; it
  // paints nothing itself, so the surface shows through.
  PaintBox1 = new QWidget(this);
  PaintBox1->setObjectName("PaintBox1");
  PaintBox1->setGeometry(728, 400, 441, 417);

  // Top bar: dish name, save, end.
  StaticText1 = MakeStatic(this, "StaticText1", " 献 立 名 ", {8, 8, 96, 28});
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName("Edit2");
  Edit2->setToolTip(U("献立の名前を入力します！"));
  // Japanese input: the input method stays enabled with no Latin preference.
  Edit2->setInputMethodHints(Qt::ImhNone);
  Edit2->setGeometry(108, 8, 380, 28);
  BitBtn4 =
      MakeButton(this, "BitBtn4", "献立保存", "献立ファイルを保存します！", QRect{500, 6, 100, 32});
  BitBtn12 = MakeButton(this, "BitBtn12", "終了", "献立作成を終了します！", QRect{610, 6, 100, 32});

  // Cuisine and cooking category, delete.
  StaticText4 = MakeStatic(this, "StaticText4", " 料理区分 ", {8, 44, 96, 28});
  ComboBox2 = MakeChoiceBox(this, "ComboBox2", {"和      食", "洋      食", "中      華"},
                            "料理の区分を選択します！", QRect{108, 44, 150, 28});
  StaticText5 = MakeStatic(this, "StaticText5", " 調理区分 ", {270, 44, 96, 28});
  ComboBox3 = MakeChoiceBox(
      this, "ComboBox3",
      {"汁 も の", "飯 も の", "煮 も の", "蒸しもの", "焼きもの", "揚げもの", "いため物",
       "寄せもの", "なまもの", "酢のもの", "あえもの", "飲みもの", "そ の 他"},
      "調理の区分を選択します！", QRect{370, 44, 130, 28});
  BitBtn6 =
      MakeButton(this, "BitBtn6", "献立削除", "選んだ献立を削除します！", QRect{610, 42, 100, 32});

  ListBox1 = MakeList<eiyou::PickList>(this, "ListBox1", {8, 80, 702, 232});
  // Measuring every line of a long dish file before the window shows takes
  // about a second per 15,000 lines; lay the items out a batch at a time.
  ListBox1->setLayoutMode(QListView::Batched);

  // Food row.
  BitBtn3 =
      MakeButton(this, "BitBtn3", "読込", "食品群ファイルを読み込みます！", QRect{8, 320, 70, 32});
  StaticText2 = MakeStatic(this, "StaticText2", "食品群選択", {86, 322, 90, 28});
  ComboBox1 = MakeChoiceBox(
      this, "ComboBox1",
      {"穀　類", "い　も", "砂　糖", "菓　子", "油　脂", "種　実", "豆　類", "魚　介", "獣　肉",
       "卵　類", "乳　類", "野　菜", "果　実", "きのこ", "藻　類", "し好品", "調味料", "加工品"},
      "食品群を選択します！", QRect{180, 322, 120, 28});
  StaticText3 = MakeStatic(this, "StaticText3", " 重量（ｇ） ", {310, 322, 100, 28});
  Edit3 = new QLineEdit(this);
  Edit3->setObjectName("Edit3");
  Edit3->setToolTip(U("重量を入力します！"));
  // Half-width alphanumeric input for the weight.
  Edit3->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText |
                             Qt::ImhNoAutoUppercase);
  Edit3->setGeometry(414, 322, 80, 28);
  BitBtn2 = MakeButton(this, "BitBtn2", "献立登録", "献立を登録します！", QRect{610, 320, 100, 32});

  ListBox2 = MakeList<eiyou::PickList>(this, "ListBox2", {8, 362, 344, 447});
  BitBtn1 =
      MakeButton(this, "BitBtn1", "食品削除", "選んだ食品を削除します！", QRect{360, 360, 100, 32});
  BitBtn5 = MakeButton(this, "BitBtn5", "食品クリア", "食品をすべて削除します！",
                       QRect{470, 360, 110, 32});
  ListBox3 = MakeList<QListWidget>(this, "ListBox3", {360, 398, 350, 411});

  // Evaluation panel.
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAutoFillBackground(true);
  Panel2 = panel;
  Panel2->setObjectName("Panel2");
  Panel2->setGeometry(728, 8, 433, 384);
  StaticText8 = MakeStatic(Panel2, "StaticText8", " 基準摂取量 ", {10, 10, 110, 28});
  BitBtn8 = MakeButton(Panel2, "BitBtn8", " 読込 ", "基準摂取量ファイルを読み込みます！",
                       QRect{126, 8, 80, 32});
  BitBtn9 = MakeButton(Panel2, "BitBtn9", " 選択→ ", "献立名を選択します！", QRect{10, 52, 90, 32});
  BitBtn10 = MakeButton(Panel2, "BitBtn10", "クリア", "献立データをすべて消去します！",
                        QRect{10, 92, 90, 32});
  ListBox4 = MakeList<QListWidget>(Panel2, "ListBox4", {108, 52, 170, 320});
  StaticText6 = MakeStatic(Panel2, "StaticText6", "　性別　", {290, 52, 134, 24});
  ComboBox4 = MakeChoiceBox(Panel2, "ComboBox4", eiyou::Utf8Items(eiyou::kSexItems),
                            "性別を選択します！", QRect{290, 78, 134, 28});
  StaticText7 = MakeStatic(Panel2, "StaticText7", " 年齢 ", {290, 116, 134, 24});
  ComboBox5 = MakeChoiceBox(Panel2, "ComboBox5", eiyou::Utf8Items(eiyou::kAgeClassItems),
                            "年齢を選択します！", QRect{290, 142, 134, 28});
  BitBtn7 =
      MakeButton(Panel2, "BitBtn7", "作図実行", "グラフを表示します！", QRect{290, 290, 134, 34});
  BitBtn11 =
      MakeButton(Panel2, "BitBtn11", "消去", "グラフを消去します！", QRect{290, 332, 134, 34});

  // Axis labels: 16-pixel maroon text, above the drawing area.
  eiyou::MakeAxisLabels(this, kAxisLabels, Label);

  connect(BitBtn3, &QPushButton::clicked, this, &TForm3::BitBtn3Click);
  connect(ComboBox1, &QComboBox::editTextChanged, this, &TForm3::ComboBox1Change);
  connect(ListBox2, &eiyou::PickList::picked, this, &TForm3::ListBox2Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
  connect(BitBtn5, &QPushButton::clicked, this, &TForm3::BitBtn5Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm3::BitBtn2Click);
  connect(ComboBox2, &QComboBox::editTextChanged, this, &TForm3::ComboBox2Change);
  connect(ComboBox3, &QComboBox::editTextChanged, this, &TForm3::ComboBox3Change);
  connect(BitBtn6, &QPushButton::clicked, this, &TForm3::BitBtn6Click);
  connect(ListBox1, &eiyou::PickList::picked, this, &TForm3::ListBox1Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TForm3::BitBtn4Click);
  connect(BitBtn12, &QPushButton::clicked, this, &TForm3::BitBtn12Click);
  connect(BitBtn8, &QPushButton::clicked, this, &TForm3::BitBtn8Click);
  connect(ComboBox4, &QComboBox::editTextChanged, this, &TForm3::ComboBox4Change);
  connect(ComboBox5, &QComboBox::editTextChanged, this, &TForm3::ComboBox5Change);
  connect(BitBtn9, &QPushButton::clicked, this, &TForm3::BitBtn9Click);
  connect(BitBtn10, &QPushButton::clicked, this, &TForm3::BitBtn10Click);
  connect(BitBtn7, &QPushButton::clicked, this, &TForm3::BitBtn7Click);
  connect(BitBtn11, &QPushButton::clicked, this, &TForm3::BitBtn11Click);
}

void TForm3::Open(QWidget* parent) {
  TForm3 form(parent);
  if (!form.Opening()) return;
  form.exec();
}

bool TForm3::Opening() {
  Side().calc.ClearTotals();
  ListBox1->clear();
  // Messages before the window is shown belong to the window that opened it.
  QWidget* owner = parentWidget() ? parentWidget() : this;
  const std::string dir = eiyou::DishDirectoryPath();
  const std::string file = eiyou::DishFilePath();
  if (!eiyou::DirectoryExists(dir)) {
    ShowMessage(owner, U("ディレクトリがありません！！"));
    return false;
  }
  if (!eiyou::EntryExists(file)) {
    ShowMessage(owner, U("指定された") + QString::fromStdString(file) + U("ファイルがありません！！"));
    return true;
  }
  bool read = false;
  bool hidden = false;
  Guarded(owner, [&] {
    eiyou::FillSorted(ListBox1, eiyou::ReadDishFile(file, &hidden));
    read = true;
  });
  // A NUL byte ends the dish text; a save would then drop what follows it.
  if (read && hidden) ShowMessage(owner, U(eiyou::kDishesAfterNulMessage));
  return read;
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  // Escape would end the modal showing and drop unsaved dishes; the window
  // closes only by its buttons and its close box.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  ChartDialog::keyPressEvent(event);
}

// ---- Food side ----------------------------------------------------------------

void TForm3::BitBtn3Click() {
  Guarded(this, [&] {
    BoxMessageSink sink(this);
    eiyou::LoadFoodTable(Side().food, sink);
  });
}

void TForm3::ComboBox1Change() {
  DishSide& s = Side();
  ListBox2->clear();
  s.SelectedGroup = ChosenItem(ComboBox1) + 1;
  const std::string g = std::to_string(s.SelectedGroup);
  ListBox2->setUpdatesEnabled(false);
  for (int r = 1; r <= eiyou::FoodTable::kRows; ++r) {
    const std::string_view number = s.food.Cell(1, r);
    if (number.size() < 2) continue;
    if (GroupKey(number) != g) continue;
    std::string item = "[" + std::to_string(r) + "]";
    item += number;
    item += ':';
    item += s.food.Cell(2, r);
    AppendItem(ListBox2, item);
  }
  ListBox2->setUpdatesEnabled(true);
}

void TForm3::ListBox2Click() {
  QListWidgetItem* item = Selected(ListBox2);
  if (!item) return;
  const QString typed = Edit3->text();
  // The number ends at the first non-ASCII character, so reading the UTF-8
  // form gives the same value as reading the CP932 one.
  const QByteArray utf8 = typed.toUtf8();
  if (eiyou::ParseRealLenient(std::string_view(utf8.constData(), size_t(utf8.size()))) == 0)
    return;
  if (typed.contains(QLatin1Char(','))) {
    ShowMessage(this, U("重量にカンマ（,）は使えません！"));
    return;
  }
  std::string weight;
  if (!eiyou::ReadTypedText(this, typed, weight)) return;
  if (BreaksTheLine(weight)) {
    ShowMessage(this, U("重量に改行は使えません！"));
    return;
  }
  // A damaged food file can leave a lone LF or a NUL byte in a food's number
  // or name; in a dish line it would split the line or end the file's text.
  const std::string food = ItemBytes(item);
  if (BreaksTheLine(food)) {
    ShowMessage(this, U("食品番号・食品名に改行を含む食品は選べません！"));
    return;
  }
  InsertSorted(ListBox3, food + "= " + weight + "g");
}

void TForm3::BitBtn1Click() {
  if (QListWidgetItem* item = Selected(ListBox3)) delete item;
  ListBox3->setCurrentItem(nullptr);
}

void TForm3::BitBtn5Click() { ListBox3->clear(); }

std::vector<std::string> TForm3::ListedFoods() const {
  std::vector<std::string> foods;
  foods.reserve(size_t(ListBox3->count()));
  for (int i = 0; i < ListBox3->count(); ++i) foods.push_back(ItemBytes(ListBox3, i));
  return foods;
}

// ---- Dish list ----------------------------------------------------------------

void TForm3::BitBtn2Click() {
  DishSide& s = Side();
  std::string unused;
  // A text without a CP932 code cannot go into the file: say so and add nothing.
  for (const TypedChoice* c : {&s.SelectedCuisine, &s.SelectedCategory})
    if (!c->encodable) {
      eiyou::ReadTypedText(this, c->shown, unused);
      return;
    }
  std::string name;
  if (!eiyou::ReadTypedText(this, Edit2->text(), name)) return;
  // A comma would shift every later field of the line when it is read back.
  if (s.SelectedCuisine.bytes.find(',') != std::string::npos ||
      s.SelectedCategory.bytes.find(',') != std::string::npos ||
      name.find(',') != std::string::npos) {
    ShowMessage(this, U("献立名・料理区分・調理区分にカンマ（,）は使えません！"));
    return;
  }
  if (BreaksTheLine(s.SelectedCuisine.bytes) || BreaksTheLine(s.SelectedCategory.bytes) ||
      BreaksTheLine(name)) {
    ShowMessage(this, U("献立名・料理区分・調理区分に改行は使えません！"));
    return;
  }
  std::string line = s.SelectedCuisine.bytes + "," + s.SelectedCategory.bytes + "," + name;
  for (const std::string& food : ListedFoods()) line += "," + food;
  if (ListBox1->count() >= kDishLimit) {
    ShowMessage(this, U("登録できる献立は３００件までです！！"));
    return;
  }
  InsertSorted(ListBox1, line);
}

void TForm3::ComboBox2Change() { Side().SelectedCuisine.Take(ComboBox2->currentText()); }

void TForm3::ComboBox3Change() { Side().SelectedCategory.Take(ComboBox3->currentText()); }

void TForm3::BitBtn6Click() {
  if (QListWidgetItem* item = Selected(ListBox1)) delete item;
  ListBox1->setCurrentItem(nullptr);
}

void TForm3::ListBox1Click() {
  ListBox3->clear();
  QListWidgetItem* item = Selected(ListBox1);
  if (!item) return;
  // The fourth and every later field; an empty one gives an empty item.
  const eiyou::DishLineParts dish = eiyou::SplitDishLine(ItemBytes(item));
  if (!dish.hasFoods) return;
  eiyou::FillSorted(ListBox3, eiyou::SplitAtCommas(dish.foods));
}

void TForm3::BitBtn4Click() {
  QMessageBox box(QMessageBox::Question, U("確認"), U("変更を保存しますか"), QMessageBox::NoButton,
                  this);
  // One role for all three keeps them in this order whatever the desktop's
  // button layout; default and escape are set explicitly.
  QPushButton* yes = box.addButton(U("はい(&Y)"), QMessageBox::ActionRole);
  box.addButton(U("いいえ(&N)"), QMessageBox::ActionRole);
  QPushButton* cancel = box.addButton(U("ｷｬﾝｾﾙ"), QMessageBox::ActionRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  QAbstractButton* answer = box.clickedButton();
  if (answer == yes) {
    std::vector<std::string> lines;
    lines.reserve(size_t(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i) lines.push_back(ItemBytes(ListBox1, i));
    Guarded(this, [&] {
      eiyou::WriteDishFile(eiyou::DishFilePath(), lines);
      ShowMessage(this, U("献立を保存しました！"));
      done(QDialog::Accepted);
    });
  } else if (answer == cancel || answer == nullptr) {
    done(QDialog::Rejected);
  }
}

void TForm3::BitBtn12Click() { done(QDialog::Rejected); }

// ---- Evaluation and chart -----------------------------------------------------

void TForm3::BitBtn8Click() {
  ListBox4->clear();
  Side().calc.ClearTotals();
  Guarded(this, [&] {
    BoxMessageSink sink(this);
    eiyou::LoadReferenceTable(Side().reference, sink);
  });
}

void TForm3::ComboBox4Change() {
  // The sex index is read from the box whenever a chart is drawn or erased.
}

void TForm3::ComboBox5Change() {
  // A new age class draws over what is on screen.
  Side().ChartDrawn = false;
}

void TForm3::BitBtn9Click() {
  Guarded(this, [&] {
    DishSide& s = Side();
    BoxMessageSink sink(this);
    eiyou::LoadFoodTable(s.food, sink);
    QListWidgetItem* item = Selected(ListBox1);
    if (!item) return;
    AppendItem(ListBox4, eiyou::SplitDishLine(ItemBytes(item)).name);
    s.calc.AddListedFoods(ListedFoods());
  });
}

void TForm3::BitBtn10Click() {
  ListBox4->clear();
  Side().calc.ClearTotals();
  eiyou::ImageCanvas canvas(surface());
  FormDestroy(canvas);
  surfaceChanged();
}

bool TForm3::ChartChecks() {
  if (!Side().reference.IsLoaded()) {
    ShowMessage(this, U("基準摂取量を読み込んでください！"));
    return false;
  }
  if (ChosenItem(ComboBox4) < 0) {
    ShowMessage(this, U("性別を選択してください！"));
    return false;
  }
  if (ChosenItem(ComboBox5) < 0) {
    ShowMessage(this, U("年齢を選択してください！"));
    return false;
  }
  return true;
}

void TForm3::ReloadReference() {
  BoxMessageSink sink(this);
  eiyou::LoadReferenceTable(Side().reference, sink);
}

void TForm3::DrawGrid(eiyou::Canvas& canvas) {
  eiyou::RadarChart& chart = Side().chart;
  for (int radius = 2; radius <= 10; radius += 2) chart.FDrawCircle(canvas, 360, radius);
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(canvas);
}

void TForm3::FormDestroy(eiyou::Canvas& canvas) {
  // From the surface's corner to the drawing area's right and bottom edges:
  // every line of the chart goes, wherever its vertices lay. The axis labels
  // are widgets of their own and need no repainting.
  Side().chart.FormDestroy(canvas, eiyou::ToRgb(eiyou::ButtonFace()), 0, 0);
}

void TForm3::BitBtn7Click() {
  Guarded(this, [&] {
    if (!ChartChecks()) return;
    ReloadReference();
    DishSide& s = Side();
    const int sex = ChosenItem(ComboBox4);
    const int age = ChosenItem(ComboBox5) + 1;
    eiyou::ImageCanvas canvas(surface());
    if (s.ChartDrawn) FormDestroy(canvas);
    s.calc.LoadTargets(sex, age);
    s.chart.FormCreate();
    DrawGrid(canvas);
    s.chart.FDrawGraph(canvas, s.chart.EnergyRadius(s.calc.totals, s.calc.targets),
                       s.calc.totals, s.calc.targets);
    s.ChartDrawn = true;
    surfaceChanged();
  });
}

void TForm3::BitBtn11Click() {
  Guarded(this, [&] {
    if (!ChartChecks()) return;
    ReloadReference();
    DishSide& s = Side();
    const int sex = ChosenItem(ComboBox4);
    const int age = ChosenItem(ComboBox5) + 1;
    s.calc.LoadTargets(sex, age);
    eiyou::ImageCanvas canvas(surface());
    s.chart.FEraseGraph(canvas, s.chart.EnergyRadius(s.calc.totals, s.calc.targets),
                        s.calc.totals, s.calc.targets, eiyou::ToRgb(eiyou::ButtonFace()));
    DrawGrid(canvas);
    s.ChartDrawn = false;
    surfaceChanged();
  });
}
