// The store's queries, written once for both engines over the common SQL
// layer: the days (day_store.cpp), the target sets (target_set_store.cpp),
// the facility (facility_store.cpp) and the allergen overrides
// (allergen_store.cpp). What differs between an SQLite file and a server
// (opening, layout versions, how a failure is worded, what a read
// transaction is) is left to the two stores built on it.
// Only the stores include it: everyone else reaches them through DayPlanStore.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plans/plan_store.h"
#include "plans/sql/sql_connection.h"

namespace eiyou::plan_detail {

// Whether dish lines may be written where a server records the food table
// its lines are pointed at (ServeFolderTable).
enum class TableClaim { Ours, Other, Failed };

class SqlPlanStore : public DayPlanStore {
 public:
  bool HasDay(const std::string& date) final;
  std::optional<DayPlan> LoadDay(const std::string& date) final;
  std::optional<DayPlan> LoadDayWithVersion(const std::string& date, std::int64_t& version) final;
  std::vector<DayPlan> DaysBetween(const std::string& from, const std::string& to) final;
  StoreResult SaveDay(const DayPlan& plan, std::time_t savedAt) final;
  StoreResult SaveDayIfUnchanged(const DayPlan& plan, std::int64_t& version, bool& changedByOther,
                                 std::time_t savedAt) final;
  StoreResult DeleteDay(const std::string& date) final;

  std::vector<TargetSetEntry> TargetSets() final;
  std::optional<TargetSet> LoadTargetSet(const std::string& name) final;
  StoreResult AddTargetSet(const TargetSet& set) final;
  StoreResult ReplaceTargetSet(const std::string& name, const TargetSet& set) final;
  StoreResult DeleteTargetSet(const std::string& name) final;

  std::vector<EaterGroup> EaterGroups() final;
  StoreResult SaveEaterGroup(const EaterGroup& group, std::int64_t* id) final;
  StoreResult DeleteEaterGroup(std::int64_t id) final;
  std::vector<HeadcountChange> HeadcountChanges(const std::string& from,
                                                const std::string& to) final;
  StoreResult SaveHeadcountChanges(const std::vector<HeadcountChange>& changes) final;
  std::vector<FoodPurchase> FoodPurchases() final;
  StoreResult SaveFoodPurchases(const std::vector<FoodPurchase>& rows) final;
  std::vector<AllergenOverride> AllergenOverrides() final;
  StoreResult SaveAllergenOverrides(const std::vector<AllergenOverride>& set,
                                    const std::vector<AllergenOverride>& removed) final;
  FacilityInfo LoadFacilityInfo() final;
  StoreResult SaveFacilityInfo(const FacilityInfo& info) final;

  bool ReadAll(StoreContents& contents) final;
  StoreResult WriteAll(const StoreContents& contents, const WriteAllChecks& checks) final;

 protected:
  // A read transaction: every query in it sees the same committed state.
  virtual bool BeginRead() = 0;
  // Rolls back the open transaction, if there is one.
  virtual void Abandon() = 0;
  // Why nothing can be stored (the store is not writable).
  virtual StoreResult Refusal() const = 0;
  // What the user is told after a write failed with `error` (its transaction
  // already abandoned); `what` names what was being stored ("献立" …).
  virtual StoreResult WriteFailed(const SqlError& error, const char* what) = 0;
  // Sets readError_ after a read failed with `error` (likewise abandoned).
  virtual void ReadFailed(const SqlError& error) = 0;

  // The store's own dish list, where it keeps one (a server; a single user's
  // is the dish file): read and written inside the transaction open, the
  // list read locked against other saves when `forWriting`, written into an
  // empty one. A store without one reads none and writes none (the check
  // that reads everything back then finds the lines missing).
  virtual bool ReadDishList(std::vector<std::string>& lines, bool /*forWriting*/) {
    lines.clear();
    return true;
  }
  virtual bool WriteDishList(const std::vector<std::string>& /*lines*/) { return true; }
  // The same for the record of the food table the dish lines are pointed at
  // (StoreContents::foodTable), where the store keeps one: a server's.
  virtual bool ReadTableRecord(FoodTableIdentity& table) {
    table = {};
    return true;
  }
  virtual bool WriteTableRecord(const FoodTableIdentity& /*table*/) { return true; }

  // The days just read, before they are handed out: a server whose lines are
  // pointed at another food table than the folder's points them at the
  // folder's (ServeFolderTable). False, with readError_ set, when a day
  // cannot be.
  virtual bool PointDaysRead(std::vector<DayPlan>& /*days*/) { return true; }
  // Inside the write transaction of a day, before its lines are written:
  // whether they may be. A server records the folder's table when it records
  // none, and answers Other, no longer writable and Refusal() telling why,
  // when it records another. Failed: the query failed.
  virtual TableClaim ClaimFoodTable() { return TableClaim::Ours; }

