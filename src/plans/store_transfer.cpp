#include "plans/store_transfer.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <map>

#include "plans/pg_plan_store.h"
#include "tables/data_dir.h"

namespace eiyou {
namespace {

constexpr const char* kNothingMoved = "何も移していません。";
// More differences than this are counted, not listed.
constexpr std::size_t kNamedDifferences = 8;

// "1,230": grouped by thousands with a comma, never by the locale.
std::string Grouped(int n) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, n < 0 ? -n : n).ptr;
  const std::string plain(digits, end);
  std::string text = n < 0 ? "-" : "";
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (i > 0 && (plain.size() - i) % 3 == 0) text += ',';
    text += plain[i];
  }
  return text;
}

std::string Number(int n) { return std::to_string(n); }

// What a store holds, as the refusal and the summary list it.
std::string CountsText(const TransferCounts& c) {
  std::string text = "献立の日 " + Grouped(c.days) + " 日、目標量セット " + Grouped(c.targetSets) +
                     " 件、喫食グループ " + Grouped(c.groups) + " 件、人数 " + Grouped(c.headcounts) +
                     " 件、単価 " + Grouped(c.prices) + " 件、アレルゲンの確認 " +
                     Grouped(c.allergens) + " 件";
  if (c.facility) text += "、施設名とお知らせ";
  return text;
}

// Each item of `source` must be in `stored`, the same, and nothing more:
// the items are matched by `label`, which names them for the user.
template <typename Row, typename Label, typename Same>
void Compare(const std::vector<Row>& source, const std::vector<Row>& stored, Label label, Same same,
             std::vector<std::string>& differences) {
  std::map<std::string, const Row*> left;
  for (const Row& row : stored) left.emplace(label(row), &row);
  for (const Row& row : source) {
    const std::string name = label(row);
    const auto found = left.find(name);
    if (found == left.end() || !same(row, *found->second)) differences.push_back(name);
    if (found != left.end()) left.erase(found);
  }
  for (const auto& [name, row] : left) differences.push_back(name);
}

bool SameValue(const TargetValue& a, const TargetValue& b) {
  return a.nutrient == b.nutrient && a.kind == b.kind && a.value == b.value &&
         a.exclusive == b.exclusive && a.group == b.group;
}

// A group's key to its name, for headcounts compared across stores.
std::map<std::int64_t, std::string> GroupNames(const StoreContents& c) {
  std::map<std::int64_t, std::string> names;
  for (const EaterGroup& g : c.groups) names.emplace(g.id, g.name);
  return names;
}

}  // namespace

TransferCounts CountContents(const StoreContents& c) {
  TransferCounts counts;
  counts.days = static_cast<int>(c.days.size());
  counts.targetSets = static_cast<int>(c.targetSets.size());
  counts.groups = static_cast<int>(c.groups.size());
  counts.headcounts = static_cast<int>(c.headcounts.size());
  counts.prices = static_cast<int>(c.purchases.size());
  counts.allergens = static_cast<int>(c.overrides.size());
  counts.facility = !c.facility.name.empty() || !c.facility.notes.empty();
  return counts;
}

std::string TransferSummary(const TransferCounts& counts) {
  return CountsText(counts) + "を移し、すべて照合しました。";
}

std::vector<std::string> ContentsDifferences(const StoreContents& source,
                                             const StoreContents& stored) {
  std::vector<std::string> d;
  Compare(
      source.days, stored.days, [](const DayPlan& day) { return "献立の日 " + day.date; },
      [](const DayPlan& a, const DayPlan& b) {
        return a.sex == b.sex && a.age == b.age && a.meals == b.meals && a.profile == b.profile &&
               a.savedAt == b.savedAt;
      },
      d);
  Compare(
      source.targetSets, stored.targetSets,
      [](const TargetSet& set) { return "目標量セット「" + set.name + "」"; },
      [](const TargetSet& a, const TargetSet& b) {
        return a.description == b.description &&
               std::equal(a.values.begin(), a.values.end(), b.values.begin(), b.values.end(),
                          SameValue);
      },
      d);
  Compare(
      source.groups, stored.groups, [](const EaterGroup& g) { return "喫食グループ「" + g.name + "」"; },
      [](const EaterGroup& a, const EaterGroup& b) {
        return a.factorPermille == b.factorPermille && a.headcount == b.headcount &&
               a.meals == b.meals && a.profile == b.profile && a.position == b.position;
      },
      d);
  // Headcounts name their group by key, which differs by store: the stored
  // ones are given the source's key of the group of the same name.
  const auto sourceNames = GroupNames(source), storedNames = GroupNames(stored);
  std::map<std::string, std::int64_t> sourceKey;
  for (const auto& [key, name] : sourceNames) sourceKey.emplace(name, key);
  std::vector<HeadcountChange> storedHeadcounts = stored.headcounts;
  for (HeadcountChange& h : storedHeadcounts) {
    const auto name = storedNames.find(h.group);
    const auto key = name == storedNames.end() ? sourceKey.end() : sourceKey.find(name->second);
    h.group = key == sourceKey.end() ? -1 : key->second;
  }
  Compare(
      source.headcounts, storedHeadcounts,
      [&](const HeadcountChange& h) {
        const auto name = sourceNames.find(h.group);
        // A change left behind by its group (a tool with foreign keys off).
        return "人数（" + h.date + "、" +
               (name == sourceNames.end() ? "喫食グループ番号 " + std::to_string(h.group)
                                          : name->second) +
               "）";
      },
      [](const HeadcountChange& a, const HeadcountChange& b) { return a.headcount == b.headcount; },
      d);
  Compare(
      source.purchases, stored.purchases,
      [](const FoodPurchase& p) { return "単価（食品番号 " + Number(p.food) + "）"; },
      [](const FoodPurchase& a, const FoodPurchase& b) {
        return a.priced == b.priced && a.priceSen == b.priceSen && a.unitGrams == b.unitGrams &&
               a.unitName == b.unitName && a.setOn == b.setOn && a.supplier == b.supplier;
      },
      d);
  Compare(
      source.overrides, stored.overrides,
      [](const AllergenOverride& o) {
        return "アレルゲンの確認（食品番号 " + Number(o.food) + "、" + o.item + "）";
      },
      [](const AllergenOverride& a, const AllergenOverride& b) { return a.presence == b.presence; },
      d);
  if (source.facility.name != stored.facility.name || source.facility.notes != stored.facility.notes)
    d.push_back("施設名とお知らせ");
  return d;
}

