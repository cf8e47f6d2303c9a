// The nutrient arithmetic and the chart's ratios, fed with arbitrary table
// cells, FoodEntry and DishLine texts.
//
// Input: byte 0 bit 0 chooses the daily chart's layout instead of the dish
// window's. The rest is split at
// "\n" into pieces, each led by a tag byte:
//   c K R text   food cell: nutrient K (K >= 0x80: any column K % 23 + 1) of
//                row 1, 2, 3 or 1834 (R & 3)
//   r F R text   reference field F % 20 + 1 of row R % 11 + 1
//   a row \t weight   AddFoodToTotals
//   l item       one more item of the dish window's food list
//   d foods      AddDishFoods
//   D line       a whole DishLine, as the meal window adds it
//   t S A        LoadTargets(S % 4 - 1, A % 13)
//   z            ClearTotals
//   x text       a chart coordinate read as a real
// At the end the listed items are added and the chart is drawn and erased.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "nutrition/nutrients.h"
#include "nutrition/radar_chart.h"
#include "nutrition/real48.h"
#include "nutrition/dish_line.h"
#include "tables/dish_file.h"
#include "tables/text_fields.h"
#include "tables/numbers.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

constexpr int kNutrientColumns[kNutrients] = {3, 5, 6, 10, 12, 17, 18, 19, 21};
constexpr int kRows[4] = {1, 2, 3, FoodTable::kMinRows};
constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

// Keeps the path of every MoveTo/LineTo and the last pen.
class RecordingCanvas : public Canvas {
 public:
  void SetPen(Rgb colour, int width) override {
    pen = colour;
    penWidth = width;
  }
  void MoveTo(int x, int y) override { points.push_back({x, y}); }
  void LineTo(int x, int y) override { points.push_back({x, y}); }
  void SetBrush(Rgb) override {}
  void FillRect(int, int, int, int) override {}
  std::vector<Point> points;
  Rgb pen;
  int penWidth = 0;
};

class NullCanvas : public Canvas {
 public:
  void SetPen(Rgb, int) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void SetBrush(Rgb) override {}
  void FillRect(int, int, int, int) override {}
};

// The row and weight texts of a FoodEntry, taken as the dish file describes
// them: the row from the 2nd byte up to the first "]", the weight from after
// the first "=" up to, not including, the last byte.
std::pair<std::string_view, std::string_view> EntryParts(std::string_view item) {
  std::string_view row;
  const std::size_t close = item.find(']');
  if (close != std::string_view::npos && close >= 1) row = item.substr(1, close - 1);
  std::string_view weight;
  const std::size_t equals = item.find('=');
  if (equals != std::string_view::npos && equals + 1 < item.size() - 1)
    weight = item.substr(equals + 1, item.size() - 1 - (equals + 1));
  return {row, weight};
}

NutrientTotals Contribution(const FoodTable& food, const ReferenceTable& reference,
                            std::string_view item) {
  NutrientCalculator calc(food, reference);
  calc.AddListedFoods({std::string(item)});
  // The same through the documented parts of the entry.
  NutrientCalculator direct(food, reference);
  const auto [row, weight] = EntryParts(item);
  direct.AddFoodToTotals(row, weight);
  FUZZ_CHECK(calc.totals.value == direct.totals.value);
  return calc.totals;
}

// Adding a list of foods: the same result through either side's routine, and,
// while no sum comes near the 32-bit limits, the sum of the foods' own rounded
// contributions (so adding a dish twice doubles its contribution).
void CheckFoods(const FoodTable& food, const ReferenceTable& reference, NutrientCalculator& calc,
                std::string_view foods) {
  const NutrientTotals before = calc.totals;
  const std::vector<std::string> items = SplitAtCommas(foods);

  NutrientCalculator listed(food, reference);
  listed.totals = before;
  listed.AddListedFoods(items);
  calc.AddDishFoods(foods);
  FUZZ_CHECK(calc.totals.value == listed.totals.value);

  std::int64_t sum[kNutrients] = {};
  std::int64_t magnitude[kNutrients] = {};
  for (const std::string& item : items) {
    const NutrientTotals c = Contribution(food, reference, item);
    for (int i = 0; i < kNutrients; ++i) {
      sum[i] += c.value[i];
      magnitude[i] += std::llabs(c.value[i]);
    }
  }
  for (int i = 0; i < kNutrients; ++i) {
    const bool small = magnitude[i] + std::llabs(before.value[i]) < kMax;
    if (!small) continue;
    FUZZ_CHECK(calc.totals.value[i] == before.value[i] + sum[i]);
  }
}

