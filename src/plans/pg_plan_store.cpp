#include "plans/pg_plan_store.h"

#include "plans/server_dishes.h"

#include <algorithm>
#include <exception>
#include <new>

#include "nutrition/dish_line.h"
#include "nutrition/repoint.h"
#include "plans/server_dishes.h"
#include "plans/server_food_table.h"
#include "plans/sql_plan_store.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/food_table.h"
#include "tables/table_lines.h"

namespace eiyou {
namespace {

constexpr const char* kNothingStored = "何も保存していません。";

// The layouts of the SQLite file's steps in the server's types: BIGINT for
// its integers, BYTEA for the dish lines' CP932 bytes, a regular expression
// for its GLOB; a day and the facility's rows carry their row version.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE day (
  date     TEXT PRIMARY KEY NOT NULL CHECK (date ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$'),
  sex      BIGINT NOT NULL CHECK (sex IN (0, 1)),
  age      BIGINT NOT NULL CHECK (age BETWEEN 1 AND 11),
  saved_at TEXT NOT NULL,
  version  BIGINT NOT NULL DEFAULT 1
);
CREATE TABLE dish (
  day_date TEXT NOT NULL REFERENCES day (date) ON DELETE CASCADE,
  meal     BIGINT NOT NULL CHECK (meal BETWEEN 1 AND 3),
  position BIGINT NOT NULL CHECK (position >= 0),
  line     BYTEA NOT NULL,
  PRIMARY KEY (day_date, meal, position)
);
)sql";

constexpr const char* kVersion2 = R"sql(
ALTER TABLE day ADD COLUMN profile TEXT NOT NULL DEFAULT '';
)sql";

constexpr const char* kVersion3 = R"sql(
CREATE TABLE target_set (
  id          BIGSERIAL PRIMARY KEY,
  name        TEXT NOT NULL UNIQUE CHECK (length(name) > 0),
  description TEXT NOT NULL DEFAULT ''
);
CREATE TABLE target_value (
  set_id    BIGINT NOT NULL REFERENCES target_set (id) ON DELETE CASCADE,
  position  BIGINT NOT NULL CHECK (position >= 0),
  nutrient  TEXT NOT NULL,
  kind      BIGINT NOT NULL CHECK (kind BETWEEN 0 AND 6),
  value     DOUBLE PRECISION NOT NULL CHECK (value >= 0),
  exclusive BIGINT NOT NULL CHECK (exclusive IN (0, 1)),
  sex       BIGINT NOT NULL CHECK (sex IN (-1, 0, 1)),
  age_unit  TEXT NOT NULL CHECK (age_unit IN ('', 'y', 'm')),
  age_from  BIGINT NOT NULL,
  age_to    BIGINT NOT NULL,
  PRIMARY KEY (set_id, position)
);
)sql";

constexpr const char* kVersion4 = R"sql(
CREATE TABLE eater_group (
  id              BIGSERIAL PRIMARY KEY,
  name            TEXT NOT NULL UNIQUE CHECK (length(name) > 0),
  factor_permille BIGINT NOT NULL CHECK (factor_permille BETWEEN 1 AND 10000),
  headcount       BIGINT NOT NULL CHECK (headcount BETWEEN 0 AND 100000),
  meals           BIGINT NOT NULL CHECK (meals BETWEEN 1 AND 7),
  profile         TEXT NOT NULL DEFAULT '',
  position        BIGINT NOT NULL DEFAULT 0,
  version         BIGINT NOT NULL DEFAULT 1
);
CREATE TABLE headcount (
  date      TEXT NOT NULL CHECK (date ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$'),
  group_id  BIGINT NOT NULL REFERENCES eater_group (id) ON DELETE CASCADE,
  headcount BIGINT NOT NULL CHECK (headcount BETWEEN 0 AND 100000),
  PRIMARY KEY (date, group_id)
);
CREATE TABLE food_purchase (
  food       BIGINT PRIMARY KEY CHECK (food BETWEEN 1 AND 99999),
  price_sen  BIGINT CHECK (price_sen IS NULL OR price_sen >= 0),
  unit_grams BIGINT NOT NULL DEFAULT 1000 CHECK (unit_grams > 0),
  unit_name  TEXT NOT NULL DEFAULT '',
  set_on     TEXT NOT NULL DEFAULT '',
  supplier   TEXT NOT NULL DEFAULT '',
  version    BIGINT NOT NULL DEFAULT 1
);
CREATE TABLE allergen_override (
  food     BIGINT NOT NULL CHECK (food BETWEEN 1 AND 99999),
  item     TEXT NOT NULL CHECK (length(item) > 0),
  presence BIGINT NOT NULL CHECK (presence BETWEEN 0 AND 2),
  PRIMARY KEY (food, item)
);
CREATE TABLE facility (
  key     TEXT PRIMARY KEY NOT NULL CHECK (key IN ('name', 'notes')),
  value   TEXT NOT NULL,
  version BIGINT NOT NULL DEFAULT 1
);
)sql";

