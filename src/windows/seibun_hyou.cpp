#include "seibun_hyou.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QToolButton>

#include <string>

#include "gui/accessible.h"
#include "gui/controls.h"
#include "gui/messages.h"
#include "gui/screen_fit.h"
#include "gui/text.h"
#include "sessions/viewer_session.h"

using eiyou::MakeCaption;
using eiyou::MakeStatic;

namespace {

constexpr int kClientWidth = 859;
constexpr int kClientHeight = 611;

// Captions of columns 3 .. 23, shown above Edit4 .. Edit24.
const char* const kValueCaptions[21] = {
    "エネルギー（kcal)", "水分（ｇ）",         "たんぱく質（ｇ）",   "脂質（ｇ）",
    "糖質（ｇ）",        "繊維（ｇ）",         "灰分（ｇ）",         "カルシウム（ｍｇ）",
    "リン（ｍｇ）",      "鉄（ｍｇ）",         "ナトリウム（ｍｇ）", "カリウム（ｍｇ）",
    "レチノール（μｇ）", "カロチン（μｇ）",   "A効力（IU)",         "ビタミンB1（ｍｇ）",
    "ビタミンB2（ｍｇ）", "ナイアシン（ｍｇ）", "ビタミンC（ｍｇ）",  "食塩相当（ｇ）",
    "廃棄率（％）"};

// The value rows: first column of each row, number of columns, text colour.
struct ValueRow {
  int firstColumn;
  int count;
  QColor colour;
  bool large;
};
const ValueRow kValueRows[5] = {
    {3, 5, QColor(0, 0, 128), false},   // navy
    {8, 5, QColor(0, 0, 0), false},     // black
    {13, 5, QColor(128, 0, 0), false},  // maroon
    {18, 4, QColor(0, 128, 0), false},  // green
    {22, 2, QColor(0, 0, 0), true},     // black, larger type
};

QPushButton* MakePanelButton(QWidget* panel, const char* name, const char* caption,
                             const char* hint, int left) {
  return eiyou::MakeButton(panel, name, caption, hint, QRect(left, 10, 96, 36));
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& r, bool readOnly) {
  QLineEdit* e = eiyou::MakeEdit(parent, name, r);
  e->setReadOnly(readOnly);
  return e;
}

void Colour(QWidget* w, const QColor& c, bool large) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, c);
  p.setColor(QPalette::Text, c);
  w->setPalette(p);
  if (large) {
    QFont f = w->font();
    f.setPointSize(14);
    w->setFont(f);
  }
}

}  // namespace