void CheckAddFood(const FoodTable& food, const ReferenceTable& reference, NutrientCalculator& calc,
                  std::string_view row, std::string_view weight) {
  const NutrientTotals before = calc.totals;
  calc.AddFoodToTotals(row, weight);
  const std::int32_t r = ParseIntLenient(row);
  const long double w = Real48(ParseRealLenient(weight));
  // No food, or no weight: nothing is added.
  if (r < 1 || r > food.rows() || w == 0) FUZZ_CHECK(calc.totals.value == before.value);
  if (r < 1 || r > food.rows()) return;
  // Otherwise each nutrient as documented, its cell read from the text afresh.
  constexpr int kScales[kNutrients] = {0, 10, 10, 0, 10, 0, 100, 100, 0};
  for (int i = 0; i < kNutrients; ++i) {
    const std::string_view cell = food.Cell(kNutrientColumns[i], r);
    const long double v =
        kScales[i] ? Real48(ParseRealLenient(cell)) * kScales[i] : ParseIntLenient(cell);
    FUZZ_CHECK(calc.totals.value[i] == SaturatingAdd(before.value[i], RoundEven((w * v) * 0.01L)));
  }
  (void)reference;
}

void CheckDisplay(const RadarChart& chart, long double v) {
  FUZZ_CHECK(chart.RealToDispX(0) == chart.centreX() && chart.RealToDispY(0) == chart.centreY());
  if (v >= 0) {
    FUZZ_CHECK(chart.RealToDispX(v) >= chart.centreX() && chart.RealToDispY(v) <= chart.centreY());
    FUZZ_CHECK(chart.RealToDispX(-v) <= chart.centreX() &&
               chart.RealToDispY(-v) >= chart.centreY());
  }
}

