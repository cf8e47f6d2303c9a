// The dish window's left side, driven from the main window: opening, food
// groups, picking foods, registering, showing and deleting dishes. Each window
// maps every refusal to its message here; the variety of inputs behind each
// rule is in the core tests.
#include <QMessageBox>

#include <algorithm>
#include <cmath>

#include "kondate.h"
#include "kondate_test_support.h"
#include "nutrition/food_groups.h"

using namespace kt;

namespace {

const std::vector<const char*> kDishes = {
    "和      食,飯 も の,ごはん,[1] 1001:精白米= 75g",
    "洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g",
    "中      華,いため物,野菜炒め,[9]12001:キャベツ= 80g,[10]12002:レタス= 30g",
    "和      食,煮 も の,肉じゃが,[5] 2001:じゃがいも= 100g",
    "和      食,そ の 他,空欄あり,,[1] 1001:精白米= 10g",
};

template <class T>
T* Get(QWidget* w, const char* name) {
  return Child<T>(w, name);
}

}  // namespace

class KondateTest : public MainOnTestTables {
  Q_OBJECT

  // Opens the dish window from the main window, runs `act` on it, closes it.
  void InWindow(std::function<void(QWidget*)> act, ModalDriver& d) {
    d.Window("TForm3", Closing(std::move(act)));
  }

 private slots:
  void init() { Start(kDishes); }
  void cleanup() { Stop(); }

  void openingWithoutDishDirectoryShowsNoWindow() {
    QVERIFY(QDir(dir()).mkpath("empty"));
    QVERIFY(QDir::setCurrent(dir() + "/empty"));
    ModalDriver d(2000);
    d.Message(U("ディレクトリがありません！！"));
    ClickButton(main_, "BitBtn2");
    QDir::setCurrent(dir());
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(main_->findChildren<TForm3*>().isEmpty());
  }

  void openingWithoutDishFileShowsAnEmptyList() {
    QVERIFY(QDir(dir()).mkpath("nofile/KONDATE"));
    QVERIFY(QDir::setCurrent(dir() + "/nofile"));
    const QString path = QDir::currentPath() + U("/KONDATE/献立.TXT");
    ModalDriver d;
    d.Message(U("指定された") + path + U("ファイルがありません！！"));
    int shownItems = -1;
    InWindow([&](QWidget* w) { shownItems = Get<QListWidget>(w, "ListBox1")->count(); }, d);
    ClickButton(main_, "BitBtn2");
    QDir::setCurrent(dir());
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(shownItems, 0);
  }

  void anUnreadableDishFileEndsTheOpening() {
    // A directory where the file should be: it exists but cannot be read.
    QVERIFY(QDir(dir()).mkpath(U("unreadable/KONDATE/献立.TXT")));
    QVERIFY(QDir::setCurrent(dir() + "/unreadable"));
    ModalDriver d(2000);
    d.Message();
    ClickButton(main_, "BitBtn2");
    QDir::setCurrent(dir());
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(d.messages().value(0).contains(U("献立.TXT")));
  }

