// The test helper itself: nested modal loops are driven, and a modal nobody
// expected fails the test instead of hanging it.
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "gui/messages.h"
#include "modal_driver.h"

class ModalDriverTest : public QObject {
  Q_OBJECT
 private slots:
  void nestedDialogAndMessage() {
    QDialog outer;
    outer.setObjectName("Outer");
    ModalDriver d;
    d.Window("Outer", [&](QWidget*) {
       eiyou::ShowMessage(&outer, "一つ目");
       outer.accept();
     }).Message("一つ目");
    outer.exec();
    QVERIFY2(d.Done(), d.Report());
    QCOMPARE(d.messages(), QStringList{"一つ目"});
  }
  void unexpectedMessageIsClosedAndReported() {
    ModalDriver d(300);
    eiyou::ShowMessage(nullptr, "誰も待っていない");
    QVERIFY(!d.Done());
    QCOMPARE(d.messages(), QStringList{"誰も待っていない"});
  }
};

QTEST_MAIN(ModalDriverTest)
#include "test_modal_driver.moc"
