// The dish list on the shared server: its lines kept byte for byte, and two
// program copies (two data folders naming one server) seeing each other's
// dishes through their working copies; a server lost during a save.
#include <gtest/gtest.h>

#include <algorithm>

#include "pg_test_support.h"
#include "plan_test_support.h"
#include "plans/server_dishes.h"
#include "tables/dish_file.h"

namespace eiyou {
namespace {

using testing::PlanTest;

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

class ServerDishesTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    ASSERT_NO_FATAL_FAILURE(DropServerTables());
  }
  static std::vector<std::string> OnServer() {
    const ServerDishList list = LoadServerDishes(ServerSettings());
    EXPECT_TRUE(list.ok) << list.message;
    return list.lines;
  }
};

TEST_F(ServerDishesTest, LinesComeBackByteForByteAndOnlyAChangeBumpsTheVersion) {
  const std::vector<std::string> lines = {
      "\x98\x61      \x90\x48,\x8f\x60 \x82\xe0 \x82\xcc,\xb6\xda\xb0 ,[1]01001:x= 12.5g",  // kana, blank
      "\x87\x40\x87\x90\xed\x40\xfa\x5c,,",  // NEC special and selected characters
      "", "same ", "same ",                  // an empty line, two equal ones
  };
  const ServerDishList saved = SaveServerDishes(ServerSettings(), {}, lines);
  ASSERT_TRUE(saved.ok) << saved.message;
  EXPECT_EQ(saved.version, 1);
  const ServerDishList loaded = LoadServerDishes(ServerSettings());
  ASSERT_TRUE(loaded.ok) << loaded.message;
  EXPECT_EQ(loaded.lines, Sorted(lines));
  EXPECT_EQ(loaded.version, 1);
  EXPECT_EQ(SaveServerDishes(ServerSettings(), loaded.lines, loaded.lines).version, 1);
  const std::vector<std::string> one = {"same "};
  const ServerDishList fewer = SaveServerDishes(ServerSettings(), loaded.lines, one);
  EXPECT_EQ(fewer.version, 2);
  EXPECT_EQ(OnServer(), one);
}

}  // namespace
}  // namespace eiyou
