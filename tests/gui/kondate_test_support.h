// Shared by the dish window's tests: a working directory with small CP932 files,
// the main window, and helpers that act on the dish window like a user.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/list_items.h"
#include "gui/text.h"
#include "modal_driver.h"
#include "pmain.h"
#include "tables/cp932.h"

namespace kt {

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string C(const char* utf8) { return eiyou::Cp932(utf8); }

inline void WriteBytes(const QString& path, const std::string& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), qint64(bytes.size()));
}

inline std::string ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
  const QByteArray b = f.readAll();
  return std::string(b.constData(), size_t(b.size()));
}

// One line of the food table: 23 fields, the nine evaluated values in place.
inline std::string Food(const char* number, const char* name, const char* energy,
                        const char* protein, const char* fat, const char* calcium,
                        const char* iron, const char* vitA, const char* b1, const char* b2,
                        const char* vitC) {
  const std::vector<std::string> f = {number, name,   energy, "10", protein, fat, "0", "0",
                                      "0",    calcium, "0",   iron, "0",     "0", "0", "0",
                                      vitA,   b1,     b2,     "0",  vitC,    "0", "0"};
  std::string line;
  for (size_t i = 0; i < f.size(); ++i) line += (i ? "," : "") + C(f[i].c_str());
  return line;
}

// Exactly 1834 lines; the rows the tests rely on:
//  1 " 1001" group 1    2 "10001" group 10   3 "01001" no group   4 "1 002" group 1
//  5 " 2001" group 2    6 "1" too short      7 " 0001" group 0    8 " 8001" 基準食
//  9 "12001" group 12  10 "12002" group 12   1834 " 1999" group 1
// (the group box's 12th item, 卵　類, lists this table's vegetables of group 12)
// 100 g of 基準食 is one third of every target of STD.CSV row 1 (its vertex lies
// on the outer circle) and one sixth of row 2's energy.
inline std::string FoodFile() {
  std::vector<std::string> rows(1834);
  rows[0] = Food(" 1001", "精白米", "356", "6.1", "0.9", "5", "0.8", "0", "0.08", "0.02", "0");
  rows[1] = Food("10001", "鶏卵", "151", "12.3", "10.3", "51", "1.8", "640", "0.06", "0.43", "0");
  rows[2] = Food("01001", "ゼロ始まり", "1", "1", "1", "1", "1", "1", "1", "1", "1");
  rows[3] = Food("1 002", "空白入り", "1", "1", "1", "1", "1", "1", "1", "1", "1");
  rows[4] = Food(" 2001", "じゃがいも", "76", "1.6", "0.1", "3", "0.4", "0", "0.09", "0.03", "35");
  rows[5] = Food("1", "短い番号", "1", "1", "1", "1", "1", "1", "1", "1", "1");
  rows[6] = Food(" 0001", "ゼロ群", "1", "1", "1", "1", "1", "1", "1", "1", "1");
  rows[7] = Food(" 8001", "基準食", "700", "20", "17", "200", "3.5", "700", "0.40", "0.50", "30");
  rows[8] = Food("12001", "キャベツ", "23", "1.3", "0.2", "43", "0.3", "30", "0.04", "0.03", "41");
  rows[9] = Food("12002", "レタス", "12", "0.6", "0.1", "19", "0.3", "40", "0.05", "0.03", "5");
  rows[1833] = Food(" 1999", "最後の米", "350", "6", "1", "5", "1", "0", "0.1", "0", "0");
  std::string text;
  for (const std::string& r : rows) text += r + "\r\n";
  return text;
}

// Row 2 differs from the others only in its energy (twice as much).
inline std::string StdFile() {
  std::string text;
  for (int row = 1; row <= 11; ++row) {
    const char* energy = row == 2 ? "4200,4200" : "2100,2100";
    text += energy;
    text += ",60,60,51,51,600,600,10.5,10.5,2100,2100,1.2,1.2,1.5,1.5,17,17,90,90\r\n";
  }
  return text;
}

inline const char* kFoodName = "食品成分表５訂.CSV";
inline const char* kDishRelPath = "KONDATE/献立.TXT";

// Writes the dish file of `dir` holding `dishLines` (UTF-8, written as CP932
// with CR LF).
inline void WriteDishLines(const QString& dir, const std::vector<const char*>& dishLines) {
  QDir(dir).mkpath("KONDATE");
  std::string dish;
  for (const char* l : dishLines) dish += C(l) + "\r\n";
  WriteBytes(dir + "/" + U(kDishRelPath), dish);
}

