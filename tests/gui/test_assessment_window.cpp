// The assessment window, opened from each of its three places: the dish
// window's figure window, the daily graph window and the period window; the
// profile bar's choice judged at once and remembered by the next run; a
// target set made in the editor of the main window judged against.
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "../core/period_test_data.h"
#include "gui/text.h"
#include "modal_driver.h"
#include "pmain.h"
#include "sessions/sessions.h"

namespace pt = eiyou::period_test;
using eiyou::U;

namespace {

QString Cell(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QStringLiteral("<none>");
}

// The row of the nutrient named `name` (with its unit), -1 when none.
int RowOf(QTableWidget* table, const char* name) {
  for (int r = 0; r < table->rowCount(); ++r)
    if (Cell(table, r, 0) == U(name)) return r;
  return -1;
}

// The salt row of the target-set editor's table.
int SaltRow() {
  for (std::size_t i = 0; i < eiyou::kAssessedNutrients.size(); ++i)
    if (std::string(eiyou::kAssessedNutrients[i].id) == "NACL_EQ") return static_cast<int>(i);
  return -1;
}

QTableWidget* AssessmentOf(QWidget* window) {
  auto* assessment = window->findChild<QWidget*>("AssessmentWindow");
  if (!assessment || !assessment->isVisible()) return nullptr;
  return Child<QTableWidget>(assessment, "AssessmentTable");
}

}  // namespace

class AssessmentWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;

  void Run(ModalDriver& d, const char* button) {
    ClickButton(main_.get(), button);
    QVERIFY2(d.Done(), d.Report());
  }

 private slots:
  // The period tests' folder: a 23-column table without its companion of
  // every component, the dish of 150 g 基準食 + 200 g 水道水 in the dish file.
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    const std::string dir = eiyou::Utf8Of(dir_->path());
    pt::WriteTables(dir);
    pt::WriteFile(dir + "/KONDATE/献立.TXT", eiyou::Cp932(pt::kWholeMeal) + "\r\n");
    QVERIFY(pt::StoreDays(dir));
    main_ = std::make_unique<TForm1>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void opensFromTheFigureWindowOfTheDishWindow() {
    ModalDriver d;
    d.Window("TForm3", Closing([](QWidget* w) {
      ClickButton(w, "FigureButton");
      ClickButton(w->findChild<QWidget*>("FigureWindow"), "AssessmentButton");
      QTableWidget* table = AssessmentOf(w);
      QVERIFY(table);
      QCOMPARE(Cell(table, 0, 0), U("エネルギー（kcal）"));
      QCOMPARE(Cell(table, 0, 1), QString("0"));  // nothing composed yet
      // The old table has no zinc: said in words, never 0.
      const int zinc = RowOf(table, "亜鉛（mg）");
      QVERIFY(zinc >= 0);
      QCOMPARE(Cell(table, zinc, 1), U("－"));
      QCOMPARE(Cell(table, zinc, 8), U("食品成分表にこの成分がありません"));
    }));
    Run(d, "BitBtn2");
  }

  void opensFromTheDailyGraphWindowWithTheDaysMeals() {
    ModalDriver d;
    d.Window("TForm4", Closing([](QWidget* w) {
      Child<QComboBox>(w, "ComboBox1")->setCurrentIndex(0);
      ClickRow(Child<QListWidget>(w, "ListBox1"), 0);
      ClickButton(w, "BitBtn3");
      ClickButton(w, "BitBtn1");
    }));
    d.Window("TForm5", Closing([](QWidget* g) {
      auto* button = Child<QAbstractButton>(g, "AssessmentButton");
      // Below the figures, clear of the save button and the legend.
      QVERIFY(!button->geometry().intersects(Child<QWidget>(g, "SaveReportButton")->geometry()));
      QVERIFY(button->geometry().bottom() < g->height());
      ClickButton(g, "AssessmentButton");
      QTableWidget* table = AssessmentOf(g);
      QVERIFY(table);
      QCOMPARE(Cell(table, 0, 1), QString("1050"));  // 150 g of 700 kcal
      // 水道水 has no vitamin C value: the intake is marked.
      QCOMPARE(Cell(table, RowOf(table, "ビタミンC（mg）"), 1), U("45※"));
    }));
    Run(d, "BitBtn3");
  }

  void opensFromThePeriodWindowAndFollowsTheProfileIntoTheNextRun() {
    ModalDriver d;
    d.Window("PeriodWindow", Closing([](QWidget* w) {
      QVERIFY(!Child<QPushButton>(w, "AssessmentButton")->isEnabled());
      Child<QDateEdit>(w, "FromDate")->setDate(QDate::fromString(pt::kFrom, Qt::ISODate));
      Child<QDateEdit>(w, "ToDate")->setDate(QDate::fromString(pt::kTo, Qt::ISODate));
      auto* sex = Child<QComboBox>(w, "SexBox");
      sex->setCurrentIndex(1);
      Child<QComboBox>(w, "AgeBox")->setCurrentIndex(7);
      ClickButton(w, "ShowButton");
      ClickButton(w, "AssessmentButton");
      QTableWidget* table = AssessmentOf(w);
      QVERIFY(table);
      QCOMPARE(Cell(table, 0, 1), QString("2100"));  // the mean of 3 days
      auto* window = w->findChild<QWidget*>("AssessmentWindow");
      QVERIFY(Child<QLabel>(window, "AssessmentNotes")->text().contains(U(eiyou::kHabitualIntakeNote)));

      // Women 30-49 PAL II need 2050 kcal; men 18-29 2600 (2025): judged afresh.
      QCOMPARE(Cell(table, 0, 5), U("2050（必要量）"));
      auto* bar = Child<QWidget>(window, "ProfileBar");
      Child<QComboBox>(bar, "ProfileSex")->setCurrentIndex(0);
      Child<QSpinBox>(bar, "ProfileAge")->setValue(20);
      QCOMPARE(Cell(table, 0, 5), U("2600（必要量）"));
      QCOMPARE(Cell(table, 0, 7), U("▽ 不足の可能性あり"));
    }));
    Run(d, "PeriodButton");

    main_ = std::make_unique<TForm1>();
    const eiyou::Profile& p = main_->sessions().assessment.profile();
    QVERIFY(p.sex == eiyou::Sex::Male);
    QCOMPARE(p.age.from, 20);
  }

  // A set made in the editor (a refused cell going back), stored, read by the
  // next run and judged against in the assessment window.
  void aTargetSetMadeInTheEditorIsJudgedAgainst() {
    ModalDriver d;
    d.Window("TargetSetWindow", Closing([](QWidget* w) {
      ClickButton(w, "NewButton");
      auto* table = Child<QTableWidget>(w, "ValueTable");
      const int row = SaltRow();
      table->item(row, 4)->setText("6");
      table->item(row, 5)->setCheckState(Qt::Checked);
      table->item(row, 3)->setText("7");  // a lower goal above the upper one: refused
      QCOMPARE(table->item(row, 3)->text(), QString());
      ClickButton(w, "SaveButton");
    }));
    d.Window("SetNameDialog", [](QWidget* w) {
      auto* dialog = qobject_cast<QInputDialog*>(w);
      dialog->setTextValue(U("減塩食 6g"));
      dialog->accept();
    });
    d.Message();
    Run(d, "TargetSetButton");
    QVERIFY(d.messages().value(0).contains(U("食塩相当量")));

    main_ = std::make_unique<TForm1>();
    main_->show();
    ModalDriver again;
    again.Window("TargetSetWindow", Closing([](QWidget* w) {
      ClickRow(Child<QListWidget>(w, "SetList"), 0);
      auto* table = Child<QTableWidget>(w, "ValueTable");
      QCOMPARE(table->item(SaltRow(), 4)->text(), QString("6"));
      QCOMPARE(table->item(SaltRow(), 5)->checkState(), Qt::Checked);
    }));
    again.Window("TForm3", Closing([](QWidget* w) {
      ClickButton(w, "FigureButton");
      ClickButton(w->findChild<QWidget*>("FigureWindow"), "AssessmentButton");
      QTableWidget* table = AssessmentOf(w);
      QVERIFY(table);
      auto* window = w->findChild<QWidget*>("AssessmentWindow");
      auto* reference = Child<QComboBox>(Child<QWidget>(window, "ProfileBar"), "ProfileReference");
      const int set = reference->findText(U("目標量セット：減塩食 6g"));
      QVERIFY(set >= 0);
      reference->setCurrentIndex(set);
      const int row = RowOf(table, "食塩相当量（g）");
      QVERIFY(row >= 0);
      QCOMPARE(Cell(table, row, 5), U("6未満"));
      QCOMPARE(Cell(table, row, 7), U("○ 充足"));
      QVERIFY(Child<QLabel>(window, "AssessmentNotes")->text().contains(U("基準：目標量セット「減塩食 6g」")));
    }));
    ClickButton(main_.get(), "TargetSetButton");
    Run(again, "BitBtn2");
  }
};

QTEST_MAIN(AssessmentWindowTest)
#include "test_assessment_window.moc"
