#include "nutrition/repoint.h"

#include <string_view>
#include <unordered_map>

#include "nutrition/food_entry.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {

// The food number of a FoodEntry: between the first "]" and the next ":".
// Empty when the entry has no such head or no "=" (then nothing is kept).
std::string_view EntryNumber(std::string_view entry) {
  if (entry.empty() || entry[0] != '[') return {};
  const std::size_t close = entry.find(']');
  if (close == std::string_view::npos) return {};
  const std::size_t colon = entry.find(':', close);
  const std::size_t equals = entry.find('=');
  if (colon == std::string_view::npos || equals == std::string_view::npos || equals < colon)
    return {};
  return entry.substr(close + 1, colon - close - 1);
}

}  // namespace

RepointResult RepointDishLines(const std::vector<std::string>& lines, const FoodTable& table) {
  // The first line of each number wins, as a reader scanning the table finds it.
  std::unordered_map<std::string_view, int> rowOf;
  for (int r = table.rows(); r >= 1; --r) {
    const std::string_view number = table.Cell(1, r);
    if (!number.empty()) rowOf[number] = r;
  }
  RepointResult result;
  result.lines.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> pieces = SplitAtCommas(lines[i]);
    for (std::size_t k = 3; k < pieces.size(); ++k) {
      std::string& entry = pieces[k];
      const std::string_view number = EntryNumber(entry);
      const auto found = number.empty() ? rowOf.end() : rowOf.find(number);
      const std::string choice = found == rowOf.end() ? std::string() : FoodChoiceText(table, found->second);
      // A new name with "=" would move where the weight is read; one with a
      // line end would break the line.
      if (choice.empty() || BreaksTheLine(choice) || choice.find('=') != std::string::npos) {
        result.unmatched.push_back({i, entry});
        continue;
      }
      std::string moved = choice + entry.substr(entry.find('='));
      if (moved != entry) {
        entry = std::move(moved);
        ++result.entriesMoved;
      }
    }
    std::string line;
    line.reserve(lines[i].size());
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      if (k) line += ',';
      line += pieces[k];
    }
    result.lines.push_back(std::move(line));
  }
  return result;
}

}  // namespace eiyou
