// Bad input around the dish file and the charts, driven from the main window:
// a very long dish file, saves that fail and then succeed, a reference row of
// zeros, extreme weights and a FoodEntry text that lacks its mark.
#include <QMessageBox>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kondate.h"
#include "tables/dish_file.h"
#include "kondate_test_support.h"
#include "test_bad_input_support.h"

using namespace kt;
using namespace bad;

namespace {

QString CannotCreate() {
  return U("ﾌｧｲﾙ ") + QDir::currentPath() + U("/KONDATE/献立.TXT を作成できません。");
}

// The pixel of axis k of the daily chart at `units` from its centre (392, 304).
QPoint DailyAxisPoint(int k, double units) {
  const double a = k * 40.0 * M_PI / 180.0;
  return QPoint(392 + int(std::lround(16 * units * std::sin(a))),
                304 - int(std::lround(16 * units * std::cos(a))));
}

const QPoint kDishCentre(948, 608);
const QPoint kDishSpokeEnds[9] = {{948, 448}, {1051, 485}, {1106, 580}, {1087, 688}, {1003, 758},
                                  {893, 758}, {809, 688},  {790, 580},  {845, 485}};

// Row 4 of the test food table, "1 002" 空白入り (group 1), has 1 of every value.
const char* kOnes = "[4]1 002:空白入り";

}  // namespace

class BadInputDishesTest : public MainOnTestTables {
  Q_OBJECT

  QString DishPath() const { return dir() + "/" + U(kDishRelPath); }

  void WriteDishes(const std::vector<std::string>& utf8Lines) {
    std::string bytes;
    for (const std::string& l : utf8Lines) bytes += C(l.c_str()) + "\r\n";
    WriteBytes(DishPath(), bytes);
  }

  // Registers a dish of 75 g of 精白米 under `name` in the open dish window.
  static void RegisterRice(QWidget* w, const char* name) {
    LoadFoodsOfGroup(w, "穀　類");
    PickFood(w, 0, "75");
    RegisterDish(w, "和      食", "飯 も の", name);
  }

  // Adds every dish of the open meal window to breakfast, one after the other,
  // reading the graph window's figures after each and emptying the meals.
  static std::vector<QStringList> FiguresOfEachDish(ModalDriver& d, QWidget* meal) {
    std::vector<QStringList> all;
    auto* list = Child<QListWidget>(meal, "ListBox1");
    Child<QComboBox>(meal, "ComboBox1")->setCurrentIndex(0);
    for (int i = 0; i < list->count(); ++i) {
      list->setCurrentRow(i);
      ClickButton(meal, "BitBtn3");
      QStringList figures;
      d.Window("TForm5", Closing([&](QWidget* g) { figures = Figures(g); }));
      ClickButton(meal, "BitBtn1");
      all.push_back(figures);
      ClickButton(meal, "BitBtn4");
    }
    return all;
  }

 private slots:
  void init() { Start({}); }
  void cleanup() { Stop(); }

  void aHundredThousandDishesOpenSortedAndSaveBackExactly() {
    // Lines in scrambled order, some of them equal.
    std::vector<std::string> lines;
    Lcg rng{5};
    const std::string head = C("和      食,汁 も の,");
    for (int i = 0; i < 100000; ++i) {
      const std::uint32_t key = rng.Next() % 90000;
      lines.push_back(head + std::to_string(key) + ",[1] 1001:" + C("精白米") + "= " +
                      std::to_string(i % 97 + 1) + "g");
    }
    WriteBytes(DishPath(), Joined(lines));
    std::vector<std::string> sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end());

