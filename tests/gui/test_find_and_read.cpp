// Finding and reading in the dish window and the daily window: the food search
// with its folding, weights typed in full width, the figure table against the
// core's totals with its marks, the marks beside the daily figures, accessible
// names and Tab, a screen too small for the window, and charts at the screen's
// pixel ratio.
#include <QAbstractSpinBox>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTableWidget>

#include <memory>

#include "find_test_support.h"
#include "gui/chart_dialog.h"
#include "gui/screen_fit.h"
#include "nutrition/figure_table.h"
#include "nutrition/figures.h"
#include "pmain.h"
#include "sessions/sessions.h"

using namespace ft;

namespace {

const char* const kSalmon = "＜魚類＞　（さけ・ます類）　しろさけ　生";

//                      kcal  water prot   fat   carb   fibre ash  Ca    P    Fe     Na   K    ret  car  IU    B1      B2      nia  C     salt
std::string FoodFile() {
  return Food(" 1001", "精白米", {"356", "15", "6.1", "0.9", "77", "0.5", "0.4", "5", "0", "0.8", "1", "0", "0", "0", "0", "0.08", "0.02", "0", "0", "0"}) +
         Food("10134", kSalmon, {"124", "72", "22.3", "4.1", "0.1", "-", "1.2", "14", "0", "0.5", "66", "0", "11", "0", "37", "0.15", "0.21", "6.7", "1", "0.2"}) +
         Food("12001", "キャベツ　結球葉　生", {"21", "92", "1.3", "0.2", "3.5", "1.8", "0.5", "43", "0", "0.3", "5", "0", "0", "0", "16", "0.04", "0.03", "0.2", "41", "0"}) +
         Food("12002", "キャベツ　結球葉　ゆで", {"19", "94", "0.9", "0.2", "2.9", "2.0", "0.4", "40", "0", "0.2", "3", "0", "0", "0", "13", "0.02", "0.01", "0.1", "17", "0"}) +
         Food("12003", "レタス　土耕栽培　結球葉　生", {"11", "95", "0.6", "0.1", "1.7", "1.1", "0.5", "19", "0", "0.3", "2", "0", "0", "0", "33", "0.05", "0.03", "0.2", "5", "0"});
}

// 精白米's fat and キャベツ's vitamin C are estimates.
std::string MarksFile() {
  std::string plain(23, '.');
  std::string rice = plain, cabbage = plain;
  rice[5] = 'E';
  cabbage[20] = 'E';
  return "01001\t" + rice + "\r\n10134\t" + plain + "\r\n12001\t" + cabbage + "\r\n12002\t" +
         plain + "\r\n12003\t" + plain + "\r\n";
}

const char* const kDish = "和      食,煮 も の,鮭定食,[2]10134:＜魚類＞　（さけ・ます類）　しろさけ　生= 80g,[3]12001:キャベツ　結球葉　生= 50g";

void FillDirectory(const QString& dir) {
  WriteBytes(dir + U("/食品成分表５訂.CSV"), FoodFile());
  WriteBytes(dir + U("/食品成分表５訂.MARKS"), MarksFile());
  std::string std, extra;
  for (int row = 1; row <= 11; ++row) {
    std += "2100,1800,60,50,58.3,50.0,650,650,7.5,10.5,3000,2333,1.4,1.1,1.6,1.2,15,11,100,100\r\n";
    extra += "7.5,6.5,21,18\r\n";
  }
  WriteBytes(dir + "/STD.CSV", std);
  WriteBytes(dir + "/STD_EXTRA.CSV", extra);
  QDir(dir).mkpath("KONDATE");
  WriteBytes(dir + U("/KONDATE/献立.TXT"), eiyou::Cp932(kDish) + "\r\n");
}

template <class T>
T* Get(QWidget* w, const char* name) {
  return Child<T>(w, name);
}

QString Figure(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  return item ? item->data(Qt::UserRole).toString() : QString("<none>");
}
QString MarkOf(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  return item ? item->data(Qt::UserRole + 1).toString() : QString("<none>");
}

// Every control a user can reach, of `window` itself (not of its pop-ups).
QList<QWidget*> Controls(QWidget* window) {
  QList<QWidget*> controls;
  auto inner = [window](QWidget* c) {  // a part of another control (a header, a clear button)
    for (QWidget* p = c->parentWidget(); p && p != window; p = p->parentWidget())
      if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QLineEdit*>(p) ||
          qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p))
        return true;
    return false;
  };
  for (QWidget* c : window->findChildren<QWidget*>()) {
    if (c->window() != window || inner(c)) continue;
    if (qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c) ||
        qobject_cast<QComboBox*>(c) || qobject_cast<QAbstractItemView*>(c) ||
        qobject_cast<QAbstractSpinBox*>(c))
      controls << c;
  }
  return controls;
}

