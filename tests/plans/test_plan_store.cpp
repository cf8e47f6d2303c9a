// The day plan database: whole days stored, replaced and read back byte for
// byte, its layout steps, and what a missing folder, a damaged file and a
// read-only folder come to.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plan_test_support.h"
#include "tables/cp932.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

using StoreTest = PlanTest;

// A value read with a connection of the test's own.
std::string Pragma(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string value = "<error>";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return value;
}

std::string Stamped(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

TEST_F(StoreTest, DaysAreStoredReplacedAndDeletedWhole) {
  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EXPECT_TRUE(store->message().empty());
  EXPECT_EQ(Pragma(DbPath(), "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(store->schemaVersion(), 1);

  // Lines are kept as bytes: CP932, a NUL, an empty dish, a lone lead byte.
  DayPlan day = Day("2024-02-29", "A", 3, 0, 11);
  day.meals[0].push_back(Cp932("中華,いため物,青椒肉絲,[1820]11130:ぶた= 60g"));
  day.meals[1].push_back(std::string("a\0b\r\n", 5));
  day.meals[1].push_back("");
  day.meals[2] = {"\x81"};
  ASSERT_TRUE(store->SaveDay(day, kNow).ok);
  ASSERT_TRUE(store->HasDay("2024-02-29"));
  std::optional<DayPlan> loaded = store->LoadDay("2024-02-29");
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameDay(*loaded, day));
  EXPECT_EQ(loaded->savedAt.size(), 19u);

  // Storing the date again replaces every meal, not just the rows it names.
  const DayPlan smaller = Day("2024-02-29", "B", 1, 1, 2);
  ASSERT_TRUE(store->SaveDay(smaller).ok);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-02-29"), smaller));

  for (const char* date : {"2024-03-02", "2024-03-01", "2025-01-01", "2024-02-28"})
    ASSERT_TRUE(store->SaveDay(Day(date, date, 2)).ok);
  std::vector<std::string> dates;
  for (const DayPlan& d : store->DaysBetween("2024-02-29", "2024-03-02")) {
    dates.push_back(d.date);
    EXPECT_TRUE(SameDay(d, d.date == "2024-02-29" ? smaller : Day(d.date, d.date, 2)));
  }
  EXPECT_EQ(dates, (std::vector<std::string>{"2024-02-29", "2024-03-01", "2024-03-02"}));
  EXPECT_TRUE(store->DaysBetween("2024-03-02", "2024-02-29").empty());

  // A deleted day takes its dishes with it.
  ASSERT_TRUE(store->DeleteDay("2024-02-29").ok);
  EXPECT_FALSE(store->LoadDay("2024-02-29"));
  EXPECT_TRUE(store->DeleteDay("2024-02-29").ok);
  store.reset();
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM dish WHERE day_date = '2024-02-29'"), "0");
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM day"), "4");
}

TEST_F(StoreTest, InvalidDaysAreRefusedWithNothingWritten) {
  auto store = OpenStore();
  for (const char* date : {"2023-02-29", "1900-02-29", "2024-04-31", "2024-13-01", "2024-00-10",
                           "0000-01-01", "2024-1-01", "2024/01/01", "２０２４-01-01", ""}) {
    const StoreResult r = store->SaveDay(Day(date, "x", 1));
    EXPECT_FALSE(r.ok) << date;
    EXPECT_FALSE(r.message.empty());
  }
  EXPECT_TRUE(IsPlanDate("2000-02-29"));
  for (auto [sex, age] : {std::pair{-1, 6}, {2, 6}, {0, 0}, {1, 12}})
    EXPECT_FALSE(store->SaveDay(Day("2024-05-05", "x", 1, sex, age)).ok);
  EXPECT_TRUE(store->DaysBetween("0001-01-01", "9999-12-31").empty());
}

TEST_F(StoreTest, NoKondateFolderIsReportedAndNotCreated) {
  ASSERT_EQ(rmdir(Kondate().c_str()), 0);
  auto store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::NoFolder);
  EXPECT_NE(store->message().find(Kondate()), std::string::npos);
  const StoreResult r = store->SaveDay(Day("2024-05-05", "x", 1));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.message.empty());
  EXPECT_FALSE(EntryExists(Kondate()));
}

// A later layout is one more step; the steps run in order, each whole or not at all.
TEST_F(StoreTest, LayoutStepsRunInOrderAndAFailedStepChangesNothing) {
  const DayPlan day = Day("2024-06-01", "A", 2);
  ASSERT_TRUE(OpenStore()->SaveDay(day).ok);

  const std::vector<PlanMigration> broken = {
      PlanMigrations()[0], {2, "ALTER TABLE day ADD COLUMN note TEXT; SELECT no_such_function();"}};
  auto store = DayPlanStore::Open(dir_, kNow, broken);
  EXPECT_EQ(store->status(), OpenStatus::Failed);
  EXPECT_FALSE(store->message().empty());
  EXPECT_FALSE(store->LoadDay("2024-06-01"));
  store.reset();
  EXPECT_EQ(Pragma(DbPath(), "PRAGMA user_version"), "1");
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM pragma_table_info('day') WHERE name = 'note'"), "0");

  const std::vector<PlanMigration> later = {
      PlanMigrations()[0],
      {2, "ALTER TABLE day ADD COLUMN note TEXT NOT NULL DEFAULT '';"},
      {3, "CREATE INDEX day_saved ON day (saved_at);"}};
  store = DayPlanStore::Open(dir_, kNow, later);
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EXPECT_EQ(store->schemaVersion(), 3);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
  ASSERT_TRUE(store->SaveDay(Day("2024-06-02", "B", 1)).ok);
  store.reset();
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM day WHERE note = ''"), "2");

  // This version meets a file of a newer one: it reads it and never writes it.
  const auto before = Listing(Kondate());
  store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::NewerVersion);
  EXPECT_FALSE(store->message().empty());
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
  const StoreResult r = store->SaveDay(Day("2024-06-03", "C", 1));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.message.empty());
  EXPECT_FALSE(store->DeleteDay("2024-06-01").ok);
  store.reset();
  EXPECT_EQ(Listing(Kondate())[kPlanFileName], before.at(kPlanFileName));
  EXPECT_EQ(Pragma(DbPath(), "PRAGMA user_version"), "3");
}

