// The allergen list and rules readers over arbitrary file bytes, and the
// derivation with what they read.
//
// Input: the first half is the list file, the second the rules file (read
// against the list read, or the built-in list when it was refused).
//
// Properties: a file is read or refused whole, never both; every refusal
// names a line or the file; rules name only items of the list; a food of
// groups 15–18 is never "none"; the summary never reads as free of anything
// when something may be contained.

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <vector>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/allergens.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto list = ParseAllergenList(bytes.substr(0, size / 2));
  FUZZ_CHECK(list.ok() || list.value.items.empty());
  if (list.ok()) FUZZ_CHECK(!list.value.items.empty());
  const AllergenList& items = list.ok() ? list.value : BundledAllergenList();
  const auto rules = ParseAllergenRules(bytes.substr(size / 2), items);
  FUZZ_CHECK(rules.ok() || rules.value.empty());
  for (const std::string& p : rules.problems) FUZZ_CHECK(p.find("アレルゲン規則.TXT") == 0);
  for (const AllergenRule& rule : rules.value) {
    FUZZ_CHECK(!rule.items.empty());
    for (const int i : rule.items) FUZZ_CHECK(i >= 0 && static_cast<std::size_t>(i) < items.size());
  }
  for (const int food : {1001, 12004, 15001, 18020}) {
    const std::string name(bytes.substr(0, std::min<std::size_t>(size, 40)));
    std::vector<AllergenPresence> dish;
    for (const AllergenCell& cell : DeriveAllergens(items, rules.value, food, name)) {
      if (IsProcessedFoodGroup(food / 1000)) FUZZ_CHECK(cell.presence != AllergenPresence::None);
      dish.push_back(cell.presence);
    }
    if (IsProcessedFoodGroup(food / 1000))
      FUZZ_CHECK(AllergenSummary(items, dish) != "特定原材料等を含まない");
  }
  return 0;
}
