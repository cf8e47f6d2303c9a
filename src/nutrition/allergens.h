// Allergens of foods: which of the items the labelling rules name (the
// mandatory and the recommended ones, listed as data with the date of the
// rule) a food of the table contains, may contain, or does not contain.
//
// Both the list (アレルゲン.TXT) and the rules that derive a food's allergens
// from its official name and group (アレルゲン規則.TXT) are small UTF-8 text
// files of the data folder, bundled and built in for folders made before
// them; data/README.md describes them. A file that breaks its format is
// refused whole, every bad line named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eiyou {

// Ordered: combining foods keeps the strongest.
enum class AllergenPresence : std::uint8_t { None, MayContain, Contains };

// A user's word on one food and one item, stored in the day-plan database;
// it takes the place of what the rules derive.
struct AllergenOverride {
  int food = 0;      // the official food number (01001 → 1001)
  std::string item;  // UTF-8, an item's name as the list writes it: 「小麦」
  AllergenPresence presence = AllergenPresence::None;
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
};

inline constexpr const char* kAllergenListFileName = "アレルゲン.TXT";
inline constexpr const char* kAllergenRulesFileName = "アレルゲン規則.TXT";

struct AllergenItem {
  std::string name;  // UTF-8
  bool mandatory = false;
};

// The items in the order they are shown (mandatory first) and the rule each
// kind comes from, with its date, as the file writes it.
struct AllergenList {
  std::vector<AllergenItem> items;
  std::string mandatorySource, recommendedSource;

  int Index(std::string_view name) const;  // -1 when not an item
  std::size_t size() const { return items.size(); }
};

// One line of the rules file: where `pattern` is part of a food's name (every
// name when it is empty), and the food's group is one of `groups` (any when
// empty), and no word of `except` is part of the name, the food has `items`.
struct AllergenRule {
  int line = 0;
  std::string text;     // the line as written, to show which rule decided
  std::string pattern;  // UTF-8
  std::vector<int> items;  // indices into the list
  AllergenPresence presence = AllergenPresence::Contains;
  std::vector<std::pair<int, int>> groups;  // inclusive ranges
  std::vector<std::string> except;
};

// What a reader gives: the value, or the problems that refused the file
// (each naming its line), never both.
template <typename T>
struct AllergenFileRead {
  T value{};
  std::vector<std::string> problems;
  bool ok() const { return problems.empty(); }
};

AllergenFileRead<AllergenList> ParseAllergenList(std::string_view fileBytes);
AllergenFileRead<std::vector<AllergenRule>> ParseAllergenRules(std::string_view fileBytes,
                                                               const AllergenList& list);

// The built-in files, parsed once.
const AllergenList& BundledAllergenList();
const std::vector<AllergenRule>& BundledAllergenRules();

// The list and rules of the current data directory: the built-in ones where a
// file is missing; where one is there but refused, the built-in ones as well
// and `problems` says why (the session tells the user).
struct AllergenData {
  AllergenList list;
  std::vector<AllergenRule> rules;
  std::vector<std::string> problems;
};
AllergenData LoadAllergenData();

// Why a food has what it has for one item: a rule's index, or one of these.
inline constexpr int kAllergenNoRule = -1;          // no rule named it: none
inline constexpr int kAllergenProcessedGroup = -2;  // groups 15–18: may contain
inline constexpr int kAllergenOverridden = -3;      // the user's word

struct AllergenCell {
  AllergenPresence presence = AllergenPresence::None;
  int rule = kAllergenNoRule;
};

// The groups whose foods are prepared or processed (菓子類, し好飲料類,
// 調味料及び香辛料類, 調理済み流通食品類): their names never settle what they are
// made of, so an item no rule finds is "may contain", never "none".
bool IsProcessedFoodGroup(int group);

// One cell per item of the list for the food numbered `food` (its group is
// the number's thousands) with the official name `nameUtf8`.
std::vector<AllergenCell> DeriveAllergens(const AllergenList& list,
                                          const std::vector<AllergenRule>& rules, int food,
                                          std::string_view nameUtf8);

// Combines a food's presences into a dish's (or a day's): the strongest per item.
void CombineAllergens(std::vector<AllergenPresence>& into,
                      const std::vector<AllergenPresence>& food);

// The text shown for a dish or a day: 「含む: 小麦・卵・乳　含む可能性: えび・かに」,
// items in the list's order; 「特定原材料等を含まない」 when nothing is left.
std::string AllergenSummary(const AllergenList& list,
                            const std::vector<AllergenPresence>& presences);
// The same in a line of a small window: the "may contain" mandatory items by
// name and the recommended ones counted (「含む可能性: えび・かに ほか18品目」,
// 「含む可能性: 18品目」),
// never dropped; the whole text belongs in the line's hint.
std::string AllergenSummaryBrief(const AllergenList& list,
                                 const std::vector<AllergenPresence>& presences);

// How a presence and a cell's reason read to the user.
const char* AllergenPresenceText(AllergenPresence presence);  // 含む / 含む可能性あり / 含まない
std::string AllergenReasonText(const std::vector<AllergenRule>& rules, int rule);

}  // namespace eiyou
