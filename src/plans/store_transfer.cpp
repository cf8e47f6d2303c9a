#include "plans/store_transfer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iterator>
#include <map>

#include "plans/pg_plan_store.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/folder_lock.h"

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
  return text + "、献立 " + Grouped(c.dishes) + " 件";
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
  counts.dishes = static_cast<int>(c.dishes.size());
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
  // The dish list is a multiset of lines (a list may hold equal ones), kept
  // by a server in byte order.
  std::vector<std::string> ours = source.dishes, theirs = stored.dishes, differing;
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  std::set_symmetric_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                                std::back_inserter(differing));
  if (!differing.empty()) d.push_back("献立 " + Grouped(static_cast<int>(differing.size())) + " 件");
  return d;
}

namespace {

// A folder's dish file, replaced by the moved list inside the store's
// transaction: the previous file is kept beside it under a dated name, and
// put back should the store's commit fail after all.
class DishFileSwap {
 public:
  DishFileSwap(std::string path, std::time_t now) : path_(std::move(path)), now_(now) {}

  // Empty when the file holds `lines`, read back; else why not, the file as
  // it was.
  std::string Replace(const std::vector<std::string>& lines) {
    struct stat st;
    existed_ = stat(path_.c_str(), &st) == 0;
    try {
      if (existed_) {
        old_ = ReadWholeFile(path_);
        std::string error;
        kept_ = DatedBackup(path_, old_, st.st_mode, now_, error);
        if (kept_.empty()) return error + "。";
      }
      WriteDishFile(path_, lines);
      replaced_ = true;
      if (ReadDishFile(path_) != lines) {
        PutBack();
        return "献立ファイル " + path_ + " に書いた献立が読み返すと違いました。";
      }
    } catch (const IoError& e) {
      PutBack();
      return e.what();
    }
    return {};
  }

  void PutBack() {
    if (!replaced_) return;
    replaced_ = false;
    if (existed_)
      ReplaceFileContents(path_, old_);
    else
      unlink(path_.c_str());
  }

  bool replaced() const { return replaced_; }
  const std::string& kept() const { return kept_; }

