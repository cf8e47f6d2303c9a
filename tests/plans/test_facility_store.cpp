// The facility kept beside the days: groups of eaters, headcounts by date,
// how foods are bought, the facility's name; its layout step, two copies of
// the program storing at once, and damage.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "plan_test_support.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

using FacilityStoreTest = PlanTest;

EaterGroup Group(const std::string& name, int factor, int headcount, std::uint8_t meals = kLunch) {
  EaterGroup g;
  g.name = name;
  g.factorPermille = factor;
  g.headcount = headcount;
  g.meals = meals;
  return g;
}

FoodPurchase Price(int food, std::int64_t sen, std::int64_t unitGrams = 1000,
                   std::string supplier = {}) {
  FoodPurchase p;
  p.food = food;
  p.priced = true;
  p.priceSen = sen;
  p.unitGrams = unitGrams;
  p.setOn = "2024-04-01";
  p.supplier = std::move(supplier);
  return p;
}

bool SameGroup(const EaterGroup& a, const EaterGroup& b) {
  return a.id == b.id && a.name == b.name && a.factorPermille == b.factorPermille &&
         a.headcount == b.headcount && a.meals == b.meals && a.profile == b.profile &&
         a.position == b.position;
}

bool SamePurchase(const FoodPurchase& a, const FoodPurchase& b) {
  return a.food == b.food && a.priced == b.priced && a.priceSen == b.priceSen &&
         a.unitGrams == b.unitGrams && a.unitName == b.unitName && a.setOn == b.setOn &&
         a.supplier == b.supplier;
}

TEST_F(FacilityStoreTest, EveryKindIsStoredAndReadBack) {
  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EaterGroup low = Group("低学年", 800, 120);
  low.profile = "ref=school;band=6-7";
  low.position = 1;
  EaterGroup staff = Group("教職員", 1000, 30, kBreakfast | kLunch | kDinner);
  ASSERT_TRUE(store->SaveEaterGroup(low, &low.id).ok);
  ASSERT_TRUE(store->SaveEaterGroup(staff, &staff.id).ok);
  EXPECT_NE(low.id, staff.id);
  // Position first, then name.
  auto groups = store->EaterGroups();
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_TRUE(SameGroup(groups[0], staff));
  EXPECT_TRUE(SameGroup(groups[1], low));
  low.factorPermille = 850;
  low.name = "1・2年";
  ASSERT_TRUE(store->SaveEaterGroup(low).ok);
  EXPECT_TRUE(SameGroup(store->EaterGroups()[1], low));

  ASSERT_TRUE(store->SaveHeadcountChanges({{"2024-06-03", low.id, 0},
                                           {"2024-06-04", low.id, 118},
                                           {"2024-06-04", staff.id, 28},
                                           {"2024-07-01", low.id, 100}})
                  .ok);
  ASSERT_TRUE(store->SaveHeadcountChanges({{"2024-06-04", low.id, 117}, {"2024-06-03", low.id, -1}}).ok);
  const auto changes = store->HeadcountChanges("2024-06-01", "2024-06-30");
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].headcount + changes[1].headcount, 117 + 28);
  EXPECT_EQ(changes[0].group, std::min(low.id, staff.id));

  FoodPurchase bag = Price(1026, 29800, 500, "山田製粉");
  bag.unitName = "袋";
  FoodPurchase supplierOnly;
  supplierOnly.food = 12004;
  supplierOnly.supplier = "鶏卵センター";
  ASSERT_TRUE(store->SaveFoodPurchases({Price(6153, 0), bag, supplierOnly, Price(11130, 198000)}).ok);
  // A row with neither price nor supplier removes the food's.
  FoodPurchase cleared;
  cleared.food = 6153;
  ASSERT_TRUE(store->SaveFoodPurchases({cleared}).ok);
  auto rows = store->FoodPurchases();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(SamePurchase(rows[0], bag));
  EXPECT_TRUE(SamePurchase(rows[1], Price(11130, 198000)));
  EXPECT_TRUE(SamePurchase(rows[2], supplierOnly));

  const FacilityInfo info{"〇〇市立第一学校給食センター", "食物アレルギーのある方は\nご相談ください。"};
  ASSERT_TRUE(store->SaveFacilityInfo(info).ok);
  store.reset();
  store = OpenStore();
  EXPECT_EQ(store->LoadFacilityInfo().name, info.name);
  EXPECT_EQ(store->LoadFacilityInfo().notes, info.notes);
  EXPECT_EQ(store->FoodPurchases().size(), 3u);
  EXPECT_TRUE(store->readError().empty());

  // A group deleted takes its changes with it; the others keep theirs.
  ASSERT_TRUE(store->DeleteEaterGroup(low.id).ok);
  EXPECT_TRUE(store->DeleteEaterGroup(low.id).ok);
  const auto left = store->HeadcountChanges("2024-01-01", "2024-12-31");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].group, staff.id);
}

