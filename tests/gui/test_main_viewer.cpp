// The main window and the food table viewer, driven from the main window.
//
// The viewer's table and current record live for the whole program run: every
// test starts a fresh main window (a fresh run) in its own empty working
// directory, and opens the viewer from it as often as it needs.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "modal_driver.h"
#include "pmain.h"
#include "tables/cp932.h"
#include "tables/food_edition.h"

namespace {

const QString kFoodFile = QString::fromUtf8("食品成分表５訂.CSV");

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The CP932 line of record r of the test table: number, name, 21 values.
std::string FoodLine(int r) {
  std::string line = " 1" + std::string(r < 10 ? "00" : r < 100 ? "0" : "") + std::to_string(r);
  line += "," + eiyou::Cp932("食品") + std::to_string(r);
  if (r == 3) line += "\x81\x60";  // the wave dash of CP932
  const int last = r == 5 ? 10 : 23;   // record 5 is cut short after 10 fields
  for (int c = 3; c <= last; ++c) line += "," + std::to_string(r) + "." + std::to_string(c);
  return line;
}

// What Edit1 .. Edit24 show for record r of a table holding `rows` test lines.
QStringList Shown(int r, int rows) {
  QStringList fields{QString::number(r)};
  for (int c = 1; c <= 23; ++c) fields << QString();
  if (r < 1 || r > rows) return fields;
  QStringList cells = QString::fromStdString(eiyou::Cp932ToUtf8(FoodLine(r))).split(',');
  // Record 5 has only ten commas: the text after the last one is dropped.
  if (r == 5) cells.removeLast();
  for (int c = 0; c < cells.size(); ++c) fields[c + 1] = cells[c];
  return fields;
}

QStringList Fields(QWidget* viewer) {
  QStringList texts;
  for (int i = 1; i <= 24; ++i) {
    auto* e = Child<QLineEdit>(viewer, QStringLiteral("Edit%1").arg(i).toLatin1().constData());
    texts << (e ? e->text() : QStringLiteral("<missing>"));
  }
  return texts;
}

QStringList EmptyFields() { return QStringList(24, QString()); }

void WriteFoodFile(int rows) {
  std::ofstream out(QDir::current().filePath(kFoodFile).toStdString(), std::ios::binary);
  for (int r = 1; r <= rows; ++r) out << FoodLine(r) << "\r\n";
}

QString MissingFileMessage() {
  return QString::fromUtf8("指定された") + QDir::currentPath() + "/" + kFoodFile +
         QString::fromUtf8("ファイルがありません！！");
}

void Spin(QWidget* viewer, const char* which, int times = 1) {
  for (int i = 0; i < times; ++i) ClickButton(viewer, which);
}

void Type(QWidget* viewer, const QString& text) {
  Child<QLineEdit>(viewer, "Edit1")->setText(text);
}

}  // namespace

class MainViewerTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;

  // Opens the viewer from the main window's first button, runs `body` in it
  // and closes it with its end button (or rejects it when `body` failed early).
  void InViewer(ModalDriver& d, const std::function<void(QWidget*)>& body) {
    TForm1& main = *main_;
    main.show();
    bool closedByEndButton = false;
    d.Window("TForm2", [&](QWidget* w) {
      body(w);
      if (!w->isVisible()) return;
      ClickButton(w, "BitBtn3");
      closedByEndButton = !w->isVisible();
      if (w->isVisible()) static_cast<QDialog*>(w)->reject();
    });
    ClickButton(&main, "BitBtn1");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY(closedByEndButton);
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

  void mainWindowControls() {
    TForm1 main;
    QCOMPARE(main.objectName(), QStringLiteral("TForm1"));
    QCOMPARE(main.windowTitle(), QString::fromUtf8("栄養分析メイン"));
    const struct {
      const char* name;
      const char* caption;
      const char* hint;
    } buttons[] = {
        {"BitBtn1", "食品成分表の更新", "食品成分表を表示します！"},
        {"BitBtn2", "献 立  の  作 成", "献立作成画面を表示します！"},
        {"BitBtn3", "食事 の 栄養分析", "食事の栄養分析を行います！"},
        {"BitBtn4", "終            了", "プログラムを終了します！"},
    };
    int lastTop = -1;
    for (const auto& b : buttons) {
      auto* button = Child<QPushButton>(&main, b.name);
      QVERIFY(button);
      QCOMPARE(button->text(), QString::fromUtf8(b.caption));
      QCOMPARE(button->toolTip(), QString::fromUtf8(b.hint));
      QVERIFY2(button->y() > lastTop, b.name);  // stacked top to bottom in this order
      lastTop = button->y();
    }
    auto* title = Child<QLabel>(&main, "StaticText1");
    QVERIFY(title && !title->text().isEmpty());
    QVERIFY(title->alignment() & Qt::AlignHCenter);
    auto* version = Child<QLabel>(&main, "StaticText2");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Ver 1.1"));
  }

  void startUpReadsNoFile() {
    // A directory where the food file should be would fail any read of it.
    QVERIFY(QDir::current().mkdir(kFoodFile));
    ModalDriver d(200);
    TForm1 main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::qWait(300);
    QVERIFY2(d.Done(), d.Report());
  }

  // Runs the application's event loop with only the main window open and
  // `closeIt` applied to it; true when the loop ended by itself.
  static bool ProgramEndsWhen(const std::function<void(TForm1&)>& closeIt) {
    TForm1 main;
    main.show();
    QTimer::singleShot(0, &main, [&] { closeIt(main); });
    QTimer hangGuard;
    hangGuard.setSingleShot(true);
    QObject::connect(&hangGuard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    hangGuard.start(10000);
    return QApplication::exec() == 0 && !main.isVisible();
  }

  void endButtonAndCloseBoxEndTheProgram() {
    QVERIFY(ProgramEndsWhen([](TForm1& main) { ClickButton(&main, "BitBtn4"); }));
    // What the window manager's close box does.
    QVERIFY(ProgramEndsWhen([](TForm1& main) { main.windowHandle()->close(); }));
  }

  // Starts from the state of a fresh run: nothing loaded, current record 0.
  void viewerBeforeAnyLoad() {
    ModalDriver d;
    InViewer(d, [](QWidget* w) {
      QCOMPARE(w->windowTitle(), QString::fromUtf8("食品成分表５訂版"));
      QCOMPARE(w->size(), QSize(859, 611));
      QCOMPARE(w->minimumSize(), w->maximumSize());
      QCOMPARE(Child<QLabel>(w, "Panel1")->text(), QString::fromUtf8("　食品成分表（５訂版）　"));
      const struct {
        const char* name;
        const char* caption;
        const char* hint;
      } buttons[] = {
          {"BitBtn4", "食品読込", "食品成分表を読み込みます！"},
          {"BitBtn1", " 保存 ", "このボタンは現在使用できません！！"},
          {"BitBtn2", " 削除 ", "このボタンは現在は使用できません！！"},
          {"BitBtn3", " 終了 ", "成分表表示を終わります！"},
      };
      for (const auto& b : buttons) {
        auto* button = Child<QPushButton>(w, b.name);
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8(b.caption));
        QCOMPARE(button->toolTip(), QString::fromUtf8(b.hint));
        QVERIFY2(button->parentWidget()->objectName() == "Panel1", b.name);
      }
      QCOMPARE(Child<QWidget>(w, "SpinButton1")->toolTip(),
               QString::fromUtf8("表示する食品を変更します！"));
      QCOMPARE(Child<QLineEdit>(w, "Edit1")->toolTip(),
               QString::fromUtf8("食品レコードの番号を表示しています！"));
      QCOMPARE(Child<QLineEdit>(w, "Edit2")->toolTip(), QString::fromUtf8("食品番号を表示しています！"));
      QCOMPARE(Child<QLineEdit>(w, "Edit3")->toolTip(), QString::fromUtf8("食品名を表示しています！"));
      QCOMPARE(Child<QLabel>(w, "StaticText1")->text(), QString::fromUtf8("レコード番号"));
      QCOMPARE(Child<QLabel>(w, "StaticText2")->text(), QString::fromUtf8(" 食品番号 "));
      QCOMPARE(Child<QLabel>(w, "StaticText3")->text(), QString::fromUtf8(" 食品名 "));
      QCOMPARE(Child<QLabel>(w, "StaticText4")->text(), QString::fromUtf8("エネルギー（kcal)"));
      QCOMPARE(Child<QLabel>(w, "StaticText24")->text(), QString::fromUtf8("廃棄率（％）"));

      QCOMPARE(Fields(w), EmptyFields());
      Spin(w, "SpinButton1Up");  // current record 0: nothing before it
      QCOMPARE(Fields(w), EmptyFields());
      Spin(w, "SpinButton1Down");  // record 1 of a table never loaded
      QCOMPARE(Fields(w), Shown(1, 0));
      // Save and delete do nothing at all.
      ClickButton(w, "BitBtn1");
      ClickButton(w, "BitBtn2");
      QCOMPARE(Fields(w), Shown(1, 0));
      QVERIFY(w->isVisible());
    });
  }

  void loadWithoutFileShowsRecordOne() {
    ModalDriver d;
    InViewer(d, [&](QWidget* w) {
      QCOMPARE(Fields(w), EmptyFields());  // a new window starts empty
      Spin(w, "SpinButton1Down", 3);
      QCOMPARE(Fields(w).first(), QStringLiteral("3"));
      d.Message(MissingFileMessage());
      ClickButton(w, "BitBtn4");
      QCOMPARE(Fields(w), Shown(1, 0));
      Spin(w, "SpinButton1Down");  // the load set the current record back to 1
      QCOMPARE(Fields(w), Shown(2, 0));
    });
  }

  void loadStepAndType() {
    WriteFoodFile(30);
    ModalDriver d;
    InViewer(d, [](QWidget* w) {
      ClickButton(w, "BitBtn4");
      QCOMPARE(Fields(w), Shown(1, 30));
      QCOMPARE(Fields(w)[1], QStringLiteral(" 1001"));  // fields are shown untrimmed
      Spin(w, "SpinButton1Down", 2);
      QCOMPARE(Fields(w), Shown(3, 30));
      QCOMPARE(Fields(w)[2], QString::fromUtf8("食品3～"));
      Spin(w, "SpinButton1Down", 2);
      QCOMPARE(Fields(w), Shown(5, 30));  // a short line: trailing fields empty
      QCOMPARE(Fields(w)[11], QString());
      Spin(w, "SpinButton1Up");
      QCOMPARE(Fields(w), Shown(4, 30));

      // A typed number shows its record but does not move the current one.
      Type(w, "25");
      QCOMPARE(Fields(w), Shown(25, 30));
      Spin(w, "SpinButton1Down");
      QCOMPARE(Fields(w), Shown(5, 30));

      // Nothing to show: the fields keep the last record, the typed text stays.
      for (const char* text : {"0", "1835", "x", "", "-3", "(0)"}) {
        Type(w, text);
        QStringList expected = Shown(5, 30);
        expected[0] = QString::fromLatin1(text);
        QCOMPARE(Fields(w), expected);
      }
      // Only the leading digits count, and the field is set back to them.
      Type(w, "12a");
      QCOMPARE(Fields(w), Shown(12, 30));
      Type(w, " 7");
      QCOMPARE(Fields(w), Shown(7, 30));
      Type(w, QString::fromUtf8("9€"));  // a character the code page cannot hold
      QCOMPARE(Fields(w), Shown(9, 30));
      Type(w, "1834");
      QCOMPARE(Fields(w), Shown(1834, 30));  // rows no load reached are empty

      // Keystrokes: each one changes the text and is handled at once.
      auto* edit = Child<QLineEdit>(w, "Edit1");
      edit->clear();
      edit->setFocus();
      QTest::keyClicks(edit, "12a");
      QCOMPARE(Fields(w), Shown(12, 30));
      QTest::keyClicks(edit, "b");
      QCOMPARE(Fields(w), Shown(12, 30));
      QTest::keyClick(edit, Qt::Key_Backspace);
      QTest::keyClicks(edit, "5");
      QCOMPARE(Fields(w), Shown(15, 30));

      Spin(w, "SpinButton1Up");  // current record 5 -> 4
      QCOMPARE(Fields(w), Shown(4, 30));
    });

    // A new viewer starts empty but steps from the old record through the
    // table loaded before, without loading again.
    QVERIFY(QFile::remove(kFoodFile));
    ModalDriver again;
    InViewer(again, [](QWidget* w) {
      QCOMPARE(Fields(w), EmptyFields());
      Spin(w, "SpinButton1Down");
      QCOMPARE(Fields(w), Shown(5, 30));
    });
  }

  void spinStopsAtBothEnds() {
    WriteFoodFile(30);
    ModalDriver d;
    InViewer(d, [](QWidget* w) {
      ClickButton(w, "BitBtn4");
      WriteFoodFile(3);
      ClickButton(w, "BitBtn4");
      Spin(w, "SpinButton1Up");
      QCOMPARE(Fields(w), Shown(1, 3));
      Spin(w, "SpinButton1Down", 1833);
      QCOMPARE(Fields(w), Shown(1834, 3));
      Spin(w, "SpinButton1Down");
      QCOMPARE(Fields(w), Shown(1834, 3));
      Spin(w, "SpinButton1Up");
      QCOMPARE(Fields(w), Shown(1833, 3));
      // Rows 4 .. 30 still hold the earlier, longer load.
      Type(w, "10");
      QCOMPARE(Fields(w), Shown(10, 30));
    });
  }

  // The title names the edition recorded with the table in the viewer's copy;
  // a table replaced without its own record shows the old title again.
  void titleNamesTheEditionLoaded() {
    WriteFoodFile(30);
    {
      std::ofstream record(QDir::current().filePath(U("食品成分表５訂.EDITION")).toStdString(),
                           std::ios::binary);
      record << eiyou::FoodEditionBytes(eiyou::Cp932("食品成分表（八訂）増補2023年"),
                                        QFileInfo(kFoodFile).size());
    }
    const QString edition = U("食品成分表（八訂）増補2023年"), old = U("食品成分表５訂版");
    ModalDriver d;
    InViewer(d, [&](QWidget* w) {
      QCOMPARE(w->windowTitle(), old);  // nothing loaded yet
      ClickButton(w, "BitBtn4");
      QCOMPARE(w->windowTitle(), edition);
    });
    ModalDriver again;
    InViewer(again, [&](QWidget* w) {
      QCOMPARE(w->windowTitle(), edition);  // the copy still holds that table
      QVERIFY(QFile::remove(kFoodFile));
      again.Message(MissingFileMessage());
      ClickButton(w, "BitBtn4");
      QCOMPARE(w->windowTitle(), edition);  // and still does
      WriteFoodFile(3);
      ClickButton(w, "BitBtn4");
      QCOMPARE(w->windowTitle(), old);
    });
  }

  void unreadableFileEndsTheLoad() {
    WriteFoodFile(30);
    ModalDriver d;
    InViewer(d, [&](QWidget* w) {
      ClickButton(w, "BitBtn4");
      Spin(w, "SpinButton1Down", 3);
      QVERIFY(QFile::remove(kFoodFile));
      QVERIFY(QDir::current().mkdir(kFoodFile));
      Spin(w, "SpinButton1Up");
      QCOMPARE(Fields(w), Shown(3, 30));
      d.Message();
      ClickButton(w, "BitBtn4");
      QVERIFY2(d.messages().size() == 1 && d.messages().first().contains(kFoodFile),
               d.Report());
      // No record 1: the action ended at the error, the current record stays.
      QCOMPARE(Fields(w), Shown(3, 30));
      Spin(w, "SpinButton1Up");
      QCOMPARE(Fields(w), Shown(2, 30));
      Type(w, "2");
      QCOMPARE(Fields(w), Shown(2, 30));  // the table kept its contents
    });
  }
};

QTEST_MAIN(MainViewerTest)
#include "test_main_viewer.moc"
