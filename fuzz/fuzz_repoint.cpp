// Pointing saved dishes at a new table, fed with arbitrary tables and dish
// lines: no line is lost, moved or changed outside its foods, no weight
// changes, and every food that moves names the line of its own number.
//
// Input: the table's lines, a NUL byte, then the dish lines ("\n" between lines).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "nutrition/food_entry.h"
#include "nutrition/repoint.h"
#include "tables/text_fields.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  auto table = std::make_unique<FoodTable>();
  int row = 0;
  for (std::string& line : SplitAt(input.substr(0, split), '\n')) table->SetRow(++row, std::move(line));
  const std::vector<std::string> dishes = SplitAt(input.substr(split + 1), '\n');

  const RepointResult result = RepointDishLines(dishes, *table);
  FUZZ_CHECK(result.lines.size() == dishes.size());
  std::size_t unmatched = 0, moved = 0;
  for (std::size_t i = 0; i < dishes.size(); ++i) {
    const std::vector<std::string> before = SplitAtCommas(dishes[i]);
    const std::vector<std::string> after = SplitAtCommas(result.lines[i]);
    FUZZ_CHECK(before.size() == after.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
      if (k < 3) {
        FUZZ_CHECK(after[k] == before[k]);
        continue;
      }
      FUZZ_CHECK(FoodEntryWeightText(after[k]) == FoodEntryWeightText(before[k]));
      if (after[k] != before[k]) {
        ++moved;
        // The new head is the FoodChoice of the row it names.
        const int r = std::stoi(std::string(FoodEntryRowText(after[k])));
        FUZZ_CHECK(after[k].rfind(FoodChoiceText(*table, r) + "=", 0) == 0);
      }
    }
    for (const UnmatchedFood& u : result.unmatched)
      if (u.line == i) {
        ++unmatched;
        FUZZ_CHECK(u.line < dishes.size());
      }
  }
  FUZZ_CHECK(unmatched == result.unmatched.size());
  FUZZ_CHECK(moved == static_cast<std::size_t>(result.entriesMoved));
  return 0;
}
