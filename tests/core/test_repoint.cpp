// Pointing saved dishes at a new table: over generated tables and dish files,
// no line is lost or moved, no weight changes, and every food found names the
// line of its own number.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "nutrition/dish_line.h"
#include "nutrition/food_entry.h"
#include "nutrition/repoint.h"
#include "tables/text_fields.h"

using namespace eiyou;

namespace {

std::string Row(const std::string& number, const std::string& name) {
  return number + "," + name + std::string(21, ',');
}

}  // namespace

TEST(RepointDishLines, MovesEntriesToTheirNumbersNewLines) {
  auto table = std::make_unique<FoodTable>();
  table->SetRow(1, Row("10001", "egg"));
  table->SetRow(2, Row(" 1001", "rice, new"));  // a comma never reaches a cell: cut there
  table->SetRow(3, Row(" 1001", "later duplicate"));
  table->SetRow(4, Row(" 2001", "a=b"));
  const std::vector<std::string> lines = {
      "c,k,dish,[7] 1001:rice= 75g,[9]10001:egg=  5.5gg,[8]99999:gone= 1g",
      "c,k,no foods",
      "",
      "c,k,odd,x,[3] 2001:p= 1g,[4]10001:egg= 2g",
  };
  const RepointResult r = RepointDishLines(lines, *table);
  ASSERT_EQ(r.lines.size(), lines.size());
  EXPECT_EQ(r.lines[0], "c,k,dish,[2] 1001:rice= 75g,[1]10001:egg=  5.5gg,[8]99999:gone= 1g");
  EXPECT_EQ(r.lines[1], lines[1]);
  EXPECT_EQ(r.lines[2], "");
  // A name with "=" would move the weight: that entry stays, as does one
  // without a head; one already right is not counted as moved.
  EXPECT_EQ(r.lines[3], "c,k,odd,x,[3] 2001:p= 1g,[1]10001:egg= 2g");
  EXPECT_EQ(r.entriesMoved, 3);
  ASSERT_EQ(r.unmatched.size(), 3u);
  EXPECT_EQ(r.unmatched[0].line, 0u);
  EXPECT_EQ(r.unmatched[0].entry, "[8]99999:gone= 1g");
  EXPECT_EQ(r.unmatched[1].entry, "x");
  EXPECT_EQ(r.unmatched[2].entry, "[3] 2001:p= 1g");
}

TEST(RepointDishLines, GeneratedDishFilesKeepLinesAndWeights) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 40; ++round) {
    // A table of foods in a shuffled order, some numbers missing.
    std::vector<std::string> numbers;
    for (int n = 1; n <= 60; ++n) numbers.push_back(std::to_string(10000 + n));
    std::shuffle(numbers.begin(), numbers.end(), random);
    auto table = std::make_unique<FoodTable>();
    for (std::size_t r = 0; r < 50; ++r) table->SetRow(int(r + 1), Row(numbers[r], "f" + numbers[r]));

    std::vector<std::string> lines;
    for (int d = 0; d < 30; ++d) {
      std::string line = "c" + std::to_string(d % 3) + ",k,dish" + std::to_string(d);
      const int foods = int(random() % 6);
      for (int f = 0; f < foods; ++f) {
        const std::string number = std::to_string(10001 + random() % 60);
        line += ",[" + std::to_string(random() % 3000) + "]" + number + ":old= " +
                std::to_string(random() % 500) + (random() % 2 ? ".5" : "") + "g";
      }
      if (random() % 10 == 0) line += ",";  // an empty food
      lines.push_back(line);
    }

    const RepointResult r = RepointDishLines(lines, *table);
    ASSERT_EQ(r.lines.size(), lines.size());
    std::size_t unmatched = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::vector<std::string> before = SplitAtCommas(lines[i]), after = SplitAtCommas(r.lines[i]);
      ASSERT_EQ(before.size(), after.size());
      for (std::size_t k = 0; k < before.size(); ++k) {
        if (k < 3) {
          EXPECT_EQ(after[k], before[k]);
          continue;
        }
        EXPECT_EQ(FoodEntryWeightText(after[k]), FoodEntryWeightText(before[k]));
        const std::string number = before[k].empty() ? "" : before[k].substr(before[k].find(']') + 1, 5);
        const auto at = std::find(numbers.begin(), numbers.begin() + 50, number);
        if (at == numbers.begin() + 50) {
          EXPECT_EQ(after[k], before[k]);
          ++unmatched;
        } else {
          const int row = int(at - numbers.begin()) + 1;
          EXPECT_EQ(FoodEntryRowText(after[k]), std::to_string(row));
          EXPECT_EQ(after[k].substr(0, after[k].find('=')), FoodChoiceText(*table, row));
        }
      }
    }
    EXPECT_EQ(r.unmatched.size(), unmatched);
  }
}