void CheckChart(const ChartLayout& layout, const NutrientTotals& totals,
                const NutrientTargets& targets) {
  RadarChart chart(layout);
  chart.FormCreate();
  const long double start = chart.EnergyRadius(totals, targets);
  FUZZ_CHECK(std::isfinite(start));
  if (targets.EnergyTarget <= 0) {
    FUZZ_CHECK(start == 0);
  } else {
    const std::int64_t ratio =
        std::int64_t(totals.value[0]) * layout.factor / targets.EnergyTarget;
    const long double exact = static_cast<long double>(ratio) * 0.1L;
    FUZZ_CHECK(std::fabs(start - exact) <= std::fabs(exact) * 0x1p-39L);
  }

  RecordingCanvas drawn;
  chart.FDrawGraph(drawn, start, totals, targets);
  FUZZ_CHECK(drawn.points.size() == 1 + kNutrients);
  FUZZ_CHECK(drawn.pen == kGraphBlue && drawn.penWidth == 2);
  FUZZ_CHECK(drawn.points[0] == (Point{chart.RealToDispX(0), chart.RealToDispY(start)}));
  // The ninth line returns to the start wherever the pixels are still exact.
  if (std::fabs(start) < 1e6L) FUZZ_CHECK(drawn.points.back() == drawn.points.front());

  bool allZero = true;
  for (std::int32_t v : totals.value) allZero = allZero && v == 0;
  if (allZero) {
    for (const Point& p : drawn.points) FUZZ_CHECK(p == (Point{chart.centreX(), chart.centreY()}));
  }

  // Erasing retraces exactly the drawn path.
  const Rgb face{240, 240, 240};
  RecordingCanvas erased;
  chart.FEraseGraph(erased, start, totals, targets, face);
  FUZZ_CHECK(erased.points == drawn.points);
  FUZZ_CHECK(erased.pen == face && erased.penWidth == 2);

  // The grid does not depend on totals or targets: draw it once per layout.
  static bool gridDrawn[2] = {false, false};
  bool& drawnOnce = gridDrawn[layout.factor == kDailyChart.factor];
  if (!drawnOnce) {
    NullCanvas null;
    chart.FormDestroy(null, face, 1, 51);
    drawnOnce = true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The tables live for the whole run, as the windows' do; every cell set here
  // is emptied again at the end so that each input stands on its own.
  static FoodTable food;
  static ReferenceTable reference;
  std::vector<std::pair<int, int>> foodCells, referenceFields;

  const std::uint8_t options = data[0];
  const ChartLayout& layout = (options & 1) ? kDailyChart : kDishChart;
  const RadarChart chart(layout);
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  NutrientCalculator calc(food, reference);
  std::vector<std::string> listed;
  for (std::string_view piece : Pieces(input)) {
    if (piece.empty()) continue;
    const char tag = piece[0];
    std::string_view rest = piece.substr(1);
    auto byte = [&]() -> std::uint8_t {
      if (rest.empty()) return 0;
      const auto b = static_cast<std::uint8_t>(rest[0]);
      rest.remove_prefix(1);
      return b;
    };
    switch (tag) {
      case 'c': {
        const std::uint8_t k = byte();
        const int column = k >= 0x80 ? k % FoodTable::kColumns + 1 : kNutrientColumns[k % kNutrients];
        const int row = kRows[byte() & 3];
        food.SetCell(column, row, std::string(rest));
        foodCells.emplace_back(column, row);
        break;
      }
      case 'r': {
        const int field = byte() % ReferenceTable::kFields + 1;
        const int row = byte() % ReferenceTable::kRows + 1;
        reference.SetField(row, field, std::string(rest));
        referenceFields.emplace_back(row, field);
        break;
      }
      case 'a': {
        const std::size_t tab = rest.find('\t');
        const std::string_view row = rest.substr(0, tab);
        const std::string_view weight =
            tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
        CheckAddFood(food, reference, calc, row, weight);
        break;
      }
      case 'l':
        listed.emplace_back(rest);
        break;
      case 'd':
        CheckFoods(food, reference, calc, rest);
        break;
      case 'D': {
        const DishLineParts parts = SplitDishLine(rest);
        if (parts.hasFoods) CheckFoods(food, reference, calc, parts.foods);
        break;
      }
      case 't': {
        const int sex = byte() % 4 - 1;
        const int age = byte() % 13;
        calc.LoadTargets(sex, age);
        break;
      }
      case 'z':
        calc.ClearTotals();
        for (std::int32_t v : calc.totals.value) FUZZ_CHECK(v == 0);
        break;
      case 'x':
        CheckDisplay(chart, ParseRealLenient(rest));
        break;
      default:
        break;
    }
  }

  // The dish window's list: the same as adding the items one dish at a time.
  {
    NutrientCalculator joined(food, reference);
    joined.totals = calc.totals;
    calc.AddListedFoods(listed);
    std::string foods;
    for (std::size_t k = 0; k < listed.size(); ++k) foods += (k ? "," : "") + listed[k];
    bool commaFree = true;
    for (const std::string& item : listed) commaFree = commaFree && item.find(',') == std::string::npos;
    if (commaFree && !listed.empty()) {
      joined.AddDishFoods(foods);
      FUZZ_CHECK(joined.totals.value == calc.totals.value);
    }
  }

  CheckChart(layout, calc.totals, calc.targets);

  for (const auto& [column, row] : foodCells) food.SetCell(column, row, std::string());
  for (const auto& [row, field] : referenceFields) reference.SetField(row, field, std::string());
  return 0;
}
