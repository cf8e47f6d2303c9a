// The widget boundary: CP932 bytes kept in list items, the sorted-list order,
// the message boxes, and the chart canvas over an image.
#include <QApplication>
#include <QFile>
#include <filesystem>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QToolTip>
#include <QTimer>

#include "gui/controls.h"
#include "gui/data_update_offer.h"
#include "gui/image_canvas.h"
#include "gui/list_items.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "gui/translations.h"
#include "import/data_update.h"
#include "modal_driver.h"
#include "nutrition/dish_line.h"

using eiyou::ImageCanvas;

class GuiSupportTest : public QObject {
  Q_OBJECT
 private slots:
  // A folder of an older release (no record, a reference file missing) is
  // asked once: 後で is not asked again, 今すぐ更新 brings the file in.
  void olderDataIsOfferedOnceAndLaterIsRemembered() {
    ScopedWorkDir work;
    QVERIFY(work.ok());
    const std::filesystem::path folder = work.path().toStdString();
    std::filesystem::copy(EIYOU_SAMPLE_DATA, folder, std::filesystem::copy_options::recursive);
    const std::filesystem::path lunch = folder / "食事摂取基準" / "学校給食摂取基準2021.TSV";
    std::filesystem::remove(lunch);
    std::filesystem::remove(folder / eiyou::kDataEditionFileName);
    {
      ModalDriver driver;
      driver.Message(QString(), QStringLiteral("後で"));
      eiyou::OfferDataUpdate(nullptr, EIYOU_SAMPLE_DATA);
      QVERIFY2(driver.Done(), driver.Report());
      QVERIFY(driver.messages().front().contains(QStringLiteral("新しい同梱データ")));
    }
    QVERIFY(!std::filesystem::exists(lunch));
    {
      ModalDriver driver(500);  // nothing asked: a box would be unexpected
      eiyou::OfferDataUpdate(nullptr, EIYOU_SAMPLE_DATA);
      QTest::qWait(700);
      QVERIFY2(driver.Done(), driver.Report());
    }
    std::filesystem::remove(folder / eiyou::kDataUpdateLaterFileName);
    {
      ModalDriver driver;
      driver.Message(QString(), QStringLiteral("今すぐ更新")).Message();
      eiyou::OfferDataUpdate(nullptr, EIYOU_SAMPLE_DATA);
      QVERIFY2(driver.Done(), driver.Report());
      QVERIFY(driver.messages().back().contains(QStringLiteral("学校給食摂取基準2021.TSV を加えました")));
    }
    QVERIFY(std::filesystem::exists(lunch));
    QVERIFY(!eiyou::DataUpdateDue(folder.string(), EIYOU_SAMPLE_DATA));
  }

  void listItemsKeepTheirBytes() {
    QListWidget list;
    const std::string bad("[1]\x81 X", 6);  // a lead byte without a valid trail byte
    eiyou::AppendItem(&list, bad);
    QCOMPARE(list.item(0)->text(), QString::fromUtf8("[1]\xEF\xBF\xBD X"));
    QCOMPARE(eiyou::ItemBytes(&list, 0), bad);
  }

  void sortedInsertionUsesByteOrderAndKeepsDuplicates() {
    std::vector<std::string> texts;
    QListWidget list;
    for (const char* t : {"[9]a", "[10]a", "[9]a", "\x98\x61", "[1]"}) {
      const auto row = static_cast<int>(eiyou::InsertInListOrder(texts, t));
      eiyou::FollowList(&list, texts, {eiyou::ListChange::Inserted, row});
    }
    QStringList shown;
    for (int i = 0; i < list.count(); ++i) shown << QString::fromLatin1(eiyou::ItemBytes(&list, i).c_str());
    QCOMPARE(shown, (QStringList{"[10]a", "[1]", "[9]a", "[9]a", QString::fromLatin1("\x98\x61")}));
  }

  void textOutsideTheCodePageIsRefused() {
    std::string out;
    QVERIFY(!eiyou::FromQ(QString::fromUtf8("€"), out));
    QVERIFY(eiyou::FromQ(QString::fromUtf8("～"), out));
    QCOMPARE(out, std::string("\x81\x60"));
  }

