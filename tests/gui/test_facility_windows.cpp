// The facility's windows, opened from the main window: a group stored and
// shown again, a headcount file with errors refused whole, and the order
// sheet and cost of the bundled sample dishes stored on two days.
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "gui/text.h"
#include "modal_driver.h"
#include "plans/plan_store.h"
#include "pmain.h"
#include "tables/file_io.h"

using eiyou::U;

namespace {

QString Cell(QTableWidget* t, int row, int column) {
  QTableWidgetItem* item = t->item(row, column);
  return item ? item->text() : QStringLiteral("<none>");
}

// The window the main window's button opened (the facility's are not modal).
QWidget* Opened(TForm1* main, const char* button, const char* window) {
  ClickButton(main, button);
  auto* w = main->findChild<QWidget*>(QString::fromLatin1(window));
  if (w && !QTest::qWaitForWindowExposed(w)) return nullptr;
  return w;
}

// The bundled sample dish line named `name` (CP932).
std::string SampleDish(const char* name) {
  const std::string bytes = eiyou::ReadWholeFile(EIYOU_SAMPLE_DATA "/KONDATE/献立.TXT");
  const QStringList lines = eiyou::ToQ(bytes).split(QLatin1Char('\n'));
  for (const QString& line : lines)
    if (line.section(QLatin1Char(','), 2, 2) == U(name)) {
      std::string cp932;
      eiyou::FromQ(line.trimmed(), cp932);
      return cp932;
    }
  return {};
}

}  // namespace

class FacilityWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;

  std::unique_ptr<eiyou::DayPlanStore> Store() const {
    return eiyou::DayPlanStore::Open(eiyou::Utf8Of(dir_->path()), 0);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    QVERIFY(QDir().mkdir("KONDATE"));
    QVERIFY(QFile::copy(EIYOU_SAMPLE_DATA "/食品成分表５訂.CSV", "食品成分表５訂.CSV"));
    main_ = std::make_unique<TForm1>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void theToolsRowsKeepTheMainButtonsInPlace() {
    const int end = Child<QPushButton>(main_.get(), "BitBtn4")->y();
    for (const char* name : {"PeriodButton", "TargetSetButton", "ImportButton"})
      QCOMPARE(Child<QPushButton>(main_.get(), name)->geometry().top(), 318);
    for (const char* name : {"FacilityButton", "OrderSheetButton", "MonthlyMenuButton"}) {
      const QRect r = Child<QPushButton>(main_.get(), name)->geometry();
      QCOMPARE(r.top(), 358);
      QVERIFY(r.bottom() < end);
    }
  }

  void aGroupAddedIsStoredAndShownAfterReopening() {
    QWidget* w = Opened(main_.get(), "FacilityButton", "FacilityWindow");
    QVERIFY(w);
    Child<QLineEdit>(w, "GroupNameEdit")->setText(U("低学年"));
    Child<QLineEdit>(w, "FactorEdit")->setText("0.8");
    Child<QSpinBox>(w, "HeadcountSpin")->setValue(120);
    ClickButton(w, "AddGroupButton");
    w->close();
    QTRY_VERIFY(!main_->findChild<QWidget*>("FacilityWindow"));

    const std::vector<eiyou::EaterGroup> stored = Store()->EaterGroups();
    QCOMPARE(stored.size(), std::size_t(1));
    QCOMPARE(stored[0].factorPermille, 800);
    w = Opened(main_.get(), "FacilityButton", "FacilityWindow");
    auto* table = Child<QTableWidget>(w, "GroupTable");
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE((QStringList{Cell(table, 0, 0), Cell(table, 0, 1), Cell(table, 0, 2), Cell(table, 0, 3)}),
             (QStringList{U("低学年"), "0.8", "120", U("昼")}));
  }

  void aHeadcountFileWithErrorsIsRefusedAndNothingStored() {
    eiyou::EaterGroup g;
    g.name = "低学年";
    g.headcount = 100;
    QVERIFY(Store()->SaveEaterGroup(g).ok);
    // The first line is right: refused whole, it is not stored either.
    const QString path = dir_->path() + "/人数.csv";
    QVERIFY(eiyou::ReplaceFileContents(eiyou::Utf8Of(path),
                                       "日付,低学年\n2025-05-12,90\n2025-05-40,80\n2025-05-14,たくさん\n"));
    QWidget* w = Opened(main_.get(), "FacilityButton", "FacilityWindow");
    ModalDriver d;
    d.Window("HeadcountCsvOpenDialog", [path](QWidget* dialog) {
      qobject_cast<QFileDialog*>(dialog)->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    d.Message();
    ClickButton(w, "HeadcountCsvButton");
    QVERIFY2(d.Done(), d.Report());
    const QString text = d.messages().value(0);
    QVERIFY2(text.startsWith(U("次の誤りがあるため、読み込みませんでした（何も保存していません）。")), qPrintable(text));
    QVERIFY2(text.contains(U("3行目")) && text.contains(U("4行目")) && !text.contains(U("2行目")), qPrintable(text));
    QVERIFY(Store()->HeadcountChanges("2025-05-01", "2025-05-31").empty());
  }

  // 青椒肉絲 on 2025-05-12 and 野菜炒め on 2025-05-13, both lunches, for 低学年
  // (0.8 of the dish, 100 eaters) and 教職員 (1.0, 50 eaters, but 40 on the
  // 12th). 青ピーマン (06245, refuse 15 %) is only in 青椒肉絲, 50 g:
  //   net   = 50 g × 0.8 × 100 + 50 g × 1.0 × 40 = 4000 + 2000 = 6000.0 g
  //   order = 6000 g ÷ (1 − 0.15) = 7058.82… g → up to 0.1 g: 7058.9 g, 7.059 kg
  // 調合油 (14006, refuse 0) is 6 g in one and 5 g in the other: on the 13th
  //   5 × 0.8 × 100 + 5 × 1.0 × 50 = 650.0 g. Only 青ピーマン has a price, so
  // every other food is listed as unpriced and each day's cost is marked as a part.
  void theOrderSheetOfTwoStoredDaysAndItsUnpricedFoods() {
    auto store = Store();
    const char* dishes[] = {"青椒肉絲", "野菜炒め"};
    for (int i = 0; i < 2; ++i) {
      eiyou::DayPlan day;
      day.date = i == 0 ? "2025-05-12" : "2025-05-13";
      day.sex = 1;
      day.age = 9;
      day.meals[1] = {SampleDish(dishes[i])};
      QVERIFY(!day.meals[1][0].empty());
      QVERIFY(store->SaveDay(day).ok);
    }
    eiyou::EaterGroup low{0, "低学年", 800, 100, eiyou::kLunch, {}, 1};
    eiyou::EaterGroup staff{0, "教職員", 1000, 50, eiyou::kLunch, {}, 2};
    std::int64_t staffId = 0;
    QVERIFY(store->SaveEaterGroup(low).ok);
    QVERIFY(store->SaveEaterGroup(staff, &staffId).ok);
    QVERIFY(store->SaveHeadcountChanges({{"2025-05-12", staffId, 40}}).ok);
    eiyou::FoodPurchase pepper;
    pepper.food = 6245;
    pepper.priced = true;
    pepper.priceSen = 50000;  // 500 yen a kg
    pepper.setOn = "2025-04-01";
    QVERIFY(store->SaveFoodPurchases({pepper}).ok);
    store.reset();

    QWidget* w = Opened(main_.get(), "OrderSheetButton", "OrderSheetWindow");
    QVERIFY(w);
    QCOMPARE(Child<QListWidget>(w, "GroupList")->count(), 2);
    Child<QDateEdit>(w, "FromDate")->setDate(QDate(2025, 5, 12));
    Child<QDateEdit>(w, "ToDate")->setDate(QDate(2025, 5, 16));
    ClickButton(w, "ShowButton");

    auto* order = Child<QTableWidget>(w, "OrderTable");
    int pepperRow = -1, oilRow = -1;
    for (int r = 0; r < order->rowCount(); ++r) {
      if (Cell(order, r, 3).contains(U("青ピーマン"))) pepperRow = r;
      if (Cell(order, r, 0) == "2025-05-13" && Cell(order, r, 3).contains(U("調合油"))) oilRow = r;
    }
    QVERIFY(pepperRow >= 0 && oilRow >= 0);
    QCOMPARE((QStringList{Cell(order, pepperRow, 0), Cell(order, pepperRow, 4), Cell(order, pepperRow, 5),
                          Cell(order, pepperRow, 6), Cell(order, pepperRow, 7)}),
             (QStringList{"2025-05-12", "6000.0", "15", "7058.9", "7.059"}));
    QCOMPARE(Cell(order, oilRow, 4), QString("650.0"));

    auto* unpriced = Child<QListWidget>(w, "UnpricedList");
    QVERIFY(!Items(unpriced).filter(U("14006 （植物油脂類）　調合油")).isEmpty());
    QVERIFY(Items(unpriced).filter(U("青ピーマン")).isEmpty());
    auto* cost = Child<QTableWidget>(w, "CostTable");
    QCOMPARE(cost->rowCount(), 4);
    for (int r = 0; r < cost->rowCount(); ++r) QVERIFY2(Cell(cost, r, 3).endsWith(U("＊")), qPrintable(Cell(cost, r, 3)));
    // 低学年 on the 12th: 4000 g ÷ 0.85 = 4705.883 g of peppers at 500 yen a
    // kg = 2352.94 yen; the oil and the rest unpriced.
    QCOMPARE(Cell(cost, 0, 3), U("2,352.94＊"));
    QVERIFY(Child<QPushButton>(w, "PricesButton")->isEnabled());
  }
};

QTEST_MAIN(FacilityWindowsTest)
#include "test_facility_windows.moc"
