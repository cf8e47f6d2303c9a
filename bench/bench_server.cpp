// The day plans on a PostgreSQL server (a throw-away one started for the run
// by scripts/pg_test_server.sh): a year of days for a facility of 6 groups
// with daily headcounts, read as the period window reads it, beside a bare
// select of the same dish rows on a connection kept open; then 10 users, each
// on a connection of their own, saving days at once for a while
// (--save_seconds=N, 60 by default), every day read back at the end.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "plans/period.h"
#include "plans/pg_plan_store.h"
#include "tables/data_dir.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

constexpr const char* kFirst = "2023-01-01";
constexpr const char* kLast = "2023-12-31";
constexpr int kDays = 365;
constexpr int kUsers = 10;

// The server for the run, in the scratch folder, stopped at the end.
struct Server {
  std::string dir;
  PgSettings settings;

  explicit Server(const std::string& folder) : dir(folder + "/pg") {
    if (Script("start") != 0) throw std::runtime_error("the test server did not start");
    std::map<std::string, std::string> env;
    std::ifstream in(dir + "/env");
    for (std::string line; std::getline(in, line);)
      if (const auto eq = line.find('='); eq != std::string::npos)
        env[line.substr(0, eq)] = line.substr(eq + 1);
    setenv("PGPASSFILE", env.at("PGPASSFILE").c_str(), 1);
    settings.host = env.at("PGHOST");
    settings.port = std::stoi(env.at("PGPORT"));
    settings.dbname = env.at("PGDATABASE");
    settings.user = env.at("PGUSER");
  }
  ~Server() { Script("stop"); }
  int Script(const char* command) const {
    const std::string line =
        std::string(EIYOU_PG_TEST_SCRIPT) + " " + command + " '" + dir + "' >/dev/null 2>&1";
    return std::system(line.c_str());
  }
};

// The food table, the server and a year of days stored on it once for the
// run, with the facility's 6 groups and each group's headcount every day.
struct Year {
  ScratchDir dir;
  Server server{dir.path()};
  std::unique_ptr<FoodTable> food = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference = std::make_unique<ReferenceTable>();
  std::vector<std::string> dishes;
  std::size_t dishRows = 0;

  Year() {
    LoadSampleFoodTable(dir, *food);
    dishes = Lines(ReadFileBytes(SampleDataPath() + "/" + kDishDirName + "/" + kDishFileName));

    auto store = OpenServerPlanStore(server.settings);
    if (!store->CanStore()) throw std::runtime_error(store->message());
    const std::pair<const char*, int> groups[] = {{"幼児", 60},    {"低学年", 200}, {"中学年", 200},
                                                  {"高学年", 200}, {"中学生", 100}, {"教職員", 40}};
    std::vector<std::int64_t> ids;
    for (const auto& [name, headcount] : groups) {
      EaterGroup g;
      g.name = name;
      g.headcount = headcount;
      std::int64_t id = 0;
      if (!store->SaveEaterGroup(g, &id).ok) throw std::runtime_error("a group was not stored");
      ids.push_back(id);
    }
    std::mt19937 random(20240601);
    std::vector<HeadcountChange> headcounts;
    for (int d = 0; d < kDays; ++d) {
      const DayPlan day = SampleDay(DateInYear(2023, d), dishes, random);
      for (const auto& meal : day.meals) dishRows += meal.size();
      if (!store->SaveDay(day).ok) throw std::runtime_error("a day was not stored");
      for (std::size_t g = 0; g < ids.size(); ++g)
        headcounts.push_back({day.date, ids[g], groups[g].second - static_cast<int>(d % 7)});
    }
    if (!store->SaveHeadcountChanges(headcounts).ok)
      throw std::runtime_error("the headcounts were not stored");
  }
};

Year& TheYear() {
  static Year year;
  return year;
}

// As the period window does it: the store opened (a connection), the year's
// days read and its figures computed.
void BM_ServerPeriodYear(benchmark::State& state) {
  Year& year = TheYear();
  PeriodFigures period;
  for (auto _ : state) {
    auto store = OpenServerPlanStore(year.server.settings);
    period = ComputePeriod(store->DaysBetween(kFirst, kLast), *year.food, *year.reference);
    benchmark::DoNotOptimize(period.average.data());
  }
  if (period.days.size() != kDays || period.average[0] <= 0)
    state.SkipWithError("the year was not read whole");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * year.dishRows));
}
BENCHMARK(BM_ServerPeriodYear)->Unit(benchmark::kMillisecond);

// Reading alone on a store kept open, to tell it from the connection and the
// arithmetic.
void BM_ServerReadYear(benchmark::State& state) {
  Year& year = TheYear();
  auto store = OpenServerPlanStore(year.server.settings);
  std::size_t days = 0;
  for (auto _ : state) {
    const std::vector<DayPlan> read = store->DaysBetween(kFirst, kLast);
    days = read.size();
    benchmark::DoNotOptimize(read.data());
  }
  if (days != kDays) state.SkipWithError("the year was not read whole");
}
BENCHMARK(BM_ServerReadYear)->Unit(benchmark::kMillisecond);