// The server's own: the dish list, which a single user keeps in the dish
// file, as a multiset of lines kept as their bytes, and one version row that
// every change of the list bumps and a save locks (server_dishes.h).
constexpr const char* kVersion5 = R"sql(
CREATE TABLE dish_list (
  id   BIGSERIAL PRIMARY KEY,
  line BYTEA NOT NULL
);
CREATE TABLE dish_list_version (
  id      BIGINT PRIMARY KEY CHECK (id = 1),
  version BIGINT NOT NULL
);
INSERT INTO dish_list_version (id, version) VALUES (1, 0);
)sql";

// The first layout with the dish list.
constexpr int kDishListLayout = 5;

// Row versions from one sequence, on every kind of row a user saves: a
// per-row count started again at 1 for a day deleted and stored again, and a
// user still holding that day's old 1 would overwrite it unaware. The
// sequence starts above every version given so far; the facility's two rows,
// always written together, share one.
constexpr const char* kVersion6 = R"sql(
CREATE SEQUENCE row_version;
SELECT setval('row_version', 1 + GREATEST(
  (SELECT COALESCE(max(version), 0) FROM day),
  (SELECT COALESCE(max(version), 0) FROM eater_group),
  (SELECT COALESCE(max(version), 0) FROM food_purchase),
  (SELECT COALESCE(max(version), 0) FROM facility)), false);
ALTER TABLE day ALTER COLUMN version SET DEFAULT nextval('row_version');
ALTER TABLE eater_group ALTER COLUMN version SET DEFAULT nextval('row_version');
ALTER TABLE food_purchase ALTER COLUMN version SET DEFAULT nextval('row_version');
ALTER TABLE facility ALTER COLUMN version SET DEFAULT nextval('row_version');
UPDATE facility SET version = (SELECT nextval('row_version'));
ALTER TABLE target_set ADD COLUMN version BIGINT NOT NULL DEFAULT nextval('row_version');
ALTER TABLE headcount ADD COLUMN version BIGINT NOT NULL DEFAULT nextval('row_version');
ALTER TABLE allergen_override ADD COLUMN version BIGINT NOT NULL DEFAULT nextval('row_version');
)sql";

constexpr int kRowVersionLayout = 6;

// The food table the days' and the dish list's lines are pointed at: one row
// or none (no program with a table has stored lines yet). A single user's
// lines follow the table beside them; a team's server says which table its
// follow, so that a program whose table is another reads them by food number
// and never writes lines pointed at its own (server_food_table.h).
constexpr const char* kVersion7 = R"sql(
CREATE TABLE food_table (
  id      BIGINT PRIMARY KEY CHECK (id = 1),
  digest  TEXT NOT NULL CHECK (digest ~ '^[0-9a-f]{64}$'),
  edition TEXT NOT NULL DEFAULT ''
);
)sql";

constexpr PlanMigration kMigrations[] = {
    {1, kVersion1},
    {2, kVersion2},
    {3, kVersion3},
    {4, kVersion4},
    {5, kVersion5},
    {6, kVersion6},
    {7, kVersion7},
};

