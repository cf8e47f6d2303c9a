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
  const std::string path = JoinPath(DataDirectory(), kFoodFileName);
  if (!CheckDataFile(path, sink)) return;
  bool moreLines = false;
  const std::vector<std::string> lines = ReadTableLines(path, FoodTable::kRows, &moreLines);
  int row = 1;
  for (const std::string& line : lines) {
    std::vector<std::string> fields = SplitFields(line, FoodTable::kColumns - 1);
    for (int column = 1; column <= FoodTable::kColumns; ++column) {
      table.SetCell(column, row, std::move(fields[column - 1]));
    }
    ++row;
  }
  if (moreLines) sink.Show(kFoodTableTruncatedMessage);
}

}  // namespace eiyou