TEST_F(FacilityStoreTest, RefusalsNameTheFaultAndChangeNothing) {
  auto store = OpenStore();
  EaterGroup low = Group("低学年", 800, 120);
  ASSERT_TRUE(store->SaveEaterGroup(low, &low.id).ok);
  ASSERT_TRUE(store->SaveHeadcountChanges({{"2024-06-04", low.id, 118}}).ok);
  ASSERT_TRUE(store->SaveFoodPurchases({Price(1026, 29800)}).ok);
  const auto groups = store->EaterGroups();
  const auto rows = store->FoodPurchases();

  const StoreResult taken = store->SaveEaterGroup(Group("低学年", 1000, 5));
  EXPECT_FALSE(taken.ok);
  EXPECT_NE(taken.message.find("「低学年」"), std::string::npos) << taken.message;
  EXPECT_NE(taken.message.find("何も保存していません"), std::string::npos) << taken.message;
  for (const EaterGroup& bad : {Group("", 800, 1), Group("幼児", 0, 1), Group("幼児", 10001, 1),
                                Group("幼児", 800, -1), Group("幼児", 800, 100001),
                                Group("幼児", 800, 1, 0), Group("幼児", 800, 1, 8)}) {
    const StoreResult r = store->SaveEaterGroup(bad);
    EXPECT_FALSE(r.ok) << bad.name << bad.factorPermille << ' ' << bad.headcount;
    EXPECT_FALSE(r.message.empty());
  }
  EaterGroup gone = Group("消えた組", 800, 1);
  gone.id = low.id + 100;
  EXPECT_FALSE(store->SaveEaterGroup(gone).ok);

  // One bad change refuses the lot, good ones before it included.
  EXPECT_FALSE(store->SaveHeadcountChanges({{"2024-06-05", low.id, 1}, {"2024-02-30", low.id, 1}}).ok);
  EXPECT_FALSE(store->SaveHeadcountChanges({{"2024-06-05", low.id, 1}, {"2024-06-06", low.id, 100001}}).ok);
  EXPECT_FALSE(store->SaveHeadcountChanges({{"2024-06-05", low.id, 1}, {"2024-06-06", low.id + 100, 1}}).ok);

  FoodPurchase noDate = Price(6153, 100);
  noDate.setOn = "";
  const StoreResult undated = store->SaveFoodPurchases({Price(6153, 100), noDate});
  EXPECT_FALSE(undated.ok);
  EXPECT_NE(undated.message.find("6153"), std::string::npos) << undated.message;
  for (const FoodPurchase& bad : {Price(0, 1), Price(100000, 1), Price(6153, -1), Price(6153, 1, 0)})
    EXPECT_FALSE(store->SaveFoodPurchases({Price(6154, 1), bad}).ok) << bad.food;
  EXPECT_FALSE(store->SaveFacilityInfo({"二行の\n名前", ""}).ok);

  store.reset();
  store = OpenStore();
  EXPECT_EQ(store->EaterGroups().size(), groups.size());
  EXPECT_TRUE(SameGroup(store->EaterGroups()[0], groups[0]));
  ASSERT_EQ(store->FoodPurchases().size(), rows.size());
  EXPECT_TRUE(SamePurchase(store->FoodPurchases()[0], rows[0]));
  ASSERT_EQ(store->HeadcountChanges("2024-01-01", "2024-12-31").size(), 1u);
  EXPECT_TRUE(store->LoadFacilityInfo().name.empty());
}

TEST_F(FacilityStoreTest, ALayoutThreeDatabaseKeepsItsDaysAndSets) {
  const DayPlan day = Day("2024-06-01", "old", 2);
  TargetSet set{"減塩食", "", {}};
  set.values.push_back({"NACL_EQ", TargetKind::DgUpper, 6, true, std::nullopt});
  {
    auto old = DayPlanStore::Open(dir_, kNow, PlanMigrations().first(3));
    ASSERT_EQ(old->status(), OpenStatus::Ok);
    ASSERT_TRUE(old->SaveDay(day).ok);
    ASSERT_TRUE(old->AddTargetSet(set).ok);
    // The older layout has no facility: reads give nothing, without an error.
    EXPECT_TRUE(old->EaterGroups().empty());
    EXPECT_TRUE(old->FoodPurchases().empty());
    EXPECT_TRUE(old->readError().empty());
  }
  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EXPECT_EQ(store->schemaVersion(), PlanMigrations().back().version);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), day));
  ASSERT_TRUE(store->LoadTargetSet("減塩食"));
  EXPECT_EQ(store->LoadTargetSet("減塩食")->values.size(), 1u);
  EXPECT_TRUE(store->EaterGroups().empty());
  EXPECT_TRUE(store->SaveEaterGroup(Group("常食", 1000, 40)).ok);
}

// Two copies of the program add groups and prices at the same time: each
// change waits for the other's transaction, and none is lost.
TEST_F(FacilityStoreTest, TwoCopiesStoringAtOnceLoseNothing) {
  ASSERT_EQ(OpenStore()->status(), OpenStatus::Ok);
  constexpr int kEach = 40;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      alarm(60);
      auto store = DayPlanStore::Open(dir_, kNow);
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "組" + std::to_string(c) + "-" + std::to_string(i);
        if (!store->SaveEaterGroup(Group(name, 1000, i)).ok) _exit(2);
        if (!store->SaveFoodPurchases({Price(1000 + c * kEach + i, i)}).ok) _exit(3);
      }
      _exit(0);
    }
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  auto store = OpenStore();
  std::set<std::string> names;
  for (const EaterGroup& g : store->EaterGroups()) names.insert(g.name);
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_EQ(store->FoodPurchases().size(), 2u * kEach);
}

TEST_F(FacilityStoreTest, ADamagedFileIsMovedAsideAndANewOneServes) {
  ASSERT_TRUE(OpenStore()->SaveEaterGroup(Group("常食", 1000, 40)).ok);
  WriteBytes("KONDATE/献立表.db", "SQLite format 3" + std::string(4000, '\x7f'));
  auto store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::Replaced);
  EXPECT_TRUE(store->EaterGroups().empty());
  EXPECT_TRUE(store->readError().empty());
  EXPECT_TRUE(store->SaveEaterGroup(Group("常食", 1000, 40)).ok);
  EXPECT_EQ(store->EaterGroups().size(), 1u);
}

}  // namespace
