// A facility's order sheet for a month: 22 serving days whose lunch holds
// every bundled sample dish, for 6 groups of 800 eaters in all (one group's
// headcount changed on some days), beside a bare pass over the same entries.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "nutrition/dish_line.h"
#include "nutrition/facility.h"
#include "tables/data_dir.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

struct Month {
  FoodTable food;
  std::vector<DayPlan> days;
  std::vector<EaterGroup> groups;
  std::vector<HeadcountChange> changes;
  std::vector<FoodPurchase> purchases;
  std::size_t entries = 0;
};

const Month& TheMonth() {
  static const Month month = [] {
    Month m;
    {
      ScratchDir dir;
      LoadSampleFoodTable(dir, m.food);
    }
    const std::vector<std::string> dishes =
        Lines(ReadFileBytes(SampleDataPath() + "/" + kDishDirName + "/" + kDishFileName));
    // 22 weekdays from Monday 2024-06-03: June's 20 and July's first two.
    std::vector<std::string> dates;
    for (int d = 3; d <= 30; ++d)
      if ((d - 3) % 7 < 5) dates.push_back(std::string("2024-06-") + (d < 10 ? "0" : "") + std::to_string(d));
    dates.insert(dates.end(), {"2024-07-01", "2024-07-02"});
    for (const std::string& date : dates) {
      DayPlan& day = m.days.emplace_back();
      day.date = date;
      day.meals[1] = dishes;
      for (const std::string& line : dishes) m.entries += DishFoods(line).size();
    }
    const std::pair<const char*, int> sizes[] = {{"幼児", 60},    {"低学年", 200}, {"中学年", 200},
                                                 {"高学年", 200}, {"中学生", 100}, {"教職員", 40}};
    const int factors[] = {600, 800, 1000, 1100, 1200, 1000};
    for (int g = 0; g < 6; ++g) {
      EaterGroup& group = m.groups.emplace_back();
      group.id = g + 1;
      group.name = sizes[g].first;
      group.headcount = sizes[g].second;
      group.factorPermille = factors[g];
    }
    for (std::size_t d = 0; d < m.days.size(); d += 5) m.changes.push_back({m.days[d].date, 5, 0});
    for (int food : {1026, 1088, 11130, 12004, 17007}) {
      FoodPurchase& p = m.purchases.emplace_back();
      p.food = food;
      p.supplier = food < 10000 ? "山田製粉" : "肉の田中";
    }
    return m;
  }();
  return month;
}

void BM_OrderSheetMonth(benchmark::State& state) {
  const Month& m = TheMonth();
  std::size_t lines = 0;
  for (auto _ : state) {
    const OrderSheet sheet =
        BuildOrderSheet(m.days, m.groups, m.changes, m.purchases, m.food, "2024-06-03", "2024-07-02");
    lines = sheet.lines.size();
    benchmark::DoNotOptimize(sheet.lines.data());
  }
  if (lines == 0) state.SkipWithError("the sheet is empty");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * m.entries));
}
BENCHMARK(BM_OrderSheetMonth)->Unit(benchmark::kMillisecond);

// Floor: every entry of the month's lunches found and its last byte read,
// nothing parsed or kept.
void BM_OrderSheetMonth_Floor(benchmark::State& state) {
  const Month& m = TheMonth();
  std::size_t entries = 0;
  for (auto _ : state) {
    entries = 0;
    unsigned sum = 0;
    for (const DayPlan& day : m.days)
      for (const std::string& line : day.meals[1]) {
        std::size_t commas = 0;
        for (std::size_t i = 0; i < line.size(); ++i)
          if (line[i] == ',' && ++commas >= 3) {
            sum += static_cast<unsigned char>(line[i - 1]);
            ++entries;
          }
        sum += static_cast<unsigned char>(line.back());
      }
    benchmark::DoNotOptimize(sum);
  }
  if (entries != m.entries) state.SkipWithError("not every entry was found");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * m.entries));
}
BENCHMARK(BM_OrderSheetMonth_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"order sheet of a month (6 groups, 800 eaters)", "BM_OrderSheetMonth",
                     "BM_OrderSheetMonth_Floor", Goal::SecondsAtMost(0.1)});

}  // namespace
