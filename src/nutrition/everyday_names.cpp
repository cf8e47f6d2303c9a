#include "nutrition/everyday_names.h"

#include <algorithm>

#include "nutrition/food_search.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

// The bytes of data/食品の呼び名.TXT, written into the build by CMake.
extern const char kBundledEverydayNames[];
extern const std::size_t kBundledEverydayNamesSize;

namespace {

// A table of mappings is a few kilobytes; a file far larger is not one, and
// is read only this far (up to its last line end before it).
constexpr std::size_t kMaxFileBytes = 1 << 20;

std::string_view TrimBlanks(std::string_view s) {
  for (;;) {
    if (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    else if (s.substr(0, 3) == "\xE3\x80\x80") s.remove_prefix(3);
    else if (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    else if (s.size() >= 3 && s.substr(s.size() - 3) == "\xE3\x80\x80") s.remove_suffix(3);
    else return s;
  }
}

constexpr std::string_view kFullWidthEquals = "\xEF\xBC\x9D";  // ＝
constexpr std::string_view kFullWidthHash = "\xEF\xBC\x83";    // ＃

// Where the one "=" or "＝" of `line` is, and its length; 0 when there is
// none or more than one.
std::size_t FindEquals(std::string_view line, std::size_t& at) {
  std::size_t found = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    std::size_t length = 0;
    if (line[i] == '=') length = 1;
    else if (line.compare(i, 3, kFullWidthEquals) == 0) length = 3;
    if (length == 0) continue;
    if (found != 0) return 0;
    at = i;
    found = length;
  }
  return found;
}

std::vector<std::string> Words(std::string_view side) {
  std::vector<std::string> words;
  for (std::string_view w : SplitWords(side)) words.emplace_back(w);
  return words;
}

}  // namespace

EverydayNames EverydayNames::Parse(std::string_view fileBytes) {
  EverydayNames names;
  std::string decoded;
  const std::string_view text = Utf8OrCp932Text(fileBytes, decoded);
  int number = 0;
  for (std::size_t start = 0; start < text.size();) {
    // CR LF, LF or a lone CR ends a line.
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimBlanks(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++number;
    if (line.empty() || line.front() == '#' || line.substr(0, 3) == kFullWidthHash) continue;

    std::size_t at = 0;
    const std::size_t equals = FindEquals(line, at);
    Entry entry;
    entry.line = number;
    if (equals != 0) {
      entry.everyday = Words(line.substr(0, at));
      entry.official = Words(line.substr(at + equals));
    }
    if (entry.everyday.empty() || entry.official.empty()) {
      names.skipped_.push_back(number);
      continue;
    }
    for (const std::string& word : entry.everyday) {
      std::string key = FoldForSearch(word);
      names.longest_ = std::max(names.longest_, key.size());
      std::vector<std::string>& official = names.official_[std::move(key)];
      for (const std::string& o : entry.official) {
        std::string folded = FoldForSearch(o);
        if (std::find(official.begin(), official.end(), folded) == official.end())
          official.push_back(std::move(folded));
      }
    }
    names.entries_.push_back(std::move(entry));
  }
  return names;
}

const EverydayNames& EverydayNames::Bundled() {
  static const EverydayNames bundled =
      Parse(std::string_view(kBundledEverydayNames, kBundledEverydayNamesSize));
  return bundled;
}

const std::vector<std::string>* EverydayNames::Official(std::string_view folded) const {
  const auto it = official_.find(folded);
  return it == official_.end() ? nullptr : &it->second;
}

EverydayNames LoadEverydayNames() {
  const std::string path = JoinPath(DataDirectory(), kEverydayNamesFileName);
  if (!EntryExists(path)) return EverydayNames::Bundled();
  std::string bytes;
  try {
    bytes = ReadFileStart(path, kMaxFileBytes + 1);
  } catch (const IoError&) {
    return EverydayNames::Bundled();
  }
  if (bytes.size() > kMaxFileBytes) {
    const std::size_t lastEnd = bytes.find_last_of("\r\n", kMaxFileBytes - 1);
    bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
  }
  return EverydayNames::Parse(bytes);
}

}  // namespace eiyou
