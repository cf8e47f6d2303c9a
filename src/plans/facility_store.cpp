// The facility of the day plan database: tables eater_group, headcount,
// food_purchase and facility (layout version 4), for both engines.
#include "plans/sql_plan_store.h"

#include <algorithm>

#include "tables/cp932.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "給食施設の設定";
constexpr int kFacilityVersion = 4;

StoreResult Refused(std::string message) { return {false, message + "何も保存していません。"}; }


// The store's own rules, the columns' CHECKs with words: a value refused here
// never reaches the database as a constraint failure without a name.
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

std::vector<EaterGroup> SqlPlanStore::EaterGroups() {
  readError_.clear();
  std::vector<EaterGroup> groups;
  if (!readable_ || version_ < kFacilityVersion) return groups;
  {
    auto rows = sql_->Prepare(
        std::string("SELECT id, name, factor_permille, headcount, meals, profile, position, ") +
        VersionColumn() + " FROM eater_group ORDER BY position, name");
    SqlStep step = SqlStep::Error;
    if (rows)
      while ((step = rows->Step()) == SqlStep::Row) {
        EaterGroup& g = groups.emplace_back();
        g.id = rows->Int(0);
        g.name = rows->Text(1);
        g.factorPermille = static_cast<int>(rows->Int(2));
        g.headcount = static_cast<int>(rows->Int(3));
        g.meals = static_cast<std::uint8_t>(rows->Int(4));
        g.profile = rows->Text(5);
        g.position = static_cast<int>(rows->Int(6));
        g.version = VersionOf(*rows, 7);
      }
    if (step == SqlStep::Done) return groups;
  }
  groups.clear();
  FailedRead();
  return groups;
}

