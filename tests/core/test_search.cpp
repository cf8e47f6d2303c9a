// Food search folding, the index over a table, and weights typed in full width.
#include <gtest/gtest.h>

#include "nutrition/food_entry.h"
#include "nutrition/food_search.h"
#include "tables/cp932.h"

namespace eiyou {
namespace {

TEST(FoldForSearch, KanaWidthBlanksAndCaseFoldTogether) {
  EXPECT_EQ(FoldForSearch("キャベツ"), "きゃべつ");
  EXPECT_EQ(FoldForSearch("ｷｬﾍﾞﾂ"), "きゃべつ");          // half-width, voiced mark joined
  EXPECT_EQ(FoldForSearch("ﾎﾟﾝｽﾞ"), "ぽんず");           // semi-voiced and voiced
  EXPECT_EQ(FoldForSearch("ｳﾞｨﾝﾃｰｼﾞ"), "ゔぃんてーじ");   // ウ + ﾞ is ゔ, ｰ the long mark
  EXPECT_EQ(FoldForSearch("か\u3099"), "が");            // a combining mark joins too
  EXPECT_EQ(FoldForSearch("ﾞか"), "゛か");               // a mark with nothing before it stays
  EXPECT_EQ(FoldForSearch("ﾝﾞ"), "ん゛");                // and after a kana it cannot voice
  EXPECT_EQ(FoldForSearch("ＡＢＣ　ｄｅ f\t1２"), "abcdef12");
  EXPECT_EQ(FoldForSearch("＜魚類＞　（さけ・ます類）"), "<魚類>(さけ・ます類)");
  EXPECT_EQ(FoldForSearch("ヽヾヴヵヶ"), "ゝゞゔゕゖ");
  EXPECT_EQ(FoldForSearch(" \u3000\t"), "");
}

TEST(FoldForSearch, MalformedBytesSurviveUnchanged) {
  EXPECT_EQ(FoldForSearch("a\xFF" "B\xE3\x81"), "a\xFF" "b\xE3\x81");
  EXPECT_EQ(FoldForSearch("\xED\xA0\x80"), "\xED\xA0\x80");  // a surrogate's bytes
}

class FoodNameIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.SetRow(1, Cp932(" 1001,アマランサス　玄穀,343"));
    table.SetRow(2, Cp932("10134,＜魚類＞　（さけ・ます類）　しろさけ　生,124"));
    table.SetRow(3, Cp932("12001,キャベツ　結球葉　生,21"));
    table.SetRow(4, Cp932("12002,きゃべつ　ゆで,19"));
    table.SetRow(5, std::string("12003,\x82") + ",1");  // a lone lead byte in the name
    index.Build(table);
  }
  FoodTable table;
  FoodNameIndex index;
};

TEST_F(FoodNameIndexTest, FindsRowsInTableOrderWhateverTheWritingOfTheQuery) {
  EXPECT_EQ(index.Find("さけ"), (std::vector<int>{2}));
  EXPECT_EQ(index.Find("ｷｬﾍﾞﾂ"), (std::vector<int>{3, 4}));
  EXPECT_EQ(index.Find("キャベツ ゆで"), (std::vector<int>{4}));  // blanks in names don't count
  EXPECT_EQ(index.Find("ＳＡＫＥ"), (std::vector<int>{}));
  EXPECT_EQ(index.Find("　"), (std::vector<int>{}));  // folds to nothing: nothing found
  EXPECT_EQ(index.Find("\xEF\xBF\xBD"), (std::vector<int>{5}));  // U+FFFD of the bad byte
  EXPECT_EQ(index.rows(), table.rows());
}

TEST(HalfWidthWeightText, FullWidthDigitsPointAndSignsOnly) {
  EXPECT_EQ(HalfWidthWeightText("１５０"), "150");
  EXPECT_EQ(HalfWidthWeightText("－１２．５ｇ"), "-12.5ｇ");
  EXPECT_EQ(HalfWidthWeightText("＋９"), "+9");
  EXPECT_EQ(HalfWidthWeightText("，／ａ1"), "，／ａ1");  // neighbours in the block stay
  EXPECT_EQ(HalfWidthWeightText("\xEF\xBC"), "\xEF\xBC");  // a cut sequence stays
}

}  // namespace
}  // namespace eiyou
