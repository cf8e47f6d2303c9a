// Evaluating dishes in the dish window: the checks before drawing, and what
// the chart shows on the window (grabbed and sampled) after drawing, drawing
// again, erasing and clearing.
// 100 g of 基準食 is one third of every target of STD.CSV row 1, so its polygon
// runs through the ends of the spokes; row 2 has twice the energy target.
#include <QMessageBox>

#include "kondate.h"
#include "kondate_test_support.h"

using namespace kt;

namespace {

const std::vector<const char*> kDishes = {
    "和      食,煮 も の,基準定食,[8] 8001:基準食= 100g",
    "中      華,汁 も の,スープ",
};

// Spoke ends of the dish chart, energy (top) first.
const QPoint kSpokeEnds[9] = {{948, 448}, {1051, 485}, {1106, 580}, {1087, 688}, {1003, 758},
                              {893, 758}, {809, 688},  {790, 580},  {845, 485}};
const QPoint kCentre(948, 608);
// Halfway along the polygon's first side when it runs through the spoke ends.
const QPoint kFirstSideMiddle(1000, 467);
// The energy vertex when the total is a sixth of the target (radius 5 units).
const QPoint kHalfEnergy(948, 528);
const QRect kChartArea(728, 400, 441, 417);

}  // namespace

class KondateChartTest : public MainOnTestTables {
  Q_OBJECT

  // Opens the dish window, runs `act` in it and closes it; `messages` are the
  // message boxes expected meanwhile, in order.
  void Run(std::function<void(QWidget*)> act, ModalDriver& d, const QStringList& messages = {}) {
    d.Window("TForm3", Closing(std::move(act)));
    for (const QString& m : messages) d.Message(m);
    ClickButton(main_, "BitBtn2");
    QVERIFY2(d.Done(), d.Report());
  }

 private slots:
  void init() { Start(kDishes); }
  void cleanup() { Stop(); }

  // One case per message, for drawing and for erasing; their order is in the
  // core tests.
  void theChecksShowTheirMessagesAndDrawNothing() {
    ModalDriver d;
    QImage after;
    Run(
        [&](QWidget* w) {
          Choose(Child<QComboBox>(w, "ComboBox4"), "男");
          Choose(Child<QComboBox>(w, "ComboBox5"), "１～２歳");
          ClickButton(w, "BitBtn7");  // a new run: no reference table yet
          ClickButton(w, "BitBtn11");
          ClickButton(w, "BitBtn8");
          TypeInto(Child<QComboBox>(w, "ComboBox4"), "おとこ");  // matches no item
          ClickButton(w, "BitBtn7");
          Choose(Child<QComboBox>(w, "ComboBox4"), "女");
          Child<QComboBox>(w, "ComboBox5")->lineEdit()->clear();
          ClickButton(w, "BitBtn11");
          after = Grab(w);
        },
        d,
        {U("基準摂取量を読み込んでください！"), U("基準摂取量を読み込んでください！"),
         U("性別を選択してください！"), U("年齢を選択してください！")});
    QCOMPARE(CountColour(after, kChartArea, kBlue), 0);
    QCOMPARE(CountColour(after, kChartArea, kGreen), 0);
  }

