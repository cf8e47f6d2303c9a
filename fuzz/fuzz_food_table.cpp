// The food table loader over a whole file in a data directory.
//
// The input is the file 食品成分表５訂.CSV itself. The table is kept between
// runs (as the windows keep theirs), so every run checks only what it loaded:
// rows 1..lines against an independent reading of the bytes, the first row it
// must not touch, and the one message for a file longer than the table.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "tables/data_dir.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {
const std::string kUntouched = "\x01untouched";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FoodTable table;
  static const std::string path = JoinPath(ScratchDir(), kFoodFileName);
  const InScratchDir inDataDir;
  WriteFileOrDie(path, data, size);

  const std::vector<std::string> lines =
      ModelTableLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const int stored = static_cast<int>(std::min<std::size_t>(lines.size(), FoodTable::kMaxRows));
  const int next = stored + 1;  // the first row that the load must leave alone
  const bool marked = next <= table.rows();
  table.SetCell(1, next, kUntouched);
  table.SetCell(FoodTable::kColumns, next, kUntouched);

  CountingSink sink;
  LoadFoodTable(table, sink);
  // The table has room for every line read, and never fewer than its classic rows.
  FUZZ_CHECK(table.rows() >= std::max(stored, FoodTable::kMinRows));

  if (lines.size() > static_cast<std::size_t>(FoodTable::kMaxRows)) {
    FUZZ_CHECK(sink.count == 1 && sink.last == kFoodTableTruncatedMessage);
  } else {
    FUZZ_CHECK(sink.count == 0);
  }
  for (int row = 1; row <= stored; ++row) {
    if (lines[row - 1].empty()) {  // the common case, checked without the model
      for (int column = 1; column <= FoodTable::kColumns; ++column)
        FUZZ_CHECK(table.Cell(column, row).empty());
      continue;
    }
    const std::vector<std::string> fields = ModelFields(lines[row - 1], FoodTable::kColumns - 1);
    for (int column = 1; column <= FoodTable::kColumns; ++column)
      FUZZ_CHECK(table.Cell(column, row) == fields[column - 1]);
  }
  if (marked) {
    FUZZ_CHECK(table.Cell(1, next) == kUntouched);
    FUZZ_CHECK(table.Cell(FoodTable::kColumns, next) == kUntouched);
  }
  FUZZ_CHECK(table.Cell(0, 1).empty() && table.Cell(1, table.rows() + 1).empty());
  return 0;
}
