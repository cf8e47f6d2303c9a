// The food composition table: 23 text columns by 1834 rows, row = line of the file.
#pragma once

#include <array>
#include <string>

#include "tables/errors.h"

namespace eiyou {

class FoodTable {
 public:
  static constexpr int kColumns = 23;
  static constexpr int kRows = 1834;

  // column 1..23, row 1..1834; anything else reads as an empty text.
  const std::string& Cell(int column, int row) const;
  void SetCell(int column, int row, std::string text);

 private:
  // Default-initialised (every string empty): an explicit "{}" here makes clang 14
  // crash when it compiles a construction of the table.
  std::array<std::array<std::string, kColumns>, kRows> cells_;
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