  void messagesShowMarkupLikeTextAsItIs() {
    // A folder name (or a typed text) that looks like markup must not be rendered as such.
    const QString text = QString::fromUtf8("指定された/tmp/<b>x</b>/STD.CSVファイルがありません！！");
    for (auto show : {&eiyou::ShowMessage, &eiyou::ShowError}) {
      Qt::TextFormat format = Qt::RichText;
      QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
          format = box->textFormat();
      });
      ModalDriver d;
      d.Message(text);
      show(nullptr, text);
      QVERIFY2(d.Done(), d.Report());
      QCOMPARE(format, Qt::PlainText);
    }
  }

  void canvasDrawsSolidUnsmoothedLines() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    ImageCanvas canvas(image);
    canvas.SetPen({0, 0, 255}, 2);
    canvas.MoveTo(10, 50);
    canvas.LineTo(90, 50);
    QCOMPARE(image.pixelColor(50, 50), QColor(0, 0, 255));
    QSet<QRgb> colours;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) colours.insert(image.pixel(x, y));
    QCOMPARE(colours.size(), 2);  // no antialiasing shades
  }

  void farAwaySegmentsAreClippedNotLost() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    ImageCanvas canvas(image);
    canvas.SetPen({0, 128, 0}, 1);
    canvas.MoveTo(50, 50);
    canvas.LineTo(50, -2147483647);  // straight up, from a saturated vertex
    QCOMPARE(image.pixelColor(50, 10), QColor(0, 128, 0));
    canvas.MoveTo(2147483647, 2147483647);
    canvas.LineTo(-2147483647, -2147483647);  // the diagonal through the image
    QCOMPARE(image.pixelColor(70, 70), QColor(0, 128, 0));
  }

  void fillRectCoversHalfOpenRange() {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    ImageCanvas canvas(image);
    canvas.SetBrush({1, 2, 3});
    canvas.FillRect(5, 5, 10, 10);
    QCOMPARE(image.pixelColor(9, 9), QColor(1, 2, 3));
    QCOMPARE(image.pixelColor(10, 10), QColor(Qt::white));
  }

  void aCutItemShowsItsWholeTextAsItsHint() {
    QWidget window;
    auto* list = eiyou::MakeList(&window, "ListBox3", QRect(0, 0, 120, 80));
    window.show();
    const QString whole = eiyou::U("[1820]11130:＜畜肉類＞　ぶた　［大型種肉］　もも　脂身つき　生= 150g");
    for (const QString& text : {QStringLiteral("short"), whole}) list->addItem(text);
    auto hintAt = [&](int row) {
      QToolTip::hideText();
      const QPoint at = list->visualItemRect(list->item(row)).center();
      QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
      QApplication::sendEvent(list->viewport(), &help);
      return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(hintAt(0), QString());
    QCOMPARE(hintAt(1), whole);
  }

  // Last: the translation stays installed for the rest of the run.
  void qtsOwnDialogsSpeakJapaneseAndOurMessagesKeepTheirButtons() {
    QVERIFY2(eiyou::InstallQtTranslations(*qApp), "Qt's Japanese catalogue (qt6-translations-l10n) is missing");
    QCOMPARE(QLocale().language(), QLocale::Japanese);
    QFileDialog files(nullptr, QString(), QDir::tempPath());
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    QCOMPARE(files.findChild<QLabel*>("lookInLabel")->text().contains(QLatin1String("Look in")), false);
    const auto* buttons = files.findChild<QDialogButtonBox*>("buttonBox");
    for (const QAbstractButton* b : buttons->buttons())
      QVERIFY2(!b->text().contains(QLatin1String("Save")) && !b->text().contains(QLatin1String("Cancel")),
               qPrintable(b->text()));

    // The program's messages: one button reading OK, as before.
    QString ok;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        ok = box->buttons().value(0)->text();
        box->accept();
      }
    });
    eiyou::ShowMessage(nullptr, QStringLiteral("x"));
    QCOMPARE(ok, QStringLiteral("OK"));
  }
};

QTEST_MAIN(GuiSupportTest)
#include "test_gui_support.moc"
