// Prints the daily intake graph for real: the whole road from the main window
// on a copy of the sample data, with whatever printer is the default. The
// script beside it makes a PDF queue the default and checks the page.
//
// If EIYOU_PRINT_INFO names a file, the device resolution and the printable
// area's offset that the default printer gives are written there.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "modal_driver.h"
#include "pmain.h"

namespace {

bool CopyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString target = to + "/" + QDir(from).relativeFilePath(path);
    if (it.fileInfo().isDir()) {
      if (!QDir().mkpath(target)) return false;
    } else if (!QFile::copy(path, target)) {
      return false;
    }
  }
  return true;
}

QStringList Figures(QWidget* graph) {
  QStringList texts;
  for (int i = 3; i <= 11; ++i)
    texts << Child<QLineEdit>(graph, ("Edit" + QByteArray::number(i)).constData())->text();
  return texts;
}

int BluePixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == 0x0000FF) ++n;
  return n;
}

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT

 private slots:
  void defaultPrinterIsThere() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QVERIFY2(!info.isNull(), "no default printer");
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(info.printerName());
    // As the program does: no margin beyond what the printer needs.
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QByteArray infoPath = qgetenv("EIYOU_PRINT_INFO");
    if (!infoPath.isEmpty()) {
      QFile f(QString::fromLocal8Bit(infoPath));
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
      f.write(QStringLiteral("printer %1\nresolution %2\noffset %3 %4\n")
                  .arg(info.printerName())
                  .arg(printer.resolution())
                  .arg(page.left() - paper.left())
                  .arg(page.top() - paper.top())
                  .toUtf8());
    }
  }

  void printTheDay() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(CopyTree(QStringLiteral(EIYOU_SAMPLE_DATA), dir.path()));
    QVERIFY(QDir::setCurrent(dir.path()));

    ModalDriver d(20000);
    TForm1 main;
    main.show();
    QStringList printedFigures, freshFigures;
    int blueOnScreen = 0, blueInFresh = -1;
    bool printedStillOpen = true, freshWasOnTop = false;
    d.Window("TForm4", [&](QWidget* meal) {
      auto* dishes = Child<QListWidget>(meal, "ListBox1");
      QVERIFY(dishes->count() >= 6);
      for (int i = 0; i < 6; ++i) {
        Child<QComboBox>(meal, "ComboBox1")->setCurrentIndex(i / 2);  // two dishes a meal
        dishes->setCurrentRow(i);
        ClickButton(meal, "BitBtn3");
      }
      Child<QComboBox>(meal, "ComboBox2")->setCurrentIndex(0);
      Child<QComboBox>(meal, "ComboBox3")->setCurrentIndex(8);  // 30～49歳
      d.Window("TForm5", [&](QWidget* graph) {
        ClickButton(graph, "BitBtn3");
        blueOnScreen = BluePixels(graph->grab().toImage());
        printedFigures = Figures(graph);
        // The print opens a fresh graph window on top; closing it closes this one.
        d.Window("TForm5", [&](QWidget* fresh) {
          freshWasOnTop = fresh != graph && graph->isVisible();
          freshFigures = Figures(fresh);
          QCOMPARE(Child<QLineEdit>(fresh, "Edit1")->text(), QString::fromUtf8("男"));
          QCOMPARE(Child<QLineEdit>(fresh, "Edit2")->text(), QString::fromUtf8("30～49歳"));
          blueInFresh = BluePixels(fresh->grab().toImage());
          // Closing it draws the chart once more, hidden, which reloads the
          // reference file: without the file its message shows.
          QVERIFY(QFile::remove(QStringLiteral("STD.CSV")));
          d.Message(QString::fromUtf8("指定された") + QDir::currentPath() +
                    QString::fromUtf8("/STD.CSVファイルがありません！！"));
          ClickButton(fresh, "BitBtn1");
        });
        ClickButton(graph, "BitBtn2");
        printedStillOpen = graph->isVisible();
      });
      ClickButton(meal, "BitBtn1");
      ClickButton(meal, "BitBtn2");
    });
    ClickButton(&main, "BitBtn3");
    QDir::setCurrent(QDir::tempPath());
    QVERIFY2(d.Done(), d.Report());

    QVERIFY(blueOnScreen > 100);
    QVERIFY(freshWasOnTop);
    QCOMPARE(freshFigures, printedFigures);
    QCOMPARE(blueInFresh, 0);  // the fresh window has no chart yet
    QVERIFY(!printedStillOpen);
    // The clipboard keeps the picture of the printed window.
    const QImage kept = QGuiApplication::clipboard()->image();
    QVERIFY(!kept.isNull());
    QVERIFY(BluePixels(kept) > 100);
  }
};

QTEST_MAIN(PrintTest)
#include "test_print.moc"