// The server's layout version: one row, made by the first program to connect.
// An advisory lock keeps two first connections from making it at once.
constexpr const char* kLayoutTable = R"sql(
SELECT pg_advisory_xact_lock(4673823);
CREATE TABLE IF NOT EXISTS plan_layout (
  id      BIGINT PRIMARY KEY CHECK (id = 1),
  version BIGINT NOT NULL
);
INSERT INTO plan_layout (id, version) VALUES (1, 0) ON CONFLICT (id) DO NOTHING;
)sql";

class PgPlanStore final : public plan_detail::SqlPlanStore {
 public:
  explicit PgPlanStore(const PgSettings& settings) {
    // Settings given by a service section may name neither database nor host.
    if (!settings.dbname.empty() || settings.service.empty())
      path_ = "「" + settings.dbname + "」（サーバー " + (settings.host.empty() ? "既定" : settings.host) +
              (settings.port ? ":" + std::to_string(settings.port) : std::string()) + "）";
    else
      path_ = "（サービス「" + settings.service + "」のサーバー）";
  }

  void Connect(const PgSettings& settings, std::span<const PlanMigration> migrations) {
    connection_ = ConnectPostgres(settings, failure_);
    if (!connection_) return Fail(JapaneseMessage(failure_));
    sql_ = connection_.get();
    Migrate(migrations);
  }

  // Why connecting or preparing the layout failed (kind None when it did not).
  const SqlError& failure() const { return failure_; }

  void Fail(std::string message) {
    readable_ = writable_ = false;
    status_ = OpenStatus::Failed;
    message_ = std::move(message);
  }

  void ServeFolderTable(const std::string& dataDir, const FoodTableIdentity& table) override {
    if (!readable_) return;
    folder_ = table;
    if (version_ < plan_detail::kFoodTableLayout) return;
    FoodTableIdentity recorded;
    if (!plan_detail::ReadRecordedTable(*sql_, recorded))
      return Fail("サーバーの献立表 " + path_ + " の食品成分表の記録を読めませんでした。" +
                  JapaneseMessage(sql_->lastError()));
    if (recorded.digest.empty() || recorded == table) return;
    // Read on, pointed at the folder's table by food number; never written.
    folderTable_ = std::make_unique<FoodTable>();
    try {
      int row = 0;
      for (std::string& line :
           ReadTableLines(JoinPath(dataDir, kFoodFileName), FoodTable::kMaxRows, nullptr))
        folderTable_->SetRow(++row, std::move(line));
    } catch (const IoError&) {  // no table: every food is missing from it
    }
    writable_ = false;
    if (status_ == OpenStatus::Ok) message_ = OtherFoodTableMessage(recorded, table);
  }

  // The days and the dish list pointed at the new table in one transaction,
  // with the record; the file's backup copy has no counterpart here: the
  // server is backed up by its administrator (pg_dump).
  StoreResult BeginRepoint(const FoodTable& table, const FoodTableIdentity& identity,
                           PlanRepoint& result) override {
    result = {};
    if (!readable_) return {false, message_};
    if (status_ != OpenStatus::Ok) return Refusal();
    const auto failed = [&] {
      const SqlError error = sql_->lastError();
      sql_->Rollback();
      result = {};
      return StoreResult{false, "共有サーバーの日別献立と献立を新しい食品成分表に合わせられませんでした。" +
                                    JapaneseMessage(error)};
    };
    if (!sql_->Begin()) return failed();
    FoodTableIdentity recorded;
    if (plan_detail::ClaimFoodTable(*sql_, folder_ ? *folder_ : FoodTableIdentity{}, recorded,
                                    true) == plan_detail::TableClaim::Failed)
      return failed();
    const bool already = !recorded.digest.empty() && recorded == identity;
    if (!already && !recorded.digest.empty() && !(folder_ && recorded == *folder_)) {
      sql_->Rollback();
      return {false, "共有サーバーの献立と日別献立は、このパソコンの食品成分表とも取り込む表とも違う食品成分表（" +
                         (recorded.edition.empty() ? std::string("版の記録がない表")
                                                   : "「" + recorded.edition + "」") +
                         "）に合わせてあります。先にその表を取り込んでほかの利用者とそろえてから、"
                         "新しい表を取り込んでください。"};
    }
    if (RepointStoredDays(table, result, !already) != Repointed::Done) return failed();
    if (already) {
      // Another user installed this table: the server follows it already.
      sql_->Rollback();
      result.daysChanged = result.dishesChanged = result.foodsMoved = 0;
      result.unmatched.clear();
      result.alreadyPointed = true;
      return {true, {}};
    }
    if (!RepointDishList(table, result.listChanged) || !plan_detail::RecordFoodTable(*sql_, identity))
      return failed();
    repointing_ = true;
    return {true, {}};
  }
  StoreResult CopyCommittedTo(const std::string&) override {
    return {false, "サーバーの献立表 " + path_ + " の控えは、サーバーの管理者が作ります。"};
  }
  StoreResult CommitRepoint() override {
    if (!repointing_) return {true, {}};
    repointing_ = false;
    if (sql_->Commit()) return {true, {}};
    const SqlError error = sql_->lastError();
    sql_->Rollback();
    return {false, "共有サーバーの日別献立と献立を新しい食品成分表に合わせられませんでした。" +
                       JapaneseMessage(error) + "共有サーバーの日別献立と献立は変わっていません。"};
  }
  void AbandonRepoint() override {
    if (repointing_) sql_->Rollback();
    repointing_ = false;
  }