// Fills `dir` with the food table, STD.CSV and the dish file.
inline void FillDirectory(const QString& dir, const std::vector<const char*>& dishLines) {
  WriteBytes(dir + "/" + U(kFoodName), FoodFile());
  WriteBytes(dir + "/STD.CSV", StdFile());
  WriteDishLines(dir, dishLines);
}

// A fresh program run for every test function: init() calls Start, which
// fills a new working directory and shows a new main window (whose sessions
// start empty); cleanup() calls Stop. The dish window's test classes derive
// from it.
class MainOnTestTables : public QObject {
 protected:
  std::unique_ptr<ScopedWorkDir> work_;
  TForm1* main_ = nullptr;

  QString dir() const { return work_->path(); }
  void Start(const std::vector<const char*>& dishLines) {
    Stop();
    work_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(work_->ok());
    FillDirectory(dir(), dishLines);
    main_ = new TForm1;
    main_->show();
  }
  void Stop() {
    delete main_;
    main_ = nullptr;
    work_.reset();
  }
};

inline std::vector<std::string> ItemBytesOf(QListWidget* list) {
  std::vector<std::string> bytes;
  for (int i = 0; i < list->count(); ++i) bytes.push_back(eiyou::ItemBytes(list, i));
  return bytes;
}

// Chooses the combo box's item with this text (as from the drop-down list).
inline void Choose(QComboBox* box, const char* utf8) {
  const int i = box->findText(U(utf8));
  QVERIFY2(i >= 0, utf8);
  box->setCurrentIndex(i);
}

// Types into an editable combo box, replacing its text: one character at a
// time, as an input method commits them.
inline void TypeInto(QComboBox* box, const char* utf8) {
  box->lineEdit()->clear();
  for (const QChar ch : U(utf8)) {
    QInputMethodEvent commit;
    commit.setCommitString(QString(ch));
    QCoreApplication::sendEvent(box->lineEdit(), &commit);
  }
}

// What a user does in the dish window `w`, step by step.

// Loads the food table and chooses `group`; the group's foods are then listed.
inline QListWidget* LoadFoodsOfGroup(QWidget* w, const char* group) {
  ClickButton(w, "BitBtn3");
  Choose(Child<QComboBox>(w, "ComboBox1"), group);
  return Child<QListWidget>(w, "ListBox2");
}

// Types `weight` and picks the listed food at `row`.
inline void PickFood(QWidget* w, int row, const char* weight) {
  Child<QLineEdit>(w, "Edit3")->setText(U(weight));
  ClickRow(Child<QListWidget>(w, "ListBox2"), row);
}

// Registers the foods picked so far under these choices and name.
inline void RegisterDish(QWidget* w, const char* cuisine, const char* category, const char* name) {
  Choose(Child<QComboBox>(w, "ComboBox2"), cuisine);
  Choose(Child<QComboBox>(w, "ComboBox3"), category);
  Child<QLineEdit>(w, "Edit2")->setText(U(name));
  ClickButton(w, "BitBtn2");
}

// Loads the reference table, which also empties the evaluation, and chooses its row.
inline void LoadReferenceRow(QWidget* w, const char* sex, const char* age) {
  ClickButton(w, "BitBtn8");
  Choose(Child<QComboBox>(w, "ComboBox4"), sex);
  Choose(Child<QComboBox>(w, "ComboBox5"), age);
}

// Selects the listed dish named `name` and moves it to the evaluation.
inline void Evaluate(QWidget* w, const char* name) {
  auto* dishes = Child<QListWidget>(w, "ListBox1");
  for (int i = 0; i < dishes->count(); ++i)
    if (dishes->item(i)->text().split(',').value(2) == U(name)) ClickRow(dishes, i);
  ClickButton(w, "BitBtn9");
}

inline QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// True when a pixel of exactly `colour` lies within `radius` of (x, y).
inline bool ColourNear(const QImage& image, int x, int y, QRgb colour, int radius = 2) {
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const int px = x + dx, py = y + dy;
      if (image.valid(px, py) && (image.pixel(px, py) & 0xFFFFFF) == (colour & 0xFFFFFF))
        return true;
    }
  return false;
}

inline int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

inline const QRgb kBlue = qRgb(0, 0, 255);
inline const QRgb kGreen = qRgb(0, 128, 0);

}  // namespace kt
