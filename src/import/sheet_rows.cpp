#include "import/sheet_rows.h"

#include <algorithm>

#include "tables/cp932.h"
#include "tables/food_edition.h"

namespace eiyou::import {
namespace {

// What a heading cell costs beside its text: a row of millions of empty cells
// must meet the cap as surely as one long caption.
constexpr std::size_t kHeadingCellCost = sizeof(RowCells::value_type);

constexpr std::size_t kFoodNumbers = 100000;  // "00000" to "99999"

std::string SizeText(std::size_t bytes) {
  return bytes >= (std::size_t{1} << 20) ? std::to_string(bytes >> 20) + " MiB"
                                         : std::to_string(bytes) + " バイト";
}

}  // namespace

std::size_t SheetRows::CellRoom() const {
  if (!inHeader_) return limits_.cellBytes + 1;
  const std::size_t used = headerBytes_ + kHeadingCellCost;
  return used > limits_.headingBytes ? 1 : limits_.headingBytes - used + 1;
}

void SheetRows::BeginRow(int line) {
  row_.line = line;
  if (inHeader_) {
    headerRow_.clear();
    headerBytes_ = 0;
  } else {
    for (std::string& cell : row_.cells) cell.clear();
    for (std::string& cell : row_.components) cell.clear();
  }
}

bool SheetRows::Cell(int column, std::string text) {
  if (inHeader_) {
    headerBytes_ += text.size() + kHeadingCellCost;
    if (headerBytes_ > limits_.headingBytes) {
      result_.error = std::to_string(row_.line) + "行目の見出しが大きすぎます（成分識別子の行より上の行は 1 行 " +
                      SizeText(limits_.headingBytes) + " まで）";
      return false;
    }
    headerRow_.emplace_back(column, std::move(text));
    return true;
  }
  const int slot = SlotOf(column), component = ComponentOf(column);
  if (slot < 0 && component < 0) return true;
  if (text.size() > limits_.cellBytes) {
    result_.error = std::to_string(row_.line) + "行目の " + std::to_string(column + 1) +
                    "列目のセルが長すぎます（上限 " + SizeText(limits_.cellBytes) + "）";
    return false;
  }
  if (component >= 0) row_.components[static_cast<std::size_t>(component)] = text;
  if (slot >= 0) row_.cells[slot] = std::move(text);
  return true;
}

bool SheetRows::EndRow() {
  if (!inHeader_) {
    const std::size_t before = result_.foods.size();
    AddFood(row_, limits_, result_);
    if (result_.foods.size() == before) return true;
    const std::string& number = result_.foods.back().number;
    if (result_.foods.size() > static_cast<std::size_t>(limits_.foods)) {
      result_.error = "食品が多すぎます: " + std::to_string(row_.line) + "行目（食品番号 " + number +
                      "）で " + std::to_string(limits_.foods) +
                      " 食品を超えます（食品成分表はそれより後の行を読みません）";
      return false;
    }
    int& first = lineOfNumber_[static_cast<std::size_t>(std::stoi(number))];  // five digits
    if (first != 0) {
      result_.error = "食品番号 " + number + " が " + std::to_string(first) + "行目と " +
                      std::to_string(row_.line) + "行目にあります（同じ食品番号の食品は一つの表に入れられません）";
      return false;
    }
    first = row_.line;
    return true;
  }
  if (!IsIdentifierRow(headerRow_)) {
    // Only the first caption of each kind can head a column.
    for (auto& cell : headerRow_) {
      if (result_.edition.empty()) {
        std::string edition;
        if (Utf8ToCp932(EditionFromTitle(cell.second), edition) && IsEditionText(edition))
          result_.edition = std::move(edition);
      }
      if (!IsUsefulCaption(cell.second)) continue;
      const std::string bare = CaptionKind(cell.second);
      const bool seen = std::any_of(captions_.begin(), captions_.end(),
                                    [&](const auto& kept) { return kept.second == bare; });
      if (!seen) captions_.emplace_back(cell.first, bare);
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
  result_.componentIdentifiers = map.components;
  row_.components.assign(map.components.size(), std::string());
  if (!map.componentColumn.empty())
    componentOf_.assign(static_cast<std::size_t>(*std::max_element(map.componentColumn.begin(),
                                                                   map.componentColumn.end())) + 1, -1);
  for (std::size_t k = 0; k < map.componentColumn.size(); ++k)
    componentOf_[static_cast<std::size_t>(map.componentColumn[k])] = static_cast<signed char>(k);
  lineOfNumber_.assign(kFoodNumbers, 0);
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
