// Finding foods by name as people type: hiragana and katakana, full- and
// half-width forms, blanks and ASCII case do not matter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/food_table.h"

namespace eiyou {

// The search form of a UTF-8 text: katakana (full- and half-width, a
// half-width voiced or semi-voiced mark joined to its kana) as hiragana,
// full-width ASCII as ASCII, ASCII letters in lower case, blanks (U+0020,
// tab, U+3000) left out. Malformed UTF-8 bytes are kept as they are.
std::string FoldForSearch(std::string_view utf8);

// The food names of a table in search form, made once per load of the table.
class FoodNameIndex {
 public:
  // Decodes (CP932) and folds the name of every row of `table`.
  void Build(const FoodTable& table);
  void Clear() { folded_.clear(); }
  bool built() const { return !folded_.empty(); }

  // The rows whose name holds the folded `typedUtf8`, in table order; nothing
  // for a text that folds to nothing.
  std::vector<int> Find(std::string_view typedUtf8) const;

  // The name of `row` (1..) in search form.
  const std::string& Folded(int row) const { return folded_[static_cast<std::size_t>(row - 1)]; }
  int rows() const { return static_cast<int>(folded_.size()); }

 private:
  std::vector<std::string> folded_;
};

}  // namespace eiyou
