// The side file of data-quality marks beside the food table, 食品成分表５訂.MARKS:
// per food and column, whether the official value was measured, estimated,
// not analysed, a trace or a presumed zero. The importer writes it; the
// windows read it to mark totals that rest on estimates or missing values.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/food_table.h"

namespace eiyou {

// What a written cell stands for.
enum class CellMark : char {
  Plain = '.',
  Estimated = 'E',     // "(12.3)" in the source
  NotAnalysed = '-',   // "-" or an empty cell
  Trace = 'T',         // "Tr" or "(Tr)"
  PresumedZero = 'Z',  // "(0)"
  Problem = '?',       // unreadable text, written as "-"
};

// ASCII, one line per food in table order,
// "<5-digit number>\t<23 mark characters>\r\n".
inline constexpr const char* kFoodMarksFileName = "食品成分表５訂.MARKS";

struct FoodMarksLine {
  std::string number;  // empty when the line was not of the expected form
  std::array<CellMark, FoodTable::kColumns> marks{};
};
// One entry per line (CR LF, CR or LF), so entry i belongs to table line i + 1.
// A malformed line gives an empty number and Problem marks; a character that is
// not a mark reads as Problem.
std::vector<FoodMarksLine> ReadFoodMarks(std::string_view bytes);

// The marks file of the current data directory, read without a word: a
// missing, unreadable or oversized file gives no marks.
std::vector<FoodMarksLine> LoadFoodMarks();

// How far a cell of the table can be trusted.
enum class CellQuality { Analysed, Estimated, NotAnalysed };

// The quality of the cell at `column` (1..23), `row` of `table`. The marks
// line of that row counts only when its food number is the row's (a table
// replaced without its marks file keeps no stale marks); without one, a "-"
// cell is still not analysed. A "-" cell is never analysed, whatever a mark says.
CellQuality QualityOf(const FoodTable& table, const std::vector<FoodMarksLine>& marks, int column,
                      int row);

}  // namespace eiyou
