#include "plans/failed_plan_store.h"

namespace eiyou {
namespace {

// Every read finds nothing and says why; every change is refused.
class RefusingPlanStore final : public DayPlanStore {
 public:
  RefusingPlanStore(std::string path, std::string message) {
    status_ = OpenStatus::Failed;
    path_ = std::move(path);
    message_ = std::move(message);
  }
  bool HasDay(const std::string&) override { return false; }
  std::optional<DayPlan> LoadDay(const std::string&) override { return std::nullopt; }
  std::optional<DayPlan> LoadDayWithVersion(const std::string&, std::int64_t& version) override {
    version = 0;
    return std::nullopt;
  }
  std::vector<DayPlan> DaysBetween(const std::string&, const std::string&) override { return {}; }
  StoreResult SaveDay(const DayPlan&, std::time_t) override { return Refusal(); }
  StoreResult SaveDayIfUnchanged(const DayPlan&, std::int64_t&, bool& changedByOther,
                                 std::time_t) override {
    changedByOther = false;
    return Refusal();
  }
  StoreResult DeleteDay(const std::string&) override { return Refusal(); }
  StoreResult BeginRepoint(const FoodTable&, const FoodTableIdentity&, PlanRepoint& result) override {
    result = {};
    return {false, message_};
  }
  StoreResult CopyCommittedTo(const std::string&) override { return {false, message_}; }
  StoreResult CommitRepoint() override { return {true, {}}; }  // nothing was changed
  void AbandonRepoint() override {}
  std::vector<TargetSetEntry> TargetSets() override {
    readError_ = message_;
    return {};
  }
  std::optional<TargetSet> LoadTargetSet(const std::string&) override {
    readError_ = message_;
    return std::nullopt;
  }
  StoreResult AddTargetSet(const TargetSet&) override { return Refusal(); }
  StoreResult ReplaceTargetSet(const std::string&, const TargetSet&) override { return Refusal(); }
  StoreResult DeleteTargetSet(const std::string&) override { return Refusal(); }
  std::vector<EaterGroup> EaterGroups() override { return Unread<EaterGroup>(); }
  StoreResult SaveEaterGroup(const EaterGroup&, std::int64_t*) override { return Refusal(); }
  StoreResult DeleteEaterGroup(std::int64_t) override { return Refusal(); }
  std::vector<HeadcountChange> HeadcountChanges(const std::string&, const std::string&) override {
    return Unread<HeadcountChange>();
  }
  StoreResult SaveHeadcountChanges(const std::vector<HeadcountChange>&) override {
    return Refusal();
  }
  std::vector<FoodPurchase> FoodPurchases() override { return Unread<FoodPurchase>(); }
  StoreResult SaveFoodPurchases(const std::vector<FoodPurchase>&) override { return Refusal(); }
  std::vector<AllergenOverride> AllergenOverrides() override { return Unread<AllergenOverride>(); }
  StoreResult SaveAllergenOverrides(const std::vector<AllergenOverride>&,
                                    const std::vector<AllergenOverride>&) override {
    return Refusal();
  }
  FacilityInfo LoadFacilityInfo() override {
    readError_ = message_;
    return {};
  }
  StoreResult SaveFacilityInfo(const FacilityInfo&) override { return Refusal(); }
  bool ReadAll(StoreContents& contents) override {
    contents = {};
    readError_ = message_;
    return false;
  }
  StoreResult WriteAll(const StoreContents&, const WriteAllChecks&) override { return Refusal(); }

 private:
  StoreResult Refusal() const { return {false, message_ + "何も保存していません。"}; }
  template <typename Row>
  std::vector<Row> Unread() {
    readError_ = message_;
    return {};
  }
};

}  // namespace

std::unique_ptr<DayPlanStore> FailedPlanStore(std::string path, std::string message) {
  return std::make_unique<RefusingPlanStore>(std::move(path), std::move(message));
}

}  // namespace eiyou
