// Saving the dish list: the question and its three answers, the bytes written,
// the failures that must keep both the window and the old file, and a reload.
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "kondate.h"
#include "kondate_test_support.h"

using namespace kt;

namespace {

// The file as another program might have left it: LF endings, no final end.
const char kOldFile[] =
    "和      食,煮 も の,肉じゃが,[5] 2001:じゃがいも= 100g\n"
    "洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g";

}  // namespace

class KondateSaveTest : public MainOnTestTables {
  Q_OBJECT

  QString DishPath() const { return dir() + "/" + U(kDishRelPath); }

  void ResetDishFile() {
    QDir(dir()).mkpath("KONDATE");
    WriteBytes(DishPath(), C(kOldFile));
  }

  // Composes one more dish (サラダ: 12.5 g of row 9, 30 g of row 10) in `w`.
  static void RegisterSalad(QWidget* w) {
    LoadFoodsOfGroup(w, "卵　類");
    PickFood(w, 0, "12.5");
    PickFood(w, 1, "30");
    RegisterDish(w, "洋      食", "なまもの", "サラダ");
  }

 private slots:
  void init() {
    Start({});
    ResetDishFile();
  }
  void cleanup() { Stop(); }

  void theQuestionAndNoStaysWithoutWriting() {
    ModalDriver d;
    bool stillOpen = false;
    int listed = 0;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterSalad(w);
      ClickButton(w, "BitBtn4");
      stillOpen = w->isVisible();
      listed = Child<QListWidget>(w, "ListBox1")->count();
    }));
    // The question box, inspected before it is answered.
    d.Window(QString(), [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      QCOMPARE(box->text(), U("変更を保存しますか"));
      QCOMPARE(box->windowTitle(), U("確認"));
      QCOMPARE(box->icon(), QMessageBox::Question);
      QList<QAbstractButton*> buttons = box->buttons();
      std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
      });
      QStringList order;
      for (QAbstractButton* b : buttons) order << b->text();
      QCOMPARE(order, (QStringList{U("はい(&Y)"), U("いいえ(&N)"), U("ｷｬﾝｾﾙ")}));
      QCOMPARE(box->defaultButton()->text(), U("はい(&Y)"));
      QCOMPARE(box->escapeButton()->text(), U("ｷｬﾝｾﾙ"));
      buttons[1]->click();
    });
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(stillOpen);
    QCOMPARE(listed, 3);
    QCOMPARE(ReadBytes(DishPath()), C(kOldFile));
  }

  void cancelEscapeAndTheCloseBoxLeaveWithoutWriting() {
    for (int way = 0; way < 3; ++way) {
      ResetDishFile();
      ModalDriver d;
      bool closed = false;
      d.Window("TForm3", Closing([&](QWidget* w) {
        RegisterSalad(w);
        ClickButton(w, "BitBtn4");
        closed = !w->isVisible();
      }));
      if (way == 0) d.Message(U("変更を保存しますか"), U("ｷｬﾝｾﾙ"));
      if (way == 1) d.Message(U("変更を保存しますか"), QString(), true);
      if (way == 2) d.Window(QString(), [](QWidget* box) { box->close(); });
      ClickButton(main_, "BitBtn2");
      QVERIFY2(d.Done(), d.Report());
      QVERIFY2(closed, qPrintable(QString::number(way)));
      QCOMPARE(ReadBytes(DishPath()), C(kOldFile));
    }
  }

  void yesWritesTheListInOrderClosesAndTheFileReopensAlike() {
    ModalDriver d;
    bool closed = false;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterSalad(w);
      ClickButton(w, "BitBtn4");
      closed = !w->isVisible();
    }));
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(closed);
    // Byte order: 洋 (97 6D) before 和 (98 61); every line ends in CR LF.
    QCOMPARE(ReadBytes(DishPath()),
             C("洋      食,なまもの,サラダ,[10]12002:レタス= 30g,[9]12001:キャベツ= 12.5g\r\n"
               "洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g\r\n"
               "和      食,煮 も の,肉じゃが,[5] 2001:じゃがいも= 100g\r\n"));

    // A new window shows every saved dish with its foods.
    const std::string saved = ReadBytes(DishPath());
    ModalDriver d2;
    d2.Window("TForm3", Closing([&](QWidget* w) {
      auto* dishes = Child<QListWidget>(w, "ListBox1");
      auto* foods = Child<QListWidget>(w, "ListBox3");
      std::string joined;
      for (int i = 0; i < dishes->count(); ++i) {
        const std::string line = eiyou::ItemBytes(dishes, i);
        joined += line + "\r\n";
        ClickRow(dishes, i);
        std::string fromFoods;
        for (const std::string& food : ItemBytesOf(foods)) fromFoods += "," + food;
        // The line is its three heading fields followed by exactly the foods shown.
        const size_t third = line.find(',', line.find(',', line.find(',') + 1) + 1);
        QVERIFY(third != std::string::npos);
        QCOMPARE(line.substr(third), fromFoods);
      }
      QCOMPARE(joined, saved);
      ClickRow(dishes, 0);
      QCOMPARE(Items(foods), (QStringList{U("[10]12002:レタス= 30g"), U("[9]12001:キャベツ= 12.5g")}));
    }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d2.Done(), d2.Report());
  }

  // Two copies of the program: a dish the other saved while this window was
  // open stays, beside this window's own.
  void aDishAnotherCopySavedMeanwhileIsKept() {
    ModalDriver d;
    int listed = 0;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterSalad(w);
      QCOMPARE(QProcess::execute(EIYOU_PROGRAM_COPY,
                                 {"register", dir(), U("中      華,汁 も の,スープ"), "1"}),
               0);
      ClickButton(w, "BitBtn4");
      listed = Child<QListWidget>(w, "ListBox1")->count();
    }));
    d.Message(U("変更を保存しますか"), U("はい(&Y)"))
        .Message(U("献立を保存しました！"))
        .Message(U("この画面を開いた後に、ほかの画面やプログラムで献立ファイルが保存されていたため、"
                   "そちらで登録された献立 1 件を一覧に加えて保存しました。"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(listed, 4);
    // 中 (92 86) sorts first.
    QCOMPARE(ReadBytes(DishPath()),
             C("中      華,汁 も の,スープ\r\n"
               "洋      食,なまもの,サラダ,[10]12002:レタス= 30g,[9]12001:キャベツ= 12.5g\r\n"
               "洋      食,焼きもの,オムレツ,[2]10001:鶏卵= 50g\r\n"
               "和      食,煮 も の,肉じゃが,[5] 2001:じゃがいも= 100g\r\n"));
  }

  void aFileThatCannotBeReplacedKeepsWindowAndBytes() {
    QVERIFY(QFile::setPermissions(DishPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString error = U("ﾌｧｲﾙ ") + QDir::currentPath() + U("/KONDATE/献立.TXT を作成できません。");
    ModalDriver d;
    bool stillOpen = false;
    int listed = 0;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterSalad(w);
      ClickButton(w, "BitBtn4");
      stillOpen = w->isVisible();
      listed = Child<QListWidget>(w, "ListBox1")->count();
    }));
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(error);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 2);  // no success message
    QVERIFY(stillOpen);
    QCOMPARE(listed, 3);
    QCOMPARE(ReadBytes(DishPath()), C(kOldFile));
  }

  void aRemovedDishDirectoryKeepsTheWindow() {
    const QString error = U("ﾌｧｲﾙ ") + QDir::currentPath() + U("/KONDATE/献立.TXT を作成できません。");
    ModalDriver d;
    bool stillOpen = false;
    d.Window("TForm3", Closing([&](QWidget* w) {
      RegisterSalad(w);
      QVERIFY(QDir(dir() + "/KONDATE").removeRecursively());
      ClickButton(w, "BitBtn4");
      stillOpen = w->isVisible() && Child<QListWidget>(w, "ListBox1")->count() == 3;
    }));
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(error);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages().size(), 2);
    QVERIFY(stillOpen);
    QVERIFY(!QDir(dir() + "/KONDATE").exists());  // never created by the program
  }

  void anEmptyListSavesAnEmptyFile() {
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      auto* dishes = Child<QListWidget>(w, "ListBox1");
      while (dishes->count() > 0) {
        ClickRow(dishes, 0);
        ClickButton(w, "BitBtn6");
      }
      ClickButton(w, "BitBtn4");
    }));
    d.Message(U("変更を保存しますか"), U("はい(&Y)")).Message(U("献立を保存しました！"));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(QFile::exists(DishPath()));
    QCOMPARE(ReadBytes(DishPath()), std::string());

    // Reopening it: no message, an empty list.
    ModalDriver d2(2000);
    int listed = -1;
    d2.Window("TForm3", Closing([&](QWidget* w) { listed = Child<QListWidget>(w, "ListBox1")->count(); }));
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d2.Done(), d2.Report());
    QCOMPARE(listed, 0);
  }
};

QTEST_MAIN(KondateSaveTest)
#include "test_kondate_save.moc"