 protected:
  bool BeginRead() override { return sql_->Exec("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"); }
  // A transaction the server already abandoned (a failed statement, a lost
  // connection) is rolled back all the same; nothing is left to report.
  void Abandon() override { sql_->Rollback(); }
  StoreResult Refusal() const override {
    if (status_ == OpenStatus::NewerVersion)
      return {false, "サーバーの献立表 " + path_ +
                         " は新しい版のプログラムで作られたため、この版では保存できません。" + kNothingStored};
    return {false, message_.empty() ? std::string(kNothingStored) : message_ + kNothingStored};
  }
  StoreResult WriteFailed(const SqlError& error, const char* what) override {
    return {false, JapaneseMessage(error) + "保存されていた" + what + "は変わっていません。"};
  }
  void ReadFailed(const SqlError& error) override { readError_ = JapaneseMessage(error); }

  // The dish list of layout 5 (server_dishes.h): its lines in list order;
  // the version row locked, as a save locks it, when writing follows.
  bool ReadDishList(std::vector<std::string>& lines, bool forWriting) override {
    lines.clear();
    if (version_ < kDishListLayout) return true;
    std::int64_t version = 0;
    std::vector<plan_detail::DishRow> rows;
    if (!plan_detail::ReadDishRows(*sql_, forWriting, version, rows)) return false;
    for (plan_detail::DishRow& row : rows) lines.push_back(std::move(row.line));
    return true;
  }
  bool ReadTableRecord(FoodTableIdentity& table) override {
    table = {};
    return version_ < plan_detail::kFoodTableLayout || plan_detail::ReadRecordedTable(*sql_, table);
  }
  bool WriteTableRecord(const FoodTableIdentity& table) override {
    return version_ < plan_detail::kFoodTableLayout || table.digest.empty() ||
           plan_detail::RecordFoodTable(*sql_, table);
  }

  bool PointDaysRead(std::vector<DayPlan>& days) override {
    if (!folderTable_) return true;
    for (DayPlan& day : days)
      for (std::vector<std::string>& meal : day.meals) {
        RepointResult pointed = RepointDishLines(meal, *folderTable_);
        // A food the folder's table lacks would count as whatever food its
        // line there is.
        for (const UnmatchedFood& u : pointed.unmatched)
          if (!u.entry.empty()) {
            readError_ = "日別献立 " + day.date + " の献立「" +
                         Cp932ToUtf8(SplitDishLine(meal[u.line]).name) + "」の食品「" +
                         Cp932ToUtf8(u.entry) +
                         "」は、このパソコンの食品成分表に同じ食品番号がないため、読み込めません。" +
                         message_;
            return false;
          }
        meal = std::move(pointed.lines);
      }
    return true;
  }

