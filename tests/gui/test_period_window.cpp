// The period window, opened from the main window: the stored days of a range,
// their average against the reference with its marks, the daily chart of the
// average, the messages that stop it, and its reports saved through the file
// dialog.
#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "../core/period_test_data.h"
#include "gui/text.h"
#include "modal_driver.h"
#include "nutrition/figure_table.h"
#include "plans/period.h"
#include "pmain.h"
#include "sessions/side_tables.h"

namespace pt = eiyou::period_test;
using eiyou::U;

namespace {

const QRgb kBlue = qRgb(0, 0, 255);

class QuietSink : public eiyou::MessageSink {
 public:
  void Show(const std::string& text) override { shown += text; }
  std::string shown;
};

// True when a pixel of `colour` lies within `r` pixels of (x, y).
bool ColourNear(const QImage& img, const QPoint& at, QRgb colour, int r = 2) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx)
      if (img.valid(at.x() + dx, at.y() + dy) &&
          (img.pixel(at.x() + dx, at.y() + dy) & 0xFFFFFF) == (colour & 0xFFFFFF))
        return true;
  return false;
}

// The pixel of axis k at `units` from the daily chart's centre.
QPoint AxisPoint(int k, double units) {
  const double a = k * 40.0 * M_PI / 180.0;
  return QPoint(392 + int(std::lround(16 * units * std::sin(a))),
                304 - int(std::lround(16 * units * std::cos(a))));
}

QString Cell(QTableWidget* table, int row, int column, int role = Qt::DisplayRole) {
  QTableWidgetItem* item = table->item(row, column);
  return item ? item->data(role).toString() : QStringLiteral("<none>");
}

void Choose(QWidget* w, const char* box, const char* utf8) {
  auto* combo = Child<QComboBox>(w, box);
  combo->setCurrentIndex(combo->findText(U(utf8)));
}

void SetRange(QWidget* w, const char* from, const char* to) {
  Child<QDateEdit>(w, "FromDate")->setDate(QDate::fromString(from, Qt::ISODate));
  Child<QDateEdit>(w, "ToDate")->setDate(QDate::fromString(to, Qt::ISODate));
}

bool ReportsEnabled(QWidget* w) {
  bool all = true, none = true;
  for (const char* name : {"PdfButton", "CsvButton", "XlsxButton", "PreviewButton"}) {
    const bool on = Child<QPushButton>(w, name)->isEnabled();
    all = all && on;
    none = none && !on;
  }
  if (!all && !none) qWarning("report buttons partly enabled");
  return all;
}

}  // namespace

class PeriodWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;  // a fresh run for every test

  void InPeriodWindow(ModalDriver& d, const std::function<void(QWidget*)>& act) {
    d.Window("PeriodWindow", Closing(act));
    ClickButton(main_.get(), "PeriodButton");
    QVERIFY2(d.Done(), d.Report());
  }

  // Shows the test range for the female 18-29 row.
  static void ShowTestPeriod(QWidget* w) {
    SetRange(w, pt::kFrom, pt::kTo);
    Choose(w, "SexBox", "女");
    Choose(w, "AgeBox", "18～29歳");
    ClickButton(w, "ShowButton");
  }

  // Saves a report with `button` through the file dialog as `name`; its bytes.
  QByteArray Save(ModalDriver& d, QWidget* w, const char* button, const QString& name) {
    const QString path = dir_->path() + "/" + name;
    d.Window("ReportFileDialog", [path](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QVERIFY(files);
      files->selectFile(path);
      static_cast<QDialog*>(files)->accept();  // as its Save button does
    });
    d.Message(U("保存しました：") + path);
    ClickButton(w, button);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private slots:
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    pt::WriteTables(eiyou::Utf8Of(dir_->path()));
    main_ = std::make_unique<TForm1>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void showsTheDaysTheirAverageMarksAndChart() {
    QVERIFY(pt::StoreDays(eiyou::Utf8Of(dir_->path())));
    auto* button = Child<QPushButton>(main_.get(), "PeriodButton");
    QCOMPARE(button->text(), U("期間の栄養分析"));
    QVERIFY(button->y() > Child<QPushButton>(main_.get(), "BitBtn3")->y());
    QVERIFY(button->y() < Child<QPushButton>(main_.get(), "BitBtn4")->y());

    // The core's figures of the same days, for the exact texts.
    eiyou::SideTables tables;
    QuietSink sink;
    tables.LoadFood(sink);
    tables.LoadReference(sink);
    const auto store = eiyou::DayPlanStore::Open(eiyou::Utf8Of(dir_->path()), 0);
    const eiyou::PeriodFigures core =
        eiyou::ComputePeriod(store->DaysBetween(pt::kFrom, pt::kTo), tables.food, tables.reference);
    QCOMPARE(core.days.size(), std::size_t(3));

    ModalDriver d;
    InPeriodWindow(d, [&](QWidget* w) {
      const QDate today = QDate::currentDate();
      QCOMPARE(Child<QDateEdit>(w, "FromDate")->date(), today.addDays(-6));
      QCOMPARE(Child<QDateEdit>(w, "ToDate")->date(), today);
      QVERIFY(!ReportsEnabled(w));
      ShowTestPeriod(w);
      QVERIFY(ReportsEnabled(w));

      auto* days = Child<QTableWidget>(w, "DayTable");
      QCOMPARE(days->rowCount(), 3);
      const QStringList second = {Cell(days, 1, 0), Cell(days, 1, 1), Cell(days, 1, 2),
                                  Cell(days, 1, 3), Cell(days, 1, 4)};
      QCOMPARE(second, (QStringList{"2024-07-02", "1050", "30", "25.5", "1.5"}));
      QCOMPARE(Cell(days, 2, 0), QString("2024-07-04"));

      auto* table = Child<QTableWidget>(w, "PeriodFigureTable");
      QCOMPARE(table->rowCount(), eiyou::kFigureRows);
      QCOMPARE(Cell(table, 0, 0, Qt::UserRole), QString("2100"));
      for (int k = 0; k < eiyou::kFigureRows; ++k)
        QCOMPARE(Cell(table, k, 0, Qt::UserRole), U(eiyou::FigureRowText(k, core.average[k])));
      const char* reference[] = {"2100", "60",  "51", "600",     "10.2",    "630",
                                 "1.2",  "1.5", "90", "6.5未満", "18.0以上"};
      for (int k = 0; k < eiyou::kFigureRows; ++k) {
        QCOMPARE(Cell(table, k, 1, Qt::UserRole), U(reference[k]));
        QCOMPARE(Cell(table, k, 2, Qt::UserRole), U(k < 9 ? "100" : k == 9 ? "46" : "33"));
      }
      QCOMPARE(Cell(table, 8, 0), U("90※"));
      QVERIFY(Cell(table, 8, 0, Qt::ToolTipRole).contains(U("水道水")));
      QCOMPARE(Cell(table, 0, 0, Qt::UserRole + 1), QString());

      // The average meets every target: the outline joins the spoke ends.
      const QImage img = w->grab().toImage();
      for (int k = 0; k < 9; ++k) {
        QVERIFY2(ColourNear(img, AxisPoint(k, 12), kBlue), qPrintable(QString::number(k)));
        QVERIFY(!ColourNear(img, AxisPoint(k, 6), kBlue, 3));
      }
      QCOMPARE(Child<QLabel>(w, "ChartCaption")->text(), U("期間平均"));
    });

    // A new window keeps the range, the choices and the period shown.
    InPeriodWindow(d, [&](QWidget* w) {
      QCOMPARE(Child<QDateEdit>(w, "FromDate")->date(), QDate(2024, 7, 1));
      QCOMPARE(Child<QDateEdit>(w, "ToDate")->date(), QDate(2024, 7, 5));
      QCOMPARE(Child<QComboBox>(w, "SexBox")->currentText(), U("女"));
      QCOMPARE(Child<QComboBox>(w, "AgeBox")->currentText(), U("18～29歳"));
      QCOMPARE(Child<QTableWidget>(w, "DayTable")->rowCount(), 3);
      QVERIFY(ReportsEnabled(w));
      QVERIFY(ColourNear(w->grab().toImage(), AxisPoint(0, 12), kBlue));
    });
  }

  void messagesStopIt() {
    QVERIFY(pt::StoreDays(eiyou::Utf8Of(dir_->path())));
    ModalDriver d;
    InPeriodWindow(d, [&](QWidget* w) {
      d.Message(U("性別を選択してください！"));
      ClickButton(w, "ShowButton");
      Choose(w, "SexBox", "女");
      d.Message(U("年齢を選択してください！"));
      ClickButton(w, "ShowButton");
      Choose(w, "AgeBox", "18～29歳");
      SetRange(w, "2024-08-01", "2024-08-07");
      d.Message(U("指定した期間に保存された献立はありません！"));
      ClickButton(w, "ShowButton");
      QVERIFY(!ReportsEnabled(w));

      // A period shown, then a range that ends before it starts: it goes.
      ShowTestPeriod(w);
      QCOMPARE(Child<QTableWidget>(w, "DayTable")->rowCount(), 3);
      SetRange(w, pt::kTo, pt::kFrom);
      d.Message(U("開始日が終了日より後になっています！"));
      ClickButton(w, "ShowButton");
      QCOMPARE(Child<QTableWidget>(w, "DayTable")->rowCount(), 0);
      QCOMPARE(Cell(Child<QTableWidget>(w, "PeriodFigureTable"), 0, 0), QString("<none>"));
      QVERIFY(!ReportsEnabled(w));
      QVERIFY(!ColourNear(w->grab().toImage(), AxisPoint(0, 12), kBlue, 3));
    });
  }

  // Every report says what the window says, in any locale: the CSV's figures
  // are the window's texts (the reference without its words), its marks row
  // the window's marks; the PDF lists the days under the window's columns.
  void reportsAreSaved() {
    QVERIFY(pt::StoreDays(eiyou::Utf8Of(dir_->path())));
    ModalDriver d;
    InPeriodWindow(d, [&](QWidget* w) {
      ShowTestPeriod(w);
      auto* days = Child<QTableWidget>(w, "DayTable");
      auto* table = Child<QTableWidget>(w, "PeriodFigureTable");

      const QByteArray bytes = Save(d, w, "CsvButton", U("期間.csv"));
      QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
      const QString csv = QString::fromUtf8(bytes);
      QVERIFY(!csv.contains("2024-06-30"));
      auto csvRow = [&](const QString& label) {
        for (const QString& line : csv.split(QStringLiteral("\r\n")))
          if (line.startsWith(label + ',')) return line.split(',').mid(1);
        return QStringList();
      };
      const QStringList second = csvRow(QStringLiteral("2024-07-02"));
      QCOMPARE(second.size(), eiyou::kFigureRows);
      const int dayColumns[] = {0, 1, 2, eiyou::kSaltRow};
      for (int c = 0; c < 4; ++c) QCOMPARE(second[dayColumns[c]], Cell(days, 1, c + 1));
      const QStringList average = csvRow(U("平均")), reference = csvRow(U("基準値")),
                        percent = csvRow(U("割合(%)")), marks = csvRow(U("記号"));
      for (int k = 0; k < eiyou::kFigureRows; ++k) {
        QCOMPARE(average.value(k), Cell(table, k, 0, Qt::UserRole));
        QCOMPARE(reference.value(k),
                 Cell(table, k, 1, Qt::UserRole).remove(U("未満")).remove(U("以上")));
        QCOMPARE(percent.value(k), Cell(table, k, 2, Qt::UserRole));
        QCOMPARE(marks.value(k), Cell(table, k, 0, Qt::UserRole + 1));
      }
      QCOMPARE(marks.value(8), U("※"));

      const QString pdf = dir_->path() + QStringLiteral("/期間.pdf");
      QVERIFY(Save(d, w, "PdfButton", U("期間.pdf")).startsWith("%PDF"));
      QProcess text;
      text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
      QVERIFY(text.waitForFinished(30000));
      const QString page = QString::fromUtf8(text.readAllStandardOutput());
      QStringList heading, day;
      for (int c = 0; c < days->columnCount(); ++c) {
        heading << QRegularExpression::escape(days->horizontalHeaderItem(c)->text());
        day << QRegularExpression::escape(Cell(days, 1, c));
      }
      QVERIFY2(page.contains(QRegularExpression(heading.join(QStringLiteral("\\s+")))), qPrintable(page));
      QVERIFY2(page.contains(QRegularExpression(day.join(QStringLiteral("\\s+")) + "\\s*\n")),
               qPrintable(page));
      QVERIFY2(page.contains(U("90※")), qPrintable(page));

      QVERIFY(Save(d, w, "XlsxButton", U("期間.xlsx")).startsWith("PK"));
    });
  }
};

QTEST_MAIN(PeriodWindowTest)
#include "test_period_window.moc"
