// Shared by the day plan tests: a scratch data folder with its KONDATE folder,
// days of recognisable dish lines, and the folder's contents for comparing.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "plans/plan_store.h"
#include "tables/data_dir.h"
#include "table_test_support.h"

namespace eiyou::testing {

class PlanTest : public ScratchDirTest {
 protected:
  static constexpr std::time_t kNow = 1717200000;  // 2024-06-01, local time varies

  void SetUp() override {
    ScratchDirTest::SetUp();
    ASSERT_EQ(mkdir(Path(kDishDirName).c_str(), 0755), 0);
  }

  std::string Kondate() const { return Path(kDishDirName); }
  std::string DbPath() const { return PlanDatabasePath(dir_); }
  std::unique_ptr<DayPlanStore> OpenStore() const { return DayPlanStore::Open(dir_, kNow); }

  // A day whose dish lines name their tag, meal and place, with foods from
  // the first rows of a table so that they add something.
  static DayPlan Day(const std::string& date, const std::string& tag, int perMeal, int sex = 1,
                     int age = 6) {
    DayPlan day;
    day.date = date;
    day.sex = sex;
    day.age = age;
    for (int m = 0; m < kMeals; ++m)
      for (int i = 0; i < perMeal; ++i)
        day.meals[m].push_back("和　食,煮物," + tag + "-" + std::to_string(m) + "-" +
                               std::to_string(i) + ",[" + std::to_string(1 + i % 7) +
                               "]0100" + std::to_string(i % 10) + ":食品= 12.5g");
    return day;
  }

  // A database of the first layout holding `day`, as a version before the
  // day's profile wrote it.
  void StoreInFirstLayout(const DayPlan& day) const {
    ASSERT_EQ(DayPlanStore::Open(dir_, kNow, PlanMigrations().first(1))->status(), OpenStatus::Ok);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO day VALUES (?1, ?2, ?3, '2024-06-01T00:00:00')", -1, &s, nullptr);
    sqlite3_bind_text(s, 1, day.date.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 2, day.sex);
    sqlite3_bind_int(s, 3, day.age);
    EXPECT_EQ(sqlite3_step(s), SQLITE_DONE);
    sqlite3_finalize(s);
    sqlite3_prepare_v2(db, "INSERT INTO dish VALUES (?1, ?2, ?3, ?4)", -1, &s, nullptr);
    for (int m = 0; m < kMeals; ++m)
      for (std::size_t i = 0; i < day.meals[m].size(); ++i) {
        sqlite3_bind_text(s, 1, day.date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 2, m + 1);
        sqlite3_bind_int(s, 3, static_cast<int>(i));
        sqlite3_bind_blob(s, 4, day.meals[m][i].data(), static_cast<int>(day.meals[m][i].size()),
                          SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE);
        sqlite3_reset(s);
      }
    sqlite3_finalize(s);
    sqlite3_close(db);
  }

  // Every entry of a folder (not recursive): name to bytes, "<dir>" for folders.
  std::map<std::string, std::string> Listing(const std::string& folder) const {
    std::map<std::string, std::string> entries;
    DIR* d = opendir(folder.c_str());
    if (!d) return entries;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      const std::string full = folder + "/" + name;
      entries[name] = DirectoryExists(full) ? "<dir>" : ReadBytes(full.substr(dir_.size() + 1));
    }
    closedir(d);
    return entries;
  }
};

inline bool SameDay(const DayPlan& a, const DayPlan& b) {
  return a.date == b.date && a.sex == b.sex && a.age == b.age && a.meals == b.meals &&
         a.profile == b.profile;
}

}  // namespace eiyou::testing
