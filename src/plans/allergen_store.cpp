// The user's allergen overrides in the day plan database: table
// allergen_override (layout version 4).
#include "plans/sqlite_plan_store.h"

namespace eiyou::plan_detail {

std::vector<AllergenOverride> SqlitePlanStore::AllergenOverrides() { return {}; }
StoreResult SqlitePlanStore::SaveAllergenOverrides(const std::vector<AllergenOverride>&,
                                                   const std::vector<AllergenOverride>&) {
  return {false, "この機能はまだ使えません。"};
}

}  // namespace eiyou::plan_detail
