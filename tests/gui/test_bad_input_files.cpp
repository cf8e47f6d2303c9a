// Damaged table and dish files, driven from the main window through the viewer,
// the dish window and the meal window: bytes that are not CP932, random binary
// data, a food file longer than the table, lines of a megabyte, and files that
// exist but cannot be read. Nothing may crash, the user is told exactly when
// something has to be done, and the dish file keeps its bytes unless a save
// succeeded.
#include <QMessageBox>

#include <algorithm>
#include <cstdint>

#include "kondate.h"
#include "kondate_test_support.h"
#include "test_bad_input_support.h"

using namespace kt;
using namespace bad;

namespace {

// The 1834 lines of the shared test food table, to be edited.
std::vector<std::string> FoodRows() {
  const std::string text = FoodFile();
  std::vector<std::string> rows;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    rows.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return rows;
}

// A food line from CP932 number and name and 21 values.
std::string RawFood(const std::string& number, const std::string& name, const std::string& value) {
  std::string line = number + "," + name;
  for (int c = 3; c <= 23; ++c) line += "," + value;
  return line;
}

QString FoodPath() { return QDir::currentPath() + "/" + U(kFoodName); }
QString StdPath() { return QDir::currentPath() + "/STD.CSV"; }
QString DishFile() { return QDir::currentPath() + "/" + U(kDishRelPath); }
QString CannotRead(const QString& path) { return U("ﾌｧｲﾙ ") + path + U(" を読み込めません。"); }

QStringList ViewerFields(QWidget* viewer) {
  QStringList texts;
  for (int i = 1; i <= 24; ++i)
    texts << Child<QLineEdit>(viewer, QStringLiteral("Edit%1").arg(i).toLatin1().constData())->text();
  return texts;
}

// Selects the row of `list` whose bytes are `bytes`, as a user's click does.
void ClickBytes(QListWidget* list, const std::string& bytes) {
  for (int i = 0; i < list->count(); ++i)
    if (eiyou::ItemBytes(list, i) == bytes) {
      ClickRow(list, i);
      return;
    }
  QFAIL("no such item");
}

// Invalid CP932: a lead byte followed by bytes that are no trail bytes, bytes
// that lead nowhere, a half-width katakana, and a lone lead byte at the end.
const std::string kBad = std::string("\x82\x20\xFF\xA0\x85\x40\xFD") + "\xB1" + "\x82";

}  // namespace

class BadInputFilesTest : public MainOnTestTables {
  Q_OBJECT

  // Opens the dish window from the main window and runs `act` in it.
  void InDishWindow(ModalDriver& d, std::function<void(QWidget*)> act) {
    d.Window("TForm3", Closing(std::move(act)));
  }

 private slots:
  void init() { Start({}); }
  void cleanup() { Stop(); }

