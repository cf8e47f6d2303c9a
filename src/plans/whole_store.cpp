// Everything the day plan database holds, read and written as a whole for
// both engines: what moving a single user's file to a team's server (and
// back) carries (store_transfer.h).
#include <map>

#include "plans/sql_plan_store.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "内容";
// The whole range a stored date can have (IsPlanDate).
constexpr const char* kFirstDate = "0001-01-01";
constexpr const char* kLastDate = "9999-12-31";

// Other writers wait for the move to end rather than mix their rows into it;
// readers go on. The SQLite file's write lock, taken by Begin, does the same.
constexpr const char* kLockEverything =
    "LOCK TABLE day, dish, target_set, target_value, eater_group, headcount, food_purchase, "
    "allergen_override, facility IN EXCLUSIVE MODE";

// Clears the flag however the transaction ends.
struct InTransaction {
  explicit InTransaction(bool& flag) : flag_(flag) { flag_ = true; }
  ~InTransaction() { flag_ = false; }
  bool& flag_;
};

}  // namespace

// The reads the windows use, so that what is moved is what they show; each
// one clears readError_ when it ran and sets it (its transaction abandoned)
// when it failed.
bool SqlPlanStore::ReadEverything(StoreContents& c, bool forWriting) {
  c = {};
  if (!ReadDishList(c.dishes, forWriting) || !ReadTableRecord(c.foodTable)) {
    FailedRead();
    return false;
  }
  c.days = DaysBetween(kFirstDate, kLastDate);
  if (!readError_.empty()) return false;
  const std::vector<TargetSetEntry> sets = TargetSets();
  if (!readError_.empty()) return false;
  for (const TargetSetEntry& entry : sets) {
    std::optional<TargetSet> set = LoadTargetSet(entry.name);
    if (!set) {
      if (readError_.empty()) readError_ = "目標量セット「" + entry.name + "」を読み込めませんでした。";
      return false;
    }
    c.targetSets.push_back(std::move(*set));
  }
  c.groups = EaterGroups();
  if (!readError_.empty()) return false;
  c.headcounts = HeadcountChanges(kFirstDate, kLastDate);
  if (!readError_.empty()) return false;
  c.purchases = FoodPurchases();
  if (!readError_.empty()) return false;
  c.overrides = AllergenOverrides();
  if (!readError_.empty()) return false;
  c.facility = LoadFacilityInfo();
  return readError_.empty();
}

bool SqlPlanStore::ReadAll(StoreContents& contents) {
  readError_.clear();
  contents = {};
  if (!readable_) {
    readError_ = message_;
    return false;
  }
  InTransaction open(inTransaction_);
  if (!BeginRead()) {
    FailedRead();
    return false;
  }
  if (!ReadEverything(contents, false)) {
    Abandon();
    contents = {};
    return false;
  }
  if (!sql_->Commit()) {
    FailedRead();
    contents = {};
    return false;
  }
  return true;
}

bool SqlPlanStore::WriteEverything(const StoreContents& c) {
  std::int64_t stored = 0;
  for (const DayPlan& day : c.days)
    if (!WriteDay(day, day.savedAt, nullptr, stored)) return false;
  {
    auto head = sql_->Prepare("INSERT INTO target_set (name, description) VALUES ($1, $2) RETURNING id");
    if (!head) return false;
    for (const TargetSet& set : c.targetSets) {
      head->BindText(1, set.name);
      head->BindText(2, set.description);
      if (head->Step() != SqlStep::Row) return false;
      const std::int64_t id = head->Int(0);
      head->Reset();
      if (!WriteTargetValues(id, set)) return false;
    }
  }
  // The groups take this store's keys; their headcounts follow them. A
  // change whose group is not among them is left out, and the check that
  // reads everything back names it.
  std::map<std::int64_t, std::int64_t> keyOf;
  auto group = sql_->Prepare(
      "INSERT INTO eater_group (name, factor_permille, headcount, meals, profile, position) "
      "VALUES ($1, $2, $3, $4, $5, $6) RETURNING id");
  auto change = sql_->Prepare("INSERT INTO headcount (date, group_id, headcount) VALUES ($1, $2, $3)");
  auto purchase = sql_->Prepare(
      "INSERT INTO food_purchase (food, price_sen, unit_grams, unit_name, set_on, supplier) "
      "VALUES ($1, $2, $3, $4, $5, $6)");
  auto allergen = sql_->Prepare("INSERT INTO allergen_override (food, item, presence) VALUES ($1, $2, $3)");
  if (!group || !change || !purchase || !allergen) return false;
  for (const EaterGroup& g : c.groups) {
    group->BindText(1, g.name);
    group->BindInt(2, g.factorPermille);
    group->BindInt(3, g.headcount);
    group->BindInt(4, g.meals);
    group->BindText(5, g.profile);
    group->BindInt(6, g.position);
    if (group->Step() != SqlStep::Row) return false;
    keyOf[g.id] = group->Int(0);
    group->Reset();
  }
  for (const HeadcountChange& h : c.headcounts) {
    const auto key = keyOf.find(h.group);
    if (key == keyOf.end()) continue;
    change->BindText(1, h.date);
    change->BindInt(2, key->second);
    change->BindInt(3, h.headcount);
    if (!Run(*change)) return false;
  }
  for (const FoodPurchase& p : c.purchases) {
    BindPurchase(*purchase, p);
    if (!Run(*purchase)) return false;
  }
  for (const AllergenOverride& o : c.overrides) {
    allergen->BindInt(1, o.food);
    allergen->BindText(2, o.item);
    allergen->BindInt(3, static_cast<int>(o.presence));
    if (!Run(*allergen)) return false;
  }
  if (!WriteDishList(c.dishes) || !WriteTableRecord(c.foodTable)) return false;
  // An empty facility has no rows to carry: a store never saved stays so.
  if (c.facility.name.empty() && c.facility.notes.empty()) return true;
  FacilityInfo facility = c.facility;
  facility.version.reset();  // into an empty store: nothing to check against
  bool changed = false;
  return WriteFacility(facility, changed);
}

StoreResult SqlPlanStore::WriteAll(const StoreContents& contents, const WriteAllChecks& checks) {
  if (!writable_) return Refusal();
  InTransaction open(inTransaction_);
  if (!sql_->Begin()) return Failed(kWhat);
  if (sql_->engine() == SqlEngine::Postgres && !sql_->Exec(kLockEverything)) return Failed(kWhat);
  // A read that fails has abandoned the transaction and says why.
  auto unread = [&] { return StoreResult{false, readError_ + "何も保存していません。"}; };
  StoreContents held;
  if (!ReadEverything(held, true)) return unread();
  if (checks.before)
    if (std::string refusal = checks.before(held); !refusal.empty()) {
      Abandon();
      return {false, std::move(refusal)};
    }
  if (!WriteEverything(contents)) return Failed(kWhat);
  StoreContents stored;
  if (!ReadEverything(stored, false)) return unread();
  if (checks.after)
    if (std::string difference = checks.after(stored); !difference.empty()) {
      Abandon();
      return {false, std::move(difference)};
    }
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
