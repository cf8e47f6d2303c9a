// A year of stored day plans: reading it and computing its period figures,
// beside a bare select of the same dish rows from the same file.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "plans/period.h"
#include "plans/plan_store.h"
#include "tables/data_dir.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

constexpr const char* kFirst = "2023-01-01";
constexpr const char* kLast = "2023-12-31";
constexpr int kDays = 365;

// The bundled food table and a year of days, 2 to 4 sample dishes a meal (3 on
// average, about 3,300 dish rows), stored once for every benchmark of the run.
struct Year {
  ScratchDir dir;
  std::unique_ptr<FoodTable> food = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference = std::make_unique<ReferenceTable>();
  std::size_t dishRows = 0;

  Year() {
    LoadSampleFoodTable(dir, *food);
    if (mkdir(dir.Path(kDishDirName).c_str(), 0755) != 0) throw std::runtime_error("no KONDATE");

    const std::vector<std::string> dishes = Lines(
        ReadFileBytes(SampleDataPath() + "/" + kDishDirName + "/" + kDishFileName));
    auto store = DayPlanStore::Open(dir.path(), 0);
    std::mt19937 random(20240601);
    for (int d = 0; d < kDays; ++d) {
      DayPlan day = SampleDay(DateInYear(2023, d), dishes, random);
      day.sex = d % 2;
      day.age = 1 + d % 11;
      for (const auto& meal : day.meals) dishRows += meal.size();
      if (!store->SaveDay(day).ok) throw std::runtime_error("a day could not be stored");
    }
  }
};

Year& TheYear() {
  static Year year;
  return year;
}

void BM_PeriodYear(benchmark::State& state) {
  Year& year = TheYear();
  auto store = DayPlanStore::Open(year.dir.path(), 0);
  PeriodFigures period;
  for (auto _ : state) {
    period = ComputePeriod(store->DaysBetween(kFirst, kLast), *year.food, *year.reference);
    benchmark::DoNotOptimize(period.average.data());
  }
  if (period.days.size() != kDays || period.average[0] <= 0)
    state.SkipWithError("the year was not read whole");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * year.dishRows));
}
BENCHMARK(BM_PeriodYear)->Unit(benchmark::kMillisecond);

// Reading alone, to tell it from the arithmetic.
void BM_ReadYear(benchmark::State& state) {
  Year& year = TheYear();
  auto store = DayPlanStore::Open(year.dir.path(), 0);
  std::size_t days = 0;
  for (auto _ : state) {
    const std::vector<DayPlan> read = store->DaysBetween(kFirst, kLast);
    days = read.size();
    benchmark::DoNotOptimize(read.data());
  }
  if (days != kDays) state.SkipWithError("the year was not read whole");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * year.dishRows));
}
BENCHMARK(BM_ReadYear)->Unit(benchmark::kMillisecond);

// Floor: the same dish rows in the same order by a prepared statement on a
// connection of its own, each line's bytes touched and nothing kept.
void BM_PeriodYear_Floor(benchmark::State& state) {
  Year& year = TheYear();
  sqlite3* db = nullptr;
  sqlite3_stmt* rows = nullptr;
  if (sqlite3_open_v2(PlanDatabasePath(year.dir.path()).c_str(), &db, SQLITE_OPEN_READONLY,
                      nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db,
                         "SELECT day_date, meal, line FROM dish WHERE day_date BETWEEN ?1 AND ?2 "
                         "ORDER BY day_date, meal, position",
                         -1, &rows, nullptr) != SQLITE_OK) {
    state.SkipWithError("the database could not be read");
  }
  std::size_t count = 0;
  for (auto _ : state) {
    if (!rows) break;
    sqlite3_bind_text(rows, 1, kFirst, -1, SQLITE_STATIC);
    sqlite3_bind_text(rows, 2, kLast, -1, SQLITE_STATIC);
    count = 0;
    unsigned sum = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
      const unsigned char* date = sqlite3_column_text(rows, 0);
      const auto* line = static_cast<const unsigned char*>(sqlite3_column_blob(rows, 2));
      const int n = sqlite3_column_bytes(rows, 2);
      sum += date[9] + static_cast<unsigned>(sqlite3_column_int(rows, 1)) +
             (n > 0 ? line[0] + line[n - 1] : 0);
      ++count;
    }
    sqlite3_reset(rows);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  if (count != year.dishRows) state.SkipWithError("not every dish row was selected");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * year.dishRows));
}
BENCHMARK(BM_PeriodYear_Floor)->Unit(benchmark::kMillisecond);

// Opening the database as a window would: its integrity check reads every
// page and every index entry, and the orphan check every dish row.
void BM_OpenYear(benchmark::State& state) {
  Year& year = TheYear();
  OpenStatus status = OpenStatus::Ok;
  for (auto _ : state) status = DayPlanStore::Open(year.dir.path(), 0)->status();
  if (status != OpenStatus::Ok) state.SkipWithError("the database did not open");
}
BENCHMARK(BM_OpenYear)->Unit(benchmark::kMillisecond);

// Floor: the integrity check alone, on a connection kept open.
void BM_OpenYear_Floor(benchmark::State& state) {
  Year& year = TheYear();
  sqlite3* db = nullptr;
  sqlite3_stmt* check = nullptr;
  if (sqlite3_open_v2(PlanDatabasePath(year.dir.path()).c_str(), &db, SQLITE_OPEN_READONLY,
                      nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) != SQLITE_OK)
    state.SkipWithError("the database could not be read");
  bool sound = false;
  for (auto _ : state) {
    if (!check) break;
    sound = sqlite3_step(check) == SQLITE_ROW &&
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
    sqlite3_reset(check);
  }
  sqlite3_finalize(check);
  sqlite3_close(db);
  if (!sound) state.SkipWithError("the check did not pass");
}
BENCHMARK(BM_OpenYear_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"period figures of a year of days", "BM_PeriodYear", "BM_PeriodYear_Floor",
                     Goal::RatioAtMost(5)});
EIYOU_BENCH_COMPARE({"reading a year of days", "BM_ReadYear", "BM_PeriodYear_Floor", Goal::None()});
EIYOU_BENCH_COMPARE({"opening the day plans (a year)", "BM_OpenYear", "BM_OpenYear_Floor",
                     Goal::SecondsAtMost(0.01)});

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