// Each kind of damage: the file is moved aside under a dated name, with its
// bytes, and a new database works at once.
TEST_F(StoreTest, DamagedFilesAreMovedAsideAndANewDatabaseStarts) {
  {
    auto store = OpenStore();
    for (int d = 1; d <= 28; ++d) {
      const std::string date = std::string("2024-02-") + (d < 10 ? "0" : "") + std::to_string(d);
      ASSERT_TRUE(store->SaveDay(Day(date, "A", 40)).ok);
    }
  }
  const std::string good = ReadBytes("KONDATE/" + std::string(kPlanFileName));
  ASSERT_GT(good.size(), 100000u);
  std::string middle = good;
  for (std::size_t i = good.size() / 2; i < good.size() / 2 + 3000; ++i) middle[i] = char(i * 37);
  std::string random(8192, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = char(i * 131 + (i >> 3));

  const std::string stamp = Stamped(kNow);
  const std::string aside = DbPath() + "." + stamp + ".damaged";
  struct Case {
    const char* what;
    std::string bytes;  // empty: a folder in the file's place
  };
  for (const Case& c : {Case{"random bytes", random}, Case{"truncated", good.substr(0, good.size() / 2)},
                        Case{"pages overwritten", middle}, Case{"one byte", "S"},
                        Case{"a folder", ""}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(Kondate());
    ASSERT_EQ(mkdir(Kondate().c_str(), 0755), 0);
    if (c.bytes.empty()) {
      ASSERT_EQ(mkdir(DbPath().c_str(), 0755), 0);
    } else {
      WriteBytes("KONDATE/" + std::string(kPlanFileName), c.bytes);
      WriteBytes("KONDATE/" + std::string(kPlanFileName) + "-wal", "an old WAL");
    }
    // The dated name is taken already: the next free one is used instead.
    WriteBytes(aside.substr(dir_.size() + 1), "taken");

    auto store = OpenStore();
    ASSERT_EQ(store->status(), OpenStatus::Replaced) << store->message();
    const std::string moved = DbPath() + "." + stamp + "-2.damaged";
    EXPECT_EQ(store->damagedCopy(), moved);
    EXPECT_NE(store->message().find(moved), std::string::npos);
    EXPECT_EQ(ReadBytes(aside.substr(dir_.size() + 1)), "taken");
    if (c.bytes.empty()) {
      EXPECT_TRUE(DirectoryExists(moved));
    } else {
      EXPECT_EQ(ReadBytes(moved.substr(dir_.size() + 1)), c.bytes);
      EXPECT_EQ(ReadBytes(moved.substr(dir_.size() + 1) + "-wal"), "an old WAL");
    }
    const DayPlan day = Day("2024-06-01", "new", 2);
    ASSERT_TRUE(store->SaveDay(day).ok);
    EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
    store.reset();
    EXPECT_EQ(OpenStore()->status(), OpenStatus::Ok);
  }
}

TEST_F(StoreTest, ReadOnlyFolderOrFileReadsAndStoresNothing) {
  const DayPlan day = Day("2024-06-01", "A", 3);
  ASSERT_TRUE(OpenStore()->SaveDay(day).ok);

  for (const bool folder : {true, false}) {
    SCOPED_TRACE(folder ? "read-only folder" : "read-only file");
    ASSERT_EQ(chmod((folder ? Kondate() : DbPath()).c_str(), folder ? 0555 : 0444), 0);
    const auto before = Listing(Kondate());
    auto store = OpenStore();
    EXPECT_EQ(store->status(), OpenStatus::ReadOnly);
    EXPECT_FALSE(store->message().empty());
    EXPECT_FALSE(store->CanStore());
    EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
    const StoreResult saved = store->SaveDay(Day("2024-06-01", "B", 1));
    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.message.empty());
    EXPECT_FALSE(store->DeleteDay("2024-06-01").ok);
    EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
    store.reset();
    // Not a byte written, not even SQLite's lock and index files.
    EXPECT_EQ(Listing(Kondate()), before);
    ASSERT_EQ(chmod((folder ? Kondate() : DbPath()).c_str(), folder ? 0755 : 0644), 0);
  }

  // A read-only folder without a database: nothing is created.
  ASSERT_EQ(unlink(DbPath().c_str()), 0);
  ASSERT_EQ(chmod(Kondate().c_str(), 0555), 0);
  auto store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::ReadOnly);
  EXPECT_FALSE(store->SaveDay(day).ok);
  EXPECT_FALSE(store->LoadDay("2024-06-01"));
  EXPECT_TRUE(Listing(Kondate()).empty());
}

}  // namespace
