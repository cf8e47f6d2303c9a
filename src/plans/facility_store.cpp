// The facility of the day plan database: tables eater_group, headcount,
// food_purchase and facility (layout version 4).
#include "plans/sqlite_plan_store.h"

#include "tables/cp932.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "給食施設の設定";
constexpr int kFacilityVersion = 4;

StoreResult Refused(std::string message) { return {false, message + "何も保存していません。"}; }

// The store's own rules, the columns' CHECKs with words: a value refused here
// never reaches SQLite as a constraint failure without a name.
std::string GroupProblem(const EaterGroup& g) {
  if (g.name.empty()) return "喫食者グループの名前を入れてください。";
  if (!IsValidUtf8(g.name) || g.name.find_first_of("\r\n") != std::string::npos)
    return "喫食者グループの名前は改行のない1行にしてください。";
  const std::string who = "喫食者グループ「" + g.name + "」の";
  if (g.factorPermille < 1 || g.factorPermille > 10000)
    return who + "盛り付けの倍率は 0.001 から 10 までにしてください。";
  if (g.headcount < 0 || g.headcount > 100000) return who + "人数は 0 から 100000 までにしてください。";
  if (g.meals < 1 || g.meals > 7) return who + "食事（朝・昼・夕）を1つ以上選んでください。";
  if (!IsValidUtf8(g.profile)) return who + "評価の対象者の設定が正しくありません。";
  return {};
}

std::string PurchaseProblem(const FoodPurchase& p) {
  if (p.food < 1 || p.food > 99999) return "食品番号 " + std::to_string(p.food) + " はありません。";
  const std::string who = "食品番号 " + std::to_string(p.food) + " の";
  if (p.priced && p.priceSen < 0) return who + "単価は 0 円以上にしてください。";
  if (p.unitGrams <= 0) return who + "購入単位の重量は 1 g 以上にしてください。";
  if (p.priced && !IsPlanDate(p.setOn))
    return who + "単価の設定日は YYYY-MM-DD の形の、実在する日付にしてください。";
  if (!IsValidUtf8(p.unitName) || !IsValidUtf8(p.supplier))
    return who + "単位名または納入業者の文字が正しくありません。";
  return {};
}

}  // namespace

std::vector<EaterGroup> SqlitePlanStore::EaterGroups() {
  readError_.clear();
  std::vector<EaterGroup> groups;
  if (!readable_ || version_ < kFacilityVersion) return groups;
  Failure failure;
  {
    Statement rows(db_,
                   "SELECT id, name, factor_permille, headcount, meals, profile, position "
                   "FROM eater_group ORDER BY position, name");
    int rc = SQLITE_ERROR;
    if (rows)
      while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        sqlite3_stmt* r = rows.get();
        EaterGroup& g = groups.emplace_back();
        g.id = sqlite3_column_int64(r, 0);
        g.name = rows.Bytes(1);
        g.factorPermille = sqlite3_column_int(r, 2);
        g.headcount = sqlite3_column_int(r, 3);
        g.meals = static_cast<std::uint8_t>(sqlite3_column_int(r, 4));
        g.profile = rows.Bytes(5);
        g.position = sqlite3_column_int(r, 6);
      }
    if (rc == SQLITE_DONE) return groups;
    failure = Caught();
  }
  groups.clear();
  ReadFailed(failure);
  return groups;
}

