#include "kondate.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "gui/accessible.h"
#include "gui/controls.h"
#include "gui/figure_window.h"
#include "gui/image_canvas.h"
#include "gui/list_items.h"
#include "gui/messages.h"
#include "gui/pick_list.h"
#include "gui/screen_fit.h"
#include "gui/text.h"
#include "hyouka.h"
#include "sessions/dish_session.h"

using eiyou::BoxMessageSink;
using eiyou::ChosenItem;
using eiyou::Guarded;
using eiyou::ItemBytes;
using eiyou::MakeButton;
using eiyou::MakeChoiceBox;
using eiyou::MakeList;
using eiyou::MakeStatic;
using eiyou::SelectedItem;
using eiyou::SelectedRow;
using eiyou::ShowMessage;
using eiyou::U;

namespace {

constexpr int kClientWidth = 1169;  // PaintBox1's right edge
constexpr int kClientHeight = 817;  // PaintBox1's bottom edge
// Right of the dish list: the reference choices and the chart. On a screen too
// low for the window only this side scrolls, so composing never needs to.
constexpr int kChartSideLeft = 720;

constexpr eiyou::AxisLabel kAxisLabels[9] = {
    {"エネルギー", 912, 422},   {"たんぱく質", 1056, 464},  {"総脂質", 1120, 570},
    {"カルシウム", 1088, 696},  {"鉄", 1004, 768},          {"ビタミンＡ", 840, 768},
    {"ビタミンＢ１", 732, 666}, {"ビタミンＢ２", 732, 559}, {"ビタミンＣ", 776, 464},
};

}  // namespace

// ---- TForm3 -------------------------------------------------------------------

