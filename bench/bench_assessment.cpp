// Speed of the assessment of a year of stored days: the mean daily intake of
// 365 days over every nutrient judged, the reference values of the profile
// resolved from the bundled sets, and the rows judged. The days are synthetic
// (plausible amounts, some estimated or incomplete), built once.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bench_report.h"
#include "nutrition/assessment.h"

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

EIYOU_BENCH_COMPARE({"assessment of a year of days, 31 nutrients (goal: at most 100 ms)",
                     "BM_AssessYear", "BM_AssessYear_Floor", Goal::SecondsAtMost(0.1)});

}  // namespace
