#include "plans/plan_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "tables/data_dir.h"

namespace eiyou {
namespace {

constexpr const char* kNothingStored = "何も保存していません。";

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

bool IsDamage(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string Stamp(std::time_t t, const char* format) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
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
std::string UriPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        std::strchr("/-._~", c) != nullptr) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

std::string ReadFailureText(const std::string& path, int rc, const char* detail) {
  if (IsDamage(rc))
    return "献立表 " + path +
           " が壊れているため読み込めませんでした。日別献立を開き直すと、壊れた献立表を移して新しく始めます。";
  return "献立表 " + path + " を読み込めませんでした（" + detail + "）。";
}

std::string WriteFailureText(const std::string& path, int rc, const char* detail) {
  std::string text;
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      text = "ほかのプログラムが献立表 " + path +
             " を使っているため保存できませんでした。しばらくしてからもう一度保存してください。";
      break;
    case SQLITE_FULL:
      text = "ディスクがいっぱいのため、献立表 " + path + " に保存できませんでした。";
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      text = "献立表 " + path + " に書き込めないため保存できませんでした。";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      text = "献立表 " + path +
             " が壊れているため保存できませんでした。日別献立を開き直すと、壊れた献立表を移して新しく始めます。";
      break;
    default:
      text = "献立表 " + path + " に保存できませんでした（" + detail + "）。";
  }
  return text + "保存されていた献立は変わっていません。";
}

}  // namespace

std::string PlanDatabasePath(const std::string& dataDir) {
  return JoinPath(JoinPath(dataDir, kDishDirName), kPlanFileName);
}

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now) {
  return Open(dataDir, now, PlanMigrations());
}

std::unique_ptr<DayPlanStore> DayPlanStore::OpenInDataFolder(std::time_t now) {
  return Open(DataDirectory(), now);
}

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now,
                                                 std::span<const PlanMigration> migrations) {
  std::unique_ptr<DayPlanStore> store(new DayPlanStore);
  try {
    store->OpenFile(dataDir, now, migrations);
  } catch (const std::exception& e) {
    store->Fail("献立表 " + store->path_ + " を開けませんでした（" + e.what() + "）。");
  }
  return store;
}

DayPlanStore::~DayPlanStore() { Close(); }

