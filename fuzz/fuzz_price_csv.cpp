// The price CSV reader. A refused file gives problems naming their lines and
// no rows; a file read holds only rows the store takes, one per food, and is
// written back as a file that reads as the same rows.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/facility_csv.h"
#include "tables/cp932.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const PriceCsv r = ReadPriceCsv(input);
  if (!r.problems.empty()) {
    FUZZ_CHECK(r.rows.empty());
    for (const std::string& p : r.problems)
      FUZZ_CHECK(IsValidUtf8(p) && (p.find("行目") != std::string::npos || p.starts_with("ほかに")));
    return 0;
  }
  std::set<int> foods;
  for (const FoodPurchase& p : r.rows) {
    FUZZ_CHECK(p.food >= 1 && p.food <= 99999 && foods.insert(p.food).second);
    FUZZ_CHECK(p.unitGrams > 0 && IsValidUtf8(p.unitName) && IsValidUtf8(p.supplier));
    FUZZ_CHECK(p.priced ? p.priceSen >= 0 && IsPlanDate(p.setOn) : p.setOn.empty());
  }
  const PriceCsv again = ReadPriceCsv(PriceCsvText(r.rows));
  FUZZ_CHECK(again.problems.empty() && again.rows.size() == r.rows.size());
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const FoodPurchase &a = r.rows[i], &b = again.rows[i];
    FUZZ_CHECK(a.food == b.food && a.priced == b.priced && a.priceSen == b.priceSen &&
               a.unitGrams == b.unitGrams && a.unitName == b.unitName && a.setOn == b.setOn &&
               a.supplier == b.supplier);
  }
  return 0;
}
