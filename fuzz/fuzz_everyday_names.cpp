// The everyday names reader over arbitrary file bytes, and food queries made
// with what it read.
//
// Input: byte 0 is the length of the typed text that follows it (bytes
// 1..n); the rest is the names file.
//
// Properties: every mapping read has words on both sides, none holding a
// blank or an equals sign, and each of its everyday words is looked up by its
// folded form; the line numbers of mappings and skipped lines rise; everyday
// names only add to what a text finds, never take away: a name matched
// without them is matched with them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "nutrition/everyday_names.h"
#include "nutrition/food_search.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

bool Plain(const std::string& word) {
  return !word.empty() && word.find_first_of(" \t=") == std::string::npos &&
         word.find("\xE3\x80\x80") == std::string::npos &&
         word.find("\xEF\xBC\x9D") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t typedSize = std::min<std::size_t>(data[0], size - 1);
  const std::string_view typed = bytes.substr(1, typedSize);
  const std::string_view file = bytes.substr(1 + typedSize);

  const EverydayNames names = EverydayNames::Parse(file);
  int last = 0;
  for (const EverydayNames::Entry& entry : names.entries()) {
    FUZZ_CHECK(entry.line > last);
    last = entry.line;
    FUZZ_CHECK(!entry.everyday.empty() && !entry.official.empty());
    for (const std::string& word : entry.everyday) {
      FUZZ_CHECK(Plain(word));
      const std::string key = FoldForSearch(word);
      FUZZ_CHECK(names.Official(key) != nullptr);
      FUZZ_CHECK(key.size() <= names.longest());
    }
    for (const std::string& word : entry.official) FUZZ_CHECK(Plain(word));
  }
  last = 0;
  for (int line : names.skippedLines()) {
    FUZZ_CHECK(line > last);
    last = line;
  }

  // Names to match: the official words themselves, the typed text, and the
  // file's text, all in search form.
  std::vector<std::string> folded{FoldForSearch(typed)};
  std::string decoded;
  folded.push_back(FoldForSearch(Utf8OrCp932Text(file, decoded)));
  for (const EverydayNames::Entry& entry : names.entries())
    for (const std::string& word : entry.official) folded.push_back(FoldForSearch(word));

  const FoodQuery with(typed, names), without(typed, EverydayNames{});
  FUZZ_CHECK(with.empty() == without.empty());
  for (const std::string& name : folded)
    if (without.Matches(name)) FUZZ_CHECK(with.Matches(name));
  // A text matches its own search form (it has no blank to split at then).
  const std::string key = FoldForSearch(typed);
  if (!without.empty() && SplitWords(typed).size() == 1) FUZZ_CHECK(with.Matches(key));
  return 0;
}
