#include "tables/food_table.h"

#include <utility>

#include "tables/data_dir.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {
const std::string kEmpty;
}

const std::string& FoodTable::Cell(int column, int row) const {
  if (column < 1 || column > kColumns || row < 1 || row > kRows) return kEmpty;
  return cells_[row - 1][column - 1];
}

void FoodTable::SetCell(int column, int row, std::string text) {
  if (column < 1 || column > kColumns || row < 1 || row > kRows) return;
  cells_[row - 1][column - 1] = std::move(text);
}

void LoadFoodTable(FoodTable& table, MessageSink& sink) {
  const bool moreLines = LoadTableFile(
      kFoodFileName, FoodTable::kRows, FoodTable::kColumns, sink,
      [&](int row, std::vector<std::string>& fields) {
        for (int column = 1; column <= FoodTable::kColumns; ++column)
          table.SetCell(column, row, std::move(fields[column - 1]));
      });
  if (moreLines) sink.Show(kFoodTableTruncatedMessage);
}

}  // namespace eiyou
