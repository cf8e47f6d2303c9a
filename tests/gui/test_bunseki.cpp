// The meal window, the daily intake graph window and the print button's
// failure path, driven from the main window in a scratch working directory.
//
// The meal side's totals, choices and chart live for the whole program run:
// every test starts a fresh main window, a fresh run.
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bunseki.h"
#include "modal_driver.h"
#include "pmain.h"
#include "tables/cp932.h"

namespace {

// Never reach a real printer: libcups is pointed at a socket where nothing
// listens before the application starts.
[[maybe_unused]] const bool kNoPrinter = [] {
  setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
  unsetenv("PRINTER");
  unsetenv("LPDEST");
  return true;
}();

// A food line: number, name and the given columns (3..23), the rest "0".
std::string Food(int n, const std::map<int, std::string>& values) {
  std::string line = " 1" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + "," +
                     eiyou::Cp932("食品") + std::to_string(n);
  for (int c = 3; c <= 23; ++c) line += "," + (values.count(c) ? values.at(c) : std::string("0"));
  return line;
}

// Columns: 3 energy, 5 protein, 6 fat, 10 calcium, 12 iron, 17 A, 18 B1, 19 B2, 21 C.
const std::vector<std::string> kFoods = {
    Food(1, {{3, "25"}}),
    Food(2, {{6, "0.3"}}),
    // 100 g of it is exactly the female 18-29 reference row below.
    Food(3, {{3, "2000"}, {5, "60"}, {6, "50"}, {10, "600"}, {12, "10"}, {17, "2000"},
             {18, "1"}, {19, "1.2"}, {21, "100"}}),
    Food(4, {{5, "12.3"}, {10, "45"}, {12, "8.5"}, {17, "7"}, {18, "0.05"}, {19, "0.12"},
             {21, "3"}}),
};

// Reference rows: female 18-29 equals 100 g of food 3, male 18-29 is twice
// that; female 3-5 has an energy target of 0.
std::string ReferenceRow(int row) {
  const char* female = "2000,60,50,600,10,2000,1,1.2,x,100";
  const char* male = "4000,120,100,1200,20,4000,2,2.4,x,200";
  std::string f = row == 2 ? "0,60,50,600,10,2000,1,1.2,x,100" : female;
  std::string m = row == 8 ? male : female;
  std::string line;
  size_t pf = 0, pm = 0;
  for (int pair = 0; pair < 10; ++pair) {
    const size_t ef = f.find(',', pf), em = m.find(',', pm);
    line += (pair ? "," : "") + m.substr(pm, em - pm) + "," + f.substr(pf, ef - pf);
    pf = ef + 1;
    pm = em + 1;
  }
  return line;
}

// Dish file lines (UTF-8 here, written as CP932).
const std::vector<std::string> kDishes = {
    "和      食,汁 も の,エネルギー汁,[1] 1001:食品1= 50g",
    "洋      食,主    菜,脂質皿,[2] 1002:食品2= 150g",
    "中      華,そ の 他,一日分,[3] 1003:食品3= 100g",
    "和      食,副    菜,いろいろ,[4] 1004:食品4= 100g",
    "洋      食,デザート,空の皿",
    "",
    "カンマなし",
    "和      食,汁 も の,二品,[1] 1001:食品1= 50g,[2] 1002:食品2= 150g",
};
enum Dish { kEnergy, kFat, kFullDay, kVarious, kNoFoods, kEmpty, kNoComma, kTwoFoods };

void WriteLines(const QString& name, const std::vector<std::string>& lines, bool encode) {
  std::ofstream out(QDir::current().filePath(name).toStdString(), std::ios::binary);
  for (const auto& l : lines) out << (encode ? eiyou::Cp932(l) : l) << "\r\n";
}

void WriteAllData() {
  WriteLines(QString::fromUtf8("食品成分表５訂.CSV"), kFoods, false);
  std::vector<std::string> rows;
  for (int r = 1; r <= 11; ++r) rows.push_back(ReferenceRow(r));
  WriteLines("STD.CSV", rows, false);
  QDir::current().mkdir("KONDATE");
  WriteLines(QString::fromUtf8("KONDATE/献立.TXT"), kDishes, true);
}

QString Missing(const QString& name) {
  return QString::fromUtf8("指定された") + QDir::currentPath() + "/" + name +
         QString::fromUtf8("ファイルがありません！！");
}

QStringList ItemTexts(QWidget* w, const char* list) {
  QStringList texts;
  auto* l = Child<QListWidget>(w, list);
  for (int i = 0; i < l->count(); ++i) texts << l->item(i)->text();
  return texts;
}

void ChooseItem(QWidget* w, const char* combo, int index) {
  Child<QComboBox>(w, combo)->setCurrentIndex(index);
}
void TypeText(QWidget* w, const char* combo, const QString& text) {
  Child<QComboBox>(w, combo)->setEditText(text);
}
void AddDish(QWidget* meal, int dish) {
  Child<QListWidget>(meal, "ListBox1")->setCurrentRow(dish);
  ClickButton(meal, "BitBtn3");
}

QStringList Figures(QWidget* graph) {
  QStringList texts;
  for (int i = 3; i <= 11; ++i)
    texts << Child<QLineEdit>(graph, ("Edit" + QByteArray::number(i)).constData())->text();
  return texts;
}

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 128, 0);

