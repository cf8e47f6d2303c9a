// Loading the food table and adding dishes' foods to the totals, each beside
// the least work that gives the same result.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "nutrition/nutrients.h"
#include "tables/data_dir.h"
#include "nutrition/dish_line.h"
#include "tables/dish_file.h"
#include "tables/food_components.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

constexpr std::size_t kFoodLines = 2538;  // the bundled table, whole
constexpr std::size_t kDishes = 300;

class CountingSink : public MessageSink {
 public:
  void Show(const std::string&) override { ++shown; }
  int shown = 0;
};

// The floor of the loaders: a file opened by name, read whole and cut into its lines.
void ReadLines(const std::string& path, std::string& text, std::vector<std::string>& lines) {
  text.clear();
  lines.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  std::size_t start = 0;
  for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos;) {
    lines.emplace_back(text, start, cr - start);
    start = cr + (cr + 1 < text.size() && text[cr + 1] == '\n' ? 2 : 1);
  }
  if (start < text.size()) lines.emplace_back(text, start);
}

// ---- LoadFoodTable --------------------------------------------------------------

void BM_LoadFoodTable(benchmark::State& state) {
  ScratchDir dir;
  const std::string bytes = FoodFileBytes(kFoodLines);
  dir.Write(kFoodFileName, bytes);
  auto table = std::make_unique<FoodTable>();
  CountingSink sink;
  for (auto _ : state) {
    LoadFoodTable(*table, sink);
    benchmark::ClobberMemory();
  }
  if (sink.shown != 0) state.SkipWithError("the loader showed a message");
  if (table->Cell(1, static_cast<int>(kFoodLines)).empty()) state.SkipWithError("the last row stayed empty");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadFoodTable);

// The floor of a loader: its file opened by name, read whole and cut into
// its lines, as often as the benchmark asks.
void ReadLinesFloor(benchmark::State& state, const std::string& path, std::size_t expectedLines,
                    std::size_t bytes) {
  std::string text;
  std::vector<std::string> lines;
  for (auto _ : state) {
    ReadLines(path, text, lines);
    benchmark::DoNotOptimize(lines.data());
    benchmark::ClobberMemory();
  }
  if (lines.size() != expectedLines) state.SkipWithError("wrong line count");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Floor: the same file opened by name, read whole and cut into its lines.
void BM_LoadFoodTable_Floor(benchmark::State& state) {
  ScratchDir dir;
  const std::string bytes = FoodFileBytes(kFoodLines);
  dir.Write(kFoodFileName, bytes);
  ReadLinesFloor(state, dir.Path(kFoodFileName), kFoodLines, bytes.size());
}
BENCHMARK(BM_LoadFoodTable_Floor);

EIYOU_BENCH_COMPARE({"LoadFoodTable, 2538 lines", "BM_LoadFoodTable", "BM_LoadFoodTable_Floor",
                     Goal::RatioAtMost(3)});

// ---- LoadFoodComponents ------------------------------------------------------------

// The bundled components with their own table beside them, so that the size
// they are tied to matches.
struct ComponentsBench {
  ScratchDir dir;
  std::string bytes = ReadFileBytes(SampleDataPath() + "/" + kFoodComponentsFileName);
  ComponentsBench() {
    dir.Write(kFoodFileName, ReadFileBytes(SampleDataPath() + "/" + kFoodFileName));
    dir.Write(kFoodComponentsFileName, bytes);
  }
};

void BM_LoadFoodComponents(benchmark::State& state) {
  ComponentsBench b;
  FoodComponents components;
  for (auto _ : state) {
    components = LoadFoodComponents();
    benchmark::ClobberMemory();
  }
  if (components.foodCount() != static_cast<int>(kFoodLines) || !components.problems().empty())
    state.SkipWithError("the bundled components did not load whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * b.bytes.size()));
}
BENCHMARK(BM_LoadFoodComponents);

// Floor: the same file opened by name, read whole and cut into its lines.
void BM_LoadFoodComponents_Floor(benchmark::State& state) {
  ComponentsBench b;
  ReadLinesFloor(state, b.dir.Path(kFoodComponentsFileName), kFoodLines + 2, b.bytes.size());
}
BENCHMARK(BM_LoadFoodComponents_Floor);

EIYOU_BENCH_COMPARE({"LoadFoodComponents, 2538 foods", "BM_LoadFoodComponents",
                     "BM_LoadFoodComponents_Floor", Goal::RatioAtMost(3)});

// ---- AddDishFoods -------------------------------------------------------------

struct DishBench {
  ScratchDir dir;
  std::unique_ptr<FoodTable> food = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference = std::make_unique<ReferenceTable>();
  std::vector<std::string> foods;  // the FoodEntry part of each dish line

  DishBench() {
    dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
    CountingSink sink;
    LoadFoodTable(*food, sink);
    for (const std::string& line : DishLines(kDishes)) foods.push_back(SplitDishLine(line).foods);
  }
};

void BM_AddDishFoods(benchmark::State& state) {
  DishBench b;
  NutrientCalculator calc(*b.food, *b.reference);
  for (auto _ : state) {
    calc.ClearTotals();
    for (const std::string& dish : b.foods) calc.AddDishFoods(dish);
    benchmark::DoNotOptimize(calc.totals);
  }
  if (calc.totals.value[0] <= 0) state.SkipWithError("no energy added");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kDishes));
}
BENCHMARK(BM_AddDishFoods);

// Floor: the same walk over the same items and cells with the plainest tools:
// no copies of the items, std::from_chars into a double, rounding with llround.
// It gives nearly the same totals, not the exact ones (no 6-byte reals, no
// lenient readers, no half-even rounding, no saturation).
constexpr int kColumns[9] = {3, 5, 6, 10, 12, 17, 18, 19, 21};
constexpr double kScales[9] = {1, 10, 10, 1, 10, 1, 100, 100, 1};

double PlainNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

void BM_AddDishFoods_Floor(benchmark::State& state) {
  DishBench b;
  std::array<long long, 9> totals{};
  for (auto _ : state) {
    totals.fill(0);
    for (const std::string& dish : b.foods) {
      std::string_view rest = dish;
      for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::size_t close = item.find(']');
        const std::size_t equals = item.find('=');
        if (close != std::string_view::npos && close > 0 && equals != std::string_view::npos) {
          int row = 0;
          std::from_chars(item.data() + 1, item.data() + close, row);
          const double weight = PlainNumber(item.substr(equals + 1));
          for (int i = 0; i < 9; ++i)
            totals[i] += std::llround(weight * PlainNumber(b.food->Cell(kColumns[i], row)) *
                                      kScales[i] * 0.01);
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
    benchmark::DoNotOptimize(totals);
  }
  if (totals[0] <= 0) state.SkipWithError("no energy added");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kDishes));
}
BENCHMARK(BM_AddDishFoods_Floor);

EIYOU_BENCH_COMPARE({"AddDishFoods, 300 dishes", "BM_AddDishFoods", "BM_AddDishFoods_Floor",
                     Goal::None()});

EIYOU_BENCH_COMPARE({"AddFoodToTotals, all 2538 rows", "BM_AddFoodToTotalsWholeTable", "",
                     Goal::None()});
EIYOU_BENCH_COMPARE({"dish chart on a null canvas", "BM_DrawDishChart", "", Goal::None()});

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
