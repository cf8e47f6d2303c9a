// The dish and meal model: the texts a dish is made of, the refusals of
// picking a food and registering a dish, the group filter and the figures.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "nutrition/dish_line.h"
#include "nutrition/figures.h"
#include "nutrition/food_entry.h"
#include "nutrition/food_groups.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

TypedText Typed(const char* utf8) {
  TypedText t;
  t.Take(utf8);
  return t;
}

}  // namespace

TEST(FoodEntry, ComposesAndReadsBack) {
  const FoodPickResult pick = ComposeFoodEntry("[25]10001:N", "80");
  ASSERT_EQ(pick.outcome, FoodPick::Added);
  EXPECT_EQ(pick.entry, "[25]10001:N= 80g");
  EXPECT_EQ(FoodEntryRowText(pick.entry), "25");
  EXPECT_EQ(FoodEntryWeightText(pick.entry), " 80");
  // The weight stays as typed: blanks, a trailing letter, a sign, decimals,
  // exponents and numbers far beyond any total.
  for (const char* typed : {"100g", "  12.5", "-5", "1e30", "-1e30", "99999999999", "1e99999"})
    EXPECT_EQ(ComposeFoodEntry("[1]a:b", typed).entry, std::string("[1]a:b= ") + typed + "g");
  // No "]" or no "=": nothing to read.
  EXPECT_EQ(FoodEntryRowText("x1"), "");
  EXPECT_EQ(FoodEntryWeightText("[1]ab"), "");
  EXPECT_EQ(FoodEntryWeightText("[1]a=g"), "");
}

TEST(FoodEntry, RefusalsComeInTheirOrder) {
  // Reading 0 comes first, before a comma is looked for.
  for (const char* zero : {"", "0", "0.0", "-0", " 0", "abc", "g100", "１００", " ", "0,5"})
    EXPECT_EQ(ComposeFoodEntry("[1]a:b", zero).outcome, FoodPick::ZeroWeight) << zero;
  // A comma is named before a character the files cannot hold.
  EXPECT_EQ(ComposeFoodEntry("[1]a:b", "5,€").outcome, FoodPick::CommaInWeight);
  EXPECT_EQ(ComposeFoodEntry("[1]a:b", "5€").outcome, FoodPick::UnencodableWeight);
  EXPECT_EQ(ComposeFoodEntry("[1]a:b", "5\n").outcome, FoodPick::LineBreakInWeight);
  EXPECT_EQ(ComposeFoodEntry("[1]a:b", std::string("5\0", 2)).outcome,
            FoodPick::LineBreakInWeight);
  EXPECT_EQ(ComposeFoodEntry("[1]a\nx:b", "5").outcome, FoodPick::LineBreakInFood);
  EXPECT_EQ(ComposeFoodEntry(std::string("[1]a:b\0", 7), "5").outcome, FoodPick::LineBreakInFood);
}

TEST(DishLine, ComposesWhatTheSplitterTakesApart) {
  const TypedText cuisine = Typed("和      食"), category = Typed("汁 も の");
  const DishLineResult dish =
      ComposeDishLine(cuisine, category, "みそ汁", {"[1]a:b= 5g", "[2]c:d= 1g"}, 0);
  ASSERT_EQ(dish.outcome, DishRegistration::Registered);
  EXPECT_EQ(dish.line, Cp932("和      食,汁 も の,みそ汁") + ",[1]a:b= 5g,[2]c:d= 1g");
  const DishLineParts parts = SplitDishLine(dish.line);
  EXPECT_EQ(parts.cuisine, cuisine.bytes);
  EXPECT_EQ(parts.name, Cp932("みそ汁"));
  EXPECT_EQ(DishFoods(dish.line), (std::vector<std::string>{"[1]a:b= 5g", "[2]c:d= 1g"}));
  // Nothing chosen and no foods: three empty fields and two commas.
  EXPECT_EQ(ComposeDishLine({}, {}, "", {}, 0).line, ",,");
  EXPECT_TRUE(DishFoods(",,").empty());
  EXPECT_EQ(DishFoods(",,n,"), std::vector<std::string>{""});
}

