// Speed of the nutrient arithmetic and of one chart drawing.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "nutrition/nutrients.h"
#include "nutrition/radar_chart.h"

using namespace eiyou;

namespace {

// A full table with plausible cells: integers, decimals, "Tr" and "(0)".
std::unique_ptr<FoodTable> FullFoodTable() {
  auto table = std::make_unique<FoodTable>();
  const char* decimals[] = {"0.3", "12.5", "Tr", "(0)", "1.08", "7.4"};
  for (int r = 1; r <= FoodTable::kMinRows; ++r) {
    table->SetCell(1, r, std::to_string(1000 + r));
    table->SetCell(2, r, "food");
    for (int c = 3; c <= FoodTable::kColumns; ++c) {
      const bool whole = c == 3 || c == 10 || c == 17 || c == 21;
      table->SetCell(c, r, whole ? std::to_string((r * c) % 900) : decimals[(r + c) % 6]);
    }
  }
  return table;
}

void BM_AddFoodToTotalsWholeTable(benchmark::State& state) {
  const auto food = FullFoodTable();
  const auto reference = std::make_unique<ReferenceTable>();
  NutrientCalculator calc(*food, *reference);
  std::string rows[FoodTable::kMinRows];
  for (int r = 1; r <= FoodTable::kMinRows; ++r) rows[r - 1] = std::to_string(r);
  for (auto _ : state) {
    calc.ClearTotals();
    for (const std::string& row : rows) calc.AddFoodToTotals(row, " 85.5");
    benchmark::DoNotOptimize(calc.totals);
  }
  state.SetItemsProcessed(state.iterations() * FoodTable::kMinRows);
}
BENCHMARK(BM_AddFoodToTotalsWholeTable);

// Swallows the drawing; counts lines so the work is not optimised away.
class NullCanvas : public Canvas {
 public:
  void SetPen(Rgb, int) override {}
  void MoveTo(int x, int y) override { sum += x ^ y; }
  void LineTo(int x, int y) override { sum += x + y; }
  void SetBrush(Rgb) override {}
  void FillRect(int, int, int, int) override {}
  long long sum = 0;
};

void BM_DrawDishChart(benchmark::State& state) {
  RadarChart chart(kDishChart);
  NutrientTotals totals{{900, 250, 100, 700, 20, 400, 50, 30, 60}};
  NutrientTargets targets;
  targets.EnergyTarget = 2100;
  targets.other = {600, 550, 600, 105, 1800, 110, 120, 100};
  NullCanvas canvas;
  for (auto _ : state) chart.DrawChart(canvas, totals, targets);
  benchmark::DoNotOptimize(canvas.sum);
}
BENCHMARK(BM_DrawDishChart);

}  // namespace
