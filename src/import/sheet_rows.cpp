#include "import/sheet_rows.h"

#include <algorithm>

#include "tables/cp932.h"
#include "tables/food_edition.h"

namespace eiyou::import {

void SheetRows::BeginRow(int line) {
  row_.line = line;
  if (inHeader_) {
    headerRow_.clear();
  } else {
    for (std::string& cell : row_.cells) cell.clear();
  }
}

void SheetRows::Cell(int column, std::string text) {
  if (inHeader_) {
    headerRow_.emplace_back(column, std::move(text));
    return;
  }
  const int slot = SlotOf(column);
  if (slot >= 0) row_.cells[slot] = std::move(text);
}

bool SheetRows::EndRow() {
  if (!inHeader_) {
    AddFood(row_, limits_, result_);
    return true;
  }
  if (!IsIdentifierRow(headerRow_)) {
    for (auto& cell : headerRow_) {
      if (result_.edition.empty()) {
        std::string edition;
        if (Utf8ToCp932(EditionFromTitle(cell.second), edition) && IsEditionText(edition))
          result_.edition = std::move(edition);
      }
      if (IsUsefulCaption(cell.second)) captions_.push_back(std::move(cell));
    }
    return true;
  }
  const ColumnMap map = MapColumns(headerRow_, captions_);
  result_.identifiersFound = map.found;
  result_.identifiersMissing = map.missing;
  if (!map.error.empty()) {
    result_.error = map.error;
    return false;
  }
  const int last = *std::max_element(map.column.begin(), map.column.end());
  slotOf_.assign(static_cast<std::size_t>(last) + 1, -1);
  for (int slot = 0; slot < kSlots; ++slot) slotOf_[map.column[slot]] = static_cast<signed char>(slot);
  inHeader_ = false;
  headerRow_.clear();
  captions_.clear();
  return true;
}

void SheetRows::Finish(const std::string& noIdentifierRow) {
  if (!result_.error.empty()) return;
  if (inHeader_) {
    result_.error = noIdentifierRow;
  } else if (result_.foods.empty()) {
    result_.error = "食品の行がありません（5桁の食品番号のある行が見つかりません）";
  }
}

}  // namespace eiyou::import
