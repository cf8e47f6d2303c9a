// The facility of the day plan database: tables eater_group, headcount,
// food_purchase and facility (layout version 4).
#include "plans/sqlite_plan_store.h"

namespace eiyou::plan_detail {
namespace {
StoreResult NotYet() { return {false, "この機能はまだ使えません。"}; }
}  // namespace

std::vector<EaterGroup> SqlitePlanStore::EaterGroups() { return {}; }
StoreResult SqlitePlanStore::SaveEaterGroup(const EaterGroup&, std::int64_t*) { return NotYet(); }
StoreResult SqlitePlanStore::DeleteEaterGroup(std::int64_t) { return NotYet(); }
std::vector<HeadcountChange> SqlitePlanStore::HeadcountChanges(const std::string&,
                                                               const std::string&) {
  return {};
}
StoreResult SqlitePlanStore::SaveHeadcountChanges(const std::vector<HeadcountChange>&) {
  return NotYet();
}
std::vector<FoodPurchase> SqlitePlanStore::FoodPurchases() { return {}; }
StoreResult SqlitePlanStore::SaveFoodPurchases(const std::vector<FoodPurchase>&) {
  return NotYet();
}
FacilityInfo SqlitePlanStore::LoadFacilityInfo() { return {}; }
StoreResult SqlitePlanStore::SaveFacilityInfo(const FacilityInfo&) { return NotYet(); }

}  // namespace eiyou::plan_detail
