// Speed of the assessment of a year of stored days: the mean daily intake of
// 365 days over every nutrient judged, the reference values of the profile
// resolved from the bundled sets, and the rows judged. The days are synthetic
// (plausible amounts, some estimated or incomplete), built once.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "nutrition/assessment.h"
#include "nutrition/dish_line.h"
#include "nutrition/intakes.h"
#include "tables/food_components.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

const std::vector<Intakes>& YearOfDays() {
  static const std::vector<Intakes> days = [] {
    std::vector<Intakes> year(365);
    unsigned seed = 12345;
    for (Intakes& day : year) {
      for (const AssessedNutrient& n : kAssessedNutrients) {
        if (std::string_view(n.id).ends_with("_E")) continue;
        seed = seed * 1103515245u + 12345u;
        day[n.id] = {static_cast<double>(seed % 20000) / 10, (seed & 0x10000) != 0,
                     (seed & 0x70000) == 0};
      }
    }
    return year;
  }();
  return days;
}

void BM_AssessYear(benchmark::State& state) {
  const std::vector<Intakes>& days = YearOfDays();
  const ReferenceSets& sets = BundledReferenceSets();
  Profile profile;
  profile.sex = Sex::Male;
  profile.age = {PeriodClass::Years, 18, 29};
  for (auto _ : state) {
    const Assessment a = Assess(MeanDailyIntakes(days), ResolveReference(profile, sets));
    benchmark::DoNotOptimize(a.rows.data());
  }
}
BENCHMARK(BM_AssessYear)->Unit(benchmark::kMillisecond);

// The floor: adding up the same days' intakes, nutrient by nutrient.
void BM_AssessYear_Floor(benchmark::State& state) {
  const std::vector<Intakes>& days = YearOfDays();
  for (auto _ : state) {
    std::array<double, kAssessedNutrients.size()> sums{};
    for (const Intakes& day : days) {
      std::size_t k = 0;
      for (const auto& [id, intake] : day) sums[k++ % sums.size()] += intake.value;
    }
    benchmark::DoNotOptimize(sums.data());
  }
}
BENCHMARK(BM_AssessYear_Floor)->Unit(benchmark::kMillisecond);

// A year of stored days on the bundled table with its companion: each day
// three meals of two or three of the sample dishes, their foods read as the
// period window reads them.
struct StoredYear {
  FoodTable food;
  std::vector<FoodMarksLine> marks;
  FoodComponents components;
  std::vector<std::vector<FoodAmount>> days;
};

const StoredYear& Year() {
  static const StoredYear year = [] {
    StoredYear y;
    {
      ScratchDir dir;
      for (const char* name : {"食品成分表５訂.CSV", "食品成分表５訂.MARKS", "食品成分表５訂.COMPONENTS"})
        dir.Write(name, ReadFileBytes(SampleDataPath() + "/" + name));
      struct : MessageSink {
        void Show(const std::string&) override {}
      } quiet;
      LoadFoodTable(y.food, quiet);
      y.marks = LoadFoodMarks();
      y.components = LoadFoodComponents();
    }
    const std::vector<std::string> dishes = DishLines(200);
    std::size_t next = 0;
    for (int d = 0; d < 365; ++d) {
      std::vector<FoodAmount>& foods = y.days.emplace_back();
      for (int dish = 0; dish < 7 + d % 3; ++dish)
        ReadDishFoods(DishLineFoodText(dishes[next++ % dishes.size()]), foods);
    }
    return y;
  }();
  return year;
}

void BM_AssessStoredYear(benchmark::State& state) {
  const StoredYear& year = Year();
  Profile profile;
  for (auto _ : state) {
    // Rows read afresh: a window judges a period once.
    IntakeCounter counter(year.food, year.marks, year.components);
    std::vector<Intakes> days;
    days.reserve(year.days.size());
    for (const std::vector<FoodAmount>& foods : year.days) days.push_back(counter.Of(foods));
    const Assessment a =
        Assess(MeanDailyIntakes(days), ResolveReference(profile, BundledReferenceSets()));
    benchmark::DoNotOptimize(a.rows.data());
  }
}
BENCHMARK(BM_AssessStoredYear)->Unit(benchmark::kMillisecond);

// The floor: the same foods through the one accumulation of the period window.
void BM_AssessStoredYear_Floor(benchmark::State& state) {
  const StoredYear& year = Year();
  for (auto _ : state) {
    FoodValues values(year.food);
    NutrientTotals nine;
    ExtraTotals extra;
    for (const std::vector<FoodAmount>& foods : year.days) AddFoods(values, foods, nine, extra);
    benchmark::DoNotOptimize(nine.value.data());
  }
}
BENCHMARK(BM_AssessStoredYear_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"assessment of a year of stored days on the bundled table (goal: at most 100 ms)",
                     "BM_AssessStoredYear", "BM_AssessStoredYear_Floor", Goal::SecondsAtMost(0.1)});

EIYOU_BENCH_COMPARE({"assessment of a year of days, 31 nutrients (goal: at most 100 ms)",
                     "BM_AssessYear", "BM_AssessYear_Floor", Goal::SecondsAtMost(0.1)});

}  // namespace
