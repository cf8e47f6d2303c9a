// The facility's price and headcount files: what a spreadsheet writes is
// read, and a file with any fault is refused with every faulty line named.
#include <gtest/gtest.h>

#include "nutrition/facility_csv.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

constexpr const char* kHeader = "食品番号,単価(円),購入単位の重量(g),単位名,設定日,納入業者\r\n";

TEST(FacilityCsvTest, PricesAreReadAndWrittenBack) {
  const std::string file = std::string("\xEF\xBB\xBF") + kHeader +
                           "01026,298,500,袋,2024-04-01,\"山田製粉, 本店\"\r\n"
                           "11130,1980.5,,,2024/4/1,\r\n"
                           ",,,,,\r\n"
                           "12004,,,,,\"鶏卵\n センター\"\r\n";
  const PriceCsv read = ReadPriceCsv(file);
  ASSERT_TRUE(read.problems.empty()) << read.problems.front();
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0].food, 1026);
  EXPECT_EQ(read.rows[0].priceSen, 29800);
  EXPECT_EQ(read.rows[0].unitGrams, 500);
  EXPECT_EQ(read.rows[0].unitName, "袋");
  EXPECT_EQ(read.rows[0].supplier, "山田製粉, 本店");
  EXPECT_EQ(read.rows[1].priceSen, 198050);
  EXPECT_EQ(read.rows[1].unitGrams, 1000);
  EXPECT_EQ(read.rows[1].setOn, "2024-04-01");
  EXPECT_FALSE(read.rows[2].priced);
  EXPECT_EQ(read.rows[2].supplier, "鶏卵\n センター");

  const std::string written = PriceCsvText(read.rows);
  EXPECT_NE(written.find("\r\n11130,1980.50,1000,,2024-04-01,\r\n"), std::string::npos) << written;
  const PriceCsv again = ReadPriceCsv(written);
  ASSERT_EQ(again.rows.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(again.rows[i].priceSen, read.rows[i].priceSen);
    EXPECT_EQ(again.rows[i].supplier, read.rows[i].supplier);
  }

  // The same file as CP932, as an older spreadsheet saves it.
  const PriceCsv cp932 = ReadPriceCsv(Cp932(std::string(kHeader) + "6153,120,1000,kg,2024-05-01,八百屋\r\n"));
  ASSERT_TRUE(cp932.problems.empty()) << cp932.problems.front();
  EXPECT_EQ(cp932.rows.at(0).supplier, "八百屋");
}

TEST(FacilityCsvTest, HeadcountsAreReadByGroupName) {
  EaterGroup low, high;
  low.id = 3;
  low.name = "低学年";
  high.id = 7;
  high.name = "高学年";
  const HeadcountCsv read =
      ReadHeadcountCsv(Cp932("日付,高学年,低学年\n2024-06-03,35,0\n2024/6/4,,118\n"), {low, high});
  ASSERT_TRUE(read.problems.empty()) << read.problems.front();
  ASSERT_EQ(read.changes.size(), 3u);
  EXPECT_EQ(read.changes[0].group, 7);
  EXPECT_EQ(read.changes[0].headcount, 35);
  EXPECT_EQ(read.changes[1].headcount, 0);  // not served that day
  EXPECT_EQ(read.changes[2].date, "2024-06-04");
  EXPECT_EQ(read.changes[2].group, 3);
}

// Each fault is told at its line and column; every faulty line is listed,
// and nothing is read from a refused file.
TEST(FacilityCsvTest, EveryFaultIsToldAtItsLine) {
  EaterGroup low;
  low.id = 1;
  low.name = "低学年";
  struct Case {
    bool prices;
    std::string body;  // after the header
    std::vector<std::string> told;
  };
  const std::string good = "1026,298,500,袋,2024-04-01,\n";
  const Case cases[] = {
      {true, "1026,1,2,3,2024-04-01,,x\n", {"2行目 7列目"}},
      {true, good + "abc,1,,,2024-04-01,\n", {"3行目 1列目（食品番号）", "abc"}},
      {true, "0,1,,,2024-04-01,\n100000,1,,,2024-04-01,\n", {"2行目 1列目", "3行目 1列目"}},
      {true, good + good, {"3行目", "2行目にもあります"}},
      {true, "1026,\"1,234\",,,2024-04-01,\n", {"2行目 2列目（単価(円)）", "1,234"}},
      {true, "1026,1.234,,,2024-04-01,\n", {"1.234"}},
      {true, "1026,-5,,,2024-04-01,\n", {"-5"}},
      {true, "1026,１２０,,,2024-04-01,\n", {"１２０"}},
      {true, "1026,1e3,,,2024-04-01,\n", {"1e3"}},
      {true, "1026,1,0,,2024-04-01,\n", {"2行目 3列目"}},
      {true, "1026,1,,,,\n", {"設定日を入れて"}},
      {true, "1026,1,,,2023-02-29,\n", {"2023-02-29"}},
      {true, "1026,\"1,,,2024-04-01,\n", {"2行目", "閉じていません"}},
      {false, "2024-06-31,1\n2024-06-03,100001\n2024-06-04,-1\n2024-06-05,1.5\n",
       {"2行目 1列目（日付）", "3行目 2列目（低学年）", "4行目", "5行目"}},
      {false, "2024-06-03,1\n2024-06-03,2\n", {"3行目", "2行目にもあります"}},
      {false, "2024-06-03,1,2\n", {"2行目 3列目", "見出しのない列"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    std::vector<std::string> problems;
    if (c.prices) {
      const PriceCsv read = ReadPriceCsv(kHeader + c.body);
      EXPECT_TRUE(read.rows.empty());
      problems = read.problems;
    } else {
      const HeadcountCsv read = ReadHeadcountCsv("日付,低学年\n" + c.body, {low});
      EXPECT_TRUE(read.changes.empty());
      problems = read.problems;
    }
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    for (const std::string& said : c.told) EXPECT_NE(all.find(said), std::string::npos) << said << "\n" << all;
  }
  // Headers: an unknown group and a price file's wrong caption, named by column.
  const HeadcountCsv unknown = ReadHeadcountCsv("日付,低学年,幼児\n2024-06-03,1,2\n", {low});
  ASSERT_EQ(unknown.problems.size(), 1u);
  EXPECT_NE(unknown.problems[0].find("1行目 3列目（幼児）"), std::string::npos) << unknown.problems[0];
  const PriceCsv header = ReadPriceCsv("食品番号,単価,購入単位の重量(g),単位名,設定日,納入業者\n");
  ASSERT_EQ(header.problems.size(), 1u);
  EXPECT_NE(header.problems[0].find("1行目 2列目"), std::string::npos) << header.problems[0];
  EXPECT_FALSE(ReadPriceCsv("").problems.empty());
}

}  // namespace
