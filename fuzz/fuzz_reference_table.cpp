// The reference table loader over a whole file in a data directory, and the
// targets taken from what it loaded for every sex and age choice, valid or not.
//
// The input is the file STD.CSV itself; the table is kept between runs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "nutrition/nutrients.h"
#include "tables/data_dir.h"
#include "tables/numbers.h"
#include "tables/reference_table.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

const std::string kUntouched = "\x01untouched";

int Sign(long double x) { return (x > 0) - (x < 0); }
int Sign(std::int32_t x) { return (x > 0) - (x < 0); }

void CheckTargets(const ReferenceTable& reference, const NutrientCalculator& calc, int sex,
                  int row) {
  const NutrientTargets& t = calc.targets;
  if (sex < 0 || sex > 1 || row < 1 || row > ReferenceTable::kRows) {
    FUZZ_CHECK(t.EnergyTarget == 0);
    for (std::int32_t v : t.other) FUZZ_CHECK(v == 0);
    return;
  }
  auto field = [&](int f) -> const std::string& { return reference.Field(row, f + sex); };
  // Whole numbers as read; the protein's tenfold clamps at the 32-bit range.
  FUZZ_CHECK(t.EnergyTarget == ParseIntLenient(field(1)));
  const std::int64_t protein = std::int64_t(ParseIntLenient(field(3))) * 10;
  FUZZ_CHECK(t.Of(1) == std::clamp<std::int64_t>(protein, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
  FUZZ_CHECK(t.Of(3) == ParseIntLenient(field(7)));
  FUZZ_CHECK(t.Of(5) == ParseIntLenient(field(11)));
  FUZZ_CHECK(t.Of(8) == ParseIntLenient(field(19)));
  // Scaled reals keep their sign, or round to 0.
  const int realFields[][2] = {{2, 5}, {4, 9}, {6, 13}, {7, 15}};
  for (const auto& [k, f] : realFields) {
    const int s = Sign(t.Of(k));
    FUZZ_CHECK(s == 0 || s == Sign(ParseRealLenient(field(f))));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ReferenceTable table;
  static const FoodTable food;
  static const std::string path = JoinPath(ScratchDir(), kReferenceFileName);
  const InScratchDir inDataDir;
  WriteFileOrDie(path, data, size);

  const std::vector<std::string> lines =
      ModelTableLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const int stored = static_cast<int>(std::min<std::size_t>(lines.size(), ReferenceTable::kRows));
  const int next = stored + 1;
  table.SetField(next, 1, kUntouched);
  table.SetField(next, ReferenceTable::kFields, kUntouched);

  CountingSink sink;
  LoadReferenceTable(table, sink);
  FUZZ_CHECK(sink.count == 0);  // lines past the eleventh are not read, nor reported

  for (int row = 1; row <= stored; ++row) {
    const std::vector<std::string> fields =
        ModelFields(lines[row - 1], ReferenceTable::kFields - 1);
    for (int f = 1; f <= ReferenceTable::kFields; ++f)
      FUZZ_CHECK(table.Field(row, f) == fields[f - 1]);
  }
  if (next <= ReferenceTable::kRows) {
    FUZZ_CHECK(table.Field(next, 1) == kUntouched);
    FUZZ_CHECK(table.Field(next, ReferenceTable::kFields) == kUntouched);
  }
  FUZZ_CHECK(table.IsLoaded() == !table.Field(1, 1).empty());

  NutrientCalculator calc(food, table);
  // Both sexes of every row this file filled (the others were checked when
  // they were loaded), and one choice beyond each end of both ranges.
  for (int sex = 0; sex <= 1; ++sex) {
    for (int row = 1; row <= stored; ++row) {
      calc.LoadTargets(sex, row);
      CheckTargets(table, calc, sex, row);
    }
  }
  const int invalid[][2] = {{-1, 1}, {2, 11}, {0, 0}, {1, ReferenceTable::kRows + 1}};
  for (const auto& [sex, row] : invalid) {
    calc.LoadTargets(sex, row);
    CheckTargets(table, calc, sex, row);
  }
  return 0;
}
