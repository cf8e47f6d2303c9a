// The settings dialog (設定), its moves of a folder's data to the server, and
// the main window's note of where the data is kept, against the throw-away
// server of the sql tests' fixture.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "../sql/pg_test_env.h"
#include "gui/text.h"
#include "modal_driver.h"
#include "plans/pg_plan_store.h"
#include "plans/server_dishes.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "pmain.h"
#include "settei.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"

using eiyou::U;

namespace {

using eiyou::ServerEnv;

void Type(QWidget* w, const char* field, const std::string& text) {
  Child<QLineEdit>(w, field)->setText(U(text));
}

}  // namespace

class ServerSettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    unsetenv(eiyou::kServerEnvironmentName);
    dir_ = std::make_unique<ScopedWorkDir>();
    QVERIFY(dir_->ok());
    QVERIFY(QDir().mkdir("KONDATE"));
  }
  void cleanup() {
    unsetenv(eiyou::kServerEnvironmentName);
    dir_.reset();
  }

  void okWritesTheSettingsAndTheFileChoiceRemovesThem() {
    const QString file = QStringLiteral("KONDATE/") + U(eiyou::kServerSettingsFileName);
    {
      ServerSettingsWindow w(".");
      QVERIFY(Child<QRadioButton>(&w, "FileChoice")->isChecked());
      QVERIFY(!Child<QLineEdit>(&w, "HostEdit")->isEnabled());
      Child<QRadioButton>(&w, "ServerChoice")->setChecked(true);
      Type(&w, "HostEdit", "db1");
      Type(&w, "PortEdit", "70000");
      Type(&w, "DatabaseEdit", "kondate");
      Type(&w, "UserEdit", "sato");
      ModalDriver d;
      d.Message(U("ポート番号「70000」は 1～65535 の整数ではありません。"));
      ClickButton(&w, "OkButton");
      QVERIFY2(d.Done(), d.Report());
      QVERIFY(!QFile::exists(file));
      Type(&w, "PortEdit", "5433");
      ClickButton(&w, "OkButton");
      QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    QCOMPARE(eiyou::ReadWholeFile(eiyou::Utf8Of(file)), std::string("host=db1\nport=5433\ndbname=kondate\nuser=sato\n"));
    ServerSettingsWindow again(".");
    QVERIFY(Child<QRadioButton>(&again, "ServerChoice")->isChecked());
    QCOMPARE(Child<QLineEdit>(&again, "DatabaseEdit")->text(), QStringLiteral("kondate"));
    Child<QRadioButton>(&again, "FileChoice")->setChecked(true);
    ClickButton(&again, "OkButton");
    QVERIFY(!QFile::exists(file));
  }

  void theEnvironmentDecidesAndTheChoiceIsReadOnly() {
    setenv(eiyou::kServerEnvironmentName, "host=db2 dbname=team", 1);
    ServerSettingsWindow w(".");
    QVERIFY(Child<QRadioButton>(&w, "ServerChoice")->isChecked());
    QVERIFY(!Child<QRadioButton>(&w, "FileChoice")->isEnabled());
    QVERIFY(Child<QLineEdit>(&w, "HostEdit")->isReadOnly());
    QCOMPARE(Child<QLineEdit>(&w, "HostEdit")->text(), QStringLiteral("db2"));
    QVERIFY(Child<QLabel>(&w, "SourceNote")->text().contains(QStringLiteral("EIYOU_SERVER")));
    ClickButton(&w, "OkButton");
    QVERIFY(!QFile::exists(QStringLiteral("KONDATE/") + U(eiyou::kServerSettingsFileName)));
  }

  // Each outcome in its own words: nothing listening, no such database, and
  // the fixture's server itself.
  void theConnectionTestTellsEachOutcome() {
    const auto env = ServerEnv();
    QVERIFY2(env.count("PGPORT"), "no test server: its fixture (pg_test_server_start) did not run");
    ServerSettingsWindow w(".");
    Child<QRadioButton>(&w, "ServerChoice")->setChecked(true);
    Type(&w, "HostEdit", env.at("PGHOST"));
    Type(&w, "UserEdit", env.at("PGUSER"));
    ModalDriver d;
    d.Message().Message().Message();
    Type(&w, "PortEdit", "1");  // nothing listens there
    Type(&w, "DatabaseEdit", env.at("PGDATABASE"));
    ClickButton(&w, "TestButton");
    Type(&w, "PortEdit", env.at("PGPORT"));
    Type(&w, "DatabaseEdit", "no_such_kondate");
    ClickButton(&w, "TestButton");
    Type(&w, "DatabaseEdit", env.at("PGDATABASE"));
    ClickButton(&w, "TestButton");
    QVERIFY2(d.Done(), d.Report());
    const QStringList& said = d.messages();
    QVERIFY2(said[0].contains(U("サーバーに接続できません")) && said[0].contains(U("ポート 1")), qPrintable(said[0]));
    QVERIFY2(said[1].contains(U("データベース「no_such_kondate」がサーバーにありません")), qPrintable(said[1]));
    QVERIFY2(said[2].contains(U("接続できました")), qPrintable(said[2]));
  }

  // A day and a dish of the folder go to an empty server through the dialog,
  // and the folder is switched to the server when the user accepts.
  void aFolderMovesToTheServerAndIsSwitchedToIt() {
    QVERIFY2(ServerEnv().count("PGPORT"), "no test server: its fixture (pg_test_server_start) did not run");
    const std::string emptied = eiyou::EmptyServerDatabase();
    QVERIFY2(emptied.empty(), emptied.c_str());
    const std::string dish = "a,b,\x96\xec\x8d\xd8\x83\x54\x83\x89\x83\x5f,[1]1001:x= 10g";
    eiyou::WriteDishFile("KONDATE/" + std::string(eiyou::kDishFileName), {dish});
    eiyou::DayPlan day;
    day.date = "2025-06-02";
    day.sex = 1;
    day.age = 8;
    day.meals[1] = {dish};
    QVERIFY(eiyou::OpenPlanStore(".", std::time(nullptr))->SaveDay(day).ok);

    ServerSettingsWindow w(".");
    QVERIFY(!Child<QPushButton>(&w, "MoveToServerButton")->isEnabled());
    Child<QRadioButton>(&w, "ServerChoice")->setChecked(true);
    QVERIFY(!Child<QPushButton>(&w, "MoveFromServerButton")->isEnabled());  // nothing to connect to
    Type(&w, "HostEdit", ServerEnv().at("PGHOST"));
    Type(&w, "PortEdit", ServerEnv().at("PGPORT"));
    Type(&w, "UserEdit", ServerEnv().at("PGUSER"));
    Type(&w, "DatabaseEdit", ServerEnv().at("PGDATABASE"));
    QVERIFY(Child<QPushButton>(&w, "MoveFromServerButton")->isEnabled());
    ModalDriver d;
    d.Message({}, U("移す")).Message().Message({}, U("切り替える"));
    ClickButton(&w, "MoveToServerButton");
    QVERIFY2(d.Done(), d.Report());
    QVERIFY2(d.messages()[0].contains(U("移し先のデータベースは空でなければなりません")), qPrintable(d.messages()[0]));
    QVERIFY2(d.messages()[1].contains(U("献立の日 1 日")) && d.messages()[1].contains(U("献立 1 件を移し")),
             qPrintable(d.messages()[1]));
    QCOMPARE(w.result(), int(QDialog::Accepted));

    const eiyou::StoreLocation location = eiyou::ReadStoreLocation(".");
    QVERIFY2(location.server && location.error.empty(), location.error.c_str());
    QCOMPARE(location.settings.dbname, ServerEnv().at("PGDATABASE"));
    const auto stored = eiyou::OpenServerPlanStore(eiyou::ServerSettings())->LoadDay(day.date);
    QVERIFY(stored && stored->meals == day.meals);
    QCOMPARE(eiyou::LoadServerDishes(eiyou::ServerSettings()).lines, std::vector<std::string>{dish});
  }

  void theMainWindowNotesTheServerBesideItsVersion() {
    TForm1 file;
    auto* note = Child<QLabel>(&file, "storeLocationLabel");
    QVERIFY(note->text().isEmpty());
    setenv(eiyou::kServerEnvironmentName, "host=db1 dbname=kondate", 1);
    TForm1 server;
    QCOMPARE(Child<QLabel>(&server, "storeLocationLabel")->text(), U("共有サーバー: db1 / kondate"));
    // In the strip below the end button, clear of the version.
    const QRect button = Child<QPushButton>(&server, "ServerSettingsButton")->geometry();
    QVERIFY(button.top() >= Child<QPushButton>(&server, "BitBtn4")->geometry().bottom());
    QVERIFY(!button.intersects(Child<QLabel>(&server, "StaticText2")->geometry()));
    QVERIFY(!Child<QLabel>(&server, "storeLocationLabel")->geometry().intersects(
        Child<QLabel>(&server, "StaticText2")->geometry()));
  }

 private:
  std::unique_ptr<ScopedWorkDir> dir_;
};

QTEST_MAIN(ServerSettingsTest)
#include "test_server_settings.moc"