  enum class Repointed { Done, ReadFailed, WriteFailed };
  // Inside the transaction open: every stored dish line pointed at `table`
  // (RepointDishLines), what that found in `result`, the lines that change
  // written (and, with row versions, their days given new versions, so that
  // a user holding a day read before is told) when `write`. A failure leaves
  // the transaction to the caller, sql_->lastError() telling why.
  Repointed RepointStoredDays(const FoodTable& table, PlanRepoint& result, bool write);

  // Null while the store has no database.
  SqlConnection* sql_ = nullptr;
  bool readable_ = false;
  // The server's tables carry a row version (plan_store.h) on every row a
  // user saves, taken from a sequence by every write, so that a second user's
  // save of what the first changed meanwhile is told rather than lost. The
  // SQLite file has one user and no such column.
  bool rowVersions_ = false;

 private:
  // The last failure of the connection, its transaction abandoned. The
  // statements must be gone: the SQLite store may reopen its file.
  StoreResult Failed(const char* what = "献立");
  void FailedRead();
  std::vector<DayPlan> ReadDays(const std::string& from, const std::string& to,
                                std::int64_t* version);
  StoreResult StoreDay(const DayPlan& plan, std::time_t savedAt, std::int64_t* version,
                       bool* changedByOther);
  bool WriteDay(const DayPlan& plan, const std::string& savedAt, const std::int64_t* held,
                std::int64_t& stored);
  enum class RowCheck { AsRead, Changed, Failed };
  // Inside a write transaction: whether the row `locked` finds (SELECT
  // version … FOR UPDATE, its key bound) is the one read at `held` (0: none
  // was stored). On a server the row stays locked to the commit. AsRead
  // without row versions or a version read.
  RowCheck CheckRow(SqlStatement* locked, const std::optional<std::int64_t>& held);
  // The same for the row whose text key `key` is $1 of `lockSql`, with a
  // statement of its own, gone on return.
  RowCheck CheckRow(const char* lockSql, const std::string& key,
                    const std::optional<std::int64_t>& held);
  // Runs a write whose update of an existing row is guarded by the version
  // held (… WHERE $n IS NULL OR version = $n RETURNING …): Changed when, with
  // row versions, the guard left the row as another user stored it.
  RowCheck WriteChecked(SqlStatement& write);
  // The version column of a row read ("version" on a server, NULL on a file).
  const char* VersionColumn() const { return rowVersions_ ? "version" : "NULL"; }
  static std::optional<std::int64_t> VersionOf(const SqlStatement& row, int column) {
    if (row.IsNull(column)) return std::nullopt;
    return row.Int(column);
  }
  // Abandons the transaction: `what` was changed by another user.
  StoreResult ChangedByOther(const std::string& what);
  bool RemoveDay(const std::string& date);
  // True when found (id set); false with `failed` telling a failed query.
  bool TargetSetId(const std::string& name, std::int64_t& id, bool& failed);
  bool WriteTargetValues(std::int64_t id, const TargetSet& set);
  bool RenameInDayProfiles(const std::string& from, const std::string& to);
  StoreResult WriteTargetSet(const std::string* replacing, const TargetSet& set);
  bool WriteFacility(const FacilityInfo& info, bool& changed);
  // Every read of ReadAll inside the transaction already open (whole_store.cpp).
  bool ReadEverything(StoreContents& contents, bool forWriting);
  bool WriteEverything(const StoreContents& contents);

  // Set while ReadAll or WriteAll holds a transaction: the reads that open
  // their own then run inside it instead.
  bool inTransaction_ = false;
};

// A food_purchase row's values as $1 … $6 (food, price_sen, unit_grams,
// unit_name, set_on, supplier): no date without a price.
void BindPurchase(SqlStatement& statement, const FoodPurchase& purchase);
// A row version as a parameter: NULL for a row saved without the check.
inline void BindVersion(SqlStatement& statement, int i, const std::optional<std::int64_t>& version) {
  if (version)
    statement.BindInt(i, *version);
  else
    statement.BindNull(i);
}

// One step of a statement that changes rows, ready to run again.
inline bool Run(SqlStatement& statement) {
  const bool ok = statement.Step() != SqlStep::Error;
  statement.Reset();
  return ok;
}

}  // namespace eiyou::plan_detail