TForm2::TForm2(eiyou::ViewerSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("TForm2");
  ShowEdition();
  setFixedSize(kClientWidth, kClientHeight);

  // Banner across the top, holding the four buttons.
  auto* panel = new QLabel(QString::fromUtf8("　食品成分表（５訂版）　"), this);
  panel->setObjectName("Panel1");
  panel->setGeometry(0, 0, kClientWidth, 56);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(2);
  panel->setAlignment(Qt::AlignCenter);
  QFont pf = panel->font();
  pf.setPointSize(16);
  pf.setBold(true);
  panel->setFont(pf);

  auto* load = MakePanelButton(panel, "BitBtn4", "食品読込", "食品成分表を読み込みます！", 10);
  MakePanelButton(panel, "BitBtn1", " 保存 ", "このボタンは現在使用できません！！", 112);
  MakePanelButton(panel, "BitBtn2", " 削除 ", "このボタンは現在は使用できません！！", 651);
  auto* end = MakePanelButton(panel, "BitBtn3", " 終了 ", "成分表表示を終わります！", 753);
  // The panel's large type is for its caption; the buttons get the window's size.
  QFont bf = panel->font();
  bf.setPointSizeF(font().pointSizeF());
  bf.setBold(false);
  for (auto* b : panel->findChildren<QPushButton*>()) b->setFont(bf);
  connect(load, &QPushButton::clicked, this, &TForm2::BitBtn4Click);
  connect(end, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
  // BitBtn1 (save) and BitBtn2 (delete) are shown with their hints and do nothing.

  // Record number with the spin button beside it.
  MakeStatic(this, "StaticText1", "レコード番号", QRect(24, 76, 104, 26));
  edits_[1] = MakeEdit(this, "Edit1", QRect(132, 76, 80, 26), false);
  edits_[1]->setToolTip(QString::fromUtf8("食品レコードの番号を表示しています！"));
  connect(edits_[1], &QLineEdit::textChanged, this, &TForm2::Edit1Change);

  const QString spinHint = QString::fromUtf8("表示する食品を変更します！");
  auto* spin = new QWidget(this);
  spin->setObjectName("SpinButton1");
  spin->setToolTip(spinHint);
  spin->setGeometry(214, 74, 22, 30);
  auto* up = new QToolButton(spin);
  up->setObjectName("SpinButton1Up");
  up->setArrowType(Qt::UpArrow);
  up->setToolTip(spinHint);
  up->setGeometry(0, 0, 22, 15);
  auto* down = new QToolButton(spin);
  down->setObjectName("SpinButton1Down");
  down->setArrowType(Qt::DownArrow);
  down->setToolTip(spinHint);
  down->setGeometry(0, 15, 22, 15);
  connect(up, &QToolButton::clicked, this, &TForm2::SpinButton1UpClick);
  connect(down, &QToolButton::clicked, this, &TForm2::SpinButton1DownClick);

  // Food number and name. Nothing typed into a value field is ever used, so
  // they are read-only (their text can still be selected and copied).
  MakeStatic(this, "StaticText2", " 食品番号 ", QRect(290, 76, 96, 26));
  edits_[2] = MakeEdit(this, "Edit2", QRect(390, 76, 110, 26), true);
  edits_[2]->setToolTip(QString::fromUtf8("食品番号を表示しています！"));
  MakeStatic(this, "StaticText3", " 食品名 ", QRect(24, 118, 104, 26));
  edits_[3] = MakeEdit(this, "Edit3", QRect(132, 118, 703, 26), true);
  edits_[3]->setToolTip(QString::fromUtf8("食品名を表示しています！"));

  // Columns 3 .. 23 in five rows, each with its own colour.
  int top = 168;
  for (const ValueRow& row : kValueRows) {
    const int editHeight = row.large ? 34 : 26;
    for (int i = 0; i < row.count; ++i) {
      const int column = row.firstColumn + i;
      const int number = column + 1;
      const int left = 24 + i * 164;
      QLabel* caption = MakeCaption(this, QStringLiteral("StaticText%1").arg(number),
                                    QString::fromUtf8(kValueCaptions[column - 3]),
                                    QRect(left, top, 156, row.large ? 28 : 22));
      edits_[number] = MakeEdit(this, QStringLiteral("Edit%1").arg(number),
                                QRect(left, top + (row.large ? 30 : 24), 150, editHeight), true);
      Colour(caption, row.colour, row.large);
      Colour(edits_[number], row.colour, row.large);
      edits_[number]->setAccessibleName(QString::fromUtf8(kValueCaptions[column - 3]));
    }
    top += 82;
  }

  eiyou::NameControls(this, {{"TForm2", "食品成分表"},
                             {"BitBtn4", "食品読込"},
                             {"BitBtn1", "保存（使用できません）"},
                             {"BitBtn2", "削除（使用できません）"},
                             {"BitBtn3", "終了"},
                             {"Edit1", "レコード番号"},
                             {"SpinButton1", "表示する食品の切り替え"},
                             {"SpinButton1Up", "前の食品"},
                             {"SpinButton1Down", "次の食品"},
                             {"Edit2", "食品番号"},
                             {"Edit3", "食品名"}});
  eiyou::ScreenFit::Install(this);
}

void TForm2::Open(eiyou::ViewerSession& session, QWidget* parent) {
  TForm2 form(session, parent);
  form.exec();
}

void TForm2::ShowRecord(int n) {
  const eiyou::FoodTable& table = session_.table();
  // Setting a different text runs Edit1Change once more, which shows n again.
  edits_[1]->setText(QString::number(n));
  for (int column = 1; column <= eiyou::FoodTable::kColumns; ++column)
    edits_[column + 1]->setText(eiyou::ToQ(table.Cell(column, n)));
}

// The title names the edition of the table in the viewer's copy: at the
// opening the copy may hold a table loaded before, and a load replaces it.
// A table without its own edition record keeps the old title.
void TForm2::ShowEdition() {
  const std::string& edition = session_.edition();
  setWindowTitle(edition.empty() ? QString::fromUtf8("食品成分表５訂版") : eiyou::ToQ(edition));
}

void TForm2::BitBtn4Click() {
  bool loaded = false;
  eiyou::Guarded(this, [&] {
    eiyou::BoxMessageSink sink(this);
    session_.Load(sink);
    loaded = true;
  });
  // A file that exists but cannot be read ends the action here. A missing
  // file has been reported and the first record is shown all the same.
  if (!loaded) return;
  ShowEdition();
  ShowRecord(session_.currentRecord());
}

void TForm2::BitBtn3Click() { close(); }

void TForm2::SpinButton1UpClick() {
  if (session_.StepBack()) ShowRecord(session_.currentRecord());
}

void TForm2::SpinButton1DownClick() {
  if (session_.StepForward()) ShowRecord(session_.currentRecord());
}

void TForm2::Edit1Change() {
  // ShowRecord writes the number back, which comes here once more and stops
  // there (same text, no change). The depth limit only guards that promise.
  if (changeDepth_ >= 4) return;
  ++changeDepth_;
  if (const int n = session_.TypedRecord(eiyou::Utf8Of(edits_[1]->text())))
    ShowRecord(n);
  --changeDepth_;
}