    ModalDriver d(120000);
    bool inOrder = false;
    d.Window("TForm3", Closing([&](QWidget* w) {
      auto* dishes = Child<QListWidget>(w, "ListBox1");
      inOrder = ItemBytesOf(dishes) == sorted;
      // Full: registration is refused, nothing is added.
      d.Message(U("登録できる献立は３００件までです！！"));
      ClickButton(w, "BitBtn2");
      QCOMPARE(dishes->count(), 100000);
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
      ClickButton(w, "BitBtn4");
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(inOrder);
    QVERIFY(ReadBytes(DishPath()) == Joined(sorted));

    // The meal window lists them in file order.
    ModalDriver m(120000);
    bool inFileOrder = false;
    m.Window("TForm4", Closing([&](QWidget* w) {
      inFileOrder = ItemBytesOf(Child<QListWidget>(w, "ListBox1")) == sorted;
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    QVERIFY(inFileOrder);
  }

  void dishesHiddenAfterANulByteAreNamedBeforeASaveCouldDropThem() {
    const std::string bytes = C("和      食,飯 も の,ごはん") + "\r\n" + std::string(1, '\0') +
                              C("洋      食,焼きもの,オムレツ") + "\r\n";
    WriteBytes(DishPath(), bytes);
    ModalDriver d;
    int listed = -1;
    d.Message(U(eiyou::kDishesAfterNulMessage));
    d.Window("TForm3", Closing([&](QWidget* w) {  // closed without saving
      listed = Child<QListWidget>(w, "ListBox1")->count();
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(listed, 1);
    QVERIFY(ReadBytes(DishPath()) == bytes);
  }

  void aReadOnlyDishFileRefusesTheSaveUntilItIsWritableAgain() {
    WriteDishes({"洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g"});
    const std::string old = ReadBytes(DishPath());
    QVERIFY(QFile::setPermissions(DishPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    std::vector<std::string> listed;
    bool closed = false;
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterRice(w, "ごはん");
      auto* dishes = Child<QListWidget>(w, "ListBox1");
      const std::vector<std::string> before = ItemBytesOf(dishes);
      QCOMPARE(before.size(), size_t(2));
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(CannotCreate());
      ClickButton(w, "BitBtn4");
      QVERIFY(w->isVisible());
      QCOMPARE(ItemBytesOf(dishes), before);
      QCOMPARE(ReadBytes(DishPath()), old);
      // The user makes the file writable and saves again from the same window.
      QVERIFY(QFile::setPermissions(DishPath(), QFile::ReadOwner | QFile::WriteOwner));
      listed = ItemBytesOf(dishes);
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
      ClickButton(w, "BitBtn4");
      closed = !w->isVisible();
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 4);
    QVERIFY(closed);
    QCOMPARE(ReadBytes(DishPath()), Joined(listed));
    QCOMPARE(listed.front(), C("洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g"));
  }

  void aDishDirectoryRemovedOrReplacedThenRestored() {
    WriteDishes({"洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g"});
    std::vector<std::string> listed;
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterRice(w, "ごはん");
      listed = ItemBytesOf(Child<QListWidget>(w, "ListBox1"));
      QVERIFY(QDir(dir() + "/KONDATE").removeRecursively());
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(CannotCreate());
      ClickButton(w, "BitBtn4");
      QVERIFY(!QFileInfo::exists(dir() + "/KONDATE"));  // never created by the program
      // A plain file in its place.
      WriteBytes(dir() + "/KONDATE", "not a directory");
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(CannotCreate());
      ClickButton(w, "BitBtn4");
      QCOMPARE(ReadBytes(dir() + "/KONDATE"), std::string("not a directory"));
      QCOMPARE(ItemBytesOf(Child<QListWidget>(w, "ListBox1")), listed);
      // The directory back, empty: the save creates the file.
      QVERIFY(QFile::remove(dir() + "/KONDATE"));
      QVERIFY(QDir(dir()).mkdir("KONDATE"));
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
      ClickButton(w, "BitBtn4");
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 6);
    QCOMPARE(ReadBytes(DishPath()), Joined(listed));
  }

  // Rows reading 0 or less in other ways are in the core tests.
  void aReferenceRowOfZerosPutsEveryVertexAtTheCentre() {
    std::string reference;
    for (int r = 0; r < 11; ++r) {
      std::string line;
      for (int f = 0; f < 20; ++f) line += (f ? "," : "") + std::string(r == 0 ? "0" : "2100");
      reference += line + "\r\n";
    }
    WriteBytes(dir() + "/STD.CSV", reference);
    WriteDishes({"和      食,煮 も の,基準定食,[8] 8001:基準食= 100g"});

    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      LoadReferenceRow(w, "女", "１～２歳");
      Evaluate(w, "基準定食");
      ClickButton(w, "BitBtn7");
      const QImage img = Grab(w);
      QVERIFY(ColourNear(img, kDishCentre.x(), kDishCentre.y(), kBlue));
      for (const QPoint& p : kDishSpokeEnds) {
        QVERIFY(ColourNear(img, p.x(), p.y(), kGreen, 1));
        QVERIFY(!ColourNear(img, p.x(), p.y(), kBlue, 3));
      }
      QVERIFY(CountColour(img, QRect(728, 400, 441, 417), kBlue) < 20);
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());

    ModalDriver m;
    m.Window("TForm4", Closing([&](QWidget* w) {
      Child<QComboBox>(w, "ComboBox1")->setCurrentIndex(0);
      Child<QListWidget>(w, "ListBox1")->setCurrentRow(0);
      ClickButton(w, "BitBtn3");
      Child<QComboBox>(w, "ComboBox2")->setCurrentIndex(0);
      Child<QComboBox>(w, "ComboBox3")->setCurrentIndex(0);
      m.Window("TForm5", Closing([&](QWidget* g) {
        QCOMPARE(Figures(g)[0], U("700"));
        ClickButton(g, "BitBtn3");
        const QImage img = g->grab().toImage();
        QVERIFY(ColourNear(img, 392, 304, kBlue));
        for (int k = 0; k < 9; ++k) {
          const QPoint p = DailyAxisPoint(k, 12);
          QVERIFY(ColourNear(img, p.x(), p.y(), kGreen, 1));
          QVERIFY(!ColourNear(img, p.x(), p.y(), kBlue, 3));
        }
      }));
      ClickButton(w, "BitBtn1");
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
  }

  // The other weights a FoodEntry keeps as typed are in the core tests.
  void extremeWeightsTypedInTheDishWindow() {
    WriteDishes({});
    std::vector<std::string> entries;
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      QCOMPARE(eiyou::ItemBytes(LoadFoodsOfGroup(w, "穀　類"), 1), C(kOnes));
      PickFood(w, 1, "1e30");
      PickFood(w, 1, "1e99999");
      entries = ItemBytesOf(Child<QListWidget>(w, "ListBox3"));
      RegisterDish(w, "和      食", "そ の 他", "極端");
      // Evaluated and drawn: the outline lies far outside and is clipped.
      LoadReferenceRow(w, "男", "１～２歳");
      Evaluate(w, "極端");
      ClickButton(w, "BitBtn7");
      QVERIFY(ColourNear(Grab(w), kDishSpokeEnds[1].x(), kDishSpokeEnds[1].y(), kGreen, 1));
      ClickButton(w, "BitBtn11");
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
      ClickButton(w, "BitBtn4");
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    const std::string food = C(kOnes);
    QCOMPARE(entries, (std::vector<std::string>{food + "= 1e30g", food + "= 1e99999g"}));
    QCOMPARE(ReadBytes(DishPath()), C("和      食,そ の 他,極端,") + entries[0] + "," + entries[1] + "\r\n");
  }

  // The figures of the other weights are in the core tests.
  void extremeWeightsReadFromTheDishFile() {
    WriteDishes({std::string("和      食,そ の 他,1e30,") + kOnes + "= 1e30g",
                 std::string("和      食,そ の 他,-1e30,") + kOnes + "= -1e30g"});
    std::vector<QStringList> figures;
    ModalDriver m;
    m.Window("TForm4", Closing([&](QWidget* w) {
      figures = FiguresOfEachDish(m, w);
      // The charts of a saturated day draw without trouble.
      Child<QComboBox>(w, "ComboBox2")->setCurrentIndex(0);
      Child<QComboBox>(w, "ComboBox3")->setCurrentIndex(0);
      for (int i = 0; i < 2; ++i) {
        Child<QListWidget>(w, "ListBox1")->setCurrentRow(i);
        ClickButton(w, "BitBtn3");
        m.Window("TForm5", Closing([&](QWidget* g) {
          ClickButton(g, "BitBtn3");
          const QImage img = g->grab().toImage();
          QVERIFY(ColourNear(img, DailyAxisPoint(1, 12).x(), DailyAxisPoint(1, 12).y(), kGreen, 1));
        }));
        ClickButton(w, "BitBtn1");
      }
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    const QStringList top = {"2147483647",  "214748364.7", "214748364.7",
                             "2147483647",  "214748364.7", "644245094.1",
                             "21474836.47", "21474836.47", "2147483647"};
    const QStringList bottom = {"-2147483648",  "-214748364.8", "-214748364.8",
                                "-2147483648",  "-214748364.8", "-644245094.4",
                                "-21474836.48", "-21474836.48", "-2147483648"};
    QCOMPARE(figures, (std::vector<QStringList>{top, bottom}));
  }

  // The other ways a FoodEntry can lack its marks are in the core tests.
  void aFoodEntryWithoutItsBracketAddsNothing() {
    WriteDishes({"和      食,汁 も の,1括弧なし,[4 1 002:空白入り= 100g",
                 "和      食,汁 も の,2正常,[4]1 002:空白入り= 100g"});
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      LoadReferenceRow(w, "男", "１～２歳");
      Evaluate(w, "1括弧なし");
      QCOMPARE(Items(Child<QListWidget>(w, "ListBox3")), QStringList{U("[4 1 002:空白入り= 100g")});
      ClickButton(w, "BitBtn7");
      // Nothing was added: the outline is a point at the centre.
      const QImage img = Grab(w);
      QVERIFY(ColourNear(img, kDishCentre.x(), kDishCentre.y(), kBlue));
      QVERIFY(!ColourNear(img, kDishCentre.x(), kDishCentre.y() - 16, kBlue, 2));
      // The sound dish: 10 tenths of a gram of protein against 600 is ratio 5,
      // a vertex half a unit out on the 40-degree axis.
      Evaluate(w, "2正常");
      ClickButton(w, "BitBtn7");
      QVERIFY(ColourNear(Grab(w), 948 + 5, 608 - 6, kBlue, 1));
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());

    std::vector<QStringList> figures;
    ModalDriver m;
    m.Window("TForm4", Closing([&](QWidget* w) { figures = FiguresOfEachDish(m, w); }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    QCOMPARE(figures, (std::vector<QStringList>{QStringList(9, "0"),
                                                {"1", "1", "1", "1", "1", "0.3", "1", "1", "1"}}));
  }
};

QTEST_MAIN(BadInputDishesTest)
#include "test_bad_input_dishes.moc"