TForm3::TForm3(eiyou::DishSession& session, QWidget* parent)
    : ChartDialog(parent), session_(session) {
  setObjectName("TForm3");
  setWindowTitle(U("献立作成"));
  setFixedSize(kClientWidth, kClientHeight);
  screenFit()->ScrollOnlyFrom(kChartSideLeft);

  // The chart is drawn on the window's own surface around this empty box; it
  // paints nothing itself, so the surface shows through.
  PaintBox1 = new QWidget(this);
  PaintBox1->setObjectName("PaintBox1");
  PaintBox1->setGeometry(728, 400, 441, 417);

  // Top bar: dish name, save, end.
  StaticText1 = MakeStatic(this, "StaticText1", " 献 立 名 ", QRect{8, 8, 96, 28});
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName("Edit2");
  Edit2->setToolTip(U("献立の名前を入力します！"));
  // Japanese input: the input method stays enabled with no Latin preference.
  Edit2->setInputMethodHints(Qt::ImhNone);
  Edit2->setGeometry(108, 8, 380, 28);
  BitBtn4 = MakeButton(this, "BitBtn4", "献立保存", "献立ファイルを保存します！",
                       QRect{500, 6, 100, 32}, this, &TForm3::BitBtn4Click);
  BitBtn12 = MakeButton(this, "BitBtn12", "終了", "献立作成を終了します！", QRect{610, 6, 100, 32},
                        this, &TForm3::BitBtn12Click);

  // Cuisine and cooking category, delete.
  StaticText4 = MakeStatic(this, "StaticText4", " 料理区分 ", QRect{8, 44, 96, 28});
  ComboBox2 = MakeChoiceBox(this, "ComboBox2", {"和      食", "洋      食", "中      華"},
                            "料理の区分を選択します！", QRect{108, 44, 150, 28}, this,
                            &TForm3::ComboBox2Change);
  StaticText5 = MakeStatic(this, "StaticText5", " 調理区分 ", QRect{270, 44, 96, 28});
  ComboBox3 = MakeChoiceBox(
      this, "ComboBox3",
      {"汁 も の", "飯 も の", "煮 も の", "蒸しもの", "焼きもの", "揚げもの", "いため物",
       "寄せもの", "なまもの", "酢のもの", "あえもの", "飲みもの", "そ の 他"},
      "調理の区分を選択します！", QRect{370, 44, 130, 28}, this, &TForm3::ComboBox3Change);
  BitBtn6 = MakeButton(this, "BitBtn6", "献立削除", "選んだ献立を削除します！",
                       QRect{610, 42, 100, 32}, this, &TForm3::BitBtn6Click);

  ListBox1 = MakeList<eiyou::PickList>(this, "ListBox1", QRect{8, 80, 702, 232});
  // Measuring every line of a long dish file before the window shows takes
  // about a second per 15,000 lines; lay the items out a batch at a time.
  ListBox1->setLayoutMode(QListView::Batched);

  // Food row.
  BitBtn3 = MakeButton(this, "BitBtn3", "読込", "食品群ファイルを読み込みます！",
                       QRect{8, 320, 70, 32}, this, &TForm3::BitBtn3Click);
  StaticText2 = MakeStatic(this, "StaticText2", "食品群選択", QRect{86, 322, 90, 28});
  ComboBox1 = MakeChoiceBox(
      this, "ComboBox1",
      // Item N lists group N: each is named after the official group it lists,
      // shortened to the box's width.
      {"穀　類", "いも・でん粉", "砂糖・甘味", "豆　類", "種　実", "野　菜", "果　実", "きのこ",
       "藻　類", "魚　介", "肉　類", "卵　類", "乳　類", "油　脂", "菓　子", "し好飲料",
       "調味料・香辛料", "調理済み食品"},
      "食品群を選択します！", QRect{180, 322, 120, 28}, this, &TForm3::ComboBox1Change);
  StaticText3 = MakeStatic(this, "StaticText3", " 重量（ｇ） ", QRect{310, 322, 100, 28});
  Edit3 = new QLineEdit(this);
  Edit3->setObjectName("Edit3");
  Edit3->setToolTip(U("重量を入力します！"));
  // Half-width alphanumeric input for the weight.
  Edit3->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText |
                             Qt::ImhNoAutoUppercase);
  Edit3->setGeometry(414, 322, 80, 28);
  BitBtn2 = MakeButton(this, "BitBtn2", "献立登録", "献立を登録します！", QRect{610, 320, 100, 32},
                       this, &TForm3::BitBtn2Click);

  // The search field fills the gap between the weight and "献立登録".
  SearchEdit = new QLineEdit(this);
  SearchEdit->setObjectName("SearchEdit");
  SearchEdit->setPlaceholderText(U("食品名で検索"));
  SearchEdit->setToolTip(U("食品名の一部を入力すると、その食品を一覧に表示します！"));
  SearchEdit->setClearButtonEnabled(true);
  SearchEdit->setGeometry(500, 322, 104, 28);

  ListBox2 = MakeList<eiyou::PickList>(this, "ListBox2", QRect{8, 362, 344, 447});
  // Said over the empty list when a search finds nothing. A label, not an
  // item: there is nothing in the list that could be picked.
  NoFoodsFound = new QLabel(U("該当する食品はありません"), ListBox2->viewport());
  NoFoodsFound->setObjectName("NoFoodsFound");
  NoFoodsFound->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  NoFoodsFound->setContentsMargins(8, 12, 8, 0);
  NoFoodsFound->setWordWrap(true);
  NoFoodsFound->setForegroundRole(QPalette::PlaceholderText);
  NoFoodsFound->setAttribute(Qt::WA_TransparentForMouseEvents);
  NoFoodsFound->hide();
  BitBtn1 = MakeButton(this, "BitBtn1", "食品削除", "選んだ食品を削除します！",
                       QRect{360, 360, 100, 32}, this, &TForm3::BitBtn1Click);
  BitBtn5 = MakeButton(this, "BitBtn5", "食品クリア", "食品をすべて削除します！",
                       QRect{470, 360, 110, 32}, this, &TForm3::BitBtn5Click);
  ListBox3 = MakeList(this, "ListBox3", QRect{360, 398, 350, 411});
  FigureButton = MakeButton(this, "FigureButton", "成分表示", "献立の成分値を表で表示します！",
                            QRect{600, 360, 110, 32}, this, &TForm3::FigureButtonClick);

  // Evaluation panel.
  Panel2 = eiyou::MakePanel(this, "Panel2", QRect(728, 8, 433, 384));
  Panel2->setAutoFillBackground(true);
  StaticText8 = MakeStatic(Panel2, "StaticText8", " 基準摂取量 ", QRect{10, 10, 110, 28});
  BitBtn8 = MakeButton(Panel2, "BitBtn8", " 読込 ", "基準摂取量ファイルを読み込みます！",
                       QRect{126, 8, 80, 32}, this, &TForm3::BitBtn8Click);
  BitBtn9 = MakeButton(Panel2, "BitBtn9", " 選択→ ", "献立名を選択します！", QRect{10, 52, 90, 32},
                       this, &TForm3::BitBtn9Click);
  BitBtn10 = MakeButton(Panel2, "BitBtn10", "クリア", "献立データをすべて消去します！",
                        QRect{10, 92, 90, 32}, this, &TForm3::BitBtn10Click);
  ListBox4 = MakeList(Panel2, "ListBox4", QRect{108, 52, 170, 320});
  StaticText6 = MakeStatic(Panel2, "StaticText6", "　性別　", QRect{290, 52, 134, 24});
  ComboBox4 =
      MakeChoiceBox(Panel2, "ComboBox4", eiyou::Utf8Items(eiyou::kSexItems), "性別を選択します！",
                    QRect{290, 78, 134, 28}, this, &TForm3::ComboBox4Change);
  StaticText7 = MakeStatic(Panel2, "StaticText7", " 年齢 ", QRect{290, 116, 134, 24});
  ComboBox5 =
      MakeChoiceBox(Panel2, "ComboBox5", eiyou::Utf8Items(eiyou::kAgeClassItems),
                    "年齢を選択します！", QRect{290, 142, 134, 28}, this, &TForm3::ComboBox5Change);
  BitBtn7 = MakeButton(Panel2, "BitBtn7", "作図実行", "グラフを表示します！",
                       QRect{290, 290, 134, 34}, this, &TForm3::BitBtn7Click);
  BitBtn11 = MakeButton(Panel2, "BitBtn11", "消去", "グラフを消去します！",
                        QRect{290, 332, 134, 34}, this, &TForm3::BitBtn11Click);

  // Axis labels: 16-pixel maroon text, above the drawing area.
  eiyou::MakeAxisLabels(this, kAxisLabels, Label);

  connect(ListBox2, &eiyou::PickList::picked, this, &TForm3::ListBox2Click);
  connect(ListBox1, &eiyou::PickList::picked, this, &TForm3::ListBox1Click);

  // Added beside the handlers above, after them.
  connect(SearchEdit, &QLineEdit::textChanged, this, &TForm3::SearchEditChange);
  // Only what the user types: a text set by the program stays as it is.
  connect(Edit3, &QLineEdit::textEdited, this, &TForm3::Edit3Change);
  connect(ComboBox1, &QComboBox::editTextChanged, this, &TForm3::GroupListed);
  connect(ComboBox1, &QComboBox::activated, this, &TForm3::GroupChosen);
  figures_ = new eiyou::FigureWindow(this, session_);
  if (session_.assessment) {
    connect(figures_->assessmentButton(), &QPushButton::clicked, this, [this] {
      AssessmentWindow::Open(
          figures_, *session_.assessment, [this] { return session_.Assessed(); },
          [this](std::function<void()> show) {
            return session_.Subscribe([show](const eiyou::DishChange&) { show(); });
          });
    });
  } else {
    figures_->assessmentButton()->hide();
  }
  following_ = session_.Subscribe([this](const eiyou::DishChange& change) { Follow(change); });

  // Tab runs through the food row in reading order, the search field included.
  setTabOrder(Edit3, SearchEdit);
  setTabOrder(SearchEdit, BitBtn2);
  setTabOrder(BitBtn5, FigureButton);
  NameControls();
}