StoreResult SqlitePlanStore::SaveEaterGroup(const EaterGroup& group, std::int64_t* id) {
  if (std::string problem = GroupProblem(group); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  {
    // The name is looked up inside the transaction: another copy of the
    // program may have added it since this one read the list.
    Statement taken(db_, "SELECT 1 FROM eater_group WHERE name = ?1 AND id <> ?2");
    if (!taken) return Rollback(Caught(), kWhat);
    taken.BindText(1, group.name);
    sqlite3_bind_int64(taken.get(), 2, group.id);
    const int rc = sqlite3_step(taken.get());
    if (rc == SQLITE_ROW) {
      sqlite3_reset(taken.get());
      Exec("ROLLBACK");
      return Refused("喫食者グループ「" + group.name + "」はすでにあります。別の名前にしてください。");
    }
    if (rc != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  {
    Statement write(db_, group.id == 0
                             ? "INSERT INTO eater_group (name, factor_permille, headcount, meals, "
                               "profile, position) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"
                             : "UPDATE eater_group SET name = ?1, factor_permille = ?2, headcount = ?3, "
                               "meals = ?4, profile = ?5, position = ?6 WHERE id = ?7");
    if (!write) return Rollback(Caught(), kWhat);
    write.BindText(1, group.name);
    write.BindInt(2, group.factorPermille);
    write.BindInt(3, group.headcount);
    write.BindInt(4, group.meals);
    write.BindText(5, group.profile);
    write.BindInt(6, group.position);
    if (group.id != 0) sqlite3_bind_int64(write.get(), 7, group.id);
    if (write.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  if (group.id != 0 && sqlite3_changes(db_) == 0) {
    Exec("ROLLBACK");
    return Refused("喫食者グループ「" + group.name + "」はもうありません。");
  }
  const std::int64_t stored = group.id != 0 ? group.id : sqlite3_last_insert_rowid(db_);
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  if (id) *id = stored;
  return {true, {}};
}

StoreResult SqlitePlanStore::DeleteEaterGroup(std::int64_t id) {
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  // The changes by key as well as by the cascade: a tool with foreign keys
  // off would leave them behind, and a group added later could take the key.
  Statement changes(db_, "DELETE FROM headcount WHERE group_id = ?1");
  Statement group(db_, "DELETE FROM eater_group WHERE id = ?1");
  if (!changes || !group) return Rollback(Caught(), kWhat);
  sqlite3_bind_int64(changes.get(), 1, id);
  sqlite3_bind_int64(group.get(), 1, id);
  if (changes.Run() != SQLITE_DONE || group.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

std::vector<HeadcountChange> SqlitePlanStore::HeadcountChanges(const std::string& from,
                                                               const std::string& to) {
  readError_.clear();
  std::vector<HeadcountChange> changes;
  if (!readable_ || version_ < kFacilityVersion || !IsPlanDate(from) || !IsPlanDate(to) || to < from)
    return changes;
  Failure failure;
  {
    Statement rows(db_,
                   "SELECT date, group_id, headcount FROM headcount WHERE date BETWEEN ?1 AND ?2 "
                   "ORDER BY date, group_id");
    int rc = SQLITE_ERROR;
    if (rows) {
      rows.BindText(1, from);
      rows.BindText(2, to);
      while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW)
        changes.push_back({std::string(rows.Bytes(0)), sqlite3_column_int64(rows.get(), 1),
                           sqlite3_column_int(rows.get(), 2)});
    }
    if (rc == SQLITE_DONE) return changes;
    failure = Caught();
  }
  changes.clear();
  ReadFailed(failure);
  return changes;
}

StoreResult SqlitePlanStore::SaveHeadcountChanges(const std::vector<HeadcountChange>& changes) {
  for (const HeadcountChange& c : changes) {
    if (!IsPlanDate(c.date))
      return Refused("日付「" + c.date + "」は YYYY-MM-DD の形の、実在する日付にしてください。");
    if (c.headcount > 100000)
      return Refused(c.date + " の人数は 0 から 100000 までにしてください。");
  }
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  Statement known(db_, "SELECT 1 FROM eater_group WHERE id = ?1");
  Statement set(db_, "INSERT OR REPLACE INTO headcount (date, group_id, headcount) VALUES (?1, ?2, ?3)");
  Statement remove(db_, "DELETE FROM headcount WHERE date = ?1 AND group_id = ?2");
  if (!known || !set || !remove) return Rollback(Caught(), kWhat);
  for (const HeadcountChange& c : changes) {
    sqlite3_bind_int64(known.get(), 1, c.group);
    const int rc = known.Run();
    if (rc == SQLITE_DONE) {
      Exec("ROLLBACK");
      return Refused(c.date + " の人数の喫食者グループはもうありません。");
    }
    if (rc != SQLITE_ROW) return Rollback(Caught(), kWhat);
    Statement& write = c.headcount < 0 ? remove : set;
    write.BindText(1, c.date);
    sqlite3_bind_int64(write.get(), 2, c.group);
    if (c.headcount >= 0) write.BindInt(3, c.headcount);
    if (write.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

std::vector<FoodPurchase> SqlitePlanStore::FoodPurchases() {
  readError_.clear();
  std::vector<FoodPurchase> rows;
  if (!readable_ || version_ < kFacilityVersion) return rows;
  Failure failure;
  {
    Statement read(db_,
                   "SELECT food, price_sen, unit_grams, unit_name, set_on, supplier "
                   "FROM food_purchase ORDER BY food");
    int rc = SQLITE_ERROR;
    if (read)
      while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        sqlite3_stmt* r = read.get();
        FoodPurchase& p = rows.emplace_back();
        p.food = sqlite3_column_int(r, 0);
        p.priced = sqlite3_column_type(r, 1) != SQLITE_NULL;
        p.priceSen = p.priced ? sqlite3_column_int64(r, 1) : 0;
        p.unitGrams = sqlite3_column_int64(r, 2);
        p.unitName = read.Bytes(3);
        p.setOn = read.Bytes(4);
        p.supplier = read.Bytes(5);
      }
    if (rc == SQLITE_DONE) return rows;
    failure = Caught();
  }
  rows.clear();
  ReadFailed(failure);
  return rows;
}

StoreResult SqlitePlanStore::SaveFoodPurchases(const std::vector<FoodPurchase>& rows) {
  for (const FoodPurchase& p : rows)
    if (std::string problem = PurchaseProblem(p); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  Statement set(db_,
                "INSERT OR REPLACE INTO food_purchase (food, price_sen, unit_grams, unit_name, "
                "set_on, supplier) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  Statement remove(db_, "DELETE FROM food_purchase WHERE food = ?1");
  if (!set || !remove) return Rollback(Caught(), kWhat);
  for (const FoodPurchase& p : rows) {
    if (!p.priced && p.supplier.empty()) {
      remove.BindInt(1, p.food);
      if (remove.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
      continue;
    }
    set.BindInt(1, p.food);
    if (p.priced)
      sqlite3_bind_int64(set.get(), 2, p.priceSen);
    else
      sqlite3_bind_null(set.get(), 2);
    sqlite3_bind_int64(set.get(), 3, p.unitGrams);
    set.BindText(4, p.unitName);
    set.BindText(5, p.priced ? std::string_view(p.setOn) : std::string_view());
    set.BindText(6, p.supplier);
    if (set.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

FacilityInfo SqlitePlanStore::LoadFacilityInfo() {
  readError_.clear();
  FacilityInfo info;
  if (!readable_ || version_ < kFacilityVersion) return info;
  Failure failure;
  {
    Statement rows(db_, "SELECT key, value FROM facility");
    int rc = SQLITE_ERROR;
    if (rows)
      while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW)
        (rows.Bytes(0) == "name" ? info.name : info.notes) = rows.Bytes(1);
    if (rc == SQLITE_DONE) return info;
    failure = Caught();
  }
  ReadFailed(failure);
  return {};
}

StoreResult SqlitePlanStore::SaveFacilityInfo(const FacilityInfo& info) {
  if (!IsValidUtf8(info.name) || info.name.find_first_of("\r\n") != std::string::npos)
    return Refused("施設名は改行のない1行にしてください。");
  if (!IsValidUtf8(info.notes)) return Refused("お知らせの文字が正しくありません。");
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  Statement write(db_, "INSERT OR REPLACE INTO facility (key, value) VALUES (?1, ?2)");
  if (!write) return Rollback(Caught(), kWhat);
  for (const auto& [key, value] : {std::pair{"name", &info.name}, {"notes", &info.notes}}) {
    write.BindText(1, key);
    write.BindText(2, *value);
    if (write.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
