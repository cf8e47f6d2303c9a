// The row walk shared by the workbook and the text readers: rows before the
// identifier row are looked at whole (for the identifiers and the captions);
// after it only the mapped columns are kept, and each row with a food number
// becomes a food.
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
  // Whether a cell of this column is needed (its text may be skipped otherwise).
  bool Wants(int column) const { return inHeader_ || SlotOf(column) >= 0; }

  // `line` is the row or line number shown in messages.
  void BeginRow(int line);
  void Cell(int column, std::string text);
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
  std::vector<signed char> slotOf_;
  SourceRow row_;
};

}  // namespace eiyou::import