void TForm3::NameControls() {
  eiyou::NameControls(
      this, {{"TForm3", "献立作成"},
             {"StaticText1", "献立名"},
             {"Edit2", "献立名"},
             {"BitBtn4", "献立保存"},
             {"BitBtn12", "終了"},
             {"ComboBox2", "料理区分"},
             {"ComboBox3", "調理区分"},
             {"BitBtn6", "献立削除"},
             {"ListBox1", "献立一覧"},
             {"BitBtn3", "食品成分表の読込"},
             {"ComboBox1", "食品群選択"},
             {"Edit3", "重量（グラム）"},
             {"SearchEdit", "食品名で検索"},
             {"BitBtn2", "献立登録"},
             {"ListBox2", "食品一覧"},
             {"BitBtn1", "食品削除"},
             {"BitBtn5", "食品クリア"},
             {"FigureButton", "成分表示"},
             {"ListBox3", "献立の食品"},
             {"Panel2", "献立の評価"},
             {"BitBtn8", "基準摂取量の読込"},
             {"BitBtn9", "評価する献立に追加"},
             {"BitBtn10", "評価する献立をクリア"},
             {"ListBox4", "評価する献立"},
             {"ComboBox4", "性別"},
             {"ComboBox5", "年齢"},
             {"BitBtn7", "作図実行"},
             {"BitBtn11", "グラフ消去"},
             {"PaintBox1", "レーダーチャート"}});
}

