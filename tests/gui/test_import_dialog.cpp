// The import dialog, opened from the main window: reading a workbook, then
// putting it in place beside backups, and the refusals on the way.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "modal_driver.h"
#include "pmain.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

const QString kWorkbook = QStringLiteral(EIYOU_IMPORT_FIXTURES "/foods.xlsx");

}  // namespace

class ImportDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedWorkDir> dir_;
  std::unique_ptr<TForm1> main_;

  // Opens the dialog from the main window, types `file`, reads it and runs `then`.
  void ReadInDialog(ModalDriver& d, const QString& file, const std::function<void(QWidget*)>& then) {
    d.Window("ImportDialog", [&](QWidget* w) {
      Child<QLineEdit>(w, "FileEdit")->setText(file);
      ClickButton(w, "ReadButton");
      then(w);
      if (w->isVisible()) ClickButton(w, "CloseButton");
    });
    ClickButton(main_.get(), "ImportButton");
    QVERIFY2(d.Done(), d.Report());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    QVERIFY(QDir::current().mkpath("KONDATE"));
    main_ = std::make_unique<TForm1>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    dir_.reset();
  }

  void readingShowsWhatWasFoundAndImportingReplacesTheTable() {
    QFile old(U("食品成分表５訂.CSV"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(" 1001,old,,,,,,,,,,,,,,,,,,,,,\r\n");
    old.close();
    ModalDriver d;
    QString summary;
    ReadInDialog(d, kWorkbook, [&](QWidget* w) {
      summary = Child<QPlainTextEdit>(w, "SummaryView")->toPlainText();
      QVERIFY(Child<QPushButton>(w, "ImportButton")->isEnabled());
      // "やめる" keeps everything as it was.
      d.Message(QString(), U("やめる"));
      ClickButton(w, "ImportButton");
      QCOMPARE(QDir::current().entryList(QDir::Files).size(), 1);
      d.Message(QString(), U("入れ替える")).Message();
      ClickButton(w, "ImportButton");
      QVERIFY(!Child<QPushButton>(w, "ImportButton")->isEnabled());
    });
    QVERIFY2(summary.contains(U("食品数: 41")), qPrintable(summary));
    QVERIFY2(summary.contains(U("版: 食品成分表（八訂）増補2023年")), qPrintable(summary));
    QVERIFY(d.messages().last().startsWith(U("食品成分表を入れ替えました（41 食品）")));
    QVERIFY(d.messages().last().contains(U("保存された日別献立はありません")));
    const QStringList files = QDir::current().entryList(QDir::Files);
    QVERIFY2(files.filter(QStringLiteral(".bak")).size() == 1, qPrintable(files.join(' ')));
    QVERIFY(files.contains(U("食品成分表５訂.MARKS")));
    QVERIFY(files.contains(U("食品成分表５訂.EDITION")));
    QVERIFY(files.contains(U("食品成分表５訂.COMPONENTS")));  // the dialog hands the components on
    QFile table(U("食品成分表５訂.CSV"));
    QVERIFY(table.open(QIODevice::ReadOnly));
    QCOMPARE(table.readAll().count("\r\n"), 41);
  }

  void aFileThatIsNotATableCannotBeImported() {
    ModalDriver d;
    ReadInDialog(d, QStringLiteral(EIYOU_SAMPLE_DATA "/README.md"), [&](QWidget* w) {
      QVERIFY(Child<QPlainTextEdit>(w, "SummaryView")->toPlainText().contains(U("取り込めませんでした")));
      QVERIFY(!Child<QPushButton>(w, "ImportButton")->isEnabled());
    });
    // Nothing chosen: a message, and still nothing to import.
    ModalDriver empty;
    empty.Window("ImportDialog", [&](QWidget* w) {
      empty.Message(U("取り込むファイルを選んでください！"));
      ClickButton(w, "ReadButton");
      QVERIFY(!Child<QPushButton>(w, "ImportButton")->isEnabled());
      ClickButton(w, "CloseButton");
    });
    ClickButton(main_.get(), "ImportButton");
    QVERIFY2(empty.Done(), empty.Report());
    QCOMPARE(QDir::current().entryList(QDir::Files).size(), 0);
  }
};

QTEST_MAIN(ImportDialogTest)
#include "test_import_dialog.moc"