 private:
  std::string path_;
  std::time_t now_;
  std::string old_;   // the previous file's bytes
  std::string kept_;  // where they are kept
  bool existed_ = false;
  bool replaced_ = false;
};

// `source` into `to`; `dishFile`, for a folder's store, takes the dish list,
// which the store itself does not hold.
TransferResult Move(const StoreContents& source, DayPlanStore& to, DishFileSwap* dishFile = nullptr) {
  if (!to.CanStore() || to.status() != OpenStatus::Ok)
    return {false, to.message() + kNothingMoved, {}};
  StoreContents written = source;
  if (dishFile) written.dishes.clear();
  // The checks' own answers are whole messages; any other failure is the
  // store's, said after where it happened.
  bool answered = false;
  WriteAllChecks checks;
  checks.before = [&](const StoreContents& held) -> std::string {
    const TransferCounts counts = CountContents(held);
    if (counts.days + counts.targetSets + counts.groups + counts.headcounts + counts.prices +
                counts.allergens + counts.dishes ==
            0 &&
        !counts.facility)
      return {};
    answered = true;
    return "移し先の献立表 " + to.path() + " にはすでに" + CountsText(counts) +
           "があります。二つの献立表を混ぜないよう、" + kNothingMoved;
  };
  checks.after = [&](const StoreContents& stored) -> std::string {
    const std::vector<std::string> differences = ContentsDifferences(written, stored);
    if (differences.empty()) {
      if (!dishFile) return {};
      const std::string problem = dishFile->Replace(source.dishes);
      if (problem.empty()) return {};
      answered = true;
      return problem + kNothingMoved;
    }
    answered = true;
    std::string named;
    for (std::size_t i = 0; i < differences.size() && i < kNamedDifferences; ++i)
      named += (i ? "、" : "") + differences[i];
    if (differences.size() > kNamedDifferences)
      named += " ほか " + Grouped(static_cast<int>(differences.size() - kNamedDifferences)) + " 件";
    return "移し先の献立表 " + to.path() + " で読み返すと、移し元と違うものがありました（" + named +
           "）。" + kNothingMoved;
  };
  const StoreResult stored = to.WriteAll(written, checks);
  if (!stored.ok) {
    if (dishFile) dishFile->PutBack();
    return {false,
            answered ? stored.message
                     : "移し先の献立表 " + to.path() + " に移せませんでした。" + stored.message,
            {}};
  }
  const TransferCounts counts = CountContents(source);
  std::string summary = TransferSummary(counts);
  if (dishFile && !dishFile->kept().empty())
    summary += "それまでの献立ファイルは " + dishFile->kept() + " に残してあります。";
  return {true, summary, counts};
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
  StoreContents source;
  // The dish file as the dish window reads it; dishes it would not show
  // are never left behind without a word.
  const std::string dishPath = JoinPath(JoinPath(dataDir, kDishDirName), kDishFileName);
  try {
    bool textAfterNul = false;
    source.dishes = ReadDishFile(dishPath, &textAfterNul);
    if (textAfterNul)
      return {false, "献立ファイル " + dishPath + " の途中に文字コード0のバイトがあり、その後ろの献立を読めません。" +
                         kNothingMoved, {}};
  } catch (const IoError& e) {
    return {false, e.what() + std::string(kNothingMoved), {}};
  }
  auto to = OpenServerPlanStore(server);
  if (to->status() != OpenStatus::Ok) return {false, to->message() + kNothingMoved, {}};
  // A folder without the file holds no days; opening it would make one.
  if (EntryExists(PlanDatabasePath(dataDir))) {
    auto from = DayPlanStore::Open(dataDir, now);
    if (from->status() != OpenStatus::Ok && from->status() != OpenStatus::ReadOnly)
      return {false, from->message() + kNothingMoved, {}};
    std::vector<std::string> dishes = std::move(source.dishes);
    if (!from->ReadAll(source)) return {false, from->readError() + kNothingMoved, {}};
    source.dishes = std::move(dishes);
  }
  // The lines follow the folder's table: the server records it.
  source.foodTable = ReadFoodTableIdentity(dataDir);
  return Move(source, *to);
}

TransferResult MoveServerToFolder(const PgSettings& server, const std::string& dataDir,
                                  std::time_t now) {
  // The dish file and the store change together: no program may have the
  // folder open meanwhile.
  const DataFolderSoleUse sole(dataDir);
  return MoveServerToHeldFolder(server, dataDir, now, sole.granted());
}

TransferResult MoveServerToHeldFolder(const PgSettings& server, const std::string& dataDir,
                                      std::time_t now, bool soleUse) {
  if (!soleUse) return {false, FolderInUseMessage(dataDir, "移して") + "。" + kNothingMoved, {}};
  auto from = OpenServerPlanStore(server);
  if (from->status() != OpenStatus::Ok && from->status() != OpenStatus::ReadOnly)
    return {false, from->message() + kNothingMoved, {}};
  StoreContents source;
  if (!from->ReadAll(source)) return {false, from->readError() + kNothingMoved, {}};
  // The lines would name other foods of another table.
  if (const FoodTableIdentity folder = ReadFoodTableIdentity(dataDir);
      !source.foodTable.digest.empty() && !(source.foodTable == folder))
    return {false,
            "共有サーバーの献立と日別献立は、このフォルダのものとは違う食品成分表" +
                (source.foodTable.edition.empty() ? std::string()
                                                  : "（「" + source.foodTable.edition + "」）") +
                "に合わせてあります。先にこのフォルダに同じ食品成分表を取り込んでください。" + kNothingMoved,
            {}};
  const std::string kondate = JoinPath(dataDir, kDishDirName);
  if (!DirectoryExists(kondate) && mkdir(kondate.c_str(), 0777) != 0 && errno != EEXIST)
    return {false, "フォルダ " + kondate + " を作れませんでした。" + kNothingMoved, {}};
  auto to = DayPlanStore::Open(dataDir, now);
  DishFileSwap dishFile(JoinPath(kondate, kDishFileName), now);
  return Move(source, *to, &dishFile);
}

}  // namespace eiyou