  plan_detail::TableClaim ClaimFoodTable() override {
    if (!folder_ || version_ < plan_detail::kFoodTableLayout) return plan_detail::TableClaim::Ours;
    FoodTableIdentity recorded;
    const plan_detail::TableClaim claim = plan_detail::ClaimFoodTable(*sql_, *folder_, recorded);
    if (claim == plan_detail::TableClaim::Other) {
      writable_ = false;
      message_ = OtherFoodTableMessage(recorded, *folder_);
    }
    return claim;
  }

  // Into an empty list; its version goes up, so that a window that read the
  // empty list sees the change at its next save.
  bool WriteDishList(const std::vector<std::string>& lines) override {
    // An older layout has nowhere to put them: the check finds them missing.
    if (version_ < kDishListLayout) return true;
    bool changed = false;
    return plan_detail::WriteDishRows(*sql_, {}, lines, changed);
  }

 private:
  // The dish list's lines pointed at `table` inside the transaction open, its
  // version up when any changed.
  bool RepointDishList(const FoodTable& table, int& changed) {
    changed = 0;
    if (version_ < kDishListLayout) return true;
    std::int64_t version = 0;
    std::vector<plan_detail::DishRow> rows;
    if (!plan_detail::ReadDishRows(*sql_, true, version, rows)) return false;
    std::vector<std::string> lines;
    for (const plan_detail::DishRow& row : rows) lines.push_back(row.line);
    const RepointResult pointed = RepointDishLines(lines, table);
    for (std::size_t i = 0; i < lines.size(); ++i) changed += pointed.lines[i] != lines[i];
    bool written = false;
    return changed == 0 || plan_detail::WriteDishRows(*sql_, rows, pointed.lines, written);
  }

  void Migrate(std::span<const PlanMigration> migrations) {
    auto failed = [&] {
      failure_ = sql_->lastError();
      sql_->Rollback();
      // Only a layout missing or older than this program's gets here: a user
      // whose role may not change tables cannot bring it up to date.
      if (failure_.kind == SqlErrorKind::NoPermission)
        Fail("サーバーの献立表 " + path_ + " の形式はこのプログラムより古く、この利用者には形式を更新する権限がありません。"
             "サーバーの管理者がこのプログラムで一度接続して（または更新を実行して）から、もう一度試してください。");
      else
        Fail("サーバーの献立表 " + path_ + " を準備できませんでした。" + JapaneseMessage(failure_));
      return false;
    };
    const int latest = migrations.empty() ? 0 : migrations.back().version;
    // A layout already up to date is only read: every store opening connects
    // afresh, and a user who may not change tables still gets in.
    if (!StoredLayout(version_) && failure_.kind != SqlErrorKind::None) return void(failed());
    if (version_ >= latest) return Opened(latest);
    if (!(sql_->Begin() && sql_->Exec(kLayoutTable) && sql_->Commit())) return void(failed());
    for (const PlanMigration& step : migrations) {
      if (step.version <= version_) continue;
      // Another copy of the program may have taken the step since: the
      // version is read again with its row locked.
      if (!sql_->Begin()) return void(failed());
      int now = 0;
      {
        auto read = sql_->Prepare("SELECT version FROM plan_layout WHERE id = 1 FOR UPDATE");
        if (!read || read->Step() != SqlStep::Row) return void(failed());
        now = static_cast<int>(read->Int(0));
      }
      if (now < step.version) {
        auto set = sql_->Prepare("UPDATE plan_layout SET version = $1 WHERE id = 1");
        if (!set || !sql_->Exec(step.sql)) return void(failed());
        set->BindInt(1, step.version);
        if (!plan_detail::Run(*set)) return void(failed());
      }
      if (!sql_->Commit()) return void(failed());
      version_ = std::max(now, step.version);
    }
    Opened(latest);
  }

  // The stored layout version; false with none (kind None) when the server
  // has no layout table yet, or with failure_ set when it cannot be read.
  bool StoredLayout(int& version) {
    auto read = sql_->Prepare("SELECT version FROM plan_layout WHERE id = 1");
    if (!read) {
      // 42P01: no such table yet, the first program to connect makes it.
      if (sql_->lastError().sqlstate != "42P01") failure_ = sql_->lastError();
      return false;
    }
    const SqlStep step = read->Step();
    if (step == SqlStep::Error) failure_ = sql_->lastError();
    if (step != SqlStep::Row) return false;
    version = static_cast<int>(read->Int(0));
    return true;
  }

