// The day plan database: whole days stored, replaced and read back byte for
// byte, its layout steps, and what a missing folder, a damaged file and a
// read-only folder come to.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
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

// A statement run as another tool would: its own connection, foreign keys
// off (the sqlite3 shell's default).
void Tool(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
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
  EXPECT_EQ(store->schemaVersion(), PlanMigrations().back().version);

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

  // The program's steps, then a step of a later version.
  const std::span<const PlanMigration> ours = PlanMigrations();
  const int latest = ours.back().version;
  auto with = [&](std::vector<PlanMigration> more) {
    std::vector<PlanMigration> steps(ours.begin(), ours.end());
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
  };
  const std::vector<PlanMigration> broken =
      with({{latest + 1, "ALTER TABLE day ADD COLUMN note TEXT; SELECT no_such_function();"}});
  auto store = DayPlanStore::Open(dir_, kNow, broken);
  EXPECT_EQ(store->status(), OpenStatus::Failed);
  EXPECT_FALSE(store->message().empty());
  EXPECT_FALSE(store->LoadDay("2024-06-01"));
  store.reset();
  EXPECT_EQ(Pragma(DbPath(), "PRAGMA user_version"), std::to_string(latest));
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM pragma_table_info('day') WHERE name = 'note'"), "0");

  const std::vector<PlanMigration> later =
      with({{latest + 1, "ALTER TABLE day ADD COLUMN note TEXT NOT NULL DEFAULT '';"},
            {latest + 2, "CREATE INDEX day_saved ON day (saved_at);"}});
  store = DayPlanStore::Open(dir_, kNow, later);
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EXPECT_EQ(store->schemaVersion(), latest + 2);
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
  EXPECT_EQ(Pragma(DbPath(), "PRAGMA user_version"), std::to_string(latest + 2));
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

// One byte of a day's date changed in the table but not in its index: every
// page is well formed, so a quick check passes, yet the day's dishes no
// longer join it.
TEST_F(StoreTest, ADayItsIndexDisagreesWithIsDamage) {
  {
    auto store = OpenStore();
    for (int d = 1; d <= 9; ++d)
      ASSERT_TRUE(store->SaveDay(Day("2024-02-0" + std::to_string(d), "A", 2)).ok);
  }
  const std::string name = "KONDATE/" + std::string(kPlanFileName);
  std::string bytes = ReadBytes(name);
  const std::size_t pageSize = std::stoul(Pragma(DbPath(), "PRAGMA page_size"));
  const std::size_t root = std::stoul(Pragma(DbPath(), "SELECT rootpage FROM sqlite_schema WHERE name = 'day'"));
  const std::size_t at = bytes.find("2024-02-05", (root - 1) * pageSize);
  ASSERT_LT(at, root * pageSize);
  bytes[at + 2] = '3';  // 2034-02-05
  WriteBytes(name, bytes);
  ASSERT_EQ(Pragma(DbPath(), "PRAGMA quick_check"), "ok");

  auto store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::Replaced) << store->message();
  EXPECT_EQ(ReadBytes(store->damagedCopy().substr(dir_.size() + 1)), bytes);
}