void DayPlanStore::Close() {
  // The last connection to close checkpoints the WAL into the file and removes it.
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void DayPlanStore::Fail(std::string message) {
  Close();
  readable_ = writable_ = false;
  status_ = OpenStatus::Failed;
  message_ = std::move(message);
}

bool DayPlanStore::Exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool DayPlanStore::Connect(bool readOnly, bool immutable) {
  const int flags = SQLITE_OPEN_URI |
                    (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const std::string uri = UriPath(path_) + (immutable ? "?immutable=1" : "");
  const int rc = sqlite3_open_v2(uri.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    Fail("献立表 " + path_ + " を開けませんでした（" + detail + "）。");
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  // Another copy of the program may be storing a day: wait for it a while.
  sqlite3_busy_timeout(db_, 5000);
  return true;
}

DayPlanStore::Health DayPlanStore::Inspect(bool writable) {
  auto failed = [&](int rc) {
    if (IsDamage(rc)) return Health::Damaged;
    Fail("献立表 " + path_ + " を開けませんでした（" + sqlite3_errmsg(db_) + "）。");
    return Health::Unusable;
  };
  // Until the file is known to be sound, closing must not checkpoint: that
  // would write the WAL into a damaged file and remove the WAL, and the copy
  // moved aside would no longer be what was found.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  if (!Exec("PRAGMA foreign_keys = ON")) return failed(sqlite3_extended_errcode(db_));
  {
    // A few milliseconds for a year of days; finds torn pages and broken trees.
    Statement check(db_, "PRAGMA quick_check(1)");
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

bool DayPlanStore::MoveAside(std::time_t now) {
  const std::string stamp = Stamp(now, "%Y%m%d-%H%M%S");
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
      Fail("壊れた献立表 " + path_ + " を移せませんでした（" + std::strerror(errno) + "）。");
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
         std::strerror(errno) + "）。");
    return false;
  }
  unlink((path_ + "-shm").c_str());  // an index of that WAL, rebuilt from it
  return true;
}

void DayPlanStore::OpenFile(const std::string& dataDir, std::time_t now,
                            std::span<const PlanMigration> migrations) {
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

  bool damaged = !sane;
  if (!damaged) {
    if (!Connect(false, false)) return;
    const Health health = Inspect(true);
    if (health == Health::Unusable) return;
    damaged = health == Health::Damaged;
  }
  if (damaged) {
    Close();
    if (!MoveAside(now)) return;
    if (!Connect(false, false)) return;
    if (Inspect(true) != Health::Sound) {
      if (status_ != OpenStatus::Failed) Fail("新しい献立表 " + path_ + " を作れませんでした。");
      return;
    }
  }
  if (!Migrate(migrations)) return;
  if (damaged) {
    status_ = OpenStatus::Replaced;
    message_ = "献立表 " + path_ + " が壊れていたため、" + damagedCopy_ +
               " に移して新しい献立表を始めました。移したファイルはそのまま残してあります。";
  }
}

void DayPlanStore::OpenReadOnly(bool exists, bool sane) {
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

bool DayPlanStore::Migrate(std::span<const PlanMigration> migrations) {
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
      const std::string detail = sqlite3_errmsg(db_);
      if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
      Fail("献立表 " + path_ + " を新しい形式に更新できませんでした（" + detail +
           "）。献立表はそのままです。");
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

StoreResult DayPlanStore::Refusal() const {
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

StoreResult DayPlanStore::Rollback() {
  const int rc = sqlite3_extended_errcode(db_);
  const std::string detail = sqlite3_errmsg(db_);
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  return {false, WriteFailureText(path_, rc, detail.c_str())};
}

StoreResult DayPlanStore::SaveDay(const DayPlan& plan, std::time_t savedAt) {
  if (!IsPlanDate(plan.date))
    return {false, std::string("日付は YYYY-MM-DD の形の、実在する日付にしてください。") + kNothingStored};
  if ((plan.sex != 0 && plan.sex != 1) || plan.age < 1 || plan.age > 11)
    return {false, std::string("性別と年齢区分を選んでから保存してください。") + kNothingStored};
  if (!writable_) return Refusal();

  // One transaction: the old day goes and the new one comes in the same commit,
  // so a reader (or a process dying halfway) sees one day or the other.
  if (!Exec("BEGIN IMMEDIATE")) return Rollback();
  {
    const std::string saved = Stamp(savedAt, "%Y-%m-%dT%H:%M:%S");
    Statement remove(db_, "DELETE FROM day WHERE date = ?1");
    Statement day(db_, "INSERT INTO day (date, sex, age, saved_at) VALUES (?1, ?2, ?3, ?4)");
    Statement dish(db_, "INSERT INTO dish (day_date, meal, position, line) VALUES (?1, ?2, ?3, ?4)");
    if (!remove || !day || !dish) return Rollback();
    remove.BindText(1, plan.date);
    if (remove.Run() != SQLITE_DONE) return Rollback();
    day.BindText(1, plan.date);
    day.BindInt(2, plan.sex);
    day.BindInt(3, plan.age);
    day.BindText(4, saved);
    if (day.Run() != SQLITE_DONE) return Rollback();
    dish.BindText(1, plan.date);
    for (int meal = 0; meal < kMeals; ++meal) {
      dish.BindInt(2, meal + 1);
      const std::vector<std::string>& lines = plan.meals[meal];
      for (std::size_t i = 0; i < lines.size(); ++i) {
        dish.BindInt(3, static_cast<int>(i));
        dish.BindBlob(4, lines[i]);
        if (dish.Run() != SQLITE_DONE) return Rollback();
      }
    }
  }
  if (!Exec("COMMIT")) return Rollback();
  return {true, {}};
}

StoreResult DayPlanStore::DeleteDay(const std::string& date) {
  if (!IsPlanDate(date))
    return {false, std::string("日付は YYYY-MM-DD の形の、実在する日付にしてください。")};
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback();
  {
    Statement remove(db_, "DELETE FROM day WHERE date = ?1");  // its dishes follow (CASCADE)
    if (!remove) return Rollback();
    remove.BindText(1, date);
    if (remove.Run() != SQLITE_DONE) return Rollback();
  }
  if (!Exec("COMMIT")) return Rollback();
  return {true, {}};
}

bool DayPlanStore::HasDay(const std::string& date) {
  readError_.clear();
  if (!readable_ || !IsPlanDate(date)) return false;
  Statement find(db_, "SELECT 1 FROM day WHERE date = ?1");
  if (!find) {
    readError_ = ReadFailureText(path_, sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
    return false;
  }
  find.BindText(1, date);
  const int rc = sqlite3_step(find.get());
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) readError_ = ReadFailureText(path_, rc, sqlite3_errmsg(db_));
  return false;
}

std::optional<DayPlan> DayPlanStore::LoadDay(const std::string& date) {
  std::vector<DayPlan> days = DaysBetween(date, date);
  if (days.empty()) return std::nullopt;
  return std::move(days.front());
}

std::vector<DayPlan> DayPlanStore::DaysBetween(const std::string& from, const std::string& to) {
  readError_.clear();
  std::vector<DayPlan> days;
  if (!readable_ || !IsPlanDate(from) || !IsPlanDate(to) || to < from) return days;

  auto failed = [&](int rc) {
    readError_ = ReadFailureText(path_, rc, sqlite3_errmsg(db_));
    if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
    days.clear();
    return days;
  };
  // Both queries in one read transaction: the days and their dishes come from
  // the same committed state even while another process stores a day.
  if (!Exec("BEGIN")) return failed(sqlite3_extended_errcode(db_));
  {
    Statement dayRows(db_,
                      "SELECT date, sex, age, saved_at FROM day WHERE date BETWEEN ?1 AND ?2 "
                      "ORDER BY date");
    Statement dishRows(db_,
                       "SELECT day_date, meal, line FROM dish WHERE day_date BETWEEN ?1 AND ?2 "
                       "ORDER BY day_date, meal, position");
    if (!dayRows || !dishRows) return failed(sqlite3_extended_errcode(db_));
    dayRows.BindText(1, from);
    dayRows.BindText(2, to);
    int rc;
    while ((rc = sqlite3_step(dayRows.get())) == SQLITE_ROW) {
      DayPlan& day = days.emplace_back();
      day.date = dayRows.Bytes(0);
      day.sex = sqlite3_column_int(dayRows.get(), 1);
      day.age = sqlite3_column_int(dayRows.get(), 2);
      day.savedAt = dayRows.Bytes(3);
    }
    if (rc != SQLITE_DONE) return failed(rc);

    dishRows.BindText(1, from);
    dishRows.BindText(2, to);
    std::size_t k = 0;  // both lists are in date order: one merge pass
    while ((rc = sqlite3_step(dishRows.get())) == SQLITE_ROW) {
      const std::string_view date = dishRows.Bytes(0);
      while (k < days.size() && days[k].date < date) ++k;
      const int meal = sqlite3_column_int(dishRows.get(), 1);
      if (k == days.size() || days[k].date != date || meal < 1 || meal > kMeals) continue;
      days[k].meals[meal - 1].emplace_back(dishRows.Bytes(2));
    }
    if (rc != SQLITE_DONE) return failed(rc);
  }
  if (!Exec("COMMIT")) return failed(sqlite3_extended_errcode(db_));
  return days;
}

}  // namespace eiyou
