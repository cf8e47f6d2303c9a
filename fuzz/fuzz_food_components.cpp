// The reader of every component beside the table, over the file's bytes.
//
// The input is the file itself, tied to a table of 123 bytes (the seeds name
// that size). Every food taken must be a line that an independent reading of
// the bytes takes, in the same order; every cell must read as its text says,
// each figure as std::from_chars reads its digits (the reader's own quicker
// way must give the very same double); a refused file must hold nothing.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "tables/food_components.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

std::vector<std::string_view> Split(std::string_view text, char at) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(at, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The notation of a cell, and its figure through from_chars.
ComponentValue Model(std::string_view cell) {
  if (cell.empty()) return {0, ComponentMark::None};
  if (cell == "-") return {0, ComponentMark::NotAnalysed};
  if (cell == "Tr") return {0, ComponentMark::Trace};
  if (cell == "(Tr)") return {0, ComponentMark::EstimatedTrace};
  if (cell == "(0)") return {0, ComponentMark::PresumedZero};
  ComponentMark mark = ComponentMark::Plain;
  if (cell.size() > 2 && cell.front() == '(' && cell.back() == ')') {
    cell = cell.substr(1, cell.size() - 2);
    mark = ComponentMark::Estimated;
  }
  const std::size_t point = cell.find('.');
  if (!Digits(cell.substr(0, point)) ||
      (point != std::string_view::npos && !Digits(cell.substr(point + 1))))
    return {};
  double value = 0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (ec != std::errc() || end != cell.data() + cell.size()) return {};
  return {value, mark};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FoodComponents c = FoodComponents::Parse(std::string(bytes), 123);
  FUZZ_CHECK(c.problems().size() <= 100);
  if (!c.available()) {
    FUZZ_CHECK(c.foodCount() == 0 && c.identifiers().empty());
    FUZZ_CHECK(c.Value(0, 0).mark == ComponentMark::NotAvailable);
    return 0;
  }

  std::vector<std::string_view> lines = Split(bytes, '\n');
  if (lines.back().empty()) lines.pop_back();  // the end of the last line
  for (std::string_view& line : lines)
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  FUZZ_CHECK(lines.size() >= 2);
  const std::vector<std::string_view> ids = Split(lines[1], '\t');
  FUZZ_CHECK(ids.size() == c.identifiers().size() + 1 && ids[0] == "FN");

  int food = 0;
  for (std::size_t l = 2; l < lines.size(); ++l) {
    const std::vector<std::string_view> cells = Split(lines[l], '\t');
    if (cells.size() != ids.size() || cells[0].size() != 5 || !Digits(cells[0])) continue;
    FUZZ_CHECK(food < c.foodCount());
    FUZZ_CHECK(c.FoodNumber(food) == cells[0]);
    const int found = c.FoodIndex(cells[0]);  // itself, or the first line of its number
    FUZZ_CHECK(found >= 0 && found <= food && c.FoodNumber(found) == cells[0]);
    for (std::size_t k = 1; k < cells.size(); ++k) {
      const ComponentValue got = c.Value(food, static_cast<int>(k - 1));
      const ComponentValue want = Model(cells[k]);
      FUZZ_CHECK(got.mark == want.mark);
      FUZZ_CHECK(got.value == want.value);
      FUZZ_CHECK(c.Value(food, ids[k]).mark == want.mark);
    }
    ++food;
  }
  FUZZ_CHECK(food == c.foodCount());
  c.CheckCells();
  FUZZ_CHECK(c.problems().size() <= 100);
  return 0;
}
