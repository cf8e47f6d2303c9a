// The user's allergen overrides in the day plan database: table
// allergen_override (layout version 4), for both engines.
#include "plans/sql_plan_store.h"

#include <string>

#include "tables/cp932.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "アレルゲンの指定";

StoreResult Refused(std::string message) { return {false, message + "何も保存していません。"}; }

// The store does not know the list of items (a data file the session reads):
// it keeps what the table's constraints allow and what reads back as text.
std::string OverrideProblem(const AllergenOverride& o, bool presenceRead) {
  if (o.food < 1 || o.food > 99999)
    return "食品番号 " + std::to_string(o.food) + " は 1 ～ 99999 にしてください。";
  if (o.item.empty() || !IsValidUtf8(o.item) || o.item.find_first_of("\r\n") != std::string::npos)
    return "食品番号 " + std::to_string(o.food) + " のアレルゲン名が空か正しくありません。";
  if (presenceRead && static_cast<unsigned>(o.presence) > 2)
    return "食品番号 " + std::to_string(o.food) + " の「" + o.item + "」の指定が正しくありません。";
  return {};
}

}  // namespace

std::vector<AllergenOverride> SqlPlanStore::AllergenOverrides() {
  readError_.clear();
  std::vector<AllergenOverride> overrides;
  if (!readable_ || version_ < 4) return overrides;
  {
    auto rows = sql_->Prepare(std::string("SELECT food, item, presence, ") + VersionColumn() +
                              " FROM allergen_override ORDER BY food, item");
    SqlStep step = SqlStep::Error;
    if (rows)
      while ((step = rows->Step()) == SqlStep::Row) {
        const std::int64_t presence = rows->Int(2);
        AllergenOverride o{static_cast<int>(rows->Int(0)), std::string(rows->Text(1)),
                           static_cast<AllergenPresence>(presence), VersionOf(*rows, 3)};
        // A row another tool wrote past the table's checks is left out rather
        // than shown as something the user never said.
        if (presence < 0 || presence > 2 || !OverrideProblem(o, false).empty()) continue;
        overrides.push_back(std::move(o));
      }
    if (step == SqlStep::Done) return overrides;
  }
  overrides.clear();
  FailedRead();
  return overrides;
}

StoreResult SqlPlanStore::SaveAllergenOverrides(const std::vector<AllergenOverride>& set,
                                                const std::vector<AllergenOverride>& removed) {
  for (const AllergenOverride& o : set)
    if (std::string problem = OverrideProblem(o, true); !problem.empty()) return Refused(problem);
  for (const AllergenOverride& o : removed)
    if (std::string problem = OverrideProblem(o, false); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();

  if (!sql_->Begin()) return Failed(kWhat);
  const AllergenOverride* changed = nullptr;  // one another user changed since it was read
  const bool written = [&] {
    auto locked = sql_->Prepare(rowVersions_ ? "SELECT version FROM allergen_override "
                                               "WHERE food = $1 AND item = $2 FOR UPDATE"
                                             : "SELECT 1");
    auto remove = sql_->Prepare("DELETE FROM allergen_override WHERE food = $1 AND item = $2");
    // With row versions an override another user added meanwhile is left as
    // it is (no row returned) when it was read as none.
    auto upsert = sql_->Prepare(
        rowVersions_
            ? "INSERT INTO allergen_override (food, item, presence, version) "
              "VALUES ($1, $2, $3, nextval('row_version')) ON CONFLICT (food, item) "
              "DO UPDATE SET presence = excluded.presence, version = excluded.version "
              "WHERE CAST($4 AS BIGINT) IS NULL OR allergen_override.version = $4 RETURNING food"
            : "INSERT INTO allergen_override (food, item, presence) VALUES ($1, $2, $3) "
              "ON CONFLICT (food, item) DO UPDATE SET presence = excluded.presence");
    if (!locked || !remove || !upsert) return false;
    auto asRead = [&](const AllergenOverride& o) {
      if (rowVersions_) {
        locked->BindInt(1, o.food);
        locked->BindText(2, o.item);
      }
      const RowCheck check = CheckRow(locked.get(), o.version);
      if (check == RowCheck::Changed) changed = &o;
      return check;
    };
    for (const AllergenOverride& o : removed) {
      if (const RowCheck check = asRead(o); check != RowCheck::AsRead) return check == RowCheck::Changed;
      remove->BindInt(1, o.food);
      remove->BindText(2, o.item);
      if (!Run(*remove)) return false;
    }
    for (const AllergenOverride& o : set) {
      if (const RowCheck check = asRead(o); check != RowCheck::AsRead) return check == RowCheck::Changed;
      upsert->BindInt(1, o.food);
      upsert->BindText(2, o.item);
      upsert->BindInt(3, static_cast<int>(o.presence));
      if (rowVersions_) BindVersion(*upsert, 4, o.version);
      if (const RowCheck wrote = WriteChecked(*upsert); wrote != RowCheck::AsRead) {
        if (wrote == RowCheck::Changed) changed = &o;
        return wrote == RowCheck::Changed;
      }
    }
    return true;
  }();
  if (!written) return Failed(kWhat);
  if (changed)
    return ChangedByOther("アレルゲンの指定 " + FoodNumberText(changed->food) + "「" + changed->item + "」");
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
