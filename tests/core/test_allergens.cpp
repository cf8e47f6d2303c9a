// Allergens derived from the official food names of the bundled table.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "nutrition/allergens.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

// Number → UTF-8 name of every food of the bundled table.
const std::map<int, std::string>& BundledFoods() {
  static const std::map<int, std::string> foods = [] {
    std::ifstream in(EIYOU_SAMPLE_DATA "/食品成分表５訂.CSV", std::ios::binary);
    std::map<int, std::string> read;
    std::string line;
    while (std::getline(in, line)) {
      const std::size_t a = line.find(','), b = line.find(',', a + 1);
      read[std::stoi(line.substr(0, a))] = Cp932ToUtf8(line.substr(a + 1, b - a - 1));
    }
    return read;
  }();
  return foods;
}

AllergenPresence Derived(int food, const char* item) {
  const AllergenList& list = BundledAllergenList();
  const int index = list.Index(item);
  EXPECT_GE(index, 0) << item;
  return DeriveAllergens(list, BundledAllergenRules(), food, BundledFoods().at(food))
      .at(static_cast<std::size_t>(index))
      .presence;
}

struct Expected {
  const char* item;
  int food;
  const char* nameHas;  // checked by hand against the table
};

// The obvious foods of each mandatory item. The table names walnuts in two
// foods only.
const Expected kObvious[] = {
    {"えび", 10319, "あまえび"}, {"えび", 10321, "くるまえび"}, {"えび", 10324, "さくらえび"},
    {"えび", 10330, "干しえび"}, {"えび", 18020, "えびフライ"},
    {"かに", 10332, "がざみ"}, {"かに", 10333, "毛がに"}, {"かに", 10335, "ずわいがに"},
    {"かに", 10338, "たらばがに"}, {"かに", 10340, "たらばがに"},
    {"くるみ", 5014, "くるみ"}, {"くるみ", 1210, "くるみパン"},
    {"小麦", 1015, "薄力粉"}, {"小麦", 1026, "食パン"}, {"小麦", 1038, "うどん"},
    {"小麦", 1063, "マカロニ"}, {"小麦", 1074, "ぎょうざの皮"}, {"小麦", 17007, "こいくちしょうゆ"},
    {"そば", 1122, "そば粉"}, {"そば", 1126, "そば米"}, {"そば", 1127, "そば"},
    {"そば", 1129, "干しそば"}, {"そば", 15062, "そばボーロ"},
    {"卵", 12004, "鶏卵"}, {"卵", 12002, "うずら卵"}, {"卵", 12010, "卵黄"},
    {"卵", 12014, "卵白"}, {"卵", 17042, "マヨネーズ"},
    {"乳", 13003, "普通牛乳"}, {"乳", 13040, "プロセスチーズ"}, {"乳", 13025, "ヨーグルト"},
    {"乳", 14017, "有塩バター"}, {"乳", 13014, "クリーム"},
    {"落花生", 5034, "らっかせい"}, {"落花生", 5035, "らっかせい"}, {"落花生", 5037, "ピーナッツバター"},
    {"落花生", 6303, "らっかせい"}, {"落花生", 14014, "落花生油"},
};

TEST(Allergens, EveryMandatoryItemIsFoundInItsObviousFoods) {
  for (const Expected& e : kObvious) {
    ASSERT_NE(BundledFoods().at(e.food).find(e.nameHas), std::string::npos) << e.food;
    EXPECT_EQ(Derived(e.food, e.item), AllergenPresence::Contains)
        << e.item << " " << e.food << " " << BundledFoods().at(e.food);
  }
}

// Names that hold an item's word without being that food: each was derived
// wrongly once.
TEST(Allergens, WordsInsideOtherNamesAreNotTakenForTheItem) {
  EXPECT_EQ(Derived(1052, "そば"), AllergenPresence::None);      // 沖縄そば: wheat noodles
  EXPECT_EQ(Derived(1115, "牛肉"), AllergenPresence::None);      // ビーフン
  EXPECT_EQ(Derived(10360, "いか"), AllergenPresence::None);     // いいだこ of ＜いか・たこ類＞
  EXPECT_EQ(Derived(10075, "いか"), AllergenPresence::None);     // おいかわ, a fish
  EXPECT_EQ(Derived(10333, "えび"), AllergenPresence::None);     // 毛がに of ＜えび・かに類＞
  EXPECT_EQ(Derived(10404, "ごま"), AllergenPresence::None);     // ごまさば
  EXPECT_EQ(Derived(11047, "もも"), AllergenPresence::None);     // beef もも
  EXPECT_EQ(Derived(4052, "乳"), AllergenPresence::None);        // 豆乳
  EXPECT_EQ(Derived(6044, "大豆"), AllergenPresence::None);      // ぬかみそ漬
  EXPECT_EQ(Derived(13016, "乳"), AllergenPresence::MayContain); // cream of vegetable fat
  EXPECT_EQ(Derived(17133, "小麦"), AllergenPresence::MayContain);  // いかなごしょうゆ, fish sauce
  EXPECT_EQ(Derived(15001, "大豆"), AllergenPresence::MayContain);  // 甘納豆 of adzuki
  EXPECT_EQ(Derived(17082, "小麦"), AllergenPresence::MayContain);  // パン酵母
}

