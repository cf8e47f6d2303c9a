// Food search folding, the index over a table, everyday names, and weights
// typed in full width.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "nutrition/everyday_names.h"
#include "nutrition/food_entry.h"
#include "nutrition/food_search.h"
#include "table_test_support.h"
#include "tables/cp932.h"
#include "tables/table_lines.h"

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

// A names file with every kind of line; lines 7 to 9 are not mappings.
const char* const kNamesFile =
    "# 食品の呼び名\n"
    "鶏 とり肉 = にわとり\r\n"
    "牛 = うし\n"
    "牛乳 = 普通牛乳\n"
    "　ごはん＝めし\r"
    "  ＃ a comment too\n"
    "no mapping\n"
    "a = b = c\n"
    " = めし\n";

TEST(EverydayNames, ReadsMappingsAndSkipsWhatIsNotOne) {
  for (const std::string& bytes :
       {std::string(kNamesFile), "\xEF\xBB\xBF" + std::string(kNamesFile), Cp932(kNamesFile)}) {
    const EverydayNames names = EverydayNames::Parse(bytes);
    EXPECT_EQ(names.skippedLines(), (std::vector<int>{7, 8, 9}));
    ASSERT_EQ(names.entries().size(), 4u);
    EXPECT_EQ(names.entries()[0].everyday, (std::vector<std::string>{"鶏", "とり肉"}));
    EXPECT_EQ(names.entries()[3].line, 5);
    EXPECT_EQ(names.entries()[3].official, (std::vector<std::string>{"めし"}));
    ASSERT_NE(names.Official(FoldForSearch("トリ肉")), nullptr);
    EXPECT_EQ(*names.Official("とり肉"), (std::vector<std::string>{"にわとり"}));
    EXPECT_EQ(names.Official("とり"), nullptr);
  }
}

class EverydaySearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* const foods[] = {
        "＜鳥肉類＞　にわとり　［若どり・主品目］　むね　皮つき　生",
        "＜鳥肉類＞　にわとり　［若どり・主品目］　もも　皮つき　生",
        "＜畜肉類＞　うし　［ひき肉］　生",
        "＜牛乳及び乳製品＞　（液状乳類）　普通牛乳",
        "＜牛乳及び乳製品＞　（発酵乳・乳酸菌飲料）　ヨーグルト　全脂無糖",
        "＜畜肉類＞　うし　［副生物］　乳房　生",
        "こめ　［水稲めし］　精白米　うるち米",
        "鶏卵　全卵　生"};
    for (int r = 1; r <= 8; ++r) table.SetRow(r, Cp932(std::string("1,") + foods[r - 1] + ",1"));
    index.Build(table, EverydayNames::Parse(kNamesFile));
  }
  FoodTable table;
  FoodNameIndex index;
};

TEST_F(EverydaySearchTest, EveryWordFoundDirectlyOrThroughItsOfficialWords) {
  using Rows = std::vector<int>;
  EXPECT_EQ(index.Find("鶏むね"), (Rows{1}));           // 鶏 as にわとり, and むね
  EXPECT_EQ(index.Find("むね　鶏"), (Rows{1}));          // words in any order
  EXPECT_EQ(index.Find("とり むね"), (Rows{1}));         // とり is in にわとり itself
  EXPECT_EQ(index.Find("鶏"), (Rows{1, 2, 8}));         // 鶏卵 holds the word itself
  EXPECT_EQ(index.Find("牛"), (Rows{3, 4, 5, 6}));
  EXPECT_EQ(index.Find("牛乳"), (Rows{4, 5}));          // the longer name: not 牛 + 乳房
  EXPECT_EQ(index.Find("ｺﾞﾊﾝ"), (Rows{7}));            // folded like the names
  EXPECT_EQ(index.Find("鶏 xyz"), (Rows{}));
  EXPECT_EQ(index.Find(" \t　"), (Rows{}));
}

class EverydayNamesFileTest : public testing::ScratchDirTest {};

TEST_F(EverydayNamesFileTest, TheDataFoldersFileOrElseTheBundledOne) {
  const std::size_t bundled = EverydayNames::Bundled().entries().size();
  EXPECT_EQ(LoadEverydayNames().entries().size(), bundled);  // no file
  std::filesystem::create_directory(Path(kEverydayNamesFileName));
  EXPECT_EQ(LoadEverydayNames().entries().size(), bundled);  // not a file
  std::filesystem::remove(Path(kEverydayNamesFileName));

  WriteBytes(kEverydayNamesFileName, "鶏 = にわとり\n");
  EXPECT_EQ(LoadEverydayNames().entries().size(), 1u);  // the user's table, whole

  // Read only the first megabyte, and never from inside a character: the
  // rest of the file must still read as UTF-8.
  std::string big = "鶏 = にわとり\n#";
  while (big.size() < (1u << 20) + 100) big += "あ";
  WriteBytes(kEverydayNamesFileName, big + "\n牛 = うし\n");
  const EverydayNames cut = LoadEverydayNames();
  ASSERT_EQ(cut.entries().size(), 1u);
  EXPECT_EQ(cut.entries()[0].everyday, (std::vector<std::string>{"鶏"}));
}