  void openingListsTheFileInByteOrderAndEverythingElseEmpty() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          QCOMPARE(w->windowTitle(), U("献立作成"));
          QCOMPARE(ItemBytesOf(Get<QListWidget>(w, "ListBox1")),
                   (std::vector<std::string>{C(kDishes[2]), C(kDishes[1]), C(kDishes[4]),
                                             C(kDishes[3]), C(kDishes[0])}));
          for (const char* name : {"ListBox2", "ListBox3", "ListBox4"})
            QCOMPARE(Get<QListWidget>(w, name)->count(), 0);
          for (const char* name : {"Edit2", "Edit3"})
            QVERIFY(Get<QLineEdit>(w, name)->text().isEmpty());
          for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4", "ComboBox5"}) {
            auto* box = Get<QComboBox>(w, name);
            QVERIFY(box->isEditable());
            QCOMPARE(box->currentIndex(), -1);
            QVERIFY(box->currentText().isEmpty());
          }
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void theChartAreaIsClearOfControls() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          QVERIFY(w->width() >= 1169 && w->height() >= 817);
          auto* box = Get<QWidget>(w, "PaintBox1");
          QCOMPARE(box->geometry(), QRect(728, 400, 441, 417));
          QVERIFY(!box->autoFillBackground());
          // Nothing but the axis labels may cover the chart (radius 10 units).
          const QPoint centre(948, 608);
          for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!c->isVisible() || c == box || c->objectName().startsWith("Label")) continue;
            const QRect r = c->geometry();
            const int dx = std::max({r.left() - centre.x(), 0, centre.x() - r.right()});
            const int dy = std::max({r.top() - centre.y(), 0, centre.y() - r.bottom()});
            QVERIFY2(std::hypot(dx, dy) > 165, qPrintable(c->objectName()));
          }
          // The weight field asks for Latin input, the dish name does not.
          QVERIFY(Get<QLineEdit>(w, "Edit3")->inputMethodHints() & Qt::ImhPreferLatin);
          QVERIFY(!(Get<QLineEdit>(w, "Edit2")->inputMethodHints() &
                    (Qt::ImhPreferLatin | Qt::ImhLatinOnly)));
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void foodGroupsFollowTheFoodNumbers() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* groups = Get<QComboBox>(w, "ComboBox1");
          auto* foods = Get<QListWidget>(w, "ListBox2");
          Choose(groups, "穀　類");
          QCOMPARE(foods->count(), 0);  // a new run: no table loaded yet
          ClickButton(w, "BitBtn3");
          QCOMPARE(foods->count(), 0);  // loading alone does not list
          Choose(groups, "豆　類");
          Choose(groups, "穀　類");
          QCOMPARE(Items(foods),
                   (QStringList{U("[1] 1001:精白米"), U("[4]1 002:空白入り"), U("[1834] 1999:最後の米")}));
          // Typed text naming no item: group 0, which "01001" is not in.
          TypeInto(groups, "穀");
          QCOMPARE(Items(foods), QStringList{U("[7] 0001:ゼロ群")});
          // Typed text equal to an item is that item.
          TypeInto(groups, "いも・でん粉");
          QCOMPARE(Items(foods), QStringList{U("[5] 2001:じゃがいも")});
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  // On the bundled official table, item N lists the foods of group N, and
  // its name is made of the characters of that group's official name.
  void groupItemsNameTheOfficialGroupsTheyList() {
    QFile::remove(dir() + "/" + U(kFoodName));
    QVERIFY(QFile::copy(U(EIYOU_SAMPLE_DATA "/") + U(kFoodName), dir() + "/" + U(kFoodName)));
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* groups = Get<QComboBox>(w, "ComboBox1");
          auto* foods = Get<QListWidget>(w, "ListBox2");
          ClickButton(w, "BitBtn3");
          QCOMPARE(groups->count(), 18);
          for (int i = 0; i < groups->count(); ++i) {
            const int group = i + 1;
            groups->setCurrentIndex(i);
            QVERIFY(foods->count() > 0);
            for (const QString& food : Items(foods)) {
              const QString number = food.section(']', 1).section(':', 0, 0);
              QCOMPARE(number.left(2).trimmed().toInt(), group);
            }
            const QString official = U(eiyou::OfficialGroupName(group));
            for (const QChar c : groups->itemText(i))
              QVERIFY2(c == QChar(0x3000) || c == QChar(0x30FB) || official.contains(c),
                       qPrintable(groups->itemText(i) + " / " + official));
          }
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void pickingFoodsKeepsTheWeightAsTyped() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* foods = LoadFoodsOfGroup(w, "卵　類");
          auto* dish = Get<QListWidget>(w, "ListBox3");
          auto* weight = Get<QLineEdit>(w, "Edit3");
          QCOMPARE(foods->count(), 2);
          // A weight reading 0 is passed over without a word.
          PickFood(w, 0, "0");
          QCOMPARE(dish->count(), 0);
          // The field's text reaches the entry untouched, blanks and all.
          PickFood(w, 0, "  12.5");
          QCOMPARE(Items(dish), QStringList{U("[9]12001:キャベツ=   12.5g")});
          ClickButton(w, "BitBtn5");
          QCOMPARE(dish->count(), 0);

          // Text order, not picking order: row 10 sorts before row 9; twice is twice.
          PickFood(w, 0, "30");
          ClickRow(foods, 1);
          ClickRow(foods, 1);
          QCOMPARE(Items(dish), (QStringList{U("[10]12002:レタス= 30g"), U("[10]12002:レタス= 30g"),
                                             U("[9]12001:キャベツ= 30g")}));
          QCOMPARE(weight->text(), U("30"));
          QCOMPARE(foods->currentRow(), 1);

          // Deleting the selected food; with none selected nothing happens.
          dish->setCurrentRow(2);
          ClickButton(w, "BitBtn1");
          QCOMPARE(dish->count(), 2);
          ClickButton(w, "BitBtn1");
          QCOMPARE(dish->count(), 2);
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void everyPickAddsExactlyOneFood() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* foods = LoadFoodsOfGroup(w, "穀　類");
          auto* dish = Get<QListWidget>(w, "ListBox3");
          Get<QLineEdit>(w, "Edit3")->setText("10");
          QCOMPARE(foods->count(), 3);

          // Focus arriving and the list being refilled pick nothing.
          foods->setFocus(Qt::TabFocusReason);
          Choose(Get<QComboBox>(w, "ComboBox1"), "穀　類");
          QCOMPARE(dish->count(), 0);

          ClickRow(foods, 0);
          QCOMPARE(dish->count(), 1);
          ClickRow(foods, 0);  // the selected food, clicked again
          QCOMPARE(dish->count(), 2);

          QTest::keyClick(foods, Qt::Key_Down);
          QCOMPARE(dish->count(), 3);
          QVERIFY(Items(dish).contains(U("[4]1 002:空白入り= 10g")));
          QTest::keyClick(foods, Qt::Key_End);
          QCOMPARE(dish->count(), 4);
          QTest::keyClick(foods, Qt::Key_Down);  // already at the end
          QCOMPARE(dish->count(), 4);
          QTest::keyClick(foods, Qt::Key_Home);
          QCOMPARE(dish->count(), 5);

          // A double click is one pick.
          const QPoint at = foods->visualItemRect(foods->item(1)).center();
          QTest::mouseClick(foods->viewport(), Qt::LeftButton, {}, at);
          QTest::mouseDClick(foods->viewport(), Qt::LeftButton, {}, at);
          QTest::mouseRelease(foods->viewport(), Qt::LeftButton, {}, at);
          QCOMPARE(dish->count(), 6);

          // The right button picks nothing, nor does a click below the last item.
          QTest::mouseClick(foods->viewport(), Qt::RightButton, {},
                            foods->visualItemRect(foods->item(2)).center());
          QCOMPARE(foods->currentRow(), 1);
          QTest::mouseClick(foods->viewport(), Qt::LeftButton, {},
                            QPoint(5, foods->viewport()->height() - 3));
          QCOMPARE(dish->count(), 6);
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void aFirstRegistrationHasNoCuisineOrCategory() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          Get<QLineEdit>(w, "Edit2")->setText(U("おにぎり"));
          ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), int(kDishes.size()) + 1);
          QCOMPARE(eiyou::ItemBytes(dishes, 0), C(",,おにぎり"));
          // Picking it shows no foods, in place of those being composed.
          auto* dish = Get<QListWidget>(w, "ListBox3");
          LoadFoodsOfGroup(w, "穀　類");
          PickFood(w, 0, "5");
          QCOMPARE(dish->count(), 1);
          ClickRow(dishes, 0);
          QCOMPARE(dish->count(), 0);
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void registeringFormsTheDishLine() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          auto* dish = Get<QListWidget>(w, "ListBox3");
          auto* name = Get<QLineEdit>(w, "Edit2");
          LoadFoodsOfGroup(w, "卵　類");
          PickFood(w, 0, "30");
          PickFood(w, 1, "30");
          RegisterDish(w, "和      食", "汁 も の", "みそ汁");
          ClickButton(w, "BitBtn2");  // the same dish again is accepted
          const std::string line =
              C("和      食,汁 も の,みそ汁,[10]12002:レタス= 30g,[9]12001:キャベツ= 30g");
          const auto registered = ItemBytesOf(dishes);
          QCOMPARE(std::count(registered.begin(), registered.end(), line), 2);
          // Name, boxes and foods stay for the next registration.
          QCOMPARE(name->text(), U("みそ汁"));
          QCOMPARE(dish->count(), 2);

          // A typed cuisine is stored as typed; a cleared category as empty.
          TypeInto(Get<QComboBox>(w, "ComboBox2"), "フレンチ");
          Get<QComboBox>(w, "ComboBox3")->lineEdit()->clear();
          ClickButton(w, "BitBtn5");
          name->setText(U("スープ"));
          ClickButton(w, "BitBtn2");
          const auto all = ItemBytesOf(dishes);
          QVERIFY(std::find(all.begin(), all.end(), C("フレンチ,,スープ")) != all.end());
          QVERIFY(std::is_sorted(all.begin(), all.end()));

          // Showing a dish: fields 4 and later, sorted; an empty field is an empty item.
          name->setText(U("そのまま"));
          for (int i = 0; i < dishes->count(); ++i) {
            if (eiyou::ItemBytes(dishes, i) == C(kDishes[4])) ClickRow(dishes, i);
          }
          QCOMPARE(Items(dish), (QStringList{QString(), U("[1] 1001:精白米= 10g")}));
          for (int i = 0; i < dishes->count(); ++i) {
            if (eiyou::ItemBytes(dishes, i) == C(kDishes[2])) ClickRow(dishes, i);
          }
          QCOMPARE(Items(dish),
                   (QStringList{U("[10]12002:レタス= 30g"), U("[9]12001:キャベツ= 80g")}));
          QCOMPARE(name->text(), U("そのまま"));
          QCOMPARE(Get<QComboBox>(w, "ComboBox2")->currentText(), U("フレンチ"));
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  // One case per refusal; the fields each check covers and the order of the
  // checks are in the core tests.
  void refusalsShowTheirMessagesAndAddNothing() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          auto* name = Get<QLineEdit>(w, "Edit2");
          LoadFoodsOfGroup(w, "卵　類");
          PickFood(w, 0, "1,5");
          PickFood(w, 0, "5\n");  // pasted line ends would split the dish line in the file
          PickFood(w, 0, "5€");
          QCOMPARE(Get<QListWidget>(w, "ListBox3")->count(), 0);

          name->setText(U("カレー,ライス"));
          ClickButton(w, "BitBtn2");
          name->setText(U("カレー\nライス"));
          ClickButton(w, "BitBtn2");
          // A typed choice is kept as typed and refused only at registration.
          name->setText(U("カレー"));
          TypeInto(Get<QComboBox>(w, "ComboBox3"), "煮€");
          ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), int(kDishes.size()));
        },
        d);
    d.Message(U("重量にカンマ（,）は使えません！"))
        .Message(U("重量に改行は使えません！"))
        .Message(U("この文字は使えません：「5€」！"))
        .Message(U("献立名・料理区分・調理区分にカンマ（,）は使えません！"))
        .Message(U("献立名・料理区分・調理区分に改行は使えません！"))
        .Message(U("この文字は使えません：「煮€」！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void cuisineAndCategoryOutliveTheWindow() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          Choose(Get<QComboBox>(w, "ComboBox2"), "洋      食");
          TypeInto(Get<QComboBox>(w, "ComboBox3"), "€");
          w->close();  // the close box
        },
        d);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());

    ModalDriver d2;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          // Both boxes blank, but the last choices still go into a new dish:
          // the category without a code is refused.
          QVERIFY(Get<QComboBox>(w, "ComboBox2")->currentText().isEmpty());
          QVERIFY(Get<QComboBox>(w, "ComboBox3")->currentText().isEmpty());
          Get<QLineEdit>(w, "Edit2")->setText(U("トースト"));
          ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), int(kDishes.size()));
          Choose(Get<QComboBox>(w, "ComboBox3"), "焼きもの");
          ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), int(kDishes.size()) + 1);
          // Escape does not close the window.
          QTest::keyClick(Get<QLineEdit>(w, "Edit2"), Qt::Key_Escape);
          QVERIFY(w->isVisible());
          ClickButton(w, "BitBtn12");
          QVERIFY(!w->isVisible());
        },
        d2);
    d2.Message(U("この文字は使えません：「€」！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d2.Done(), d2.Report());

    ModalDriver d3;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          // Unsaved registrations of earlier windows are gone.
          QCOMPARE(dishes->count(), int(kDishes.size()));
          Get<QLineEdit>(w, "Edit2")->setText(U("トースト"));
          ClickButton(w, "BitBtn2");
          const auto all = ItemBytesOf(dishes);
          QVERIFY(std::find(all.begin(), all.end(), C("洋      食,焼きもの,トースト")) != all.end());
        },
        d3);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d3.Done(), d3.Report());
  }

  void threeHundredDishesAtMost() {
    ModalDriver d;
    InWindow(
        [&](QWidget* w) {
          auto* dishes = Get<QListWidget>(w, "ListBox1");
          Get<QLineEdit>(w, "Edit2")->setText(U("定食"));
          while (dishes->count() < 300) ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), 300);
          ClickButton(w, "BitBtn2");  // refused with the message
          QCOMPARE(dishes->count(), 300);

          ClickButton(w, "BitBtn6");  // nothing selected: nothing deleted
          QCOMPARE(dishes->count(), 300);
          // The added dishes are alike; the row clicked must be the one that goes.
          const auto copies = [dishes](const std::string& text) {
            int n = 0;
            for (int i = 0; i < dishes->count(); ++i) n += eiyou::ItemBytes(dishes, i) == text;
            return n;
          };
          ClickRow(dishes, 0);
          const std::string first = eiyou::ItemBytes(dishes, 0);
          const int before = copies(first);
          ClickButton(w, "BitBtn6");
          QCOMPARE(dishes->count(), 299);
          QCOMPARE(copies(first), before - 1);
          ClickButton(w, "BitBtn6");  // the deleted dish was the selection
          QCOMPARE(dishes->count(), 299);
          ClickButton(w, "BitBtn2");
          QCOMPARE(dishes->count(), 300);
        },
        d);
    d.Message(U("登録できる献立は３００件までです！！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 1);
  }
};

QTEST_MAIN(KondateTest)
#include "test_kondate.moc"
