// The food composition table: 23 text columns, row = line of the file; at
// least 1834 rows, more when a longer file has been loaded.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tables/errors.h"

namespace eiyou {

class FoodTable {
 public:
  static constexpr int kColumns = 23;
  // Every table has this many rows, filled or not; a longer file adds rows.
  static constexpr int kMinRows = 1834;
  // The most lines a food file fills; rows cost memory, and a damaged file of
  // millions of empty lines must not exhaust it.
  static constexpr int kMaxRows = 100000;

  // The rows there are: kMinRows, or the most lines of a file loaded since.
  int rows() const { return std::max(kMinRows, static_cast<int>(rows_.size())); }

  // column 1..23, row 1..rows(); anything else reads as an empty text. The
  // view stays valid until that row is changed.
  std::string_view Cell(int column, int row) const;
  void SetCell(int column, int row, std::string_view text);

  // Stores a line of the food file as row `row` (1..kMaxRows; the table grows
  // to it), cut into its 23 fields as SplitFields cuts it. The row keeps a
  // copy of the line's bytes; the cells are views of it.
  void SetRow(int row, std::string_view line);

 private:
  // A row is one text with the place of each cell in it: loading a table of
  // 42,000 cells then costs little more than reading its lines.
  struct Row {
    std::string bytes;
    std::array<std::size_t, kColumns> begin{};
    std::array<std::size_t, kColumns> size{};
  };
  // Only the rows ever stored take memory; the others read as empty. Every
  // side of the program has a table, and most are never loaded in a run.
  std::vector<Row> rows_;
};

// Shown once when the food file has more lines than a table may have rows.
inline constexpr const char* kFoodTableTruncatedMessage =
    "食品成分表の100001行目以降は読み込みませんでした！";

// Fills `table` from 食品成分表５訂.CSV in the current data directory, growing
// it to the file's lines. Rows past the last line read keep what they held. A
// missing file: CheckDataFile's message and nothing changes. More than kMaxRows
// lines: the first kMaxRows are stored and the user is told once. An unreadable
// file throws IoError (rows stored so far stay).
void LoadFoodTable(FoodTable& table, MessageSink& sink);

}  // namespace eiyou
