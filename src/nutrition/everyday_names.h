// Everyday names of foods and the words the official table writes for them
// (ごはん → めし, 鶏 → にわとり), so that the food search finds what people
// call a food. Read from a small text file of the data folder that users may
// extend; the bundled file is built in for data folders made before it existed.
//
// The file: UTF-8 (or CP932), one mapping a line, "everyday words = official
// words", the words on each side separated by blanks (U+0020, tab, U+3000).
// Lines that begin with "#" (or "＃") and empty lines are comments. A line
// without exactly one "=" (or "＝"), or with no word on one side, is skipped.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

inline constexpr const char* kEverydayNamesFileName = "食品の呼び名.TXT";

class EverydayNames {
 public:
  // One mapping line as written (UTF-8).
  struct Entry {
    int line = 0;  // 1..
    std::vector<std::string> everyday, official;
  };

  static EverydayNames Parse(std::string_view fileBytes);
  // The bundled table, parsed once.
  static const EverydayNames& Bundled();

  // The official words (folded for search) that the folded everyday word
  // `folded` stands for; nullptr when it is none.
  const std::vector<std::string>* Official(std::string_view folded) const;
  // The longest folded everyday word, in bytes.
  std::size_t longest() const { return longest_; }
  bool empty() const { return official_.empty(); }

  const std::vector<Entry>& entries() const { return entries_; }
  // The lines skipped as not being a mapping (1..).
  const std::vector<int>& skippedLines() const { return skipped_; }

 private:
  std::vector<Entry> entries_;
  std::vector<int> skipped_;
  std::map<std::string, std::vector<std::string>, std::less<>> official_;
  std::size_t longest_ = 0;
};

// The table of 食品の呼び名.TXT in the current data directory; the bundled
// one when the file is missing or cannot be read. Never reports anything:
// the search is only less helpful without the file, and data folders made
// before the file was bundled have none.
EverydayNames LoadEverydayNames();

}  // namespace eiyou