// Floor: the same dish rows in the same order by libpq on a connection kept
// open, each line's bytes touched and nothing kept.
void BM_ServerPeriodYear_Floor(benchmark::State& state) {
  Year& year = TheYear();
  const std::string info = PgConnInfo(year.server.settings);
  PGconn* db = PQconnectdb(info.c_str());
  if (PQstatus(db) != CONNECTION_OK) state.SkipWithError("no connection");
  const char* params[] = {kFirst, kLast};
  std::size_t count = 0;
  for (auto _ : state) {
    PGresult* rows = PQexecParams(db,
                                  "SELECT day_date, meal, line FROM dish WHERE day_date BETWEEN $1 "
                                  "AND $2 ORDER BY day_date, meal, position",
                                  2, nullptr, params, nullptr, nullptr, 1);
    count = static_cast<std::size_t>(PQntuples(rows));
    unsigned sum = 0;
    for (int i = 0; i < PQntuples(rows); ++i) {
      const char* line = PQgetvalue(rows, i, 2);
      const int n = PQgetlength(rows, i, 2);
      sum += static_cast<unsigned char>(PQgetvalue(rows, i, 0)[9]) +
             static_cast<unsigned char>(PQgetvalue(rows, i, 1)[7]) +
             (n > 0 ? static_cast<unsigned char>(line[0]) + static_cast<unsigned char>(line[n - 1]) : 0);
    }
    PQclear(rows);
    benchmark::DoNotOptimize(sum);
  }
  PQfinish(db);
  if (count != year.dishRows) state.SkipWithError("not every dish row was selected");
}
BENCHMARK(BM_ServerPeriodYear_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"server: period window over a year, 6 groups", "BM_ServerPeriodYear",
                     "BM_ServerPeriodYear_Floor", Goal::SecondsAtMost(0.2)});
EIYOU_BENCH_COMPARE({"server: reading a year of days", "BM_ServerReadYear",
                     "BM_ServerPeriodYear_Floor", Goal::None()});

// 10 users at once for `seconds`: each reads one of its own days (every 10th
// of the year) with its version and saves it changed, as the meal window
// does. Every save must be stored and, at the end, every day must read back
// as its last save left it. The result is printed and added to the table.
bool SaveConcurrently(int seconds) {
  Year& year = TheYear();
  std::vector<std::map<std::string, DayPlan>> last(kUsers);
  std::vector<std::string> errors(kUsers);
  std::atomic<long> saves{0};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::vector<std::thread> users;
  for (int u = 0; u < kUsers; ++u)
    users.emplace_back([&, u] {
      auto store = OpenServerPlanStore(year.server.settings);
      std::mt19937 random(static_cast<unsigned>(u));
      for (int d = u; std::chrono::steady_clock::now() < end; d = d + kUsers < kDays ? d + kUsers : u) {
        const std::string date = DateInYear(2023, d);
        std::int64_t version = 0;
        store->LoadDayWithVersion(date, version);
        DayPlan day = SampleDay(date, year.dishes, random);
        bool changed = false;
        if (const StoreResult r = store->SaveDayIfUnchanged(day, version, changed); !r.ok) {
          errors[static_cast<std::size_t>(u)] = r.message;
          return;
        }
        last[static_cast<std::size_t>(u)][date] = std::move(day);
        ++saves;
      }
    });
  for (std::thread& t : users) t.join();

  int failed = 0, lost = 0;
  for (const std::string& e : errors)
    if (!e.empty()) {
      ++failed;
      std::fprintf(stderr, "a save failed: %s\n", e.c_str());
    }
  const std::vector<DayPlan> stored = OpenServerPlanStore(year.server.settings)->DaysBetween(kFirst, kLast);
  std::map<std::string, const DayPlan*> byDate;
  for (const DayPlan& d : stored) byDate[d.date] = &d;
  for (const auto& user : last)
    for (const auto& [date, day] : user)
      if (!byDate.count(date) || byDate[date]->meals != day.meals) ++lost;

  const double perSecond = static_cast<double>(saves) / seconds;
  char figure[32], label[64], goal[96];
  std::snprintf(figure, sizeof figure, "%.0f saves/s", perSecond);
  std::snprintf(label, sizeof label, "server: %d users saving days, %d s", kUsers, seconds);
  std::snprintf(goal, sizeof goal, "no error, no day lost (%d, %d): %s", failed, lost,
                failed == 0 && lost == 0 ? "met" : "MISSED");
  std::printf("%-44s %12s %12s %8s  %s\n", label, figure, "-", "-", goal);
  std::printf("(%ld saves of days of 6 to 12 dishes, each day read with its version first)\n",
              saves.load());
  if (const char* table = std::getenv("EIYOU_BENCH_TABLE"); table && *table) {
    std::ofstream out(table, std::ios::app);
    out << label << '\t' << figure << "\t-\t-\t" << goal << '\n';
  }
  return failed == 0 && lost == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 60;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    constexpr const char* kOption = "--save_seconds=";
    if (std::strncmp(argv[i], kOption, std::strlen(kOption)) == 0)
      seconds = std::max(1, std::atoi(argv[i] + std::strlen(kOption)));
    else
      args.push_back(argv[i]);
  }
  try {
    const int status = RunBenchmarks(static_cast<int>(args.size()), args.data());
    const bool saved = SaveConcurrently(seconds);
    return status != 0 ? status : saved ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
