#include "nutrition/allergens.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "nutrition/food_search.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

// The bytes of data/アレルゲン.TXT and data/アレルゲン規則.TXT, written into the
// build by CMake.
extern const char kBundledAllergenList[];
extern const std::size_t kBundledAllergenListSize;
extern const char kBundledAllergenRules[];
extern const std::size_t kBundledAllergenRulesSize;

namespace {

// Both files are a few kilobytes; one far larger is not one of them.
constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::string_view kFullWidthHash = "\xEF\xBC\x83";  // ＃

// Calls `line(number, words)` for each line that is not empty or a comment.
template <typename F>
void ForEachLine(std::string_view bytes, F&& line) {
  int number = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view text = bytes.substr(start, end - start);
    start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++number;
    const std::vector<std::string_view> words = SplitWords(text);
    if (words.empty() || words.front().front() == '#' ||
        words.front().substr(0, 3) == kFullWidthHash)
      continue;
    line(number, words);
  }
}

std::string At(const char* file, int line) {
  return std::string(file) + " の " + std::to_string(line) + " 行目: ";
}

// Decodes the file; a file that is neither UTF-8 nor CP932 text, or too
// large, is one problem.
std::string_view FileText(std::string_view bytes, std::string& decoded, const char* file,
                          std::vector<std::string>& problems) {
  if (bytes.size() > kMaxFileBytes) {
    problems.push_back(std::string(file) + " が大きすぎます（1 MB まで）。");
    return {};
  }
  return Utf8OrCp932Text(bytes, decoded);
}

