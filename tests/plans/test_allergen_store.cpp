// The user's allergen overrides stored beside the days.
#include <gtest/gtest.h>

#include "plan_test_support.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

using AllergenStoreTest = PlanTest;

bool Same(const std::vector<AllergenOverride>& a, const std::vector<AllergenOverride>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].food != b[i].food || a[i].item != b[i].item || a[i].presence != b[i].presence)
      return false;
  return true;
}

TEST_F(AllergenStoreTest, OverridesAreSetReplacedAndRemovedTogether) {
  auto store = OpenStore();
  EXPECT_TRUE(store->AllergenOverrides().empty());
  ASSERT_TRUE(store->SaveAllergenOverrides({{15001, "小麦", AllergenPresence::Contains},
                                            {1001, "卵", AllergenPresence::None},
                                            {15001, "乳", AllergenPresence::MayContain}},
                                           {})
                  .ok);
  // Replacing one and removing another in the same call.
  ASSERT_TRUE(store->SaveAllergenOverrides({{15001, "乳", AllergenPresence::None}},
                                           {{1001, "卵", AllergenPresence::Contains}})
                  .ok);
  store.reset();
  const std::vector<AllergenOverride> want = {{15001, "乳", AllergenPresence::None},
                                              {15001, "小麦", AllergenPresence::Contains}};
  EXPECT_TRUE(Same(OpenStore()->AllergenOverrides(), want));
}

TEST_F(AllergenStoreTest, ABadOverrideRefusesTheWholeCallAndWritesNothing) {
  auto store = OpenStore();
  const std::vector<AllergenOverride> kept = {{1001, "小麦", AllergenPresence::Contains}};
  ASSERT_TRUE(store->SaveAllergenOverrides(kept, {}).ok);
  const std::vector<std::vector<AllergenOverride>> bad = {
      {{0, "小麦", AllergenPresence::None}},
      {{100000, "小麦", AllergenPresence::None}},
      {{1002, "", AllergenPresence::None}},
      {{1002, "\xff", AllergenPresence::None}},
      {{1002, "乳", static_cast<AllergenPresence>(3)}},
  };
  for (const auto& calls : bad) {
    std::vector<AllergenOverride> set = {{1003, "卵", AllergenPresence::Contains}};
    set.insert(set.end(), calls.begin(), calls.end());
    const StoreResult result = store->SaveAllergenOverrides(set, kept);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("何も保存していません"), std::string::npos) << result.message;
  }
  EXPECT_TRUE(Same(store->AllergenOverrides(), kept));
}

}  // namespace
