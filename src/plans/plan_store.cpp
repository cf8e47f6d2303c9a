#include "plans/plan_store.h"

#include "plans/sqlite_plan_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string_view>

#include "nutrition/profile.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tables/food_table.h"
#include "tables/text_fields.h"

namespace eiyou {
using plan_detail::SqlitePlanStore;
using plan_detail::Statement;

namespace {

constexpr const char* kNothingStored = "何も保存していません。";

bool IsDamage(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Whether this process should write there. The mode bits are read as well as
// access(): a process running as root may write anywhere, and would otherwise
// write into a folder or a file the user marked read-only.
bool MayWrite(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

// An empty file is an empty database; anything else must begin with SQLite's
// header. SQLite itself takes a short file of any bytes for an empty database
// and would write over it.
bool HasDatabaseHeader(const std::string& path) {
  if (FileSize(path) == 0) return true;
  static constexpr char kHeader[16] = "SQLite format 3";  // with its NUL
  char head[sizeof kHeader] = {};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const ssize_t n = read(fd, head, sizeof head);
  close(fd);
  return n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kHeader, sizeof head) == 0;
}

// rename() that never replaces an existing entry.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system without the flag: look first. Only another writer choosing
  // the same dated name at the same moment could slip in between.
  if (EntryExists(to)) {
    errno = EEXIST;
    return -1;
  }
  return rename(from.c_str(), to.c_str());
}

// The path as an SQLite URI: every byte outside the plain set escaped.
std::string UriPath(const std::string& path) { return "file:" + PercentEncoded(path, "/-._~"); }

// A full disk shows itself as SQLITE_FULL, or as an I/O error or a file that
// cannot be opened whose system error is ENOSPC (growing the WAL index, for
// one). SQLite keeps that errno for those two codes only.
bool DiskFull(int rc, int sysErrno) {
  const int primary = rc & 0xff;
  return primary == SQLITE_FULL || ((primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN) &&
                                    (sysErrno == ENOSPC || sysErrno == EDQUOT));
}

// Words for the user for some error codes; 0 pads a shorter list of codes.
struct CodeReason {
  std::array<int, 3> codes;
  const char* text;
};

// SQLite's own texts are English.
constexpr CodeReason kSqliteReasons[] = {
    {{SQLITE_BUSY, SQLITE_LOCKED}, "ほかのプログラムが使っています"},
    {{SQLITE_READONLY, SQLITE_PERM, SQLITE_AUTH}, "書き込みが許されていません"},
    {{SQLITE_CANTOPEN}, "ファイルを開けません"},
    {{SQLITE_NOMEM}, "メモリが足りません"},
    {{SQLITE_CORRUPT, SQLITE_NOTADB}, "ファイルが壊れています"},
    {{SQLITE_TOOBIG, SQLITE_NOLFS}, "データが大きすぎます"},
    {{SQLITE_CONSTRAINT}, "献立表の決まりに合わない内容です"},
};

// The same for a failed rename.
constexpr CodeReason kErrnoReasons[] = {
    {{ENOSPC, EDQUOT}, "ディスクがいっぱいです"},
    {{EACCES, EPERM, EROFS}, "書き込みが許されていません"},
    {{EBUSY}, "ほかのプログラムが使っています"},
};

template <std::size_t N>
const char* Lookup(const CodeReason (&reasons)[N], int code) {
  for (const CodeReason& r : reasons)
    if (code != 0 && std::find(r.codes.begin(), r.codes.end(), code) != r.codes.end()) return r.text;
  return nullptr;
}

// Why SQLite failed, in words for the user.
std::string Reason(int rc, int sysErrno) {
  if (DiskFull(rc, sysErrno)) return "ディスクがいっぱいです";
  if ((rc & 0xff) == SQLITE_IOERR)
    return rc == SQLITE_IOERR_NOMEM ? "メモリが足りません" : "ディスクの読み書きに失敗しました";
  if (const char* text = Lookup(kSqliteReasons, rc & 0xff)) return text;
  return "SQLite のエラー番号 " + std::to_string(rc);
}

std::string ErrnoReason(int error) {
  if (const char* text = Lookup(kErrnoReasons, error)) return text;
  return "エラー番号 " + std::to_string(error);
}

std::string WriteFailureText(const std::string& path, int rc, int sysErrno, const char* what) {
  std::string text;
  if (DiskFull(rc, sysErrno)) {
    text = "ディスクがいっぱいのため、献立表 " + path + " に保存できませんでした。";
  } else {
    switch (rc & 0xff) {
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        text = "ほかのプログラムが献立表 " + path +
               " を使っているため保存できませんでした。しばらくしてからもう一度保存してください。";
        break;
      case SQLITE_READONLY:
      case SQLITE_PERM:
        text = "献立表 " + path + " に書き込めないため保存できませんでした。";
        break;
      default:
        text = "献立表 " + path + " に保存できませんでした（" + Reason(rc, sysErrno) + "）。";
    }
  }
  return text + "保存されていた" + what + "は変わっていません。";
}

}  // namespace

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now) {
  return Open(dataDir, now, PlanMigrations());
}