namespace {

TransferResult Move(const StoreContents& source, DayPlanStore& to) {
  if (!to.CanStore() || to.status() != OpenStatus::Ok)
    return {false, to.message() + kNothingMoved, {}};
  // The checks' own answers are whole messages; any other failure is the
  // store's, said after where it happened.
  bool answered = false;
  WriteAllChecks checks;
  checks.before = [&](const StoreContents& held) -> std::string {
    const TransferCounts counts = CountContents(held);
    if (counts.days + counts.targetSets + counts.groups + counts.headcounts + counts.prices +
                counts.allergens ==
            0 &&
        !counts.facility)
      return {};
    answered = true;
    return "移し先の献立表 " + to.path() + " にはすでに" + CountsText(counts) +
           "があります。二つの献立表を混ぜないよう、" + kNothingMoved;
  };
  checks.after = [&](const StoreContents& stored) -> std::string {
    const std::vector<std::string> differences = ContentsDifferences(source, stored);
    if (differences.empty()) return {};
    answered = true;
    std::string named;
    for (std::size_t i = 0; i < differences.size() && i < kNamedDifferences; ++i)
      named += (i ? "、" : "") + differences[i];
    if (differences.size() > kNamedDifferences)
      named += " ほか " + Grouped(static_cast<int>(differences.size() - kNamedDifferences)) + " 件";
    return "移し先の献立表 " + to.path() + " で読み返すと、移し元と違うものがありました（" + named +
           "）。" + kNothingMoved;
  };
  const StoreResult written = to.WriteAll(source, checks);
  if (!written.ok)
    return {false,
            answered ? written.message
                     : "移し先の献立表 " + to.path() + " に移せませんでした。" + written.message,
            {}};
  const TransferCounts counts = CountContents(source);
  return {true, TransferSummary(counts), counts};
}

}  // namespace

TransferResult TransferStore(DayPlanStore& from, DayPlanStore& to) {
  // A newer layout may hold kinds this version does not know: never half moved.
  if (from.status() != OpenStatus::Ok && from.status() != OpenStatus::ReadOnly)
    return {false, from.message() + kNothingMoved, {}};
  StoreContents source;
  if (!from.ReadAll(source)) return {false, from.readError() + kNothingMoved, {}};
  return Move(source, to);
}

TransferResult MoveFolderToServer(const std::string& dataDir, const PgSettings& server,
                                  std::time_t now) {
  auto to = OpenServerPlanStore(server);
  if (to->status() != OpenStatus::Ok) return {false, to->message() + kNothingMoved, {}};
  // A folder without the file holds nothing to move; opening it would make one.
  if (!EntryExists(PlanDatabasePath(dataDir))) return Move(StoreContents(), *to);
  auto from = DayPlanStore::Open(dataDir, now);
  return TransferStore(*from, *to);
}

TransferResult MoveServerToFolder(const PgSettings& server, const std::string& dataDir,
                                  std::time_t now) {
  auto from = OpenServerPlanStore(server);
  const std::string kondate = JoinPath(dataDir, kDishDirName);
  if (!DirectoryExists(kondate) && mkdir(kondate.c_str(), 0777) != 0 && errno != EEXIST)
    return {false, "フォルダ " + kondate + " を作れませんでした。" + kNothingMoved, {}};
  auto to = DayPlanStore::Open(dataDir, now);
  return TransferStore(*from, *to);
}

}  // namespace eiyou