  void aDrawnChartShowsPolygonAndGridAndErasingLeavesTheGrid() {
    ModalDriver d;
    QImage drawn, erased;
    QStringList evaluated;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "男", "１～２歳");
          Evaluate(w, "基準定食");
          evaluated = Items(Child<QListWidget>(w, "ListBox4"));
          ClickButton(w, "BitBtn7");
          drawn = Grab(w);
          ClickButton(w, "BitBtn11");
          erased = Grab(w);
        },
        d);
    QCOMPARE(evaluated, QStringList{U("基準定食")});
    for (const QPoint& p : kSpokeEnds)
      QVERIFY2(ColourNear(drawn, p.x(), p.y(), kBlue), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    QVERIFY(ColourNear(drawn, kFirstSideMiddle.x(), kFirstSideMiddle.y(), kBlue));
    QVERIFY(!ColourNear(drawn, kCentre.x(), kCentre.y() - 40, kBlue));
    QCOMPARE(drawn.pixel(948, 520) & 0xFFFFFF, kGreen & 0xFFFFFF);  // the energy spoke
    QCOMPARE(drawn.pixel(948, 576) & 0xFFFFFF, kGreen & 0xFFFFFF);  // top of circle 2

    QCOMPARE(CountColour(erased, erased.rect(), kBlue), 0);
    QCOMPARE(erased.pixel(948, 448) & 0xFFFFFF, kGreen & 0xFFFFFF);
    for (const QPoint& p : kSpokeEnds) QVERIFY(ColourNear(erased, p.x(), p.y(), kGreen, 0));
    // The labels are still there.
    QVERIFY(CountColour(erased, QRect(912, 422, 80, 20), qRgb(128, 0, 0)) > 0);
  }

  void drawingAgainClearsFirstUnlessTheAgeClassChanged() {
    ModalDriver d;
    QImage both, again;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "女", "１～２歳");
          Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          Choose(Child<QComboBox>(w, "ComboBox5"), "３～５歳");
          ClickButton(w, "BitBtn7");
          both = Grab(w);
          ClickButton(w, "BitBtn7");
          again = Grab(w);
        },
        d);
    QVERIFY(ColourNear(both, kFirstSideMiddle.x(), kFirstSideMiddle.y(), kBlue));
    QVERIFY(ColourNear(both, kHalfEnergy.x(), kHalfEnergy.y(), kBlue));
    QVERIFY(!ColourNear(again, kFirstSideMiddle.x(), kFirstSideMiddle.y(), kBlue));
    QVERIFY(ColourNear(again, kHalfEnergy.x(), kHalfEnergy.y(), kBlue));
  }

  void sameDishTwiceDoublesItsShare() {
    ModalDriver d;
    QImage once, twice;
    QStringList evaluated;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "男", "３～５歳");
          Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          once = Grab(w);
          Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          twice = Grab(w);
          evaluated = Items(Child<QListWidget>(w, "ListBox4"));
        },
        d);
    QCOMPARE(evaluated, (QStringList{U("基準定食"), U("基準定食")}));
    QVERIFY(ColourNear(once, kHalfEnergy.x(), kHalfEnergy.y(), kBlue));
    QVERIFY(ColourNear(twice, 948, 448, kBlue));
    QVERIFY(!ColourNear(twice, kHalfEnergy.x(), kHalfEnergy.y(), kBlue));
  }

  void clearingEmptiesTheEvaluationAndTheChart() {
    ModalDriver d;
    QImage cleared, shrunk;
    int listed = -1, afterNoSelection = -1;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "男", "１～２歳");
          Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          ClickButton(w, "BitBtn10");
          cleared = Grab(w);
          listed = Child<QListWidget>(w, "ListBox4")->count();
          // A dish without foods is listed and adds nothing.
          Evaluate(w, "スープ");
          Child<QListWidget>(w, "ListBox1")->setCurrentItem(nullptr);
          ClickButton(w, "BitBtn9");  // no dish selected: nothing listed
          afterNoSelection = Child<QListWidget>(w, "ListBox4")->count();
          ClickButton(w, "BitBtn7");
          shrunk = Grab(w);
        },
        d);
    QCOMPARE(listed, 0);
    QCOMPARE(afterNoSelection, 1);
    QCOMPARE(CountColour(cleared, cleared.rect(), kBlue), 0);
    QCOMPARE(cleared.pixel(948, 448) & 0xFFFFFF, kGreen & 0xFFFFFF);
    const int blue = CountColour(shrunk, kChartArea, kBlue);
    QVERIFY(blue > 0);
    QCOMPARE(CountColour(shrunk, QRect(kCentre - QPoint(3, 3), QSize(7, 7)), kBlue), blue);
  }

  void clearingRemovesAPolygonReachingFarOutside() {
    ModalDriver d;
    int blueDrawn = 0, blueLeft = -1;
    Run(
        [&](QWidget* w) {
          // Four times a third of every target: vertices 640 pixels out, lines
          // crossing the top edge of the window's surface.
          LoadReferenceRow(w, "男", "１～２歳");
          for (int i = 0; i < 4; ++i) Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          QImage& surface = qobject_cast<eiyou::ChartDialog*>(w)->surface();
          blueDrawn = CountColour(surface, QRect(0, 0, surface.width(), 51), kBlue);
          ClickButton(w, "BitBtn10");
          blueLeft = CountColour(surface, surface.rect(), kBlue);
        },
        d);
    QVERIFY(blueDrawn > 0);
    QCOMPARE(blueLeft, 0);
  }

  void aNewWindowStartsWithNoTotals() {
    ModalDriver first;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "男", "１～２歳");
          Evaluate(w, "基準定食");
        },
        first);
    ModalDriver d;
    QImage image;
    Run(
        [&](QWidget* w) {
          Choose(Child<QComboBox>(w, "ComboBox4"), "男");
          Choose(Child<QComboBox>(w, "ComboBox5"), "１～２歳");
          ClickButton(w, "BitBtn7");  // the reference table is still loaded
          image = Grab(w);
        },
        d);
    const int blue = CountColour(image, kChartArea, kBlue);
    QVERIFY(blue > 0);
    QCOMPARE(CountColour(image, QRect(kCentre - QPoint(3, 3), QSize(7, 7)), kBlue), blue);
  }

  void aMissingReferenceFileIsReportedAndTheHeldRowsServe() {
    ModalDriver d;
    QImage image;
    Run(
        [&](QWidget* w) {
          LoadReferenceRow(w, "男", "１～２歳");
          QVERIFY(QFile::remove(dir() + "/STD.CSV"));
          Evaluate(w, "基準定食");
          ClickButton(w, "BitBtn7");
          image = Grab(w);
        },
        d, {U("指定された") + QDir::currentPath() + U("/STD.CSVファイルがありません！！")});
    for (const QPoint& p : kSpokeEnds) QVERIFY(ColourNear(image, p.x(), p.y(), kBlue));
  }
};

QTEST_MAIN(KondateChartTest)
#include "test_kondate_chart.moc"