std::unique_ptr<DayPlanStore> DayPlanStore::OpenInDataFolder(std::time_t now) {
  return Open(DataDirectory(), now);
}

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now,
                                                 std::span<const PlanMigration> migrations) {
  auto store = std::make_unique<SqlitePlanStore>(now);
  try {
    store->OpenFile(dataDir, migrations);
  } catch (const std::bad_alloc&) {
    store->Fail("献立表 " + store->path() + " を開けませんでした（メモリが足りません）。");
  } catch (const std::exception&) {
    store->Fail("献立表 " + store->path() + " を開けませんでした（予期しないエラーです）。");
  }
  return store;
}

void SqlitePlanStore::Close() {
  // An open transaction (a re-pointing not committed) is rolled back. The last
  // connection to close checkpoints the WAL into the file and removes it.
  connection_.reset();
  sql_ = nullptr;
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

SqlitePlanStore::Failure SqlitePlanStore::Caught() const {
  return {sqlite3_extended_errcode(db_), sqlite3_system_errno(db_)};
}

void SqlitePlanStore::Fail(std::string message) {
  Close();
  readable_ = writable_ = false;
  status_ = OpenStatus::Failed;
  message_ = std::move(message);
}

bool SqlitePlanStore::Exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqlitePlanStore::Connect(bool readOnly, bool immutable) {
  const int flags = SQLITE_OPEN_URI |
                    (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const std::string uri = UriPath(path_) + (immutable ? "?immutable=1" : "");
  const int rc = sqlite3_open_v2(uri.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const int sysErrno = db_ ? sqlite3_system_errno(db_) : 0;
    Fail("献立表 " + path_ + " を開けませんでした（" + Reason(rc, sysErrno) + "）。");
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  // Another copy of the program may be storing a day: wait for it a while.
  sqlite3_busy_timeout(db_, 5000);
  connection_ = BorrowSqlite(db_);
  sql_ = connection_.get();
  return true;
}

SqlitePlanStore::Health SqlitePlanStore::Inspect(bool writable) {
  auto failed = [&](int rc) {
    if (IsDamage(rc)) return Health::Damaged;
    Fail("献立表 " + path_ + " を開けませんでした（" + Reason(rc, sqlite3_system_errno(db_)) + "）。");
    return Health::Unusable;
  };
  // Until the file is known to be sound, closing must not checkpoint: that
  // would write the WAL into a damaged file and remove the WAL, and the copy
  // moved aside would no longer be what was found.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  if (!Exec("PRAGMA foreign_keys = ON")) return failed(sqlite3_extended_errcode(db_));
  {
    // A few milliseconds for a year of days. Finds torn pages and broken
    // trees, and also (unlike quick_check) a day row that its index no longer
    // agrees with: such a file reads as sound but loses days' dishes.
    Statement check(db_, "PRAGMA integrity_check");
    if (!check) return failed(sqlite3_extended_errcode(db_));
    const int rc = sqlite3_step(check.get());
    if (rc != SQLITE_ROW) return failed(rc);
    if (check.Bytes(0) != "ok") return Health::Damaged;
  }
  {
    Statement version(db_, "PRAGMA user_version");
    if (!version) return failed(sqlite3_extended_errcode(db_));
    const int rc = sqlite3_step(version.get());
    if (rc != SQLITE_ROW) return failed(rc);
    version_ = sqlite3_column_int(version.get(), 0);
  }
  if (writable) {
    // WAL: a writer never blocks the readers, and a commit is one append.
    // Set only now, as it writes to the file's header.
    Statement wal(db_, "PRAGMA journal_mode = WAL");
    if (!wal) return failed(sqlite3_extended_errcode(db_));
    const int rc = sqlite3_step(wal.get());
    if (rc != SQLITE_ROW) return failed(rc);
    if (wal.Bytes(0) != "wal") {
      Fail("献立表 " + path_ + " を WAL 形式にできませんでした。");
      return Health::Unusable;
    }
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
  }
  return Health::Sound;
}

bool SqlitePlanStore::MoveAside() {
  const std::string stamp = DatedNameStamp(now_);
  std::string aside;
  for (int attempt = 1; attempt <= 100 && aside.empty(); ++attempt) {
    const std::string name =
        path_ + "." + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".damaged";
    // Its WAL goes beside it under the name SQLite looks for, so the copy
    // opens with every transaction it had.
    if (EntryExists(name) || EntryExists(name + "-wal")) continue;
    if (RenameNoReplace(path_, name) == 0) {
      aside = name;
    } else if (errno != EEXIST) {
      Fail("壊れた献立表 " + path_ + " を移せませんでした（" + ErrnoReason(errno) + "）。");
      return false;
    }
  }
  if (aside.empty()) {
    Fail("壊れた献立表 " + path_ + " を移す名前が空いていません。");
    return false;
  }
  damagedCopy_ = aside;
  // A WAL left behind would be read into the new database.
  if (EntryExists(path_ + "-wal") && RenameNoReplace(path_ + "-wal", aside + "-wal") != 0) {
    Fail("壊れた献立表を " + aside + " に移しましたが、" + path_ + "-wal を移せませんでした（" +
         ErrnoReason(errno) + "）。");
    return false;
  }
  unlink((path_ + "-shm").c_str());  // an index of that WAL, rebuilt from it
  return true;
}

void SqlitePlanStore::OpenFile(const std::string& dataDir,
                               std::span<const PlanMigration> migrations) {
  migrations_.assign(migrations.begin(), migrations.end());
  folder_ = JoinPath(dataDir, kDishDirName);
  const std::string& folder = folder_;
  path_ = PlanDatabasePath(dataDir);
  if (!DirectoryExists(folder)) {
    status_ = OpenStatus::NoFolder;
    message_ = "フォルダ " + folder + " がないため、日別献立を読み込むことも保存することもできません。";
    return;
  }
  struct stat st;
  const bool exists = lstat(path_.c_str(), &st) == 0;
  const bool regular = exists && stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const bool sane = !exists || (regular && HasDatabaseHeader(path_));

  if (!MayWrite(folder) || (regular && !MayWrite(path_))) {
    OpenReadOnly(exists, sane);
    return;
  }

  movable_ = true;
  if (!sane) {
    StartAfresh();
    return;
  }
  if (!Connect(false, false)) return;
  switch (Inspect(true)) {
    case Health::Unusable:
      return;
    case Health::Damaged:
      StartAfresh();
      return;
    case Health::Sound:
      break;
  }
  if (Migrate() && writable_) RemoveOrphans();
}

bool SqlitePlanStore::StartAfresh() {
  // Closing must not write the WAL into the damaged file (Inspect asks the
  // same of a file found damaged at opening).
  if (db_) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  Close();
  readable_ = writable_ = false;
  if (!MoveAside()) return false;
  if (!Connect(false, false)) return false;
  if (Inspect(true) != Health::Sound) {
    if (status_ != OpenStatus::Failed) Fail("新しい献立表 " + path_ + " を作れませんでした。");
    return false;
  }
  if (!Migrate()) return false;
  status_ = OpenStatus::Replaced;
  message_ = "献立表 " + path_ + " が壊れていたため、" + damagedCopy_ +
             " に移して新しい献立表を始めました。移したファイルはそのまま残してあります。";
  return true;
}

// Damage found while the store is in use is dealt with as at opening: the
// file is moved aside and a new database started, or, where nothing may be
// moved, the user is told. Returns what to tell.
std::string SqlitePlanStore::Damaged() {
  if (!movable_)
    return "献立表 " + path_ + " は壊れていますが、書き込めない場所にあるため移せません。";
  StartAfresh();
  return message_;
}

// After a read that failed for another reason: damage the opening check did
// not meet (a page first read now) shows here.
bool SqlitePlanStore::FailsCheck() {
  Statement check(db_, "PRAGMA integrity_check");
  if (!check) return IsDamage(sqlite3_extended_errcode(db_));
  const int rc = sqlite3_step(check.get());
  return rc == SQLITE_ROW ? check.Bytes(0) != "ok" : IsDamage(rc);
}

// Dish rows whose day is gone, left by a tool that deleted days with foreign
// keys off (the sqlite3 shell's default). No window shows them, so removing
// them loses nothing the user sees, whereas taking the file for damaged would
// hide every day in it. Should this fail they stay harmless: storing or
// deleting a day deletes its dish rows itself.
void SqlitePlanStore::RemoveOrphans() {
  {
    Statement check(db_, "PRAGMA foreign_key_check(dish)");
    if (!check || sqlite3_step(check.get()) != SQLITE_ROW) return;
  }
  if (Exec("BEGIN IMMEDIATE") &&
      Exec("DELETE FROM dish WHERE day_date NOT IN (SELECT date FROM day)") && Exec("COMMIT"))
    return;
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
}

void SqlitePlanStore::OpenReadOnly(bool exists, bool sane) {
  status_ = OpenStatus::ReadOnly;
  if (!exists) {
    message_ = "献立表のフォルダ " + folder_ + " に書き込めないため、日別献立を保存できません。";
    return;
  }
  if (!sane) {
    Fail("献立表 " + path_ + " は壊れていますが、書き込めない場所にあるため移せません。");
    return;
  }
  // Without a WAL to read, the file is opened as immutable: SQLite then needs
  // no lock and no index file (-shm), which it could not create in a folder
  // that cannot be written. A WAL left by a process that died is read.
  if (!Connect(true, FileSize(path_ + "-wal") <= 0)) return;
  const Health health = Inspect(false);
  if (health == Health::Unusable) return;
  if (health == Health::Damaged) {
    Fail("献立表 " + path_ + " は壊れていますが、書き込めない場所にあるため移せません。");
    return;
  }
  readable_ = version_ >= 1;
  message_ = "献立表 " + path_ +
             " またはそのフォルダが読み取り専用のため、保存された日を見ることだけができます（保存はできません）。";
}

bool SqlitePlanStore::Migrate() {
  const std::vector<PlanMigration>& migrations = migrations_;
  for (const PlanMigration& step : migrations) {
    if (step.version <= version_) continue;
    // Another copy of the program may have taken the step since the version
    // was read: it is read again inside the transaction.
    bool ok = Exec("BEGIN IMMEDIATE");
    int now = version_;
    if (ok) {
      Statement version(db_, "PRAGMA user_version");
      ok = version && sqlite3_step(version.get()) == SQLITE_ROW;
      if (ok) now = sqlite3_column_int(version.get(), 0);
    }
    if (ok && now < step.version) {
      const std::string setVersion = "PRAGMA user_version = " + std::to_string(step.version);
      ok = Exec(step.sql) && Exec(setVersion.c_str());
    }
    ok = ok && Exec("COMMIT");
    if (!ok) {
      const Failure failure = Caught();
      if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
      Fail("献立表 " + path_ + " を新しい形式に更新できませんでした（" +
           Reason(failure.rc, failure.sysErrno) + "）。献立表はそのままです。");
      return false;
    }
    version_ = std::max(now, step.version);
  }
  readable_ = true;
  const int latest = migrations.empty() ? 0 : migrations.back().version;
  if (version_ > latest) {
    status_ = OpenStatus::NewerVersion;
    message_ = "献立表 " + path_ +
               " は新しい版のプログラムで作られたため、この版では保存された日を見ることだけができます（保存はできません）。";
    return true;
  }
  writable_ = true;
  status_ = OpenStatus::Ok;
  return true;
}

StoreResult SqlitePlanStore::Refusal() const {
  switch (status_) {
    case OpenStatus::ReadOnly:
      return {false, "献立表 " + path_ + " またはそのフォルダが読み取り専用のため、保存できません。" +
                         kNothingStored};
    case OpenStatus::NewerVersion:
      return {false, "献立表 " + path_ + " は新しい版のプログラムで作られたため、この版では保存できません。" +
                         kNothingStored};
    default:
      return {false, message_.empty() ? std::string(kNothingStored) : message_ + kNothingStored};
  }
}

bool SqlitePlanStore::BeginRead() { return sql_->Exec("BEGIN"); }

void SqlitePlanStore::Abandon() {
  if (db_ && !sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
}

StoreResult SqlitePlanStore::WriteFailed(const SqlError& error, const char* what) {
  if (IsDamage(error.code)) return {false, Damaged() + kNothingStored};
  return {false, WriteFailureText(path_, error.code, error.systemErrno, what)};
}

void SqlitePlanStore::ReadFailed(const SqlError& error) {
  if (IsDamage(error.code) || FailsCheck())
    readError_ = Damaged();
  else
    readError_ = "献立表 " + path_ + " を読み込めませんでした（" +
                 Reason(error.code, error.systemErrno) + "）。";
}


StoreResult SqlitePlanStore::BeginRepoint(const FoodTable& table, const FoodTableIdentity&,
                                          PlanRepoint& result) {
  result = {};
  if (!readable_) return {status_ != OpenStatus::Failed, message_};
  // A writer takes the write lock first: no day can be stored between the
  // reading and the writing.
  Failure failure;
  Repointed repointed = Repointed::ReadFailed;
  if (Exec(writable_ ? "BEGIN IMMEDIATE" : "BEGIN")) {
    repointed = RepointStoredDays(table, result, writable_);
    if (repointed != Repointed::Done)
      failure = {sql_->lastError().code, sql_->lastError().systemErrno};
  } else {
    failure = Caught();
  }
  if (repointed == Repointed::WriteFailed) return RepointFailed(failure);
  if (repointed == Repointed::ReadFailed) {
    if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
    result = {};
    if (IsDamage(failure.rc)) return {false, Damaged()};
    return {false, "献立表 " + path_ + " を読み込めませんでした（" +
                       Reason(failure.rc, failure.sysErrno) + "）。"};
  }
  if (result.dishesChanged == 0 || !writable_) {
    Exec("ROLLBACK");  // only read
    if (result.dishesChanged == 0) return {true, {}};
    return {false, "献立表 " + path_ +
                       (status_ == OpenStatus::NewerVersion
                            ? " は新しい版のプログラムで作られたため"
                            : " またはそのフォルダが読み取り専用のため") +
                       "、保存された日別献立を新しい表に合わせられません。"};
  }
  return {true, {}};
}

StoreResult SqlitePlanStore::RepointFailed(Failure failure) {
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  if (IsDamage(failure.rc)) return {false, Damaged()};
  return {false, (DiskFull(failure.rc, failure.sysErrno)
                      ? "ディスクがいっぱいのため、献立表 " + path_ + " の日別献立を新しい表に合わせられませんでした。"
                      : "献立表 " + path_ + " の日別献立を新しい表に合わせられませんでした（" +
                            Reason(failure.rc, failure.sysErrno) + "）。") +
                     "保存されていた日別献立は変わっていません。"};
}

StoreResult SqlitePlanStore::CopyCommittedTo(const std::string& path) {
  // A connection of its own reads the last committed state: never this one's
  // open transaction, and no other writer can commit while this one holds the
  // write lock. VACUUM INTO writes one self-contained file (and fills an
  // empty one, so the caller's name is kept).
  sqlite3* copy = nullptr;
  int rc = sqlite3_open_v2(UriPath(path_).c_str(), &copy, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                           nullptr);
  int sysErrno = 0;
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(copy, 1);
    sqlite3_busy_timeout(copy, 5000);
    sqlite3_stmt* vacuum = nullptr;
    rc = sqlite3_prepare_v2(copy, "VACUUM INTO ?1", -1, &vacuum, nullptr);
    if (rc == SQLITE_OK) {
      const std::string target = UriPath(path);
      sqlite3_bind_text(vacuum, 1, target.c_str(), static_cast<int>(target.size()), SQLITE_TRANSIENT);
      rc = sqlite3_step(vacuum);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
      rc = sqlite3_extended_errcode(copy);
      sysErrno = sqlite3_system_errno(copy);
    }
    sqlite3_finalize(vacuum);
  }
  sqlite3_close_v2(copy);
  if (rc == SQLITE_OK) {
    // VACUUM INTO does not flush what it wrote.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
      sysErrno = errno;
      rc = SQLITE_IOERR_FSYNC;
    }
    if (fd >= 0) close(fd);
  }
  if (rc == SQLITE_OK) return {true, {}};
  return {false, "献立表 " + path_ + " の控え " + path + " を作れませんでした（" +
                     Reason(rc, sysErrno) + "）。"};
}

StoreResult SqlitePlanStore::CommitRepoint() {
  if (!db_ || sqlite3_get_autocommit(db_)) return {true, {}};  // nothing was changed
  if (!Exec("COMMIT")) return RepointFailed(Caught());
  return {true, {}};
}

void SqlitePlanStore::AbandonRepoint() {
  if (db_ && !sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
}

}  // namespace eiyou