void TForm3::Open(eiyou::DishSession& session, QWidget* parent) {
  TForm3 form(session, parent);
  if (!form.Opening()) return;
  form.exec();
}

bool TForm3::Opening() {
  ListBox1->clear();
  // Messages before the window is shown belong to the window that opened it.
  QWidget* owner = parentWidget() ? parentWidget() : this;
  bool show = false;
  Guarded(owner, [&] {
    BoxMessageSink sink(owner);
    const eiyou::DishFileOpening opening = session_.Opening(sink);
    // A NUL byte ends the dish text; a save would then drop what follows it.
    if (opening.textAfterNul) ShowMessage(owner, U(eiyou::kDishesAfterNulMessage));
    show = opening.show;
  });
  return show;
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
    session_.LoadFood(sink);
  });
}

void TForm3::ComboBox1Change() {
  const eiyou::DishSession::FoodList foods = session_.ListGroup(ChosenItem(ComboBox1));
  eiyou::FillInOrder(ListBox2, foods.choices, foods.shown);
}

void TForm3::ListBox2Click() {
  QListWidgetItem* item = SelectedItem(ListBox2);
  if (!item) return;
  const QString typed = Edit3->text();
  switch (session_.PickFood(ItemBytes(item), eiyou::Utf8Of(typed))) {
    case eiyou::FoodPick::Added: break;
    case eiyou::FoodPick::ZeroWeight: break;
    case eiyou::FoodPick::CommaInWeight:
      ShowMessage(this, U("重量にカンマ（,）は使えません！"));
      break;
    case eiyou::FoodPick::UnencodableWeight: eiyou::ShowUnusableText(this, typed); break;
    case eiyou::FoodPick::LineBreakInWeight: ShowMessage(this, U("重量に改行は使えません！")); break;
    // A damaged food file can leave a lone LF or a NUL byte in a food's number or name.
    case eiyou::FoodPick::LineBreakInFood:
      ShowMessage(this, U("食品番号・食品名に改行を含む食品は選べません！"));
      break;
  }
}

void TForm3::BitBtn1Click() {
  session_.RemoveFood(SelectedRow(ListBox3));
  ListBox3->setCurrentItem(nullptr);
}

void TForm3::BitBtn5Click() { session_.ClearDraft(); }

// ---- Dish list ----------------------------------------------------------------

void TForm3::BitBtn2Click() {
  const eiyou::DishLineResult dish = session_.RegisterDish(eiyou::Utf8Of(Edit2->text()));
  switch (dish.outcome) {
    case eiyou::DishRegistration::Registered: break;
    case eiyou::DishRegistration::UnencodableText:
      eiyou::ShowUnusableText(this, U(dish.offending));
      break;
    case eiyou::DishRegistration::CommaInText:
      ShowMessage(this, U("献立名・料理区分・調理区分にカンマ（,）は使えません！"));
      break;
    case eiyou::DishRegistration::LineBreakInText:
      ShowMessage(this, U("献立名・料理区分・調理区分に改行は使えません！"));
      break;
    case eiyou::DishRegistration::ListFull:
      ShowMessage(this, U("登録できる献立は３００件までです！！"));
      break;
  }
}

void TForm3::ComboBox2Change() { session_.ChooseCuisine(eiyou::Utf8Of(ComboBox2->currentText())); }

void TForm3::ComboBox3Change() { session_.ChooseCategory(eiyou::Utf8Of(ComboBox3->currentText())); }

void TForm3::BitBtn6Click() {
  session_.RemoveDish(SelectedRow(ListBox1));
  ListBox1->setCurrentItem(nullptr);
}

void TForm3::ListBox1Click() { session_.SelectDish(SelectedRow(ListBox1)); }

void TForm3::BitBtn4Click() {
  enum { kYes, kNo, kCancel };
  // One role for all three keeps them in this order whatever the desktop's
  // button layout; default and escape are set explicitly.
  const int answer = eiyou::AskQuestion(this, U("変更を保存しますか"),
                                        {{U("はい(&Y)"), QMessageBox::ActionRole},
                                         {U("いいえ(&N)"), QMessageBox::ActionRole},
                                         {U("ｷｬﾝｾﾙ"), QMessageBox::ActionRole}},
                                        kYes, kCancel);
  if (answer == kYes) {
    Guarded(this, [&] {
      // The list shows what was written, behind the messages.
      const eiyou::DishSession::DishSave save = session_.SaveDishes();
      ShowMessage(this, U("献立を保存しました！"));
      if (const std::string note = eiyou::DishSaveNote(save); !note.empty())
        ShowMessage(this, U(note));
      done(QDialog::Accepted);
    });
  } else if (answer == kCancel) {
    done(QDialog::Rejected);
  }
}

