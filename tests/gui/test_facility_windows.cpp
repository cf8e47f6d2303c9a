// The facility's windows, opened from the main window: a group stored and
// shown again, a headcount file with errors refused whole, the order sheet
// and cost of the bundled sample dishes stored on two days, and the monthly
// menu of two groups of those dishes.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
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
#include "sessions/facility_session.h"
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

  // June 2025, lunches: 牛乳 on Monday the 2nd, 卵スープ on Tuesday the 3rd,
  // 牛乳 again on Wednesday the 4th, when 低学年 has no eaters. 低学年 eats 0.8
  // of the dishes and is judged by the school lunch's band of 8-9 years,
  // 高学年 1.1 and 10-11 years.
  void StoreMonth() {
    auto store = Store();
    const std::pair<const char*, const char*> days[] = {
        {"2025-06-02", "牛乳"}, {"2025-06-03", "卵スープ"}, {"2025-06-04", "牛乳"}};
    for (const auto& [date, dish] : days) {
      eiyou::DayPlan day;
      day.date = date;
      day.sex = 1;
      day.age = 9;
      day.meals[1] = {SampleDish(dish)};
      QVERIFY(!day.meals[1][0].empty());
      QVERIFY(store->SaveDay(day).ok);
    }
    const auto lunch = [](int from, int to) {
      eiyou::GroupStandard s;
      s.kind = eiyou::StandardKind::SchoolLunch;
      s.age = {eiyou::PeriodClass::Years, from, to};
      return eiyou::StandardProfileText(s);
    };
    std::int64_t low = 0;
    QVERIFY(store->SaveEaterGroup({0, "低学年", 800, 100, eiyou::kLunch, lunch(8, 9), 1}, &low).ok);
    QVERIFY(store->SaveEaterGroup({0, "高学年", 1100, 90, eiyou::kLunch, lunch(10, 11), 2}).ok);
    QVERIFY(store->SaveHeadcountChanges({{"2025-06-04", low, 0}}).ok);
  }

  QWidget* ShowMonth(const QString& group) {
    QWidget* w = Opened(main_.get(), "MonthlyMenuButton", "MonthlyMenuWindow");
    if (!w) return nullptr;
    Child<QDateEdit>(w, "MonthEdit")->setDate(QDate(2025, 6, 1));
    auto* groups = Child<QComboBox>(w, "GroupCombo");
    groups->setCurrentIndex(groups->findText(group));
    ClickButton(w, "ShowButton");
    return w;
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

  // 普通牛乳 (13003) has 61 kcal in 100 g; the dish is 200 g of it:
  //   低学年 200 g × 0.8 × 61 / 100 = 97.6 → 98 kcal.
  void theMenuShowsTheGroupsServingDaysPortionsAndAllergens() {
    StoreMonth();
    if (QTest::currentTestFailed()) return;
    QWidget* w = ShowMonth(U("低学年"));
    QVERIFY(w);
    auto* menu = Child<QTableWidget>(w, "MenuTable");
    QCOMPARE(menu->rowCount(), 2);  // not the 4th: no eaters
    QCOMPARE((QStringList{Cell(menu, 0, 0), Cell(menu, 0, 1), Cell(menu, 0, 2), Cell(menu, 0, 3), Cell(menu, 0, 6)}),
             (QStringList{U("6月2日"), U("月"), U("牛乳"), "98", U("乳")}));
    QCOMPARE(Cell(menu, 1, 0), U("6月3日"));
    QVERIFY(Cell(menu, 1, 6).contains(U("卵")));
    // Its soy sauce and salt are seasonings: their names never settle every item.
    QVERIFY2(!Cell(menu, 1, 7).isEmpty(), qPrintable(Cell(menu, 1, 7)));
    auto* average = Child<QTableWidget>(w, "AverageTable");
    QCOMPARE(average->rowCount(), 3);
    QCOMPARE(Cell(average, 0, 2), QString("650"));
    QVERIFY(Child<QPushButton>(w, "PdfButton")->isEnabled());
  }

  void eachGroupIsJudgedAgainstItsOwnBand() {
    StoreMonth();
    if (QTest::currentTestFailed()) return;
    QWidget* w = ShowMonth(U("高学年"));
    QVERIFY(w);
    auto* menu = Child<QTableWidget>(w, "MenuTable");
    QCOMPARE(menu->rowCount(), 3);
    QCOMPARE(Cell(menu, 0, 3), QString("134"));  // 200 g × 1.1 × 61 / 100 = 134.2
    QCOMPARE(Cell(Child<QTableWidget>(w, "AverageTable"), 0, 2), QString("780"));

    auto* groups = Child<QTableWidget>(w, "GroupTable");
    QCOMPARE(groups->columnCount(), 2);
    QVERIFY(groups->horizontalHeaderItem(0)->text().contains(U("学校給食 8-9歳")));
    QVERIFY(groups->horizontalHeaderItem(1)->text().contains(U("学校給食 10-11歳")));
    // Energy, a lunch of about 100 kcal: short of either band, each named in its judgement.
    for (int c = 0; c < 2; ++c)
      QVERIFY2(groups->item(0, c)->toolTip().contains(U("不足")), qPrintable(groups->item(0, c)->toolTip()));
    QVERIFY(Child<QLabel>(w, "EditionsLabel")->text().contains(U("学校給食")));
  }
};

QTEST_MAIN(FacilityWindowsTest)
#include "test_facility_windows.moc"
