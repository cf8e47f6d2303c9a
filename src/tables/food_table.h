// The food composition table: 23 text columns by 1834 rows, row = line of the file.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "tables/errors.h"

namespace eiyou {

class FoodTable {
 public:
  static constexpr int kColumns = 23;
  static constexpr int kRows = 1834;

  // column 1..23, row 1..1834; anything else reads as an empty text. The view
  // stays valid until that row is changed.
  std::string_view Cell(int column, int row) const;
  void SetCell(int column, int row, std::string_view text);

  // Stores a line of the food file as row `row`, cut into its 23 fields as
  // SplitFields cuts it. The row keeps the line's bytes; the cells are views.
  void SetRow(int row, std::string line);

 private:
  // A row is one text with the place of each cell in it: loading a table of
  // 42,000 cells then costs little more than reading its lines.
  struct Row {
    std::string bytes;
    std::array<std::size_t, kColumns> begin{};
    std::array<std::size_t, kColumns> size{};
  };
  std::array<Row, kRows> rows_;
};

// Shown once when the food file has more lines than the table has rows.
inline constexpr const char* kFoodTableTruncatedMessage =
    "食品成分表の1835行目以降は読み込みませんでした！";

// Fills `table` from 食品成分表５訂.CSV in the current data directory. Rows past
// the last line read keep what they held. A missing file: CheckDataFile's message
// and nothing changes. More than 1834 lines: the first 1834 are stored and the
// user is told once. An unreadable file throws IoError (rows stored so far stay).
void LoadFoodTable(FoodTable& table, MessageSink& sink);

}  // namespace eiyou