// Damage first met by a read or a write while the store is open (another
// program's commit makes it read the pages again): moved aside at once, said
// so, and the store goes on with a new database.
TEST_F(StoreTest, DamageMetWhileInUseIsMovedAsideAtOnce) {
  for (const bool reading : {true, false}) {
    SCOPED_TRACE(reading ? "reading" : "storing");
    std::filesystem::remove_all(Kondate());
    ASSERT_EQ(mkdir(Kondate().c_str(), 0755), 0);
    {
      auto store = OpenStore();
      for (int d = 10; d <= 28; ++d)
        ASSERT_TRUE(store->SaveDay(Day("2024-02-" + std::to_string(d), "A", 40)).ok);
    }
    auto store = OpenStore();
    ASSERT_EQ(store->status(), OpenStatus::Ok);
    Tool(DbPath(), "UPDATE day SET saved_at = '2024-06-01T00:00:00' WHERE date = '2024-02-10'");
    // Every page after the tables' roots: the dish rows.
    const long pageSize = std::stol(Pragma(DbPath(), "PRAGMA page_size"));
    const long firstDishPage = std::stol(Pragma(DbPath(), "SELECT max(rootpage) FROM sqlite_schema")) + 1;
    const long size = static_cast<long>(std::filesystem::file_size(DbPath()));
    const int fd = open(DbPath().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string garbage(static_cast<std::size_t>(size - firstDishPage * pageSize), '\xa5');
    ASSERT_EQ(pwrite(fd, garbage.data(), garbage.size(), firstDishPage * pageSize),
              static_cast<ssize_t>(garbage.size()));
    close(fd);
    const std::string damaged = ReadBytes("KONDATE/" + std::string(kPlanFileName));

    std::string told;
    if (reading) {
      EXPECT_TRUE(store->DaysBetween("2024-02-01", "2024-02-28").empty());
      told = store->readError();
    } else {
      const StoreResult r = store->SaveDay(Day("2024-02-20", "B", 1));
      EXPECT_FALSE(r.ok);
      told = r.message;
    }
    ASSERT_EQ(store->status(), OpenStatus::Replaced) << told;
    EXPECT_NE(told.find(store->damagedCopy()), std::string::npos) << told;
    EXPECT_EQ(ReadBytes(store->damagedCopy().substr(dir_.size() + 1)), damaged);
    EXPECT_TRUE(EntryExists(store->damagedCopy() + "-wal"));  // with the other program's commit
    const DayPlan day = Day("2024-06-01", "new", 2);
    ASSERT_TRUE(store->SaveDay(day).ok);
    EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
  }
}

// A tool with foreign keys off deletes a day and leaves its dish rows: they
// never come back with a day stored under that date, and they go at the next
// opening.
TEST_F(StoreTest, OrphanDishRowsNeverJoinADayStoredAgain) {
  const DayPlan kept = Day("2024-06-02", "kept", 2);
  ASSERT_TRUE(OpenStore()->SaveDay(Day("2024-06-01", "old", 3)).ok);
  ASSERT_TRUE(OpenStore()->SaveDay(kept).ok);

  auto store = OpenStore();
  Tool(DbPath(), "DELETE FROM day WHERE date = '2024-06-01'");
  const DayPlan smaller = Day("2024-06-01", "new", 2);
  const StoreResult r = store->SaveDay(smaller);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), smaller));

  Tool(DbPath(), "DELETE FROM day WHERE date = '2024-06-01'");
  store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::Ok);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-02"), kept));
  store.reset();
  EXPECT_EQ(Pragma(DbPath(), "SELECT count(*) FROM dish"), "6");
}

// A full disk as SQLite meets it on a full tmpfs: SQLITE_FULL from a write to
// the WAL, or an I/O error whose errno is ENOSPC when the WAL index grows. A
// VFS over the default one fails those calls, in a child process: SQLite may
// keep the failed file's lock for the process.
namespace full_disk {
sqlite3_vfs* real = nullptr;
sqlite3_vfs vfs{};
sqlite3_io_methods methods{};
bool ioError = false;

int Open(sqlite3_vfs* v, const char* name, sqlite3_file* file, int flags, int* out) {
  const int rc = real->xOpen(v, name, file, flags, out);
  if (rc != SQLITE_OK || !file->pMethods) return rc;
  methods = *file->pMethods;
  if (ioError && (flags & SQLITE_OPEN_MAIN_DB)) {
    methods.xShmMap = [](sqlite3_file*, int, int, int, void volatile**) {
      errno = ENOSPC;
      return SQLITE_IOERR_SHMSIZE;
    };
  } else if (!ioError && (flags & SQLITE_OPEN_WAL)) {
    methods.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_FULL; };
  } else {
    return rc;
  }
  file->pMethods = &methods;
  return rc;
}

// The message of opening the store in `dataDir` on such a disk.
std::string OpeningMessage(const std::string& dataDir, bool asIoError) {
  int fds[2];
  if (pipe(fds) != 0) return "<no pipe>";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    ioError = asIoError;
    real = sqlite3_vfs_find(nullptr);
    vfs = *real;
    vfs.zName = "eiyou-full-disk";
    vfs.xOpen = Open;
    vfs.xGetLastError = [](sqlite3_vfs*, int, char*) { return ENOSPC; };
    sqlite3_vfs_register(&vfs, 1);
    auto store = DayPlanStore::Open(dataDir, 0);
    const std::string told = store->status() == OpenStatus::Failed ? store->message() : "<opened>";
    _exit(write(fds[1], told.data(), told.size()) == static_cast<ssize_t>(told.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string told;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) told.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return told;
}
}  // namespace full_disk

TEST_F(StoreTest, AFullDiskIsSaidInJapanese) {
  for (const bool asIoError : {false, true}) {
    SCOPED_TRACE(asIoError ? "I/O error" : "full");
    const std::string told = full_disk::OpeningMessage(dir_, asIoError);
    EXPECT_NE(told.find("ディスクがいっぱい"), std::string::npos) << told;
    EXPECT_EQ(told.find("disk"), std::string::npos) << told;
    std::filesystem::remove_all(Kondate());
    ASSERT_EQ(mkdir(Kondate().c_str(), 0755), 0);
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
