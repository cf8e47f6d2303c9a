// The SQLite implementation of DayPlanStore: the file's own handling
// (opening, checking, moving a damaged file aside, the layout in
// user_version, the re-pointing and its copy) in plan_store.cpp; the queries
// are the shared ones of SqlPlanStore.
// Only plan_store.cpp includes it: everyone else reaches the store through
// its interface.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "plans/plan_store.h"
#include "plans/sql_plan_store.h"

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
class SqlitePlanStore final : public SqlPlanStore {
 public:
  explicit SqlitePlanStore(std::time_t now) : now_(now) {}
  ~SqlitePlanStore() override { Close(); }

  void OpenFile(const std::string& dataDir, std::span<const PlanMigration> migrations);
  void Fail(std::string message);

  StoreResult BeginRepoint(const FoodTable& table, const FoodTableIdentity& identity,
                           PlanRepoint& result) override;
  StoreResult CopyCommittedTo(const std::string& path) override;
  StoreResult CommitRepoint() override;
  void AbandonRepoint() override;

 protected:
  bool BeginRead() override;
  void Abandon() override;
  StoreResult Refusal() const override;
  StoreResult WriteFailed(const SqlError& error, const char* what) override;
  void ReadFailed(const SqlError& error) override;

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
  void Close();
  StoreResult RepointFailed(Failure failure);

  sqlite3* db_ = nullptr;
  // The shared queries' way into db_, made with it.
  std::unique_ptr<SqlConnection> connection_;
  std::time_t now_ = 0;  // names a damaged file moved aside
  std::vector<PlanMigration> migrations_;
  std::string folder_;
  bool movable_ = false;  // the file and its folder may be written
};

}  // namespace eiyou::plan_detail
