#include "tables/food_table.h"

#include <utility>

#include "tables/data_dir.h"
#include "tables/table_loader.h"
#include "tables/text_fields.h"

namespace eiyou {

std::string_view FoodTable::Cell(int column, int row) const {
  if (column < 1 || column > kColumns || row < 1 || row > static_cast<int>(rows_.size())) return {};
  const Row& r = rows_[row - 1];
  return std::string_view(r.bytes).substr(r.begin[column - 1], r.size[column - 1]);
}

void FoodTable::SetCell(int column, int row, std::string_view text) {
  if (column < 1 || column > kColumns || row < 1 || row > rows()) return;
  if (row > static_cast<int>(rows_.size())) rows_.resize(static_cast<std::size_t>(row));
  // Rebuild the row's text with the new cell in place (rare: tests and tools).
  Row& r = rows_[row - 1];
  Row rebuilt;
  for (int c = 1; c <= kColumns; ++c) {
    const std::string_view cell = c == column ? text : Cell(c, row);
    rebuilt.begin[c - 1] = rebuilt.bytes.size();
    rebuilt.size[c - 1] = cell.size();
    rebuilt.bytes += cell;
  }
  r = std::move(rebuilt);
}

void FoodTable::SetRow(int row, std::string_view line) {
  if (row < 1 || row > kMaxRows) return;
  if (row > static_cast<int>(rows_.size())) rows_.resize(static_cast<std::size_t>(row));
  Row& r = rows_[row - 1];
  SplitFieldBounds(line, kColumns - 1, r.begin.data(), r.size.data());
  // Places are offsets, so the copy keeps them; a table loaded again reuses
  // the room its rows already have.
  r.bytes.assign(line);
}

void LoadFoodTable(FoodTable& table, MessageSink& sink) {
  const bool moreLines =
      LoadTableLines(kFoodFileName, FoodTable::kMaxRows, sink,
                     [&](int row, std::string_view line) { table.SetRow(row, line); });
  if (moreLines) sink.Show(kFoodTableTruncatedMessage);
}

}  // namespace eiyou