StoreResult SqlPlanStore::SaveEaterGroup(const EaterGroup& group, std::int64_t* id) {
  if (std::string problem = GroupProblem(group); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  enum class Outcome { Written, Taken, Gone, Changed, Failed };
  std::int64_t stored = group.id;
  const Outcome outcome = [&] {
    // The name is looked up inside the transaction: another copy of the
    // program may have added it since this one read the list.
    auto taken = sql_->Prepare("SELECT 1 FROM eater_group WHERE name = $1 AND id <> $2");
    if (!taken) return Outcome::Failed;
    taken->BindText(1, group.name);
    taken->BindInt(2, group.id);
    const SqlStep step = taken->Step();
    if (step == SqlStep::Error) return Outcome::Failed;
    if (step == SqlStep::Row) return Outcome::Taken;
    auto write = sql_->Prepare(
        group.id == 0 ? "INSERT INTO eater_group (name, factor_permille, headcount, meals, "
                        "profile, position) VALUES ($1, $2, $3, $4, $5, $6) RETURNING id"
        : rowVersions_
            ? "UPDATE eater_group SET name = $1, factor_permille = $2, headcount = $3, "
              "meals = $4, profile = $5, position = $6, version = nextval('row_version') "
              "WHERE id = $7 AND (CAST($8 AS BIGINT) IS NULL OR version = $8) RETURNING id"
            : "UPDATE eater_group SET name = $1, factor_permille = $2, headcount = $3, "
              "meals = $4, profile = $5, position = $6 WHERE id = $7 RETURNING id");
    if (!write) return Outcome::Failed;
    write->BindText(1, group.name);
    write->BindInt(2, group.factorPermille);
    write->BindInt(3, group.headcount);
    write->BindInt(4, group.meals);
    write->BindText(5, group.profile);
    write->BindInt(6, group.position);
    if (group.id != 0) write->BindInt(7, group.id);
    if (group.id != 0 && rowVersions_) BindVersion(*write, 8, group.version);
    const SqlStep written = write->Step();
    if (written == SqlStep::Error) return Outcome::Failed;
    // No row of that id, or (read at a version) not as read.
    if (written == SqlStep::Done) return rowVersions_ && group.version ? Outcome::Changed : Outcome::Gone;
    stored = write->Int(0);
    return Outcome::Written;
  }();
  switch (outcome) {
    case Outcome::Failed:
      return Failed(kWhat);
    case Outcome::Taken:
      Abandon();
      return Refused("喫食者グループ「" + group.name + "」はすでにあります。別の名前にしてください。");
    case Outcome::Gone:
      Abandon();
      return Refused("喫食者グループ「" + group.name + "」はもうありません。");
    case Outcome::Changed:
      return ChangedByOther("喫食者グループ「" + group.name + "」");
    case Outcome::Written:
      break;
  }
  if (!sql_->Commit()) return Failed(kWhat);
  if (id) *id = stored;
  return {true, {}};
}

StoreResult SqlPlanStore::DeleteEaterGroup(std::int64_t id) {
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  const bool written = [&] {
    // The changes by key as well as by the cascade: a tool with foreign keys
    // off would leave them behind, and a group added later could take the key.
    auto changes = sql_->Prepare("DELETE FROM headcount WHERE group_id = $1");
    auto group = sql_->Prepare("DELETE FROM eater_group WHERE id = $1");
    if (!changes || !group) return false;
    changes->BindInt(1, id);
    group->BindInt(1, id);
    return Run(*changes) && Run(*group);
  }();
  if (!written || !sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

std::vector<HeadcountChange> SqlPlanStore::HeadcountChanges(const std::string& from,
                                                            const std::string& to) {
  readError_.clear();
  std::vector<HeadcountChange> changes;
  if (!readable_ || version_ < kFacilityVersion || !IsPlanDate(from) || !IsPlanDate(to) || to < from)
    return changes;
  {
    auto rows = sql_->Prepare(std::string("SELECT date, group_id, headcount, ") + VersionColumn() +
                              " FROM headcount WHERE date BETWEEN $1 AND $2 ORDER BY date, group_id");
    SqlStep step = SqlStep::Error;
    if (rows) {
      rows->BindText(1, from);
      rows->BindText(2, to);
      while ((step = rows->Step()) == SqlStep::Row)
        changes.push_back({std::string(rows->Text(0)), rows->Int(1), static_cast<int>(rows->Int(2)),
                           VersionOf(*rows, 3)});
    }
    if (step == SqlStep::Done) return changes;
  }
  changes.clear();
  FailedRead();
  return changes;
}

StoreResult SqlPlanStore::SaveHeadcountChanges(const std::vector<HeadcountChange>& changes) {
  for (const HeadcountChange& c : changes) {
    if (!IsPlanDate(c.date))
      return Refused("日付「" + c.date + "」は YYYY-MM-DD の形の、実在する日付にしてください。");
    if (c.headcount > 100000)
      return Refused(c.date + " の人数は 0 から 100000 までにしてください。");
  }
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  const HeadcountChange* gone = nullptr;  // a change whose group is no longer stored
  const HeadcountChange* changed = nullptr;  // one another user changed since it was read
  const bool written = [&] {
    auto known = sql_->Prepare("SELECT 1 FROM eater_group WHERE id = $1");
    auto locked = sql_->Prepare(rowVersions_ ? "SELECT version FROM headcount "
                                               "WHERE date = $1 AND group_id = $2 FOR UPDATE"
                                             : "SELECT 1");
    // With row versions a row another user added meanwhile is left as it is
    // (no row returned) when the change was read as none.
    auto set = sql_->Prepare(
        rowVersions_
            ? "INSERT INTO headcount (date, group_id, headcount, version) "
              "VALUES ($1, $2, $3, nextval('row_version')) ON CONFLICT (date, group_id) "
              "DO UPDATE SET headcount = excluded.headcount, version = excluded.version "
              "WHERE CAST($4 AS BIGINT) IS NULL OR headcount.version = $4 RETURNING 1"
            : "INSERT INTO headcount (date, group_id, headcount) VALUES ($1, $2, $3) "
              "ON CONFLICT (date, group_id) DO UPDATE SET headcount = excluded.headcount");
    auto remove = sql_->Prepare("DELETE FROM headcount WHERE date = $1 AND group_id = $2");
    if (!known || !locked || !set || !remove) return false;
    for (const HeadcountChange& c : changes) {
      known->BindInt(1, c.group);
      const SqlStep step = known->Step();
      known->Reset();
      if (step == SqlStep::Error) return false;
      if (step == SqlStep::Done) {
        gone = &c;
        return true;
      }
      if (rowVersions_) {
        locked->BindText(1, c.date);
        locked->BindInt(2, c.group);
      }
      const RowCheck check = CheckRow(locked.get(), c.version);
      if (check == RowCheck::Failed) return false;
      if (check == RowCheck::Changed) {
        changed = &c;
        return true;
      }
      SqlStatement& write = c.headcount < 0 ? *remove : *set;
      write.BindText(1, c.date);
      write.BindInt(2, c.group);
      if (c.headcount >= 0) write.BindInt(3, c.headcount);
      if (c.headcount >= 0 && rowVersions_) BindVersion(write, 4, c.version);
      if (c.headcount < 0) {  // a removal returns no row
        if (!Run(write)) return false;
      } else if (const RowCheck wrote = WriteChecked(write); wrote != RowCheck::AsRead) {
        if (wrote == RowCheck::Changed) changed = &c;
        return wrote == RowCheck::Changed;
      }
    }
    return true;
  }();
  if (!written) return Failed(kWhat);
  if (gone) {
    Abandon();
    return Refused(gone->date + " の人数の喫食者グループはもうありません。");
  }
  if (changed) return ChangedByOther(changed->date + " の人数");
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

std::vector<FoodPurchase> SqlPlanStore::FoodPurchases() {
  readError_.clear();
  std::vector<FoodPurchase> rows;
  if (!readable_ || version_ < kFacilityVersion) return rows;
  {
    auto read = sql_->Prepare(
        std::string("SELECT food, price_sen, unit_grams, unit_name, set_on, supplier, ") +
        VersionColumn() + " FROM food_purchase ORDER BY food");
    SqlStep step = SqlStep::Error;
    if (read)
      while ((step = read->Step()) == SqlStep::Row) {
        FoodPurchase& p = rows.emplace_back();
        p.food = static_cast<int>(read->Int(0));
        p.priced = !read->IsNull(1);
        p.priceSen = p.priced ? read->Int(1) : 0;
        p.unitGrams = read->Int(2);
        p.unitName = read->Text(3);
        p.setOn = read->Text(4);
        p.supplier = read->Text(5);
        p.version = VersionOf(*read, 6);
      }
    if (step == SqlStep::Done) return rows;
  }
  rows.clear();
  FailedRead();
  return rows;
}

StoreResult SqlPlanStore::SaveFoodPurchases(const std::vector<FoodPurchase>& rows) {
  for (const FoodPurchase& p : rows)
    if (std::string problem = PurchaseProblem(p); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  const FoodPurchase* changed = nullptr;  // a row another user changed since it was read
  const bool written = [&] {
    auto locked = sql_->Prepare(
        rowVersions_ ? "SELECT version FROM food_purchase WHERE food = $1 FOR UPDATE" : "SELECT 1");
    // With row versions a row another user added meanwhile is left as it is
    // (no row returned) when the food was read without one.
    auto set = sql_->Prepare(
        rowVersions_
            ? "INSERT INTO food_purchase (food, price_sen, unit_grams, unit_name, set_on, supplier, "
              "version) VALUES ($1, $2, $3, $4, $5, $6, nextval('row_version')) "
              "ON CONFLICT (food) DO UPDATE SET "
              "price_sen = excluded.price_sen, unit_grams = excluded.unit_grams, "
              "unit_name = excluded.unit_name, set_on = excluded.set_on, "
              "supplier = excluded.supplier, version = excluded.version "
              "WHERE CAST($7 AS BIGINT) IS NULL OR food_purchase.version = $7 RETURNING food"
            : "INSERT INTO food_purchase (food, price_sen, unit_grams, unit_name, set_on, supplier) "
              "VALUES ($1, $2, $3, $4, $5, $6)");
    auto remove = sql_->Prepare("DELETE FROM food_purchase WHERE food = $1");
    if (!locked || !set || !remove) return false;
    for (const FoodPurchase& p : rows) {
      if (rowVersions_) locked->BindInt(1, p.food);
      const RowCheck check = CheckRow(locked.get(), p.version);
      if (check == RowCheck::Failed) return false;
      if (check == RowCheck::Changed) {
        changed = &p;
        return true;
      }
      if (!p.priced && p.supplier.empty()) {
        remove->BindInt(1, p.food);
        if (!Run(*remove)) return false;
        continue;
      }
      // Without row versions the row is replaced whole.
      remove->BindInt(1, p.food);
      if (!rowVersions_ && !Run(*remove)) return false;
      BindPurchase(*set, p);
      if (rowVersions_) BindVersion(*set, 7, p.version);
      if (const RowCheck wrote = WriteChecked(*set); wrote != RowCheck::AsRead) {
        if (wrote == RowCheck::Changed) changed = &p;
        return wrote == RowCheck::Changed;
      }
    }
    return true;
  }();
  if (!written) return Failed(kWhat);
  if (changed) return ChangedByOther("単価 " + FoodNumberText(changed->food));
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

void BindPurchase(SqlStatement& statement, const FoodPurchase& p) {
  statement.BindInt(1, p.food);
  if (p.priced)
    statement.BindInt(2, p.priceSen);
  else
    statement.BindNull(2);
  statement.BindInt(3, p.unitGrams);
  statement.BindText(4, p.unitName);
  statement.BindText(5, p.priced ? std::string_view(p.setOn) : std::string_view());
  statement.BindText(6, p.supplier);
}

FacilityInfo SqlPlanStore::LoadFacilityInfo() {
  readError_.clear();
  FacilityInfo info;
  if (!readable_ || version_ < kFacilityVersion) return info;
  {
    auto rows = sql_->Prepare(std::string("SELECT key, value, ") + VersionColumn() + " FROM facility");
    SqlStep step = SqlStep::Error;
    if (rows)
      while ((step = rows->Step()) == SqlStep::Row) {
        (rows->Text(0) == "name" ? info.name : info.notes) = rows->Text(1);
        // Both rows are written together, with one version.
        if (const std::optional<std::int64_t> v = VersionOf(*rows, 2))
          info.version = std::max(info.version.value_or(0), *v);
      }
    if (step == SqlStep::Done && rowVersions_ && !info.version) info.version = 0;
    if (step == SqlStep::Done) return info;
  }
  FailedRead();
  return {};
}

StoreResult SqlPlanStore::SaveFacilityInfo(const FacilityInfo& info) {
  if (!IsValidUtf8(info.name) || info.name.find_first_of("\r\n") != std::string::npos)
    return Refused("施設名は改行のない1行にしてください。");
  if (!IsValidUtf8(info.notes)) return Refused("お知らせの文字が正しくありません。");
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  bool changed = false;
  if (!WriteFacility(info, changed)) return Failed(kWhat);
  if (changed) return ChangedByOther("給食施設の名前とお知らせ");
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

// Both rows under one new version; `changed` when another user saved them
// since `info` was read (a version held) and nothing was written.
bool SqlPlanStore::WriteFacility(const FacilityInfo& info, bool& changed) {
  changed = false;
  std::int64_t version = 0;  // one for both rows
  if (rowVersions_) {
    auto locked = sql_->Prepare("SELECT version FROM facility FOR UPDATE");
    auto next = sql_->Prepare("SELECT nextval('row_version')");
    if (!locked || !next || next->Step() != SqlStep::Row) return false;
    version = next->Int(0);
    std::int64_t stored = 0;
    SqlStep step;
    while ((step = locked->Step()) == SqlStep::Row) stored = std::max(stored, locked->Int(0));
    if (step == SqlStep::Error) return false;
    if (info.version && *info.version != stored) return changed = true;
  }
  // With row versions a row another user added meanwhile is left as it is
  // (no row returned) when it was read as none.
  auto write = sql_->Prepare(
      rowVersions_ ? "INSERT INTO facility (key, value, version) VALUES ($1, $2, $3) "
                     "ON CONFLICT (key) DO UPDATE SET value = excluded.value, "
                     "version = excluded.version WHERE CAST($4 AS BIGINT) IS NULL OR facility.version = $4 "
                     "RETURNING key"
                   : "INSERT INTO facility (key, value) VALUES ($1, $2) ON CONFLICT (key) "
                     "DO UPDATE SET value = excluded.value");
  if (!write) return false;
  for (const auto& [key, value] : {std::pair{"name", &info.name}, {"notes", &info.notes}}) {
    write->BindText(1, key);
    write->BindText(2, *value);
    if (rowVersions_) {
      write->BindInt(3, version);
      BindVersion(*write, 4, info.version);
    }
    if (const RowCheck wrote = WriteChecked(*write); wrote != RowCheck::AsRead)
      return changed = wrote == RowCheck::Changed;
  }
  return true;
}

}  // namespace eiyou::plan_detail