void ExpectAccessibleNames(QWidget* window) {
  for (QWidget* c : Controls(window))
    QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName() + " in " + window->objectName()));
}

}  // namespace

class FindAndReadTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;  // a fresh run for every test

  void InDishWindow(const std::function<void(QWidget*)>& act) {
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      ClickButton(w, "BitBtn3");  // the food table
      act(w);
    }));
    ClickButton(main_.get(), "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    FillDirectory(dir_->path());
    main_ = std::make_unique<TForm1>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void aSearchBeforeTheTableIsReadSaysToReadIt() {
    ModalDriver d;
    d.Window("TForm3", Closing([&](QWidget* w) {
      Commit(Get<QLineEdit>(w, "SearchEdit"), U("さけ"));
      QCOMPARE(Get<QLabel>(w, "NoFoodsFound")->text(), U("「読込」で食品成分表を読み込んでから検索してください"));
    }));
    ClickButton(main_.get(), "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

  void searchFoldsAndListsTheGroupsOwnItems() {
    InDishWindow([&](QWidget* w) {
      auto* search = Get<QLineEdit>(w, "SearchEdit");
      auto* foods = Get<QListWidget>(w, "ListBox2");
      auto* groups = Get<QComboBox>(w, "ComboBox1");
      QCOMPARE(search->placeholderText(), U("食品名で検索"));

      Choose(groups, "魚　介");  // the foods numbered 10...
      const QStringList fish = Items(foods);
      Choose(groups, "卵　類");  // numbered 12...: this table's vegetables
      const QStringList vegetables = Items(foods);
      QCOMPARE(vegetables.size(), 3);
      QVERIFY(search->text().isEmpty());

      Commit(search, U("ｷｬﾍﾞﾂ"));
      QCOMPARE(Items(foods), vegetables.mid(0, 2));
      search->clear();  // nothing to look for: the list stays
      QCOMPARE(Items(foods), vegetables.mid(0, 2));
      Commit(search, U("さけ"));
      QCOMPARE(Items(foods), fish);
      search->clear();
      Commit(search, U("ＳＡＫＥ　"));
      QCOMPARE(Items(foods), QStringList());
      // Said in the list's place, with no item that could be picked.
      auto* none = Get<QLabel>(w, "NoFoodsFound");
      QVERIFY(none->isVisible());
      QCOMPARE(none->text(), U("該当する食品はありません"));
      QCOMPARE(none->parentWidget(), foods->viewport());

      // Everyday names: the bundled ones, then the data folder's own, read
      // again at 読込.
      search->clear();
      QVERIFY(!none->isVisible());
      Commit(search, U("鮭 生"));
      QCOMPARE(Items(foods), fish);
      WriteBytes(dir_->path() + U("/食品の呼び名.TXT"), "葉玉 = キャベツ\n");
      ClickButton(w, "BitBtn3");
      search->clear();
      Commit(search, U("葉玉 ゆで"));
      QCOMPARE(Items(foods), vegetables.mid(1, 1));
      search->clear();
      Commit(search, U("鮭"));
      QCOMPARE(Items(foods), QStringList());
      QVERIFY(none->isVisible());

      // A pick from the results is a pick from the group.
      search->clear();
      Commit(search, U("サケ"));
      Get<QLineEdit>(w, "Edit3")->setText("80");
      ClickRow(foods, 0);
      QCOMPARE(Items(Get<QListWidget>(w, "ListBox3")), QStringList{fish[0] + "= 80g"});

      // The group chosen again lists the group, and the search text goes.
      Choose(groups, "卵　類");
      QCOMPARE(Items(foods), vegetables);
      QVERIFY(search->text().isEmpty());
      QVERIFY(!none->isVisible());
    });
  }

  void fullWidthWeightsBecomeHalfWidthAsTyped() {
    InDishWindow([&](QWidget* w) {
      auto* weight = Get<QLineEdit>(w, "Edit3");
      Choose(Get<QComboBox>(w, "ComboBox1"), "卵　類");
      Commit(weight, U("１５０"));
      QCOMPARE(weight->text(), U("150"));
      ClickRow(Get<QListWidget>(w, "ListBox2"), 0);
      QCOMPARE(Items(Get<QListWidget>(w, "ListBox3")), QStringList{U("[3]12001:キャベツ　結球葉　生= 150g")});

      weight->clear();
      Commit(weight, U("－１．０"));
      weight->setCursorPosition(2);
      Commit(weight, U("２"));
      QCOMPARE(weight->text(), U("-12.0"));
      QCOMPARE(weight->cursorPosition(), 3);
      // What the program sets stays as set.
      weight->setText(U("１００"));
      QCOMPARE(weight->text(), U("１００"));
    });
  }

  void figureTableFollowsTheListsWithTheCoresFiguresAndMarks() {
    InDishWindow([&](QWidget* w) {
      eiyou::DishSession& session = main_->sessions().dish;
      ClickButton(w, "BitBtn8");
      ClickRow(Get<QListWidget>(w, "ListBox1"), 0);
      ClickButton(w, "BitBtn9");
      ClickButton(w, "FigureButton");
      auto* window = Get<QWidget>(w, "FigureWindow");
      QVERIFY(window->isVisible());
      auto* table = Get<QTableWidget>(window, "FigureTable");
      QCOMPARE(table->rowCount(), 11);
      QCOMPARE(Figure(table, 0, 2), QString("-"));  // no sex or age yet
      Choose(Get<QComboBox>(w, "ComboBox4"), "男");
      Choose(Get<QComboBox>(w, "ComboBox5"), "30～49歳");

      // The chosen dishes are the session's totals; the dish in ListBox3 is
      // the same dish, so the same figures.
      const auto chosen = eiyou::DailyFigureTexts(session.calc.totals);
      QVERIFY(session.calc.totals.value[0] > 0);
      for (int k = 0; k < 9; ++k) {
        QCOMPARE(Figure(table, k, 1), QString::fromStdString(chosen[std::size_t(k)]));
        QCOMPARE(Figure(table, k, 0), QString::fromStdString(chosen[std::size_t(k)]));
      }
      // 80 g × 0.2 g salt per 100 g: 1.6 tenths, rounded; 50 g × 1.8 g fibre
      // and the salmon's "-".
      QCOMPARE(Figure(table, eiyou::kSaltRow, 1), U("0.2"));
      QCOMPARE(Figure(table, eiyou::kFibreRow, 1), U("0.9"));
      QCOMPARE(Figure(table, 0, 2), U("2100"));
      QCOMPARE(Figure(table, 5, 2), U("900"));  // 3000 IU in µg
      QCOMPARE(Figure(table, eiyou::kSaltRow, 2), U("7.5未満"));
      QCOMPARE(Figure(table, eiyou::kSaltRow, 3), U("3"));
      QCOMPARE(Figure(table, eiyou::kFibreRow, 2), U("21.0以上"));
      const int energyPercent = qRound(session.calc.totals.value[0] * 100.0 / 2100);
      QCOMPARE(Figure(table, 0, 3), QString::number(energyPercent));

      // Marks: the salmon has no fibre value, the cabbage's vitamin C is an estimate.
      for (int column : {0, 1}) {
        QCOMPARE(MarkOf(table, eiyou::kFibreRow, column), U("※"));
        QCOMPARE(MarkOf(table, 8, column), U("＊"));
        QCOMPARE(MarkOf(table, 0, column), QString());
      }
      QVERIFY(table->item(eiyou::kFibreRow, 1)->toolTip().contains(U(kSalmon)));
      QVERIFY(table->item(8, 0)->toolTip().contains(U("キャベツ　結球葉　生")));
      QVERIFY(!table->item(8, 0)->toolTip().contains(U(kSalmon)));

      // Every change follows: sex, the dish's foods, the evaluation.
      Choose(Get<QComboBox>(w, "ComboBox4"), "女");
      QCOMPARE(Figure(table, 0, 2), U("1800"));
      QCOMPARE(Figure(table, eiyou::kSaltRow, 2), U("6.5未満"));
      ClickButton(w, "BitBtn5");
      QCOMPARE(Figure(table, 0, 0), U("0"));
      QCOMPARE(MarkOf(table, 8, 0), QString());
      QCOMPARE(Figure(table, 0, 1), QString::fromStdString(chosen[0]));
      ClickButton(w, "BitBtn10");
      QCOMPARE(Figure(table, 0, 1), U("0"));
      QCOMPARE(MarkOf(table, eiyou::kFibreRow, 1), QString());

      ExpectAccessibleNames(w);
      ExpectAccessibleNames(window);
      QVERIFY(table->focusPolicy() & Qt::TabFocus);
    });
  }

  void theDailyFiguresCarryTheirMarks() {
    ModalDriver d;
    d.Window("TForm4", Closing([&](QWidget* meal) {
      ExpectAccessibleNames(meal);
      Choose(Get<QComboBox>(meal, "ComboBox1"), "朝　食");
      Get<QListWidget>(meal, "ListBox1")->setCurrentRow(0);
      ClickButton(meal, "BitBtn3");
      d.Window("TForm5", Closing([&](QWidget* g) {
        ExpectAccessibleNames(g);
        auto* vitaminC = Get<QLabel>(g, "FigureMark11");
        QCOMPARE(vitaminC->text(), U("＊"));
        QVERIFY(vitaminC->toolTip().contains(U("キャベツ")));
        QCOMPARE(Get<QLabel>(g, "FigureMark3")->text(), QString());
        // Beside the figure, clear of the chart area.
        QVERIFY(vitaminC->geometry().right() < 152);
        QCOMPARE(Get<QLineEdit>(g, "Edit11")->geometry(), QRect(8, 524, 121, 22));
      }));
      ClickButton(meal, "BitBtn1");
    }));
    ClickButton(main_.get(), "BitBtn3");
    QVERIFY2(d.Done(), d.Report());
  }

  void viewerControlsAreNamedAndTabReachesTheSearch() {
    ModalDriver d;
    d.Window("TForm2", Closing([&](QWidget* viewer) { ExpectAccessibleNames(viewer); }));
    ClickButton(main_.get(), "BitBtn1");
    QVERIFY2(d.Done(), d.Report());

    InDishWindow([&](QWidget* w) {
      QCOMPARE(Get<QListWidget>(w, "ListBox2")->accessibleName(), U("食品一覧"));
      QCOMPARE(Get<QListWidget>(w, "ListBox3")->accessibleName(), U("献立の食品"));
      auto* weight = Get<QLineEdit>(w, "Edit3");
      QApplication::setActiveWindow(w);
      weight->setFocus();
      QTest::keyClick(weight, Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), Get<QWidget>(w, "SearchEdit"));
    });
  }

  void aSmallScreenScrollsTheWindowKeepingEveryPixel() {
    // Too low but wide enough: only the chart side scrolls; the lists on the
    // left end above the screen's edge.
    InDishWindow([&](QWidget* w) {
      auto* dialog = qobject_cast<eiyou::ChartDialog*>(w);
      QVERIFY(dialog);
      QVERIFY(!dialog->screenFit()->FitInto(QSize(1169, 817)));  // fits: nothing changes
      QVERIFY(!dialog->screenFit()->page());
      QVERIFY(dialog->screenFit()->FitInto(QSize(1350, 700)));
      QWidget* page = dialog->screenFit()->page();
      QVERIFY(page);
      QCOMPARE(page->size(), QSize(449, 817));
      QVERIFY(w->height() <= 700 && w->width() <= 1350);
      QCOMPARE(Get<QWidget>(w, "ListBox2")->parentWidget(), w);
      QCOMPARE(Get<QWidget>(w, "ListBox2")->geometry(), QRect(8, 362, 344, 330));
      QCOMPARE(Get<QWidget>(w, "ListBox3")->geometry(), QRect(360, 398, 350, 294));
      QCOMPARE(Get<QWidget>(w, "Panel2")->parentWidget(), page);
      QCOMPARE(Get<QWidget>(w, "Panel2")->geometry(), QRect(8, 8, 433, 384));

      // The chart is drawn on the page at its place.
      ClickButton(w, "BitBtn8");
      ClickRow(Get<QListWidget>(w, "ListBox1"), 0);
      ClickButton(w, "BitBtn9");
      Choose(Get<QComboBox>(w, "ComboBox4"), "男");
      Choose(Get<QComboBox>(w, "ComboBox5"), "30～49歳");
      ClickButton(w, "BitBtn7");
      const QImage shown = page->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown.pixel(1051 - 720, 485) & 0xFFFFFF, qRgb(0, 128, 0) & 0xFFFFFF);  // a spoke end
      QCOMPARE(shown.pixel(948 - 720, 520) & 0xFFFFFF, qRgb(0, 128, 0) & 0xFFFFFF);   // the energy spoke
    });
    // Too narrow as well: the whole window scrolls, every control in its place.
    InDishWindow([&](QWidget* w) {
      auto* dialog = qobject_cast<eiyou::ChartDialog*>(w);
      QVERIFY(dialog->screenFit()->FitInto(QSize(1000, 700)));
      QWidget* page = dialog->screenFit()->page();
      QCOMPARE(page->size(), QSize(1169, 817));
      QCOMPARE(Get<QWidget>(w, "ListBox2")->parentWidget(), page);
      QCOMPARE(Get<QWidget>(w, "ListBox2")->geometry(), QRect(8, 362, 344, 447));
      QCOMPARE(Get<QWidget>(w, "Panel2")->geometry(), QRect(728, 8, 433, 384));
    });
  }

  void theFigureWindowOpensWhollyOnTheScreenBesideTheDishWindowWhereThereIsRoom() {
    const QSize dish(1185, 861), figures(616, 350);  // frames
    struct Case {
      QRect area, owner;
      QPoint ownerAfter;
      QRect tool;
    } cases[] = {
        // Room to the right; then only to the left.
        {{0, 0, 2560, 1400}, {100, 50, 1185, 861}, {100, 50}, {1293, 50, 616, 350}},
        {{0, 0, 2560, 1400}, {1300, 50, 1185, 861}, {1300, 50}, {676, 50, 616, 350}},
        // 1920 wide: room for both once the dish window moves aside.
        {{0, 0, 1920, 1080}, {367, 109, 1185, 861}, {111, 109}, {1304, 109, 616, 350}},
        // 1366 wide: the bottom right corner, inside the screen.
        {{0, 0, 1366, 768}, {8, 36, 1185, 861}, {8, 36}, {750, 418, 616, 350}},
        // A screen lower than the window: shrunk to it.
        {{0, 0, 1366, 300}, {8, 0, 1185, 861}, {8, 0}, {750, 0, 616, 300}},
    };
    for (const Case& c : cases) {
      const eiyou::BesidePlacement p = eiyou::PlaceBeside(c.owner, figures, c.area);
      QCOMPARE(p.owner, c.ownerAfter);
      QCOMPARE(p.tool, c.tool);
      QVERIFY(c.area.contains(p.tool));
      QVERIFY(c.area.contains(QRect(p.owner, dish)) || c.area.width() < dish.width() + figures.width() + 8);
    }
  }

  // Run again with QT_SCALE_FACTOR=2 (see CMakeLists.txt).
  void chartsAtTheScreensPixelRatio() {
    InDishWindow([&](QWidget* w) {
      auto* dialog = qobject_cast<eiyou::ChartDialog*>(w);
      const qreal ratio = dialog->devicePixelRatioF();
      const QImage& surface = dialog->surface();
      QCOMPARE(surface.devicePixelRatio(), ratio);
      QCOMPARE(surface.size(), QSize(qRound(1169 * ratio), qRound(817 * ratio)));
      ClickButton(w, "BitBtn8");
      Choose(Get<QComboBox>(w, "ComboBox4"), "男");
      Choose(Get<QComboBox>(w, "ComboBox5"), "30～49歳");
      ClickButton(w, "BitBtn7");
      const QImage shot = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shot.size(), surface.size());
      // The energy spoke, a line 1 unit wide in window coordinates at x 948:
      // as many device pixels wide as the ratio, and nothing beside it.
      const int y = qRound(520 * ratio), x = qRound(948 * ratio), width = qRound(ratio);
      const QRgb green = qRgb(0, 128, 0) & 0xFFFFFF;
      for (int i = 0; i < width; ++i) QCOMPARE(shot.pixel(x + i, y) & 0xFFFFFF, green);
      QVERIFY((shot.pixel(x - 1, y) & 0xFFFFFF) != green);
      QVERIFY((shot.pixel(x + width, y) & 0xFFFFFF) != green);
    });
  }
};

QTEST_MAIN(FindAndReadTest)
#include "test_find_and_read.moc"
