// The row walk shared by the workbook and the text readers: rows before the
// identifier row are looked at whole (for the identifiers and the captions);
// after it only the mapped columns are kept, and each row with a food number
// becomes a food. Every cell kept is capped, and a table the program could not
// read as one (a food number twice, more foods than it reads) is refused.
#pragma once

#include <string>
#include <vector>

#include "import/food_columns.h"

namespace eiyou::import {

class SheetRows {
 public:
  SheetRows(const ImportLimits& limits, FoodImport& result) : limits_(limits), result_(result) {}

  bool InHeader() const { return inHeader_; }
  // The source slot of a column once the identifiers are known; -1 when unused.
  int SlotOf(int column) const {
    return column >= 0 && column < static_cast<int>(slotOf_.size()) ? slotOf_[column] : -1;
  }
  // The place of a column among the components kept; -1 when none.
  int ComponentOf(int column) const {
    return column >= 0 && column < static_cast<int>(componentOf_.size()) ? componentOf_[column] : -1;
  }
  // Whether a cell of this column is needed (its text may be skipped otherwise).
  bool Wants(int column) const { return inHeader_ || SlotOf(column) >= 0 || ComponentOf(column) >= 0; }
  // The most bytes of the next cell worth collecting: one more than Cell takes,
  // so that a reader may stop collecting there and still be refused.
  std::size_t CellRoom() const;

  // `line` is the row or line number shown in messages.
  void BeginRow(int line);
  // False when reading must stop (the cell is over its cap): result.error says why.
  bool Cell(int column, std::string text);
  // False when reading must stop: result.error says why.
  bool EndRow();
  // After the last row: the errors of a source without identifiers or foods.
  // `noIdentifierRow` is the format's message for the first.
  void Finish(const std::string& noIdentifierRow);

 private:
  const ImportLimits& limits_;
  FoodImport& result_;
  bool inHeader_ = true;
  RowCells headerRow_, captions_;
  std::size_t headerBytes_ = 0;  // headerRow_'s cells with their bookkeeping
  std::vector<signed char> slotOf_, componentOf_;
  std::vector<int> lineOfNumber_;  // by food number 0..99999; 0 while unseen
  SourceRow row_;
};

}  // namespace eiyou::import
