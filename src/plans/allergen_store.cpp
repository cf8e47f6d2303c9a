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
    auto rows = sql_->Prepare("SELECT food, item, presence FROM allergen_override ORDER BY food, item");
    SqlStep step = SqlStep::Error;
    if (rows)
      while ((step = rows->Step()) == SqlStep::Row) {
        const std::int64_t presence = rows->Int(2);
        AllergenOverride o{static_cast<int>(rows->Int(0)), std::string(rows->Text(1)),
                           static_cast<AllergenPresence>(presence)};
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
  const bool written = [&] {
    auto remove = sql_->Prepare("DELETE FROM allergen_override WHERE food = $1 AND item = $2");
    auto upsert = sql_->Prepare(
        "INSERT INTO allergen_override (food, item, presence) VALUES ($1, $2, $3) "
        "ON CONFLICT (food, item) DO UPDATE SET presence = excluded.presence");
    if (!remove || !upsert) return false;
    for (const AllergenOverride& o : removed) {
      remove->BindInt(1, o.food);
      remove->BindText(2, o.item);
      if (!Run(*remove)) return false;
    }
    for (const AllergenOverride& o : set) {
      upsert->BindInt(1, o.food);
      upsert->BindText(2, o.item);
      upsert->BindInt(3, static_cast<int>(o.presence));
      if (!Run(*upsert)) return false;
    }
    return true;
  }();
  if (!written || !sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
