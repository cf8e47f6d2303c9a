// The user's allergen overrides stored beside the days.
#include <gtest/gtest.h>

#include "plan_test_support.h"
#include "sessions/allergen_session.h"
#include "tables/cp932.h"

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

namespace {

// The user's word takes the place of the rules for its food and item only,
// is kept across sessions, and "back to the rules" removes it.
TEST_F(AllergenStoreTest, TheSessionsOverridesWinOverTheRules) {
  FoodTable table;
  table.SetRow(1, Cp932("15001,甘納豆,"));
  table.SetRow(2, Cp932(" 1083,精白米,"));
  AllergenSession session(dir_);
  ASSERT_EQ(session.Load(table), "");
  const std::size_t soy = static_cast<std::size_t>(session.list().Index("大豆"));
  const std::size_t egg = static_cast<std::size_t>(session.list().Index("卵"));
  ASSERT_EQ(session.Presences(15001)[soy], AllergenPresence::MayContain);
  ASSERT_TRUE(session.SetOverride(15001, soy, AllergenPresence::None).ok);
  ASSERT_TRUE(session.SetOverride(1083, egg, AllergenPresence::Contains).ok);

  AllergenSession again(dir_);
  ASSERT_EQ(again.Load(table), "");
  EXPECT_EQ(again.Presences(15001)[soy], AllergenPresence::None);
  EXPECT_EQ(again.Cell(*again.FindFood(15001), soy).rule, kAllergenOverridden);
  EXPECT_EQ(again.Presences(15001)[egg], AllergenPresence::MayContain);  // not overridden
  EXPECT_EQ(again.Summary(again.Combined(table, {{2, 100}})), "含む: 卵");
  // A dish of both: the override counts, the rest of the sweet stays "may contain".
  const std::vector<AllergenPresence> dish = again.Combined({15001, 1083});
  EXPECT_EQ(dish[egg], AllergenPresence::Contains);
  EXPECT_EQ(dish[soy], AllergenPresence::None);

  ASSERT_TRUE(again.SetOverride(15001, soy, std::nullopt).ok);
  EXPECT_EQ(AllergenSession(dir_).Load(table), "");
  EXPECT_EQ(OpenStore()->AllergenOverrides().size(), 1u);
}

}  // namespace