// Every mapping of the bundled table, over the bundled food table: each of its
// everyday words finds foods, and the foods a user means are among them.
TEST(BundledEverydayNames, FindTheFoodsPeopleMean) {
  FoodTable table;
  const std::vector<std::string> lines =
      ReadTableLines(std::string(EIYOU_SAMPLE_DATA) + "/食品成分表５訂.CSV");
  for (std::size_t r = 0; r < lines.size(); ++r) table.SetRow(static_cast<int>(r + 1), lines[r]);
  const EverydayNames& names = EverydayNames::Bundled();
  EXPECT_TRUE(names.skippedLines().empty());
  EXPECT_GE(names.entries().size(), 40u);
  FoodNameIndex index;
  index.Build(table, names);
  auto finds = [&](const std::string& typed, const std::string& number) {
    const std::vector<int> rows = index.Find(typed);
    return std::any_of(rows.begin(), rows.end(), [&](int r) {
      const std::string_view stored = table.Cell(1, r);  // " 1088" for groups 1 to 9
      return stored.substr(stored.find_first_not_of(' ')) == number;
    });
  };

  // The first word of each mapping, then words made of everyday names.
  const std::map<std::string, std::string> meant = {
      {"ごはん", "1088"}, {"白米", "1083"}, {"お米", "1083"}, {"餅", "1117"},
      {"パスタ", "1063"}, {"ラーメン", "1047"}, {"片栗粉", "2034"}, {"春雨", "2040"},
      {"蕎麦", "1127"}, {"鶏", "11219"}, {"豚", "11123"}, {"牛", "11020"},
      {"むね肉", "11219"}, {"もも肉", "11221"}, {"ばら肉", "11129"}, {"手羽先", "11285"},
      {"手羽元", "11286"}, {"ささ身", "11227"}, {"挽肉", "11163"}, {"レバー", "11166"},
      {"砂肝", "11233"}, {"タン", "11090"}, {"唐揚げ", "11289"}, {"たまご", "12004"},
      {"牛乳", "13003"}, {"生クリーム", "13014"}, {"鮭", "10134"}, {"鯖", "10154"},
      {"鰯", "10047"}, {"鯵", "10003"}, {"秋刀魚", "10173"}, {"鮪", "10253"},
      {"鰤", "10241"}, {"鯛", "10192"}, {"鱈", "10205"}, {"海老", "10321"},
      {"烏賊", "10345"}, {"蛸", "10361"}, {"帆立", "10311"}, {"浅利", "10281"},
      {"牡蠣", "10292"}, {"ちくわ", "10381"}, {"とうふ", "4032"}, {"なっとう", "4046"},
      {"厚揚げ", "4039"}, {"大豆", "4023"}, {"小豆", "4001"}, {"枝豆", "6015"},
      {"大根", "6132"}, {"人参", "6212"}, {"玉ねぎ", "6153"}, {"長ねぎ", "6226"},
      {"葱", "6226"}, {"じゃが芋", "2017"}, {"さつま芋", "2045"}, {"里芋", "2010"},
      {"ほうれん草", "6267"}, {"小松菜", "6086"}, {"白菜", "6233"}, {"胡瓜", "6065"},
      {"茄子", "6191"}, {"南瓜", "6048"}, {"牛蒡", "6084"}, {"蓮根", "6317"},
      {"生姜", "6103"}, {"大蒜", "6223"}, {"玉蜀黍", "1131"}, {"蒟蒻", "2003"},
      {"椎茸", "8039"}, {"海苔", "9004"}, {"若布", "9040"}, {"昆布", "9015"},
      {"胡麻", "5018"}, {"林檎", "7148"}, {"蜜柑", "7027"}, {"苺", "7012"},
      {"みそ汁", "17045"}, {"醤油", "17007"}, {"さとう", "3003"}, {"しお", "17012"},
      {"お酢", "17015"}, {"味醂", "16025"}, {"サラダ油", "14006"}, {"日本酒", "16001"},
      {"鶏むね", "11219"}, {"とり むね", "11219"}, {"鶏もも肉", "11221"},
      {"豚ばら", "11129"}, {"牛ひき肉", "11089"}, {"ゆで卵", "12005"}, {"ご飯", "1088"}};
  for (const EverydayNames::Entry& entry : names.entries()) {
    EXPECT_TRUE(meant.count(entry.everyday[0])) << "line " << entry.line << " has no food it must find";
    for (const std::string& word : entry.everyday)
      EXPECT_FALSE(index.Find(word).empty()) << word;
  }
  for (const auto& [typed, number] : meant) EXPECT_TRUE(finds(typed, number)) << typed << " → " << number;
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
