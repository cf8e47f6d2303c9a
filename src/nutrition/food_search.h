// Finding foods by name as people type: hiragana and katakana, full- and
// half-width forms and ASCII case do not matter; words separated by blanks
// must all be found, in any order; everyday names find the official ones.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "nutrition/everyday_names.h"
#include "tables/food_table.h"

namespace eiyou {

// The search form of a UTF-8 text: katakana (full- and half-width, a
// half-width voiced or semi-voiced mark joined to its kana) as hiragana,
// full-width ASCII as ASCII, ASCII letters in lower case, blanks (U+0020,
// tab, U+3000) left out. Malformed UTF-8 bytes are kept as they are.
std::string FoldForSearch(std::string_view utf8);

// The words of a text: its parts between blanks (U+0020, tab, U+3000).
std::vector<std::string_view> SplitWords(std::string_view utf8);

// A typed text ready to be matched against names in search form. Every word
// of it must be found in a name, in any order. A word is found when the name
// holds it; and when the word is an everyday name, or is made of everyday
// names and other text (鶏むね: 鶏 and むね), also when the name holds each of
// its parts, an everyday name counting as found when the name holds it or
// any of its official words.
class FoodQuery {
 public:
  FoodQuery(std::string_view typedUtf8, const EverydayNames& everyday);
  // Nothing to look for: the text has no word.
  bool empty() const { return words_.empty(); }
  bool Matches(std::string_view foldedName) const;

 private:
  using Choice = std::vector<std::string>;  // held when any of them is
  using Pieces = std::vector<Choice>;       // held when all of them are
  using Word = std::vector<Pieces>;         // found when any way is held
  std::vector<Word> words_;
};

// The food names of a table in search form, made once per load of the table.
class FoodNameIndex {
 public:
  // Decodes (CP932) and folds the name of every row of `table`; the typed
  // words are looked up with `everyday`.
  void Build(const FoodTable& table, EverydayNames everyday = {});
  void Clear() { folded_.clear(); }
  bool built() const { return !folded_.empty(); }

  // The rows whose name matches `typedUtf8` as a FoodQuery, in table order;
  // nothing for a text without a word.
  std::vector<int> Find(std::string_view typedUtf8) const;

  // The name of `row` (1..) in search form.
  const std::string& Folded(int row) const { return folded_[static_cast<std::size_t>(row - 1)]; }
  int rows() const { return static_cast<int>(folded_.size()); }

 private:
  std::vector<std::string> folded_;
  EverydayNames everyday_;
};

}  // namespace eiyou