// True when a pixel of `colour` lies within `r` pixels of (x, y).
bool ColourNear(const QImage& img, int x, int y, QRgb colour, int r = 2) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx)
      if (img.valid(x + dx, y + dy) && (img.pixel(x + dx, y + dy) & 0xFFFFFF) == (colour & 0xFFFFFF))
        return true;
  return false;
}

// The pixel of axis k (0 = energy, clockwise by 40 degrees) at `units` from the centre.
QPoint AxisPoint(double k, double units) {
  const double a = k * 40.0 * M_PI / 180.0;
  return QPoint(392 + int(std::lround(16 * units * std::sin(a))),
                304 - int(std::lround(16 * units * std::cos(a))));
}

QImage DrawChart(QWidget* graph) {
  ClickButton(graph, "BitBtn3");
  return graph->grab().toImage();
}

}  // namespace

class BunsekiTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;  // a fresh run for every test

  // Opens the meal window from the main window, runs `body` in it and closes it
  // with "終　了". Steps for windows `body` opens are queued by `body` itself.
  void InMealWindow(ModalDriver& d, const std::function<void(QWidget*)>& body) {
    TForm1& main = *main_;
    main.show();
    d.Window("TForm4", [&](QWidget* w) {
      body(w);
      ClickButton(w, "BitBtn2");
      if (w->isVisible()) static_cast<QDialog*>(w)->reject();
    });
    ClickButton(&main, "BitBtn3");
    QVERIFY2(d.Done(), d.Report());
  }

  // Opens the graph window with "グラフ作成", runs `body` in it, closes it with "終了".
  static void InGraphWindow(ModalDriver& d, QWidget* meal, const std::function<void(QWidget*)>& body) {
    d.Window("TForm5", [&](QWidget* g) {
      body(g);
      ClickButton(g, "BitBtn1");
    });
    ClickButton(meal, "BitBtn1");
  }

 private slots:
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    main_ = std::make_unique<TForm1>();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void openingMessagesInOrder() {
    {
      // Nothing at all: both loaders complain, then the missing dish directory
      // discards the window unshown.
      ModalDriver d(1500);
      d.Message(Missing(QString::fromUtf8("食品成分表５訂.CSV")))
          .Message(Missing("STD.CSV"))
          .Message(QString::fromUtf8("ディレクトリがありません！！"));
      TForm1& main = *main_;
      ClickButton(&main, "BitBtn3");
      QVERIFY2(d.Done(), d.Report());
    }
    {
      // A dish directory without the file: its message, then an empty window.
      WriteAllData();
      QVERIFY(QFile::remove(QString::fromUtf8("KONDATE/献立.TXT")));
      ModalDriver d;
      d.Message(Missing(QString::fromUtf8("KONDATE/献立.TXT")));
      InMealWindow(d, [](QWidget* w) {
        QCOMPARE(Child<QListWidget>(w, "ListBox1")->count(), 0);
      });
    }
  }

  void freshWindowAndDishList() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [](QWidget* w) {
      for (const char* c : {"ComboBox1", "ComboBox2", "ComboBox3"}) {
        QVERIFY(Child<QComboBox>(w, c)->isEditable());
        QCOMPARE(Child<QComboBox>(w, c)->currentText(), QString());
      }
      // The dish file in file order, not sorted.
      QStringList expected;
      for (const auto& l : kDishes) expected << QString::fromStdString(l);
      QCOMPARE(ItemTexts(w, "ListBox1"), expected);
    });
  }

  void entriesAndFigures() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      AddDish(w, kEnergy);  // no meal chosen yet: nothing happens
      ChooseItem(w, "ComboBox1", 0);
      Child<QListWidget>(w, "ListBox1")->setCurrentRow(-1);
      ClickButton(w, "BitBtn3");  // no dish selected: nothing happens
      QCOMPARE(ItemTexts(w, "ListBox2"), QStringList());

      AddDish(w, kEnergy);
      AddDish(w, kFat);
      ChooseItem(w, "ComboBox1", 2);
      AddDish(w, kVarious);
      QCOMPARE(ItemTexts(w, "ListBox2"),
               QStringList({QString::fromUtf8("和      食：汁 も の：エネルギー汁"),
                            QString::fromUtf8("洋      食：主    菜：脂質皿")}));
      QCOMPARE(ItemTexts(w, "ListBox3"), QStringList());
      QCOMPARE(ItemTexts(w, "ListBox4"), QStringList{QString::fromUtf8("和      食：副    菜：いろいろ")});
      // 50 g of energy 25 gives 12; 150 g of fat 0.3 gives 5 tenths.
      QStringList figures;
      InGraphWindow(d, w, [&](QWidget* g) { figures = Figures(g); });
      QCOMPARE(figures, QStringList({"12", "12.3", "0.5", "45", "8.5", "2.1", "0.05", "0.12", "3"}));

      // Typed meal text that matches no item: no list gets the entry, the
      // foods count all the same.
      TypeText(w, "ComboBox1", "x");
      AddDish(w, kTwoFoods);
      QCOMPARE(ItemTexts(w, "ListBox2").size() + ItemTexts(w, "ListBox4").size(), 3);
      InGraphWindow(d, w, [&](QWidget* g) { figures = Figures(g); });
      QCOMPARE(figures.mid(0, 3), QStringList({"24", "12.3", "1"}));

      // "削除" empties all three meals and the totals.
      ClickButton(w, "BitBtn4");
      for (const char* l : {"ListBox2", "ListBox3", "ListBox4"}) QCOMPARE(ItemTexts(w, l), QStringList());
      InGraphWindow(d, w, [&](QWidget* g) { figures = Figures(g); });
      QCOMPARE(figures, QStringList(9, "0"));
    });
  }

  void oddDishLines() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      ChooseItem(w, "ComboBox1", 1);
      AddDish(w, kNoFoods);
      AddDish(w, kEmpty);
      AddDish(w, kNoComma);
      AddDish(w, kNoFoods);
      QCOMPARE(ItemTexts(w, "ListBox3"),
               QStringList({QString::fromUtf8("洋      食：デザート：空の皿"), QString::fromUtf8("：："),
                            QString::fromUtf8("：："), QString::fromUtf8("洋      食：デザート：空の皿")}));
      QCOMPARE(Child<QListWidget>(w, "ListBox1")->currentRow(), int(kNoFoods));
      QStringList figures;
      InGraphWindow(d, w, [&](QWidget* g) { figures = Figures(g); });
      QCOMPARE(figures, QStringList(9, "0"));
    });
  }

  void reopeningStartsAfreshButKeepsChoices() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      ChooseItem(w, "ComboBox1", 0);
      AddDish(w, kEnergy);
      ChooseItem(w, "ComboBox2", 1);  // 女
      ChooseItem(w, "ComboBox3", 7);  // 18～29歳
    });
    ModalDriver again;
    InMealWindow(again, [&](QWidget* w) {
      QCOMPARE(ItemTexts(w, "ListBox2"), QStringList());
      QCOMPARE(Child<QComboBox>(w, "ComboBox2")->currentText(), QString());
      ChooseItem(w, "ComboBox1", 0);
      AddDish(w, kFullDay);
      // The combo boxes show nothing, but the female 18-29 row is still chosen:
      // the day equals its targets, so the outline joins the spoke ends.
      InGraphWindow(again, w, [&](QWidget* g) {
        QCOMPARE(Child<QLineEdit>(g, "Edit1")->text(), QString());
        QCOMPARE(Child<QLineEdit>(g, "Edit2")->text(), QString());
        QCOMPARE(Figures(g)[0], QStringLiteral("2000"));  // zero totals at the opening
        const QImage img = DrawChart(g);
        for (int k = 0; k < 9; ++k) {
          const QPoint p = AxisPoint(k, 12);
          QVERIFY2(ColourNear(img, p.x(), p.y(), kBlue), qPrintable(QString::number(k)));
        }
      });
    });
  }

  void chartScaleAndZeroTarget() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      ChooseItem(w, "ComboBox1", 2);
      AddDish(w, kFullDay);
      ChooseItem(w, "ComboBox2", 0);  // 男 18-29: twice the day, every vertex at 6 units
      ChooseItem(w, "ComboBox3", 7);
      InGraphWindow(d, w, [&](QWidget* g) {
        QCOMPARE(Child<QLineEdit>(g, "Edit1")->text(), QString::fromUtf8("男"));
        QCOMPARE(Child<QLineEdit>(g, "Edit2")->text(), QString::fromUtf8("18～29歳"));
        const QImage before = g->grab().toImage();
        QVERIFY(!ColourNear(before, 392, 304, kGreen, 4));  // no chart until drawn
        const QImage img = DrawChart(g);
        for (int k = 0; k < 9; ++k) {
          QVERIFY(ColourNear(img, AxisPoint(k, 6).x(), AxisPoint(k, 6).y(), kBlue));
          QVERIFY(!ColourNear(img, AxisPoint(k, 12).x(), AxisPoint(k, 12).y(), kBlue, 3));
          QVERIFY(ColourNear(img, AxisPoint(k, 12).x(), AxisPoint(k, 12).y(), kGreen, 1));
        }
        // The guide circles at 4 and 8 units, midway between two axes.
        QVERIFY(ColourNear(img, AxisPoint(0.5, 4).x(), AxisPoint(0.5, 4).y(), kGreen, 1));
        QVERIFY(ColourNear(img, AxisPoint(4.5, 8).x(), AxisPoint(4.5, 8).y(), kGreen, 1));
        // Drawing again puts the same lines over the old ones.
        QCOMPARE(DrawChart(g), img);
      });
      ChooseItem(w, "ComboBox2", 1);  // 女 3-5: energy target 0 puts that vertex at the centre
      ChooseItem(w, "ComboBox3", 1);
      InGraphWindow(d, w, [&](QWidget* g) {
        // Drawing reloads the reference file; without it, the table as it stood.
        QVERIFY(QFile::remove("STD.CSV"));
        d.Message(Missing("STD.CSV"));
        const QImage img = DrawChart(g);
        QVERIFY(ColourNear(img, 392, 304, kBlue));
        QVERIFY(!ColourNear(img, 392, 112, kBlue, 3));
        QVERIFY(ColourNear(img, AxisPoint(1, 12).x(), AxisPoint(1, 12).y(), kBlue));
      });
    });
  }

  void chartNeedsARow() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      const struct {
        QString sex, age, message;
      } cases[] = {
          {"x", QString::fromUtf8("18～29歳"), QString::fromUtf8("性別を選択してください！")},
          {QString(), QString(), QString::fromUtf8("性別を選択してください！")},
          {QString::fromUtf8("女"), "18", QString::fromUtf8("年齢を選択してください！")},
      };
      for (const auto& c : cases) {
        TypeText(w, "ComboBox2", c.sex);
        TypeText(w, "ComboBox3", c.age);
        InGraphWindow(d, w, [&](QWidget* g) {
          d.Message(c.message);
          const QImage img = DrawChart(g);
          QVERIFY(!ColourNear(img, 392, 304, kGreen, 4));
          QVERIFY(!ColourNear(img, 392, 304, kBlue, 4));
        });
      }
    });
  }

  void printWithoutPrinterKeepsTheWindow() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      bool stillOpen = false;
      InGraphWindow(d, w, [&](QWidget* g) {
        d.Message(QString::fromUtf8("プリンタがありません。印刷できません！"));
        ClickButton(g, "BitBtn2");
        stillOpen = g->isVisible() && QApplication::activeModalWidget() == g;
      });
      QVERIFY(stillOpen);
    });
  }

  void aDayIsStoredAndOpenedAgainWithTheSameFigures() {
    WriteAllData();
    ModalDriver d;
    InMealWindow(d, [&](QWidget* w) {
      Child<QDateEdit>(w, "PlanDate")->setDate(QDate(2026, 12, 8));
      d.Message(QString::fromUtf8("年齢を選択してください！"));
      ClickButton(w, "SaveDayButton");
      ChooseItem(w, "ComboBox1", 0);
      AddDish(w, kEnergy);
      ChooseItem(w, "ComboBox1", 2);
      AddDish(w, kTwoFoods);
      ChooseItem(w, "ComboBox2", 1);
      ChooseItem(w, "ComboBox3", 7);
      d.Message(QString::fromUtf8("2026-12-08 の日別献立を保存しました！"));
      ClickButton(w, "SaveDayButton");
      // Storing the date again asks first; "やめる" keeps the stored day.
      d.Message(QString(), QString::fromUtf8("やめる"));
      ClickButton(w, "SaveDayButton");
      QStringList before;
      InGraphWindow(d, w, [&](QWidget* g) { before = Figures(g); });

      ClickButton(w, "BitBtn4");
      ChooseItem(w, "ComboBox2", 0);
      ChooseItem(w, "ComboBox1", 1);
      ClickButton(w, "OpenDayButton");
      QCOMPARE(ItemTexts(w, "ListBox2"), QStringList{QString::fromUtf8("和      食：汁 も の：エネルギー汁")});
      QCOMPARE(ItemTexts(w, "ListBox3"), QStringList());
      QCOMPARE(ItemTexts(w, "ListBox4"), QStringList{QString::fromUtf8("和      食：汁 も の：二品")});
      QCOMPARE(Child<QComboBox>(w, "ComboBox2")->currentIndex(), 1);
      QCOMPARE(Child<QComboBox>(w, "ComboBox3")->currentIndex(), 7);
      QStringList after;
      InGraphWindow(d, w, [&](QWidget* g) { after = Figures(g); });
      QCOMPARE(after, before);
      // The chosen meal stays chosen: the next dish goes to lunch.
      AddDish(w, kFat);
      QCOMPARE(ItemTexts(w, "ListBox3").size(), 1);

      // Opening over dishes asks first; a date with nothing stored says so.
      d.Message(QString(), QString::fromUtf8("やめる"));
      ClickButton(w, "OpenDayButton");
      QCOMPARE(ItemTexts(w, "ListBox3").size(), 1);
      Child<QDateEdit>(w, "PlanDate")->setDate(QDate(2026, 12, 9));
      d.Message(QString::fromUtf8("2026-12-09 の日別献立は保存されていません！"));
      ClickButton(w, "OpenDayButton");
    });
  }

  void theDailyWindowSavesTheDaysReport() {
    WriteAllData();
    const QString csv = QDir::current().filePath(QStringLiteral("day.csv"));
    ModalDriver d;
    QStringList shown;
    InMealWindow(d, [&](QWidget* w) {
      Child<QDateEdit>(w, "PlanDate")->setDate(QDate(2026, 12, 8));
      ChooseItem(w, "ComboBox1", 0);
      AddDish(w, kFullDay);
      ChooseItem(w, "ComboBox2", 1);
      ChooseItem(w, "ComboBox3", 7);
      InGraphWindow(d, w, [&](QWidget* g) {
        shown = Figures(g);
        d.Window("ReportFileDialog", [&](QWidget* f) {
          auto* dialog = qobject_cast<QFileDialog*>(f);
          dialog->selectFile(csv);
          QMetaObject::invokeMethod(dialog, "accept");
        });
        d.Message();
        g->findChild<QAction*>("CsvAction")->trigger();
      });
    });
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    // The day's figures as the window shows them; 100 g of food 3 is the
    // female 18-29 row: every share 100 %.
    QCOMPARE(shown.join(','), QStringLiteral("2000,60,50,600,10,600,1,1.2,100"));
    QVERIFY2(text.contains("\r\n2026-12-08," + shown.join(',') + ",0.0,0.0\r\n"), qPrintable(text));
    QVERIFY2(text.contains(QString::fromUtf8("割合(%),100,100,100,100,100,100,100,100,100,,")), qPrintable(text));
  }
};

QTEST_MAIN(BunsekiTest)
#include "test_bunseki.moc"
