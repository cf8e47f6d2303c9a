// Properties of every import, whatever the input: a failure says why and
// keeps nothing; a success gives a table whose every line the program can
// split into its 23 fields, and marks that read back line for line.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "import/food_import.h"

namespace eiyou::fuzz {

inline bool IsTableValue(std::string_view cell) {
  if (cell == "-" || cell == "Tr" || cell == "(0)") return true;
  if (cell.empty() || cell.front() == '.' || cell.back() == '.') return false;
  int dots = 0;
  for (char c : cell) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots <= 1;
}

inline void CheckImport(const FoodImport& r) {
  if (!r.ok) {
    FUZZ_CHECK(!r.error.empty());
    FUZZ_CHECK(r.foods.empty() && r.problems.empty());
    return;
  }
  FUZZ_CHECK(r.error.empty() && !r.foods.empty());
  int perGroup = 0;
  for (int g = 1; g <= 18; ++g) perGroup += r.foodsPerGroup[g];
  FUZZ_CHECK(perGroup == static_cast<int>(r.foods.size()) && r.foodsPerGroup[0] == 0);
  for (const ImportedFood& food : r.foods) {
    FUZZ_CHECK(food.number.size() == 5);
    const int group = (food.number[0] - '0') * 10 + (food.number[1] - '0');
    FUZZ_CHECK(group >= 1 && group <= 18);
    FUZZ_CHECK(food.cells[0] == (group < 10 ? " " + food.number.substr(1) : food.number));
    // The table's line and field rules: no CR, LF, 0x1A or comma inside a cell.
    FUZZ_CHECK(food.cells[1].find_first_of(std::string_view("\r\n\x1A,", 4)) == std::string::npos);
    for (int c = 2; c < kImportColumns; ++c) {
      FUZZ_CHECK(IsTableValue(food.cells[c]));
      const CellMark m = food.marks[c];
      FUZZ_CHECK((food.cells[c] == "-") == (m == CellMark::NotAnalysed || m == CellMark::Problem));
      FUZZ_CHECK((food.cells[c] == "Tr") == (m == CellMark::Trace));
    }
  }
  // One table the program can read: every food number once, no more foods than its rows.
  FUZZ_CHECK(r.foods.size() <= static_cast<std::size_t>(FoodTable::kMaxRows));
  std::vector<std::string> numbers;
  for (const ImportedFood& food : r.foods) numbers.push_back(food.number);
  std::sort(numbers.begin(), numbers.end());
  FUZZ_CHECK(std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end());
  const std::string table = FoodTableBytes(r.foods);
  const std::vector<std::string> lines = ModelTableLines(table);
  FUZZ_CHECK(lines.size() == r.foods.size());
  for (const std::string& line : lines) FUZZ_CHECK(CountByte(line, ',') == 22);

  const std::vector<FoodMarksLine> marks = ReadFoodMarks(FoodMarksBytes(r.foods));
  FUZZ_CHECK(marks.size() == r.foods.size());
  for (std::size_t i = 0; i < marks.size(); ++i) {
    FUZZ_CHECK(marks[i].number == r.foods[i].number);
    FUZZ_CHECK(marks[i].marks == r.foods[i].marks);
  }
}

}  // namespace eiyou::fuzz