  void bytesOutsideTheCodePageAreShownReplacedAndKeptExactly() {
    std::vector<std::string> rows = FoodRows();
    rows[10] = RawFood("12003", C("壊") + kBad, "100");
    rows[11] = RawFood("12004", C("改") + "\n" + C("行"), "1");           // a lone LF stays in a line
    rows[12] = RawFood("12005", C("ヌル") + std::string(1, '\0'), "1");  // so does a NUL byte
    WriteBytes(dir() + "/" + U(kFoodName), Joined(rows));
    std::string reference = StdFile();
    reference.replace(reference.find(",17,17,"), 7, "," + kBad + ",\xFF\xFE,");  // never read
    WriteBytes(dir() + "/STD.CSV", reference);
    const std::vector<std::string> dishes = {
        C("和      食,汁 も の,") + kBad + ",[11]12003:" + C("壊") + kBad + "= 50g",
        kBad + "," + kBad + "," + kBad,
        std::string("\xFF\xFE\x80,\x1A\x7F\x01,\xEF\xBB\xBF"),
    };
    WriteBytes(DishFile(), Joined(dishes));

    // The viewer shows a replacement character for every byte it cannot read.
    ModalDriver v;
    v.Window("TForm2", Closing([&](QWidget* w) {
      ClickButton(w, "BitBtn4");
      Child<QLineEdit>(w, "Edit1")->setText("11");
      const QStringList shown = ViewerFields(w);
      QCOMPARE(shown[2], eiyou::ToQ(C("壊") + kBad));
      QVERIFY(shown[2].startsWith(U("壊")) && shown[2].contains(QChar(0xFFFD)));
      QCOMPARE(shown[3], U("100"));
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v.Done(), v.Report());

    // The dish window lists and stores the bytes as they were read.
    const std::string picked = "[11]12003:" + C("壊") + kBad + "= 50g";
    const std::string added = C("中      華,なまもの,壊れ字") + "," + picked;
    ModalDriver d(20000);
    InDishWindow(d, [&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      QCOMPARE(ItemBytesOf(list), Sorted(dishes));
      QVERIFY(list->item(0)->text().contains(QChar(0xFFFD)));
      auto* foods = LoadFoodsOfGroup(w, "卵　類");
      QCOMPARE(foods->count(), 5);
      QCOMPARE(eiyou::ItemBytes(foods, 2), "[11]12003:" + C("壊") + kBad);
      PickFood(w, 2, "50");
      QCOMPARE(ItemBytesOf(Child<QListWidget>(w, "ListBox3")), std::vector<std::string>{picked});
      // A food whose name holds a line end would break the dish line in the
      // file: it is refused with a message (a NUL byte too, in the core tests).
      d.Message(U("食品番号・食品名に改行を含む食品は選べません！"));
      ClickRow(foods, 3);
      QCOMPARE(Child<QListWidget>(w, "ListBox3")->count(), 1);

      RegisterDish(w, "中      華", "なまもの", "壊れ字");

      // Evaluating the damaged dish from the file draws its polygon.
      LoadReferenceRow(w, "男", "１～２歳");
      ClickBytes(list, dishes[0]);
      ClickButton(w, "BitBtn9");
      QCOMPARE(ItemBytesOf(Child<QListWidget>(w, "ListBox4")), std::vector<std::string>{kBad});
      ClickButton(w, "BitBtn7");
      // 50 g of a food of energy 100 against 2100: ratio 7, the vertex 0.7 units up.
      QVERIFY(ColourNear(Grab(w), 948, 608 - 11, kBlue, 1));
      d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
      ClickButton(w, "BitBtn4");
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 3);
    std::vector<std::string> all = dishes;
    all.push_back(added);
    QCOMPARE(ReadBytes(DishFile()), Joined(Sorted(all)));

    // The meal window keeps the file order and builds its entries from the bytes.
    ModalDriver m(20000);
    QStringList figures;
    m.Window("TForm4", Closing([&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      QCOMPARE(ItemBytesOf(list), Sorted(all));
      Child<QComboBox>(w, "ComboBox1")->setCurrentIndex(0);
      for (int i = 0; i < list->count(); ++i) {
        list->setCurrentRow(i);
        ClickButton(w, "BitBtn3");
      }
      const std::string colon = "\x81\x46";
      QCOMPARE(ItemBytesOf(Child<QListWidget>(w, "ListBox2")),
               (std::vector<std::string>{
                   kBad + colon + kBad + colon + kBad,
                   C("中      華") + colon + C("なまもの") + colon + C("壊れ字"),
                   C("和      食") + colon + C("汁 も の") + colon + kBad,
                   "\xFF\xFE\x80" + colon + "\x1A\x7F\x01" + colon + "\xEF\xBB\xBF",
               }));
      m.Window("TForm5", Closing([&](QWidget* g) { figures = Figures(g); }));
      ClickButton(w, "BitBtn1");
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    // Two times 50 g of a food with 100 of everything (row 11).
    QCOMPARE(figures, (QStringList{"100", "100", "100", "100", "100", "30", "100", "100", "100"}));
  }

  void randomBytesInEveryFileNeitherCrashNorLoseDishes() {
    Lcg rng{2024};
    // Any byte but the end-of-file mark; a line end every few dozen bytes.
    auto randomText = [&](int lines, int width, const char* prefix) {
      std::string text;
      for (int l = 0; l < lines; ++l) {
        text += prefix;
        const int n = int(rng.Next() % width);
        for (int i = 0; i < n; ++i) {
          char c = char(rng.Next() % 256);
          text += c == '\x1A' ? ',' : c;
        }
        text += "\r\n";
      }
      return text;
    };
    WriteBytes(dir() + "/" + U(kFoodName), randomText(600, 160, "1"));
    WriteBytes(dir() + "/STD.CSV", randomText(11, 160, "7"));
    // Dish lines hold no line end or NUL (those end a line); plenty of the
    // characters the readers look for.
    std::vector<std::string> dishes;
    const std::string marks = ",,,[]=:g0123456789.-e ";
    for (int l = 0; l < 300; ++l) {
      std::string line;
      const int n = int(rng.Next() % 120);
      for (int i = 0; i < n; ++i) {
        const std::uint32_t r = rng.Next();
        char c = r % 3 == 0 ? marks[(r >> 8) % marks.size()] : char(1 + (r >> 8) % 255);
        line += (c == '\r' || c == '\n') ? '[' : c;
      }
      dishes.push_back(line);
    }
    WriteBytes(DishFile(), Joined(dishes));

    ModalDriver v;
    v.Window("TForm2", Closing([&](QWidget* w) {
      ClickButton(w, "BitBtn4");
      for (int i = 0; i < 5; ++i) ClickButton(w, "SpinButton1Down");
      Child<QLineEdit>(w, "Edit1")->setText("599x");
      QCOMPARE(Child<QLineEdit>(w, "Edit1")->text(), U("599"));
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v.Done(), v.Report());

    ModalDriver d(30000);
    InDishWindow(d, [&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      QCOMPARE(ItemBytesOf(list), Sorted(dishes));
      ClickButton(w, "BitBtn3");
      auto* groups = Child<QComboBox>(w, "ComboBox1");
      for (int g = 0; g < groups->count(); ++g) groups->setCurrentIndex(g);
      LoadReferenceRow(w, "女", "70歳以上");
      for (int i = 0; i < list->count(); i += 7) {
        ClickRow(list, i);
        ClickButton(w, "BitBtn9");
      }
      ClickButton(w, "BitBtn7");
      ClickButton(w, "BitBtn11");
      ClickButton(w, "BitBtn7");
      ClickButton(w, "BitBtn10");
      ClickButton(w, "BitBtn4");
    });
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(ReadBytes(DishFile()) == Joined(Sorted(dishes)));

    ModalDriver m(30000);
    m.Window("TForm4", Closing([&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      QCOMPARE(list->count(), int(dishes.size()));
      Child<QComboBox>(w, "ComboBox1")->setCurrentIndex(2);
      Child<QComboBox>(w, "ComboBox2")->setCurrentIndex(1);
      Child<QComboBox>(w, "ComboBox3")->setCurrentIndex(10);
      for (int i = 0; i < list->count(); ++i) {
        list->setCurrentRow(i);
        ClickButton(w, "BitBtn3");
      }
      QCOMPARE(Child<QListWidget>(w, "ListBox4")->count(), int(dishes.size()));
      m.Window("TForm5", Closing([&](QWidget* g) { ClickButton(g, "BitBtn3"); }));
      ClickButton(w, "BitBtn1");
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
  }

  void aFoodFileLongerThanTheTableIsReadWholeUpToItsLimit() {
    WriteBytes(DishFile(), "");
    // 2000 lines: the rows past 1834 are foods like the others, and nothing is said.
    std::vector<std::string> rows = FoodRows();
    for (int r = 1835; r <= 2000; ++r) rows.push_back(RawFood(" 1" + std::to_string(r), "x", "9"));
    WriteBytes(dir() + "/" + U(kFoodName), Joined(rows));
    ModalDriver v;
    v.Window("TForm2", Closing([&](QWidget* w) {
      ClickButton(w, "BitBtn4");
      Child<QLineEdit>(w, "Edit1")->setText("2000");
      QCOMPARE(ViewerFields(w).mid(0, 3), (QStringList{"2000", " 12000", "x"}));
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v.Done(), v.Report());
    ModalDriver d;
    InDishWindow(d, [&](QWidget* w) {
      const QStringList foods = Items(LoadFoodsOfGroup(w, "穀　類"));
      QCOMPARE(foods.size(), 3 + 166);
      QCOMPARE(foods.last(), U("[2000] 12000:x"));
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());

    // Past the limit: the first lines are kept and every load says so once.
    WriteBytes(dir() + "/" + U(kFoodName), std::string(100005, '\r'));
    const QString truncated = U("食品成分表の100001行目以降は読み込みませんでした！");
    ModalDriver v2;
    v2.Window("TForm2", Closing([&](QWidget* w) {
      v2.Message(truncated);
      ClickButton(w, "BitBtn4");
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v2.Done(), v2.Report());
    QCOMPARE(v2.messages(), QStringList{truncated});
    ModalDriver d2;
    InDishWindow(d2, [&](QWidget* w) {
      d2.Message(truncated);
      ClickButton(w, "BitBtn3");
      d2.Message(truncated);
      ClickButton(w, "BitBtn9");  // reloads the table
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d2.Done(), d2.Report());
    QCOMPARE(d2.messages().size(), 2);
    ModalDriver m;
    m.Message(truncated);
    m.Window("TForm4", Closing([](QWidget*) {}));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
  }

  void linesOfAMegabyteInEveryFile() {
    const std::string big(1 << 20, 'A');
    std::vector<std::string> rows = FoodRows();
    rows[0] = RawFood(" 1001", big, "356");
    rows[10] = std::string(1 << 20, ',');
    rows[11] = " 1002,digits," + std::string(1 << 20, '9');  // energy, then 1 of the rest
    for (int c = 4; c <= 23; ++c) rows[11] += ",1";
    rows[12] = RawFood("13001", "z", "100");
    WriteBytes(dir() + "/" + U(kFoodName), Joined(rows));
    std::string reference = StdFile();
    reference.replace(reference.find(",17,17,"), 7, "," + big + ",17,");
    WriteBytes(dir() + "/STD.CSV", reference);
    std::string manyFoods = C("和      食,汁 も の,具だくさん");
    for (int i = 0; i < 20000; ++i) manyFoods += ",[13]13001:" + std::string(40, 'z') + "= 1g";
    const std::vector<std::string> dishes = {C("洋      食,焼きもの,") + big, manyFoods};
    WriteBytes(DishFile(), Joined(dishes));

    ModalDriver v;
    v.Window("TForm2", Closing([&](QWidget* w) {
      ClickButton(w, "BitBtn4");
      const QString name = ViewerFields(w)[2];
      QVERIFY(!name.isEmpty());
      QVERIFY(name == QString(name.size(), 'A'));
      Child<QLineEdit>(w, "Edit1")->setText("11");
      const QStringList commas = ViewerFields(w);
      QVERIFY(commas[1].isEmpty());
      QVERIFY(!commas[23].isEmpty() && commas[23] == QString(commas[23].size(), ','));
      Child<QLineEdit>(w, "Edit1")->setText("12");
      QCOMPARE(ViewerFields(w)[4], U("1"));
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v.Done(), v.Report());

    const std::string picked = "[1] 1001:" + big + "= 10g";
    ModalDriver d(60000);
    InDishWindow(d, [&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      QCOMPARE(ItemBytesOf(list), Sorted(dishes));
      // A row shows the beginning of a long text; the item keeps all of it.
      const QString shown = list->item(0)->text();
      QVERIFY(shown.size() < 2000);
      QVERIFY(shown.endsWith(QChar(0x2026)));
      QVERIFY(eiyou::ToQ(dishes[0]).startsWith(shown.chopped(1)));
      auto* foods = LoadFoodsOfGroup(w, "穀　類");
      QCOMPARE(foods->count(), 4);
      QCOMPARE(eiyou::ItemBytes(foods, 0), "[1] 1001:" + big);
      PickFood(w, 0, "10");
      QCOMPARE(ItemBytesOf(Child<QListWidget>(w, "ListBox3")), std::vector<std::string>{picked});
      RegisterDish(w, "和      食", "飯 も の", "大盛り");

      LoadReferenceRow(w, "男", "１～２歳");
      ClickBytes(list, manyFoods);
      QCOMPARE(Child<QListWidget>(w, "ListBox3")->count(), 20000);
      ClickButton(w, "BitBtn9");
      QCOMPARE(Items(Child<QListWidget>(w, "ListBox4")), QStringList{U("具だくさん")});
      ClickButton(w, "BitBtn7");
      // The outline lies far outside; the grid shows that the drawing ran.
      QVERIFY(ColourNear(Grab(w), 1051, 485, kGreen, 1));
      ClickButton(w, "BitBtn4");
    });
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    std::vector<std::string> all = dishes;
    all.push_back(C("和      食,飯 も の,大盛り,") + picked);
    QVERIFY(ReadBytes(DishFile()) == Joined(Sorted(all)));

    ModalDriver m(60000);
    QStringList figures;
    m.Window("TForm4", Closing([&](QWidget* w) {
      auto* list = Child<QListWidget>(w, "ListBox1");
      Child<QComboBox>(w, "ComboBox1")->setCurrentIndex(1);
      for (int i = 0; i < list->count(); ++i) {
        list->setCurrentRow(i);
        ClickButton(w, "BitBtn3");
      }
      QCOMPARE(eiyou::ItemBytes(Child<QListWidget>(w, "ListBox3"), 0),
               C("洋      食：焼きもの：") + big);
      m.Window("TForm5", Closing([&](QWidget* g) { figures = Figures(g); }));
      ClickButton(w, "BitBtn1");
    }));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    // 20000 times 1 g of 100 of everything, plus 10 g of 356 of everything.
    QCOMPARE(figures, (QStringList{"20036", "20035.6", "20035.6", "20036", "20035.6", "6010.8",
                                   "20035.6", "20035.6", "20036"}));
  }

  void directoriesAndFilesWithoutReadPermissionEndTheActionNamingTheFile() {
    WriteBytes(DishFile(), C("和      食,飯 も の,ごはん,[1] 1001:精白米= 75g\r\n"));
    const std::string dishBytes = ReadBytes(DishFile());

    // A directory where the food file should be.
    QVERIFY(QFile::remove(dir() + "/" + U(kFoodName)));
    QVERIFY(QDir(dir()).mkdir(U(kFoodName)));
    ModalDriver d;
    InDishWindow(d, [&](QWidget* w) {
      d.Message(CannotRead(FoodPath()));
      ClickButton(w, "BitBtn3");
      ClickRow(Child<QListWidget>(w, "ListBox1"), 0);
      d.Message(CannotRead(FoodPath()));
      ClickButton(w, "BitBtn9");
      QCOMPARE(Child<QListWidget>(w, "ListBox4")->count(), 0);  // the action ended there
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    ModalDriver m;
    m.Message(CannotRead(FoodPath()));  // and the meal window is not shown
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m.Done(), m.Report());
    QVERIFY(QDir(dir()).rmdir(U(kFoodName)));
    WriteBytes(dir() + "/" + U(kFoodName), FoodFile());

    // No read bit at all, refused even where permissions are not enforced.
    for (const QString& path : {dir() + "/" + U(kFoodName), dir() + "/STD.CSV", DishFile()})
      QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    ModalDriver v;
    v.Window("TForm2", Closing([&](QWidget* w) {
      v.Message(CannotRead(FoodPath()));
      ClickButton(w, "BitBtn4");
    }));
    ClickButton(main_, "BitBtn1");
    QVERIFY2(v.Done(), v.Report());
    ModalDriver m2;
    m2.Message(CannotRead(FoodPath()));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m2.Done(), m2.Report());
    ModalDriver d2;
    d2.Message(CannotRead(DishFile()));  // the dish window is not shown
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d2.Done(), d2.Report());

    // With only the reference file unreadable: its load and every drawing end
    // at the error; the meal window's opening too.
    QVERIFY(QFile::setPermissions(dir() + "/" + U(kFoodName), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(DishFile(), QFile::ReadOwner | QFile::WriteOwner));
    ModalDriver d3;
    InDishWindow(d3, [&](QWidget* w) {
      QVERIFY(QFile::setPermissions(dir() + "/STD.CSV", QFile::ReadOwner | QFile::WriteOwner));
      ClickButton(w, "BitBtn8");
      QVERIFY(QFile::setPermissions(dir() + "/STD.CSV", QFile::WriteOwner));
      Choose(Child<QComboBox>(w, "ComboBox4"), "男");
      Choose(Child<QComboBox>(w, "ComboBox5"), "１～２歳");
      const QRect chartArea(728, 400, 441, 417);
      const QImage before = Grab(w).copy(chartArea);
      d3.Message(CannotRead(StdPath()));
      ClickButton(w, "BitBtn7");
      QCOMPARE(Grab(w).copy(chartArea), before);  // nothing drawn
      d3.Message(CannotRead(StdPath()));
      ClickButton(w, "BitBtn8");
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d3.Done(), d3.Report());
    ModalDriver m3;
    m3.Message(CannotRead(StdPath()));
    ClickButton(main_, "BitBtn3");
    QVERIFY2(m3.Done(), m3.Report());
    QCOMPARE(ReadBytes(DishFile()), dishBytes);
  }
};

QTEST_MAIN(BadInputFilesTest)
#include "test_bad_input_files.moc"
