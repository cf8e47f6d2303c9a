// The common SQL layer over an SQLite file (Debian's libsqlite3).
#include <sqlite3.h>

#include <cerrno>
#include <charconv>
#include <map>
#include <string>

#include "plans/sql/sql_connection.h"

namespace eiyou {
namespace {

// A writer waits this long for another to finish before it is told Busy.
constexpr int kBusyTimeoutMs = 5000;

SqlError ErrorOf(sqlite3* db, int rc) {
  SqlError e;
  e.sqlstate = std::to_string(rc);
  e.message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int sysErrno = db ? sqlite3_system_errno(db) : 0;
  e.code = rc;
  e.systemErrno = sysErrno;
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      e.kind = SqlErrorKind::Busy;
      break;
    case SQLITE_FULL:
      e.kind = SqlErrorKind::DiskFull;
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      e.kind = SqlErrorKind::Corrupt;
      break;
    case SQLITE_CONSTRAINT:
      e.kind = SqlErrorKind::Constraint;
      break;
    // SQLite keeps the system's errno for these two only: growing the WAL
    // index on a full disk, for one, shows itself so.
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
      e.kind = sysErrno == ENOSPC || sysErrno == EDQUOT ? SqlErrorKind::DiskFull : SqlErrorKind::Other;
      break;
    default:
      e.kind = SqlErrorKind::Other;
  }
  return e;
}

class SqliteConnection;

class SqliteStatement final : public SqlStatement {
 public:
  SqliteStatement(SqliteConnection& owner, sqlite3_stmt* stmt, std::map<int, int> slots)
      : owner_(owner), stmt_(stmt), slots_(std::move(slots)) {}
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }

  void BindInt(int i, std::int64_t value) override { Bound(sqlite3_bind_int64(stmt_, Slot(i), value)); }
  void BindDouble(int i, double value) override { Bound(sqlite3_bind_double(stmt_, Slot(i), value)); }
  // An empty text still gets a pointer, as a blob does: a default
  // string_view's null one would store NULL (the server stores '').
  void BindText(int i, std::string_view utf8) override {
    Bound(sqlite3_bind_text64(stmt_, Slot(i), utf8.empty() ? "" : utf8.data(), utf8.size(),
                              SQLITE_TRANSIENT, SQLITE_UTF8));
  }
  // An empty blob still gets a pointer: a null one would store NULL.
  void BindBlob(int i, std::string_view bytes) override {
    Bound(sqlite3_bind_blob64(stmt_, Slot(i), bytes.empty() ? "" : bytes.data(), bytes.size(),
                              SQLITE_TRANSIENT));
  }
  void BindNull(int i) override { Bound(sqlite3_bind_null(stmt_, Slot(i))); }

  SqlStep Step() override;
  void Reset() override {
    sqlite3_reset(stmt_);
    bindFailed_ = false;
  }

  bool IsNull(int column) const override { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::int64_t Int(int column) const override { return sqlite3_column_int64(stmt_, column); }
  double Double(int column) const override { return sqlite3_column_double(stmt_, column); }
  std::string_view Text(int column) const override {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string_view();
  }
  std::string Bytes(int column) const override {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
  }

 private:
  // Index 0 (no such parameter) makes the bind fail with SQLITE_RANGE.
  int Slot(int i) const {
    const auto it = slots_.find(i);
    return it == slots_.end() ? 0 : it->second;
  }
  // A value that could not be bound fails the next step rather than running
  // the statement with a NULL in its place.
  void Bound(int rc) {
    if (rc != SQLITE_OK && !bindFailed_) {
      bindFailed_ = true;
      bindError_ = rc;
    }
  }

  SqliteConnection& owner_;
  sqlite3_stmt* stmt_;
  std::map<int, int> slots_;  // $n → SQLite's index of that parameter
  bool bindFailed_ = false;
  int bindError_ = SQLITE_OK;
};

class SqliteConnection final : public SqlConnection {
 public:
  SqliteConnection(sqlite3* db, bool owned) : db_(db), owned_(owned) {}
  ~SqliteConnection() override {
    if (owned_) sqlite3_close_v2(db_);
  }

  SqlEngine engine() const override { return SqlEngine::Sqlite; }

  std::unique_ptr<SqlStatement> Prepare(std::string_view sql) override {
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      Failed(rc);
      return nullptr;
    }
    std::map<int, int> slots;
    for (int k = 1, n = sqlite3_bind_parameter_count(stmt); k <= n; ++k) {
      const char* name = sqlite3_bind_parameter_name(stmt, k);
      int number = 0;
      const std::string_view rest = name && name[0] == '$' ? std::string_view(name + 1) : "";
      const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
      if (rest.empty() || ec != std::errc() || end != rest.data() + rest.size() || number < 1) {
        sqlite3_finalize(stmt);
        error_ = {SqlErrorKind::Other, std::to_string(SQLITE_RANGE),
                  "parameters are written $1, $2 …, not " + std::string(name ? name : "?"), {}, {}, {}, SQLITE_RANGE, 0};
        return nullptr;
      }
      slots.emplace(number, k);
    }
    return std::make_unique<SqliteStatement>(*this, stmt, std::move(slots));
  }

  bool Exec(std::string_view sql) override {
    const int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || Failed(rc);
  }
  bool Begin() override { return Exec("BEGIN IMMEDIATE"); }
  bool Commit() override { return Exec("COMMIT"); }
  bool Rollback() override { return Exec("ROLLBACK"); }

  // Always false, for `return ok || Failed(rc)`.
  bool Failed(int rc) {
    error_ = ErrorOf(db_, rc);
    return false;
  }

 private:
  sqlite3* db_;
  bool owned_;
};

SqlStep SqliteStatement::Step() {
  if (bindFailed_) {
    owner_.Failed(bindError_);
    return SqlStep::Error;
  }
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return SqlStep::Row;
  if (rc == SQLITE_DONE) return SqlStep::Done;
  // The statement's own code; reset so that the next step starts afresh.
  owner_.Failed(rc);
  sqlite3_reset(stmt_);
  return SqlStep::Error;
}

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, SqlError& error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Reading the journal mode is the first read of the file: a file that is
    // not a database fails here.
    rc = sqlite3_exec(db, "PRAGMA foreign_keys = ON; PRAGMA journal_mode = WAL", nullptr, nullptr,
                      nullptr);
  }
  if (rc != SQLITE_OK) {
    error = ErrorOf(db, rc);
    sqlite3_close_v2(db);
    return nullptr;
  }
  error = {};
  return std::make_unique<SqliteConnection>(db, true);
}

std::unique_ptr<SqlConnection> BorrowSqlite(sqlite3* db) {
  return std::make_unique<SqliteConnection>(db, false);
}

}  // namespace eiyou