// A prepared food never reads as free of anything; a plain one does.
TEST(Allergens, ProcessedGroupsAreNeverNoneAndPlainFoodsAre) {
  const AllergenList& list = BundledAllergenList();
  ASSERT_EQ(list.size(), 28u);
  int processed = 0;
  for (const auto& [number, name] : BundledFoods()) {
    if (!IsProcessedFoodGroup(number / 1000)) continue;
    ++processed;
    for (const AllergenCell& cell : DeriveAllergens(list, BundledAllergenRules(), number, name))
      EXPECT_NE(cell.presence, AllergenPresence::None) << number << " " << name;
  }
  EXPECT_EQ(processed, 187 + 64 + 148 + 55);
  for (const AllergenCell& cell : DeriveAllergens(list, BundledAllergenRules(), 1083, BundledFoods().at(1083)))
    EXPECT_EQ(cell.presence, AllergenPresence::None);  // 精白米
}

TEST(Allergens, ADishTakesTheStrongestPresenceAndTheSummaryNeverHidesMayContain) {
  const AllergenList& list = BundledAllergenList();
  auto of = [&](std::initializer_list<std::pair<const char*, AllergenPresence>> cells) {
    std::vector<AllergenPresence> p(list.size(), AllergenPresence::None);
    for (const auto& [item, presence] : cells) p[static_cast<std::size_t>(list.Index(item))] = presence;
    return p;
  };
  std::vector<AllergenPresence> dish;
  CombineAllergens(dish, of({{"乳", AllergenPresence::MayContain}, {"えび", AllergenPresence::MayContain}}));
  CombineAllergens(dish, of({{"乳", AllergenPresence::Contains}, {"小麦", AllergenPresence::Contains}}));
  CombineAllergens(dish, of({{"卵", AllergenPresence::Contains}, {"かに", AllergenPresence::MayContain},
                             {"小麦", AllergenPresence::None}}));
  // Mandatory items first, in the list's order.
  EXPECT_EQ(AllergenSummary(list, dish), "含む: 小麦・卵・乳　含む可能性: えび・かに");
  EXPECT_EQ(AllergenSummary(list, of({{"大豆", AllergenPresence::MayContain}})), "含む可能性: 大豆");
  EXPECT_EQ(AllergenSummary(list, of({})), "特定原材料等を含まない");
  // The brief form counts the recommended items it does not name, and a dish
  // that may contain only those is never said to contain none.
  EXPECT_EQ(AllergenSummaryBrief(list, of({{"大豆", AllergenPresence::MayContain}})),
            "含む可能性: 1品目");
  EXPECT_EQ(AllergenSummaryBrief(list, of({{"卵", AllergenPresence::Contains},
                                           {"えび", AllergenPresence::MayContain},
                                           {"大豆", AllergenPresence::MayContain}})),
            "含む: 卵　含む可能性: えび ほか1品目");
}

TEST(Allergens, BadLinesRefuseTheFileAndAreNamed) {
  const auto list = ParseAllergenList(
      "@義務 基準 2023年\n"
      "えび 義務\n"
      "えび 義務\n"       // twice
      "かに 必須\n"       // kind
      "全 推奨\n"         // reserved
      "@義務 また\n");    // source twice; no @推奨 for the recommended one
  EXPECT_FALSE(list.ok());
  EXPECT_TRUE(list.value.items.empty());
  ASSERT_EQ(list.problems.size(), 4u);
  EXPECT_NE(list.problems[0].find("3 行目"), std::string::npos) << list.problems[0];
  EXPECT_NE(list.problems[1].find("4 行目"), std::string::npos) << list.problems[1];
  EXPECT_NE(list.problems[2].find("5 行目"), std::string::npos) << list.problems[2];
  EXPECT_NE(list.problems[3].find("6 行目"), std::string::npos) << list.problems[3];

  const AllergenList& items = BundledAllergenList();
  const auto rules = ParseAllergenRules(
      "# 注釈\n"
      "こむぎ 小麦 群=1\n"
      "こむぎ 麦\n"            // 3: no such item
      "こむぎ 小麦 群=19\n"    // 4: no such group
      "こむぎ 小麦 群=5-2\n"   // 5: backwards
      "こむぎ 全\n"            // 6: every item contained
      "* 卵\n"                 // 7: every food
      "こむぎ 小麦 ほか\n"     // 8: unknown word
      "こむぎ\n",              // 9: no item
      items);
  EXPECT_TRUE(rules.value.empty());
  ASSERT_EQ(rules.problems.size(), 7u);
  for (int i = 0; i < 7; ++i)
    EXPECT_NE(rules.problems[static_cast<std::size_t>(i)].find(std::to_string(i + 3) + " 行目"),
              std::string::npos)
        << rules.problems[static_cast<std::size_t>(i)];

  const auto good = ParseAllergenRules("ごま ごま・大豆 可能性 群=1,15-18 除く=ごまさば 除く=えごま\r\n", items);
  ASSERT_TRUE(good.ok());
  ASSERT_EQ(good.value.size(), 1u);
  const AllergenRule& r = good.value[0];
  EXPECT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.presence, AllergenPresence::MayContain);
  EXPECT_EQ(r.groups, (std::vector<std::pair<int, int>>{{1, 1}, {15, 18}}));
  EXPECT_EQ(r.except, (std::vector<std::string>{"ごまさば", "えごま"}));
}

}  // namespace
