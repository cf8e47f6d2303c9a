#include "plans/server_dishes.h"

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <string_view>

#include "nutrition/repoint.h"
#include "plans/pg_plan_store.h"
#include "plans/server_food_table.h"
#include "tables/dish_file.h"

namespace eiyou {
namespace {

constexpr const char* kLoadFailed = "共有サーバーの献立を読み込めませんでした。";
constexpr const char* kSaveFailed = "共有サーバーに献立を保存できませんでした。";
constexpr const char* kUnchanged = "共有サーバーの献立は変わっていません。";

std::string Reason(const SqlConnection& db) {
  const SqlError& error = db.lastError();
  if (error.kind != SqlErrorKind::None) return JapaneseMessage(error);
  return JapaneseMessage({SqlErrorKind::Other, {}, {}, {}, {}, {}, 0, 0});
}

// A connection to a server of this program's layout (or a newer one): a
// server no program has prepared, or one of an older layout, is brought up to
// date as the store's opening does. `newer`: the layout of a later program, which
// this one reads and never writes.
std::unique_ptr<SqlConnection> Connect(const PgSettings& settings, std::string& why, bool& newer,
                                       int& layout) {
  SqlError error;
  std::unique_ptr<SqlConnection> db = ConnectPostgres(settings, error);
  if (!db) {
    why = JapaneseMessage(error);
    return nullptr;
  }
  layout = 0;
  {
    const std::unique_ptr<SqlStatement> read = db->Prepare("SELECT version FROM plan_layout WHERE id = 1");
    if (read && read->Step() == SqlStep::Row) {
      layout = static_cast<int>(read->Int(0));
    } else if (read || db->lastError().sqlstate != "42P01") {  // 42P01: no layout table yet
      why = Reason(*db);
      return nullptr;
    }
  }
  if (layout < PgPlanMigrations().back().version) {
    const std::unique_ptr<DayPlanStore> store = OpenServerPlanStore(settings);
    if (store->status() == OpenStatus::Failed) {
      why = store->message();
      return nullptr;
    }
    layout = store->schemaVersion();
  }
  newer = layout > PgPlanMigrations().back().version;
  return db;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

ServerDishList Failure(const char* what, const std::string& why, const char* after = "") {
  ServerDishList result;
  result.message = what + why + after;
  return result;
}

ServerDishList Load(const PgSettings& settings) {
  std::string why;
  bool newer = false;
  int layout = 0;
  const std::unique_ptr<SqlConnection> db = Connect(settings, why, newer, layout);
  if (!db) return Failure(kLoadFailed, why);
  ServerDishList result;
  std::vector<plan_detail::DishRow> stored;
  if (!db->Exec("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY") ||
      !plan_detail::ReadDishRows(*db, false, result.version, stored) ||
      (layout >= plan_detail::kFoodTableLayout && !plan_detail::ReadRecordedTable(*db, result.table)) ||
      !db->Commit()) {
    why = Reason(*db);
    db->Rollback();
    return Failure(kLoadFailed, why);
  }
  result.lines.reserve(stored.size());
  for (plan_detail::DishRow& row : stored) result.lines.push_back(std::move(row.line));
  result.ok = true;
  return result;
}

ServerDishList Save(const PgSettings& settings, const std::vector<std::string>& base,
                    const std::vector<std::string>& ours, const FoodTable* repointTo,
                    const FoodTableIdentity* local) {
  std::string why;
  bool newer = false;
  int layout = 0;
  const std::unique_ptr<SqlConnection> db = Connect(settings, why, newer, layout);
  if (!db) return Failure(kSaveFailed, why, kUnchanged);
  if (newer)
    return Failure(kSaveFailed, "サーバーの献立表は新しい版のプログラムで作られたため、この版では保存できません。",
                   kUnchanged);
  ServerDishList result;
  std::vector<plan_detail::DishRow> stored;
  bool changed = false;
  FoodTableIdentity recorded;
  bool otherTable = false;
  const bool written = [&] {
    if (!db->Begin()) return false;
    if (local && layout >= plan_detail::kFoodTableLayout) {
      const plan_detail::TableClaim claim = plan_detail::ClaimFoodTable(*db, *local, recorded);
      if (claim == plan_detail::TableClaim::Failed) return false;
      otherTable = claim == plan_detail::TableClaim::Other;
      if (otherTable) return false;
    }
    if (!plan_detail::ReadDishRows(*db, true, result.version, stored)) return false;
    std::vector<std::string> theirs;
    theirs.reserve(stored.size());
    for (const plan_detail::DishRow& row : stored) theirs.push_back(row.line);
    if (repointTo) theirs = RepointDishLines(theirs, *repointTo).lines;
    if (Sorted(theirs) == Sorted(base)) {
      result.lines = ours;
    } else {
      DishMerge merge = MergeDishLines(base, ours, theirs);
      result.lines = std::move(merge.lines);
      result.othersAdded = merge.added;
      result.othersRemoved = merge.removed;
    }
    if (!plan_detail::WriteDishRows(*db, stored, result.lines, changed)) return false;
    if (changed) ++result.version;
    return db->Commit();
  }();
  if (!written) {
    why = otherTable ? OtherFoodTableMessage(recorded, *local) : Reason(*db);
    db->Rollback();
    return Failure(kSaveFailed, why, kUnchanged);
  }
  result.table = local ? *local : FoodTableIdentity{};
  result.ok = true;
  return result;
}

}  // namespace

namespace plan_detail {

bool ReadDishRows(SqlConnection& db, bool lock, std::int64_t& version, std::vector<DishRow>& rows) {
  rows.clear();
  const std::unique_ptr<SqlStatement> head = db.Prepare(
      lock ? "SELECT version FROM dish_list_version WHERE id = 1 FOR UPDATE"
           : "SELECT version FROM dish_list_version WHERE id = 1");
  if (!head || head->Step() != SqlStep::Row) return false;
  version = head->Int(0);
  const std::unique_ptr<SqlStatement> lines = db.Prepare("SELECT id, line FROM dish_list ORDER BY line, id");
  if (!lines) return false;
  SqlStep step;
  while ((step = lines->Step()) == SqlStep::Row) rows.push_back({lines->Int(0), lines->Bytes(1)});
  return step == SqlStep::Done;
}

bool WriteDishRows(SqlConnection& db, const std::vector<DishRow>& rows,
                   const std::vector<std::string>& lines, bool& changed) {
  std::map<std::string_view, std::vector<std::int64_t>> unused;
  for (const DishRow& row : rows) unused[row.line].push_back(row.id);
  std::vector<const std::string*> added;
  for (const std::string& line : lines) {
    const auto it = unused.find(line);
    if (it != unused.end() && !it->second.empty())
      it->second.pop_back();
    else
      added.push_back(&line);
  }
  const std::unique_ptr<SqlStatement> remove = db.Prepare("DELETE FROM dish_list WHERE id = $1");
  const std::unique_ptr<SqlStatement> insert = db.Prepare("INSERT INTO dish_list (line) VALUES ($1)");
  if (!remove || !insert) return false;
  changed = !added.empty();
  for (const auto& [line, ids] : unused)
    for (const std::int64_t id : ids) {
      remove->BindInt(1, id);
      if (!Run(*remove)) return false;
      changed = true;
    }
  for (const std::string* line : added) {
    insert->BindBlob(1, *line);
    if (!Run(*insert)) return false;
  }
  if (!changed) return true;
  const std::unique_ptr<SqlStatement> bump =
      db.Prepare("UPDATE dish_list_version SET version = version + 1 WHERE id = 1");
  return bump && Run(*bump);
}

}  // namespace plan_detail

ServerDishList LoadServerDishes(const PgSettings& settings) {
  try {
    return Load(settings);
  } catch (const std::exception&) {  // memory, chiefly: the module never throws to the program
    return Failure(kLoadFailed, "（予期しないエラーです）");
  }
}

ServerDishList SaveServerDishes(const PgSettings& settings, const std::vector<std::string>& base,
                                const std::vector<std::string>& ours, const FoodTable* repointTo,
                                const FoodTableIdentity* local) {
  try {
    return Save(settings, base, ours, repointTo, local);
  } catch (const std::exception&) {
    return Failure(kSaveFailed, "（予期しないエラーです）", kUnchanged);
  }
}

}  // namespace eiyou