// "10", "10-18", "1,6-7" → ranges of food groups 1..18.
bool ParseGroups(std::string_view text, std::vector<std::pair<int, int>>& groups) {
  auto number = [](std::string_view s, int& out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && out >= 1 && out <= 18;
  };
  for (std::size_t start = 0;;) {
    std::size_t comma = text.find(',', start);
    const std::string_view part =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const std::size_t dash = part.find('-');
    int from = 0, to = 0;
    if (dash == std::string_view::npos) {
      if (!number(part, from)) return false;
      to = from;
    } else if (!number(part.substr(0, dash), from) || !number(part.substr(dash + 1), to) ||
               to < from) {
      return false;
    }
    groups.emplace_back(from, to);
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

std::string_view Bundled(const char* bytes, std::size_t size) { return {bytes, size}; }

// The file of the data folder, or nothing when it is not there. A file
// that cannot be read is a problem of its own.
std::optional<std::string> ReadDataFile(const char* name, std::vector<std::string>& problems) {
  const std::string path = JoinPath(DataDirectory(), name);
  if (!EntryExists(path)) return std::nullopt;
  std::string bytes;
  try {
    bytes = ReadFileStart(path, kMaxFileBytes + 1);
  } catch (const IoError& e) {
    problems.push_back(std::string(name) + " を読み込めませんでした（" + e.what() + "）。");
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

int AllergenList::Index(std::string_view name) const {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].name == name) return static_cast<int>(i);
  return -1;
}

AllergenFileRead<AllergenList> ParseAllergenList(std::string_view fileBytes) {
  AllergenFileRead<AllergenList> read;
  std::string decoded;
  const std::string_view text = FileText(fileBytes, decoded, kAllergenListFileName, read.problems);
  AllergenList& list = read.value;
  int mandatoryLine = 0, recommendedLine = 0;
  bool mandatoryUsed = false, recommendedUsed = false;
  ForEachLine(text, [&](int line, const std::vector<std::string_view>& words) {
    const std::string at = At(kAllergenListFileName, line);
    if (words[0] == "@義務" || words[0] == "@推奨") {
      const bool mandatory = words[0] == "@義務";
      std::string& source = mandatory ? list.mandatorySource : list.recommendedSource;
      int& seen = mandatory ? mandatoryLine : recommendedLine;
      if (seen != 0) {
        read.problems.push_back(at + std::string(words[0]) + " が " + std::to_string(seen) +
                                " 行目にもあります。");
        return;
      }
      if (words.size() < 2) {
        read.problems.push_back(at + "根拠（規則の名前と日付）を書いてください。");
        return;
      }
      seen = line;
      // The rest of the line as written, blanks included.
      const std::string_view first = words[1], last = words.back();
      source.assign(first.data(), last.data() + last.size() - first.data());
      return;
    }
    if (words.size() != 2 || (words[1] != "義務" && words[1] != "推奨")) {
      read.problems.push_back(at + "「品目名 義務」か「品目名 推奨」の形にしてください。");
      return;
    }
    if (words[0] == "全" || words[0].find("・") != std::string_view::npos) {
      read.problems.push_back(at + "品目名に「全」や「・」は使えません。");
      return;
    }
    if (list.Index(words[0]) >= 0) {
      read.problems.push_back(at + "「" + std::string(words[0]) + "」は2度目です。");
      return;
    }
    const bool mandatory = words[1] == "義務";
    (mandatory ? mandatoryUsed : recommendedUsed) = true;
    list.items.push_back({std::string(words[0]), mandatory});
  });
  if (read.problems.empty()) {
    if (list.items.empty()) read.problems.push_back(std::string(kAllergenListFileName) + " に品目がありません。");
    if (mandatoryUsed && mandatoryLine == 0)
      read.problems.push_back(std::string(kAllergenListFileName) + " に「@義務」の根拠の行がありません。");
    if (recommendedUsed && recommendedLine == 0)
      read.problems.push_back(std::string(kAllergenListFileName) + " に「@推奨」の根拠の行がありません。");
  }
  // Mandatory items first, each kind in the file's order.
  std::stable_partition(list.items.begin(), list.items.end(),
                        [](const AllergenItem& i) { return i.mandatory; });
  if (!read.ok()) read.value = {};
  return read;
}

AllergenFileRead<std::vector<AllergenRule>> ParseAllergenRules(std::string_view fileBytes,
                                                               const AllergenList& list) {
  AllergenFileRead<std::vector<AllergenRule>> read;
  std::string decoded;
  const std::string_view text = FileText(fileBytes, decoded, kAllergenRulesFileName, read.problems);
  ForEachLine(text, [&](int line, const std::vector<std::string_view>& words) {
    const std::string at = At(kAllergenRulesFileName, line);
    AllergenRule rule;
    rule.line = line;
    const std::string_view first = words.front(), last = words.back();
    rule.text.assign(first.data(), last.data() + last.size() - first.data());
    if (words.size() < 2) {
      read.problems.push_back(at + "「語 品目」の形にしてください。");
      return;
    }
    if (words[0] != "*") rule.pattern = words[0];
    bool all = false;
    for (std::size_t start = 0;;) {
      const std::size_t dot = words[1].find("・", start);
      const std::string_view name = words[1].substr(
          start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
      if (name == "全") {
        all = true;
        for (std::size_t i = 0; i < list.size(); ++i) rule.items.push_back(static_cast<int>(i));
      } else if (const int index = list.Index(name); index >= 0) {
        rule.items.push_back(index);
      } else {
        read.problems.push_back(at + "「" + std::string(name) + "」は " + kAllergenListFileName +
                                " の品目にありません。");
        return;
      }
      if (dot == std::string_view::npos) break;
      start = dot + std::string_view("・").size();
    }
    for (std::size_t i = 2; i < words.size(); ++i) {
      const std::string_view w = words[i];
      if (w == "可能性") {
        rule.presence = AllergenPresence::MayContain;
      } else if (w.substr(0, 4) == "群=") {
        if (!ParseGroups(w.substr(4), rule.groups)) {
          read.problems.push_back(at + "「" + std::string(w) +
                                  "」の食品群は 1～18 の番号か範囲（群=10-18）にしてください。");
          return;
        }
      } else if (w.substr(0, 7) == "除く=" && w.size() > 7) {
        rule.except.emplace_back(w.substr(7));
      } else {
        read.problems.push_back(at + "「" + std::string(w) + "」がわかりません（可能性、群=、除く= が使えます）。");
        return;
      }
    }
    if (all && rule.presence != AllergenPresence::MayContain) {
      read.problems.push_back(at + "「全」は「可能性」と一緒にだけ使えます。");
      return;
    }
    if (rule.pattern.empty() && rule.groups.empty()) {
      read.problems.push_back(at + "「*」の規則には食品群（群=）を付けてください。");
      return;
    }
    read.value.push_back(std::move(rule));
  });
  if (!read.ok()) read.value.clear();
  return read;
}

const AllergenList& BundledAllergenList() {
  static const AllergenList list =
      ParseAllergenList(Bundled(kBundledAllergenList, kBundledAllergenListSize)).value;
  return list;
}

const std::vector<AllergenRule>& BundledAllergenRules() {
  static const std::vector<AllergenRule> rules =
      ParseAllergenRules(Bundled(kBundledAllergenRules, kBundledAllergenRulesSize),
                         BundledAllergenList())
          .value;
  return rules;
}

AllergenData LoadAllergenData() {
  AllergenData data{BundledAllergenList(), BundledAllergenRules(), {}};
  std::optional<std::string> listBytes = ReadDataFile(kAllergenListFileName, data.problems);
  std::optional<std::string> rulesBytes = ReadDataFile(kAllergenRulesFileName, data.problems);
  if (!data.problems.empty() || (!listBytes && !rulesBytes)) return data;
  AllergenFileRead<AllergenList> list;
  if (listBytes) list = ParseAllergenList(*listBytes);
  else list.value = BundledAllergenList();
  if (!list.ok()) {
    data.problems = std::move(list.problems);
    return data;
  }
  // The rules name items by name: the built-in ones are read again against
  // the folder's list.
  AllergenFileRead<std::vector<AllergenRule>> rules =
      rulesBytes ? ParseAllergenRules(*rulesBytes, list.value)
                 : ParseAllergenRules(Bundled(kBundledAllergenRules, kBundledAllergenRulesSize),
                                      list.value);
  if (!rules.ok()) {
    data.problems = std::move(rules.problems);
    return data;
  }
  data.list = std::move(list.value);
  data.rules = std::move(rules.value);
  return data;
}

bool IsProcessedFoodGroup(int group) { return group >= 15 && group <= 18; }

std::vector<AllergenCell> DeriveAllergens(const AllergenList& list,
                                          const std::vector<AllergenRule>& rules, int food,
                                          std::string_view nameUtf8) {
  std::vector<AllergenCell> cells(list.size());
  const int group = food / 1000;
  for (std::size_t r = 0; r < rules.size(); ++r) {
    const AllergenRule& rule = rules[r];
    if (!rule.groups.empty() &&
        std::none_of(rule.groups.begin(), rule.groups.end(),
                     [&](const auto& g) { return group >= g.first && group <= g.second; }))
      continue;
    if (!rule.pattern.empty() && nameUtf8.find(rule.pattern) == std::string_view::npos) continue;
    if (std::any_of(rule.except.begin(), rule.except.end(),
                    [&](const std::string& w) { return nameUtf8.find(w) != std::string_view::npos; }))
      continue;
    for (const int item : rule.items) {
      AllergenCell& cell = cells[static_cast<std::size_t>(item)];
      if (rule.presence > cell.presence) cell = {rule.presence, static_cast<int>(r)};
    }
  }
  if (IsProcessedFoodGroup(group))
    for (AllergenCell& cell : cells)
      if (cell.presence == AllergenPresence::None)
        cell = {AllergenPresence::MayContain, kAllergenProcessedGroup};
  return cells;
}

void CombineAllergens(std::vector<AllergenPresence>& into,
                      const std::vector<AllergenPresence>& food) {
  if (into.size() < food.size()) into.resize(food.size(), AllergenPresence::None);
  for (std::size_t i = 0; i < food.size(); ++i) into[i] = std::max(into[i], food[i]);
}

std::string AllergenSummary(const AllergenList& list,
                            const std::vector<AllergenPresence>& presences) {
  std::string contains, may;
  for (std::size_t i = 0; i < list.size() && i < presences.size(); ++i) {
    std::string& to = presences[i] == AllergenPresence::Contains     ? contains
                      : presences[i] == AllergenPresence::MayContain ? may
                                                                     : contains;
    if (presences[i] == AllergenPresence::None) continue;
    if (!to.empty()) to += "・";
    to += list.items[i].name;
  }
  if (contains.empty() && may.empty()) return "特定原材料等を含まない";
  std::string text;
  if (!contains.empty()) text = "含む: " + contains;
  if (!may.empty()) text += (text.empty() ? "" : "　") + std::string("含む可能性: ") + may;
  return text;
}

std::string AllergenSummaryBrief(const AllergenList& list,
                                 const std::vector<AllergenPresence>& presences) {
  std::vector<AllergenPresence> named(presences);
  int counted = 0;
  for (std::size_t i = 0; i < list.size() && i < named.size(); ++i)
    if (named[i] == AllergenPresence::MayContain && !list.items[i].mandatory) {
      named[i] = AllergenPresence::None;
      ++counted;
    }
  std::string text = AllergenSummary(list, named);
  if (counted == 0) return text;
  // Only recommended items may contain: the summary above said "none" of them.
  if (text == "特定原材料等を含まない") text.clear();
  const bool mayNamed = text.find("含む可能性: ") != std::string::npos;
  if (!mayNamed) text += (text.empty() ? "" : "　") + std::string("含む可能性: ");
  return text + (mayNamed ? " ほか" : "") + std::to_string(counted) + "品目";
}

const char* AllergenPresenceText(AllergenPresence presence) {
  switch (presence) {
    case AllergenPresence::Contains: return "含む";
    case AllergenPresence::MayContain: return "含む可能性あり";
    default: return "含まない";
  }
}

std::string AllergenReasonText(const std::vector<AllergenRule>& rules, int rule) {
  if (rule == kAllergenProcessedGroup) return "加工・調理済みの食品群（15～18）: 名前では決まらない";
  if (rule == kAllergenOverridden) return "利用者の指定";
  if (rule < 0 || static_cast<std::size_t>(rule) >= rules.size()) return "該当する規則なし";
  const AllergenRule& r = rules[static_cast<std::size_t>(rule)];
  return "規則 " + std::to_string(r.line) + " 行目: " + r.text;
}

}  // namespace eiyou
