// The program's module (src/extras), linked and opened as the program does it:
// nothing of the module's libraries is loaded at the start, each feature works
// through it on first use, and a module that cannot be opened is named in a
// Japanese message by every feature, never a crash.
#include <fcntl.h>
#include <link.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <string>

#include "../sql/pg_test_env.h"
#include "extras/extras_loader.h"
#include "gui/report_actions.h"
#include "gui/text.h"
#include "import/food_import.h"
#include "modal_driver.h"
#include "plans/plan_store.h"
#include "plans/server_dishes.h"
#include "plans/store_transfer.h"
#include "reports/report.h"
#include "tables/folder_lock.h"

namespace {

// The libraries only the module needs.
constexpr const char* kModuleLibraries[] = {"libxml2.so", "libzip.so", "libxlsxwriter.so",
                                            "libsqlite3.so", "libQt6PrintSupport.so",
                                            "libcrypto.so"};

QStringList LoadedModuleLibraries() {
  QStringList loaded;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        const std::string name = info->dlpi_name ? info->dlpi_name : "";
        for (const char* library : kModuleLibraries)
          if (name.find(library) != std::string::npos)
            static_cast<QStringList*>(data)->append(QString::fromStdString(name));
        return 0;
      },
      &loaded);
  return loaded;
}

eiyou::Report SmallReport() {
  eiyou::Report r;
  r.title = "食事の栄養分析";
  r.columns = {{"エネルギー", "kcal"}};
  r.days = {{"2024-07-01", {{"1750", "", ""}}}};
  return r;
}

// A server nothing answers for: the module's own message tells that the call got there.
eiyou::PgSettings Nowhere() {
  eiyou::PgSettings settings;
  settings.host = "127.0.0.1";
  settings.port = 1;
  settings.dbname = "kondate";
  return settings;
}

eiyou::DayPlan Day() {
  eiyou::DayPlan day;
  day.date = "2024-07-01";
  day.sex = 1;
  day.age = 8;
  day.meals[0] = {"a,b,c"};
  return day;
}

}  // namespace

class ExtrasModuleTest : public QObject {
  Q_OBJECT

 private slots:
  void everyFeatureOpensTheModuleOnFirstUse() {
    QVERIFY2(LoadedModuleLibraries().isEmpty(), qPrintable(LoadedModuleLibraries().join(' ')));
    ScopedWorkDir dir;
    QVERIFY(dir.ok() && QDir(dir.path()).mkdir("KONDATE"));

    const eiyou::FoodImport read =
        eiyou::ImportFoodComposition(EIYOU_IMPORT_FIXTURES "/foods.xlsx");
    QVERIFY2(read.ok, read.error.c_str());
    QCOMPARE(read.format, std::string("xlsx"));
    QVERIFY(!read.foods.empty());

    auto store = eiyou::DayPlanStore::OpenInDataFolder(std::time(nullptr));
    QCOMPARE(int(store->status()), int(eiyou::OpenStatus::Ok));
    QVERIFY(store->SaveDay(Day()).ok);
    const auto loaded = store->LoadDay("2024-07-01");
    QVERIFY(loaded && loaded->meals[0] == Day().meals[0]);

    std::string error;
    const QString book = dir.path() + "/report.xlsx";
    QVERIFY2(eiyou::WriteReportXlsx(SmallReport(), eiyou::Utf8Of(book), error), error.c_str());
    QFile written(book);
    QVERIFY(written.open(QIODevice::ReadOnly) && written.read(2) == "PK");

    ModalDriver d;
    d.Window("ReportPreview", [](QWidget* w) { w->close(); });
    eiyou::PreviewReport(nullptr, SmallReport(), {});
    QVERIFY2(d.Done(), d.Report());
    const eiyou::ServerDishList dishes = eiyou::LoadServerDishes(Nowhere());
    QVERIFY2(!dishes.ok && dishes.message.find("サーバーに接続できません") != std::string::npos,
             dishes.message.c_str());
    QVERIFY(LoadedModuleLibraries().size() >= 5);
  }

