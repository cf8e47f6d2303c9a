// The SQLite implementation of DayPlanStore, shared by the files that make
// it up (the days in plan_store.cpp, the target sets in target_set_store.cpp,
// the facility in facility_store.cpp, the allergen overrides in
// allergen_store.cpp).
// Only those include it: everyone else reaches the store through its interface.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "plans/plan_store.h"

namespace eiyou::plan_detail {

// A prepared statement, finalized with its scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  explicit operator bool() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

  // The texts must outlive the step: they are bound without a copy.
  void BindText(int i, std::string_view text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  }
  // An empty blob still gets a pointer: a null one would store NULL.
  void BindBlob(int i, const std::string& bytes) {
    sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  }
  void BindInt(int i, int value) { sqlite3_bind_int(stmt_, i, value); }
  // One step that changes rows; SQLITE_DONE on success. Ready to bind again.
  int Run() {
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    return rc;
  }
  std::string_view Bytes(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n))
             : std::string_view();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// The store in an SQLite database.
class SqlitePlanStore final : public DayPlanStore {
 public:
  explicit SqlitePlanStore(std::time_t now) : now_(now) {}
  ~SqlitePlanStore() override { Close(); }

  void OpenFile(const std::string& dataDir, std::span<const PlanMigration> migrations);
  void Fail(std::string message);

  bool HasDay(const std::string& date) override;
  std::optional<DayPlan> LoadDay(const std::string& date) override;
  std::vector<DayPlan> DaysBetween(const std::string& from, const std::string& to) override;
  StoreResult SaveDay(const DayPlan& plan, std::time_t savedAt) override;
  StoreResult DeleteDay(const std::string& date) override;
  StoreResult BeginRepoint(const FoodTable& table, PlanRepoint& result) override;
  StoreResult CopyCommittedTo(const std::string& path) override;
  StoreResult CommitRepoint() override;
  void AbandonRepoint() override;

  std::vector<TargetSetEntry> TargetSets() override;
  std::optional<TargetSet> LoadTargetSet(const std::string& name) override;
  StoreResult AddTargetSet(const TargetSet& set) override;
  StoreResult ReplaceTargetSet(const std::string& name, const TargetSet& set) override;
  StoreResult DeleteTargetSet(const std::string& name) override;

  std::vector<EaterGroup> EaterGroups() override;
  StoreResult SaveEaterGroup(const EaterGroup& group, std::int64_t* id) override;
  StoreResult DeleteEaterGroup(std::int64_t id) override;
  std::vector<HeadcountChange> HeadcountChanges(const std::string& from,
                                                const std::string& to) override;
  StoreResult SaveHeadcountChanges(const std::vector<HeadcountChange>& changes) override;
  std::vector<FoodPurchase> FoodPurchases() override;
  StoreResult SaveFoodPurchases(const std::vector<FoodPurchase>& rows) override;
  std::vector<AllergenOverride> AllergenOverrides() override;
  StoreResult SaveAllergenOverrides(const std::vector<AllergenOverride>& set,
                                    const std::vector<AllergenOverride>& removed) override;
  FacilityInfo LoadFacilityInfo() override;
  StoreResult SaveFacilityInfo(const FacilityInfo& info) override;

 private:
  enum class Health { Sound, Damaged, Unusable };
  // An SQLite failure as it happened: its extended code and the system's
  // errno behind it (meaningful for I/O errors only).
  struct Failure {
    int rc = 0;
    int sysErrno = 0;
  };

  void OpenReadOnly(bool exists, bool sane);
  bool Connect(bool readOnly, bool immutable);
  Health Inspect(bool writable);
  bool MoveAside();
  bool StartAfresh();
  std::string Damaged();
  bool FailsCheck();
  bool Migrate();
  void RemoveOrphans();
  bool Exec(const char* sql);
  Failure Caught() const;
  bool WriteDay(const DayPlan& plan, const std::string& savedAt, Failure& failure);
  bool RemoveDay(const std::string& date, Failure& failure);
  std::optional<long long> TargetSetId(const std::string& name, Failure& failure);
  bool WriteTargetValues(long long id, const TargetSet& set, Failure& failure);
  bool RenameInDayProfiles(const std::string& from, const std::string& to, Failure& failure);
  StoreResult WriteTargetSet(const std::string* replacing, const TargetSet& set);
  void Close();
  StoreResult Refusal() const;
  // `what` names what was being stored in the message ("献立", "目標量セット").
  StoreResult Rollback(Failure failure, const char* what = "献立");
  StoreResult RepointFailed(Failure failure);
  void ReadFailed(Failure failure);

  sqlite3* db_ = nullptr;
  std::time_t now_ = 0;  // names a damaged file moved aside
  std::vector<PlanMigration> migrations_;
  std::string folder_;
  bool readable_ = false;
  bool movable_ = false;  // the file and its folder may be written
};

}  // namespace eiyou::plan_detail