void TForm3::BitBtn12Click() { done(QDialog::Rejected); }

// ---- Evaluation and chart -----------------------------------------------------

void TForm3::BitBtn8Click() {
  session_.ClearEvaluation();
  Guarded(this, [&] {
    BoxMessageSink sink(this);
    session_.LoadReference(sink);
  });
}

void TForm3::ComboBox4Change() { session_.ChooseSex(ChosenItem(ComboBox4)); }

void TForm3::ComboBox5Change() { session_.ChooseAge(ChosenItem(ComboBox5) + 1); }

void TForm3::BitBtn9Click() {
  Guarded(this, [&] {
    BoxMessageSink sink(this);
    session_.LoadFood(sink);
    session_.EvaluateDish(SelectedRow(ListBox1));
  });
}

void TForm3::BitBtn10Click() {
  session_.ClearEvaluation();
  eiyou::ImageCanvas canvas(surface());
  session_.ClearChart(canvas, eiyou::ButtonFaceRgb());
  surfaceChanged();
}

void TForm3::ChartButton(bool draw) {
  Guarded(this, [&] {
    if (const eiyou::ChartBlocker blocker = session_.CheckChart();
        blocker != eiyou::ChartBlocker::None) {
      ShowMessage(this, U(eiyou::ChartBlockerMessage(blocker)));
      return;
    }
    BoxMessageSink sink(this);
    session_.LoadReference(sink);
    eiyou::ImageCanvas canvas(surface());
    if (draw)
      session_.DrawChart(canvas, eiyou::ButtonFaceRgb());
    else
      session_.EraseChart(canvas, eiyou::ButtonFaceRgb());
    surfaceChanged();
  });
}

void TForm3::BitBtn7Click() { ChartButton(true); }

void TForm3::BitBtn11Click() { ChartButton(false); }

// ---- Added beside: search, full-width weights, figures ------------------------

void TForm3::SearchEditChange() {
  const QString typed = SearchEdit->text();
  // Nothing to look for: the list stays as it is.
  if (typed.trimmed().isEmpty()) {
    NoFoodsFound->hide();
    return;
  }
  const eiyou::DishSession::FoodList foods = session_.Search(eiyou::Utf8Of(typed));
  eiyou::FillInOrder(ListBox2, foods.choices, foods.shown);
  showingSearch_ = true;
  NoFoodsFound->setGeometry(ListBox2->viewport()->rect());
  NoFoodsFound->setText(session_.HasFoods() ? U("該当する食品はありません")
                                            : U("「読込」で食品成分表を読み込んでから検索してください"));
  NoFoodsFound->setVisible(foods.choices.empty());
}

void TForm3::GroupListed() {
  // ComboBox1Change has just listed a group; the search text no longer applies.
  showingSearch_ = false;
  NoFoodsFound->hide();
  const QSignalBlocker quiet(SearchEdit);
  SearchEdit->clear();
}

void TForm3::GroupChosen() {
  // The same group chosen again leaves the box's text unchanged, so
  // ComboBox1Change did not run: list the group over the search results.
  if (showingSearch_) {
    ComboBox1Change();
    GroupListed();
  }
}

void TForm3::Edit3Change() {
  const std::string typed = eiyou::Utf8Of(Edit3->text());
  const std::string half = eiyou::HalfWidthWeightText(typed);
  if (half == typed) return;
  // One character for one: the cursor stays where it was.
  const int cursor = Edit3->cursorPosition();
  Edit3->setText(U(half));
  Edit3->setCursorPosition(cursor);
}

void TForm3::FigureButtonClick() {
  if (!figures_->isVisible()) eiyou::ShowBeside(this, figures_);
  figures_->raise();
  figures_->activateWindow();
  figures_->ShowFigures();
}

void TForm3::Follow(const eiyou::DishChange& change) {
  switch (change.part) {
    case eiyou::DishChange::Draft: eiyou::FollowList(ListBox3, session_.draft(), change.list); break;
    case eiyou::DishChange::Dishes: eiyou::FollowList(ListBox1, session_.dishes(), change.list); break;
    case eiyou::DishChange::Evaluated:
      eiyou::FollowList(ListBox4, session_.evaluated(), change.list);
      break;
    case eiyou::DishChange::Reckoning: break;  // what the figure window follows
  }
}