TEST(DishLine, RefusalsComeInTheirOrder) {
  const TypedText ok = Typed("和      食"), euro = Typed("€"), comma = Typed("a,b"),
                  lineEnd = Typed("a\rb");
  EXPECT_FALSE(euro.encodable);
  EXPECT_TRUE(euro.bytes.empty());
  auto outcome = [](const TypedText& cuisine, const TypedText& category, const char* name,
                    int listed = 0) {
    return ComposeDishLine(cuisine, category, name, {}, listed);
  };
  // Cuisine, then category, then the name are checked for their code first.
  EXPECT_EQ(outcome(euro, comma, "x").offending, "€");
  EXPECT_EQ(outcome(comma, euro, "x").outcome, DishRegistration::UnencodableText);
  EXPECT_EQ(outcome(comma, ok, "€スープ").offending, "€スープ");
  // Then commas in any of the three, then line ends.
  EXPECT_EQ(outcome(comma, ok, "x").outcome, DishRegistration::CommaInText);
  EXPECT_EQ(outcome(ok, comma, "x").outcome, DishRegistration::CommaInText);
  EXPECT_EQ(outcome(ok, lineEnd, "a,b").outcome, DishRegistration::CommaInText);
  EXPECT_EQ(outcome(lineEnd, ok, "x").outcome, DishRegistration::LineBreakInText);
  EXPECT_EQ(outcome(ok, lineEnd, "x").outcome, DishRegistration::LineBreakInText);
  EXPECT_EQ(outcome(ok, ok, "a\nb").outcome, DishRegistration::LineBreakInText);
  EXPECT_EQ(outcome(ok, ok, std::string("a\0b", 3).c_str()).outcome, DishRegistration::Registered);
  EXPECT_EQ(ComposeDishLine(ok, ok, std::string("a\0b", 3), {}, 0).outcome,
            DishRegistration::LineBreakInText);
  // The limit is checked last, on an otherwise good dish.
  EXPECT_EQ(outcome(ok, ok, "a", kDishLimit - 1).outcome, DishRegistration::Registered);
  EXPECT_EQ(outcome(ok, ok, "a", kDishLimit).outcome, DishRegistration::ListFull);
  EXPECT_EQ(outcome(ok, ok, "a,b", kDishLimit).outcome, DishRegistration::CommaInText);
}

TEST(DishLine, MealEntryJoinsTheFirstThreeFieldsWithFullWidthColons) {
  EXPECT_EQ(MealEntryText(SplitDishLine(Cp932("和      食,汁 も の,みそ汁,[1]a:b= 5g"))),
            Cp932("和      食：汁 も の：みそ汁"));
  EXPECT_EQ(MealEntryText(SplitDishLine("no comma")), Cp932("：："));
}

TEST(FoodGroups, FirstTwoBytesTrimmedGiveTheGroup) {
  auto table = std::make_unique<FoodTable>();
  const char* numbers[] = {" 1001", "10001", "01001", "1 002", "1001", "1", "", " 0001", "\t2001"};
  for (int r = 1; r <= 9; ++r)
    table->SetRow(r, std::string(numbers[r - 1]) + ",name" + std::to_string(r) + std::string(21, ','));
  EXPECT_EQ(FoodsOfGroup(*table, 1), (std::vector<std::string>{"[1] 1001:name1", "[4]1 002:name4"}));
  EXPECT_EQ(FoodsOfGroup(*table, 10), (std::vector<std::string>{"[2]10001:name2", "[5]1001:name5"}));
  EXPECT_EQ(FoodsOfGroup(*table, 2), std::vector<std::string>{"[9]\t2001:name9"});
  // No item chosen: group 0, which only a number trimming to "0" matches.
  EXPECT_EQ(FoodsOfGroup(*table, 0), std::vector<std::string>{"[8] 0001:name8"});
  EXPECT_TRUE(FoodsOfGroup(*table, 18).empty());
  EXPECT_EQ(GroupKey(Cp932("　1")), Cp932("　1").substr(0, 2));  // the ideographic blank stays
}

TEST(Figures, TextsInTheCaptionsUnits) {
  const struct {
    std::int32_t total;
    long double factor;
    const char* text;
  } cases[] = {{123, 0.1L, "12.3"}, {120, 0.1L, "12"},     {7, 0.3L, "2.1"},
               {5, 0.01L, "0.05"},  {0, 0.3L, "0"},        {85, 0.1L, "8.5"},
               {1000, 0.3L, "300"}, {-123, 0.1L, "-12.3"}, {0, -0.1L, "0"},
               {2147483647, 0.3L, "644245094.1"}, {1, 0.01L, "0.01"}};
  for (const auto& c : cases) EXPECT_EQ(FigureText(c.total, c.factor), c.text);
  // A decimal comma locale changes nothing.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_ALL, name)) {
      EXPECT_EQ(FigureText(123, 0.1L), "12.3");
    }
  }
  std::setlocale(LC_ALL, saved.c_str());

  const NutrientTotals totals{{2000, 600, 503, 600, 100, 2000, 100, 120, -7}};
  EXPECT_EQ(DailyFigureTexts(totals),
            (std::array<std::string, kNutrients>{"2000", "60", "50.3", "600", "10", "600", "1",
                                                 "1.2", "-7"}));
}