  void Opened(int latest) {
    readable_ = true;
    // A server taken only part of the way (a test's) has no sequence yet.
    rowVersions_ = version_ >= kRowVersionLayout;
    if (version_ > latest) {
      status_ = OpenStatus::NewerVersion;
      message_ = "サーバーの献立表 " + path_ +
                 " は新しい版のプログラムで作られたため、この版では保存された日を見ることだけができます（保存はできません）。";
      return;
    }
    writable_ = true;
    status_ = OpenStatus::Ok;
  }

  std::unique_ptr<SqlConnection> connection_;
  SqlError failure_;
  // The folder's table (ServeFolderTable), and the table itself when the
  // server records another: the days read are pointed at it.
  std::optional<FoodTableIdentity> folder_;
  std::unique_ptr<FoodTable> folderTable_;
  bool repointing_ = false;  // BeginRepoint's transaction is open
};

}  // namespace

namespace plan_detail {

bool ReadRecordedTable(SqlConnection& db, FoodTableIdentity& recorded) {
  recorded = {};
  auto read = db.Prepare("SELECT digest, edition FROM food_table WHERE id = 1");
  if (!read) return false;
  const SqlStep step = read->Step();
  if (step == SqlStep::Row) recorded = {std::string(read->Text(0)), std::string(read->Text(1))};
  return step != SqlStep::Error;
}

TableClaim ClaimFoodTable(SqlConnection& db, const FoodTableIdentity& local,
                          FoodTableIdentity& recorded, bool exclusive) {
  recorded = {};
  if (!local.digest.empty()) {
    auto claim = db.Prepare(
        "INSERT INTO food_table (id, digest, edition) VALUES (1, $1, $2) ON CONFLICT (id) DO NOTHING");
    if (!claim) return TableClaim::Failed;
    claim->BindText(1, local.digest);
    claim->BindText(2, local.edition);
    if (!Run(*claim)) return TableClaim::Failed;
  }
  auto read = db.Prepare(exclusive ? "SELECT digest, edition FROM food_table WHERE id = 1 FOR UPDATE"
                                   : "SELECT digest, edition FROM food_table WHERE id = 1 FOR SHARE");
  if (!read) return TableClaim::Failed;
  const SqlStep step = read->Step();
  if (step == SqlStep::Error) return TableClaim::Failed;
  if (step == SqlStep::Row) recorded = {std::string(read->Text(0)), std::string(read->Text(1))};
  return recorded.digest.empty() || recorded == local ? TableClaim::Ours : TableClaim::Other;
}

bool RecordFoodTable(SqlConnection& db, const FoodTableIdentity& table) {
  auto record = db.Prepare(
      "INSERT INTO food_table (id, digest, edition) VALUES (1, $1, $2) "
      "ON CONFLICT (id) DO UPDATE SET digest = excluded.digest, edition = excluded.edition");
  if (!record) return false;
  record->BindText(1, table.digest);
  record->BindText(2, table.edition);
  return Run(*record);
}

}  // namespace plan_detail

std::span<const PlanMigration> PgPlanMigrations() { return kMigrations; }

std::unique_ptr<DayPlanStore> OpenServerPlanStore(const PgSettings& settings, SqlError* failure) {
  return OpenServerPlanStore(settings, PgPlanMigrations(), failure);
}

std::unique_ptr<DayPlanStore> OpenServerPlanStore(const PgSettings& settings,
                                                  std::span<const PlanMigration> migrations,
                                                  SqlError* failure) {
  auto store = std::make_unique<PgPlanStore>(settings);
  try {
    store->Connect(settings, migrations);
    if (failure) *failure = store->failure();
  } catch (const std::bad_alloc&) {
    store->Fail("サーバーの献立表 " + store->path() + " を開けませんでした（メモリが足りません）。");
  } catch (const std::exception&) {
    store->Fail("サーバーの献立表 " + store->path() + " を開けませんでした（予期しないエラーです）。");
  }
  return store;
}

}  // namespace eiyou
