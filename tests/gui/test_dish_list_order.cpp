// The dish window's sorted lists, filled in one go from the dish file: the
// order of inserting one text at a time (CP932 byte order, equal texts kept),
// whatever order the file is in and however long it is.
#include <algorithm>

#include "kondate.h"
#include "kondate_test_support.h"
#include "nutrition/dish_line.h"

using namespace kt;

namespace {

std::vector<std::string> Filled(std::vector<std::string> texts) {
  eiyou::SortInListOrder(texts);
  QListWidget list;
  eiyou::FollowList(&list, texts, {});
  return ItemBytesOf(&list);
}

}  // namespace

class DishListOrderTest : public MainOnTestTables {
  Q_OBJECT

 private slots:
  void init() { Start({}); }
  void cleanup() { Stop(); }

  void oneGoGivesTheOrderOfOneAtATime() {
    // Bytes above 0x7F after every ASCII byte, a text before its extensions,
    // "[10]" before "[9]", duplicates kept, the empty text first.
    const std::vector<std::string> texts = {
        "[9]a", "\x98\x61,x", "", "[10]a", "[9]a", "[9]", "\x97\x6d", "[9]a,", "z", "\x81\x40"};
    QListWidget oneByOne;
    std::vector<std::string> inserted;
    for (const std::string& t : texts) {
      const auto row = static_cast<int>(eiyou::InsertInListOrder(inserted, t));
      eiyou::FollowList(&oneByOne, inserted, {eiyou::ListChange::Inserted, row});
    }
    const std::vector<std::string> expected = {
        "", "[10]a", "[9]", "[9]a", "[9]a", "[9]a,", "z", "\x81\x40", "\x97\x6d", "\x98\x61,x"};
    QCOMPARE(ItemBytesOf(&oneByOne), expected);
    QCOMPARE(Filled(texts), expected);
  }

  void oneGoReplacesWhatTheListHeld() {
    QListWidget list;
    eiyou::AppendItem(&list, "old");
    eiyou::FollowList(&list, {"a", "b"}, {});
    QCOMPARE(ItemBytesOf(&list), (std::vector<std::string>{"a", "b"}));
    eiyou::FollowList(&list, {}, {});
    QCOMPARE(list.count(), 0);
  }

  void openingSortsAFileInAnyOrderAndShowsFoodsSorted() {
    // As another program or a text editor may leave it: not in list order.
    const std::vector<const char*> lines = {
        "和      食,飯 も の,ごはん,[1] 1001:精白米= 75g",
        "中      華,いため物,野菜炒め,[9]12001:キャベツ= 80g,[2]10001:鶏卵= 5g,[10]12002:レタス= 30g",
        "洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g",
        "和      食,飯 も の,ごはん,[1] 1001:精白米= 75g",
        ",,名前だけ",
        "和      食,煮 も の,肉じゃが,[5] 2001:じゃがいも= 100g",
    };
    WriteDishLines(dir(), lines);
    std::vector<std::string> expected;
    for (const char* l : lines) expected.push_back(C(l));
    std::sort(expected.begin(), expected.end());

    std::vector<std::string> listed;
    QStringList foods;
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
               auto* dishes = Child<QListWidget>(w, "ListBox1");
               listed = ItemBytesOf(dishes);
               const auto stirFry = std::find(listed.begin(), listed.end(), C(lines[1]));
               QVERIFY(stirFry != listed.end());
               ClickRow(dishes, int(stirFry - listed.begin()));
               foods = Items(Child<QListWidget>(w, "ListBox3"));
             }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(listed, expected);
    QCOMPARE(foods, (QStringList{U("[10]12002:レタス= 30g"), U("[2]10001:鶏卵= 5g"),
                                 U("[9]12001:キャベツ= 80g")}));
  }

  void aLongFileOpensWithEveryDishReachable() {
    // Many more dishes than the list lays out at once, written last first.
    const int count = 2500;
    std::string text;
    for (int i = count; i >= 1; --i)
      text += C("和      食,汁 も の,") + std::to_string(100000 + i) + ",[1] 1001:x= 1g\r\n";
    WriteBytes(dir() + "/" + U(kDishRelPath), text);

    int listed = 0;
    std::string first, last;
    bool lastShown = false;
    ModalDriver d(20000);
    d.Window("TForm3", Closing([&](QWidget* w) {
               auto* dishes = Child<QListWidget>(w, "ListBox1");
               listed = dishes->count();
               first = eiyou::ItemBytes(dishes, 0);
               last = eiyou::ItemBytes(dishes, count - 1);
               // Once the list has laid out every item, scrolling to the end
               // shows the last one inside the list.
               auto lastInView = [&] {
                 dishes->scrollToBottom();
                 return dishes->viewport()->rect().contains(
                     dishes->visualItemRect(dishes->item(count - 1)).center());
               };
               QTRY_VERIFY_WITH_TIMEOUT(lastInView(), 10000);
               lastShown = true;
             }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(listed, count);
    QCOMPARE(first, C("和      食,汁 も の,100001,[1] 1001:x= 1g"));
    QCOMPARE(last, C("和      食,汁 も の,102500,[1] 1001:x= 1g"));
    QVERIFY(lastShown);
  }
};

QTEST_MAIN(DishListOrderTest)
#include "test_dish_list_order.moc"