  // The program holds its folder for the whole run, and the module keeps
  // folder locks of its own that cannot see that hold: moving back from the
  // server into the folder counts another program's hold, never its own.
  void movingBackCountsOnlyAnotherProgramsHold() {
    QVERIFY2(eiyou::ServerEnv().count("PGPORT"), "no test server: its fixture did not run");
    ScopedWorkDir dir;
    QVERIFY(dir.ok());
    const std::string folder = eiyou::Utf8Of(dir.path());
    const eiyou::DataFolderUse program(folder);
    const int other = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    QVERIFY(other >= 0 && flock(other, LOCK_SH) == 0);
    const eiyou::TransferResult refused =
        eiyou::MoveServerToFolder(eiyou::ServerSettings(), folder, std::time(nullptr));
    close(other);
    QVERIFY2(!refused.ok && refused.message.find("使用中です") != std::string::npos,
             refused.message.c_str());
    QVERIFY(!QFile::exists(dir.path() + "/KONDATE"));
    const eiyou::TransferResult moved =
        eiyou::MoveServerToFolder(eiyou::ServerSettings(), folder, std::time(nullptr));
    QVERIFY2(moved.ok, moved.message.c_str());
    QVERIFY(QFile::exists(dir.path() + "/KONDATE/献立表.db"));
  }

  // ctest runs it in a process of its own: a module once opened stays.
  void aModuleThatCannotBeOpenedIsNamed() {
    ScopedWorkDir dir;
    QVERIFY(dir.ok() && QDir(dir.path()).mkdir("KONDATE"));
    const std::string missing = eiyou::Utf8Of(dir.path()) + "/missing.so";
    const std::string broken = eiyou::Utf8Of(dir.path()) + "/broken.so";
    QFile garbage(QString::fromStdString(broken));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a module") > 0);
    garbage.close();

    for (const std::string& path : {missing, broken}) {
      if (!eiyou::UseExtrasModule(path)) QSKIP("the module is open already: run this case alone");
      const std::string named = "機能モジュール " + path + " を読み込めません";

      const eiyou::FoodImport read =
          eiyou::ImportFoodComposition(EIYOU_IMPORT_FIXTURES "/foods.xlsx");
      QVERIFY(!read.ok && read.foods.empty());
      QVERIFY2(read.error.find(named) == 0, read.error.c_str());
      if (path == missing) QVERIFY(read.error.find("（ファイルがありません）") != std::string::npos);

      auto store = eiyou::DayPlanStore::OpenInDataFolder(std::time(nullptr));
      QCOMPARE(int(store->status()), int(eiyou::OpenStatus::Failed));
      QVERIFY2(store->message().find(named) == 0, store->message().c_str());
      QVERIFY(!store->SaveDay(Day()).ok);
      QVERIFY(!QFile::exists(dir.path() + "/KONDATE/献立表.db"));

      const eiyou::ServerDishList dishes = eiyou::SaveServerDishes(Nowhere(), {}, {"a,b,c"});
      QVERIFY2(!dishes.ok && dishes.message.find(named) == 0, dishes.message.c_str());

      std::string error;
      QVERIFY(!eiyou::WriteReportXlsx(SmallReport(), eiyou::Utf8Of(dir.path()) + "/r.xlsx", error));
      QVERIFY2(error.find(named) == 0, error.c_str());

      ModalDriver d;
      d.Message();
      eiyou::PreviewReport(nullptr, SmallReport(), {});
      QVERIFY2(d.Done(), d.Report());
      QVERIFY(d.messages().value(0).startsWith(eiyou::U(named)));
    }
    // The program's own module is opened once it is there again.
    eiyou::UseExtrasModule(eiyou::ExtrasModulePath());
    QVERIFY(eiyou::ImportFoodComposition(EIYOU_IMPORT_FIXTURES "/foods.xlsx").ok);
  }
};

QTEST_MAIN(ExtrasModuleTest)
#include "test_extras_module.moc"
