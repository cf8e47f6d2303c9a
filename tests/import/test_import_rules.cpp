// The cell rules, the vitamin A conversion and the food number and name columns.
#include <gtest/gtest.h>

#include "import/food_columns.h"
#include "tables/cp932.h"

namespace eiyou::import {
namespace {

TEST(ImportRules, CellNotations) {
  struct Case {
    const char* in;
    const char* out;
    CellMark mark;
  };
  const Case cases[] = {
      {"12.3", "12.3", CellMark::Plain},
      {"0.004", "0.004", CellMark::Plain},  // more decimals than the table uses: as it stands
      {"(12.3)", "12.3", CellMark::Estimated},
      {"Tr", "Tr", CellMark::Trace},
      {"(Tr)", "Tr", CellMark::Trace},
      {"(0)", "(0)", CellMark::PresumedZero},
      {"-", "-", CellMark::NotAnalysed},
      {"20.3†", "20.3", CellMark::Plain},
      {"(1.5)†", "1.5", CellMark::Estimated},
      {" 7 \t", "7", CellMark::Plain},
      {"\u3000(5)\u3000", "5", CellMark::Estimated},
      {"abc", "-", CellMark::Problem},
      {"1 2", "-", CellMark::Problem},
      {"1.2.3", "-", CellMark::Problem},
      {"-5", "-", CellMark::Problem},
      {"()", "-", CellMark::Problem},
      {"(12", "-", CellMark::Problem},
      {"１２", "-", CellMark::Problem},
  };
  for (const Case& c : cases) {
    const CellValue v = ApplyCellRules(c.in);
    EXPECT_EQ(v.text, c.out) << c.in;
    EXPECT_EQ(v.mark, c.mark) << c.in;
    EXPECT_FALSE(v.empty) << c.in;
  }
  // The companion file keeps what the table folds together.
  std::string kept;
  for (const auto& [in, out] : {std::pair{"0.10", "0.1"}, {"(5.0)", "(5)"}, {"007", "7"},
                                {"(Tr)", "(Tr)"}, {"Tr", "Tr"}, {"(0)", "(0)"}, {" 20.3† ", "20.3"},
                                {"", ""}, {"*", ""}}) {
    EXPECT_TRUE(ComponentCell(in, kept)) << in;
    EXPECT_EQ(kept, out) << in;
  }
  EXPECT_FALSE(ComponentCell("(12", kept));
  EXPECT_EQ(kept, "");

  const CellValue empty = ApplyCellRules(" \u3000 ");
  EXPECT_EQ(empty.text, "-");
  EXPECT_EQ(empty.mark, CellMark::NotAnalysed);
  EXPECT_TRUE(empty.empty);
}

TEST(ImportRules, VitaminAUnitsRoundHalfAwayOnTheExactDecimal) {
  struct Case {
    const char* rae;
    const char* iu;
    CellMark mark;
  };
  const Case cases[] = {
      {"12", "40", CellMark::Plain},
      {"(12)", "40", CellMark::Estimated},
      {"1", "3", CellMark::Plain},       // 3.33
      {"2", "7", CellMark::Plain},       // 6.67
      {"0.15", "1", CellMark::Plain},    // exactly 0.5; in doubles 0.4999...
      {"1.05", "4", CellMark::Plain},    // exactly 3.5
      {"0.14", "0", CellMark::Plain},
      {"0", "0", CellMark::Plain},
      {"13000", "43333", CellMark::Plain},
      {"Tr", "Tr", CellMark::Trace},
      {"(Tr)", "Tr", CellMark::Trace},
      {"(0)", "(0)", CellMark::PresumedZero},
      {"-", "-", CellMark::NotAnalysed},
      {"1234567890123456789012345678901", "-", CellMark::Problem},  // beyond exact arithmetic
  };
  for (const Case& c : cases) {
    const CellValue v = VitaminAUnits(ApplyCellRules(c.rae));
    EXPECT_EQ(v.text, c.iu) << c.rae;
    EXPECT_EQ(v.mark, c.mark) << c.rae;
  }
}

TEST(ImportRules, SugarsAreCarbohydrateLessFibreInExactDecimals) {
  struct Case {
    const char* carbohydrate;
    const char* fibre;
    const char* sugars;
    CellMark mark;
  };
  const Case cases[] = {
      {"0.1", "(0)", "0.1", CellMark::Plain},
      {"64.9", "7.4", "57.5", CellMark::Plain},  // 57.50000000000001 in doubles
      {"0.3", "0.1", "0.2", CellMark::Plain},    // 0.19999999999999998 in doubles
      {"0.4", "1.3", "0.0", CellMark::Plain},    // more fibre than carbohydrate
      {"100", "0.3", "99.7", CellMark::Plain},
      {"0.05", "Tr", "0.1", CellMark::Plain},    // half away from zero
      {"0.049", "0", "0.0", CellMark::Plain},
      {"(13.4)", "(0.5)", "12.9", CellMark::Estimated},
      {"12.3", "-", "12.3", CellMark::Estimated},  // fibre not analysed: assumed none
      {"Tr", "1.0", "Tr", CellMark::Trace},
      {"(0)", "1.0", "(0)", CellMark::PresumedZero},
      {"-", "1.0", "-", CellMark::NotAnalysed},
      {"12.3", "1,2", "-", CellMark::Problem},
      {"1234567890123456789", "1", "-", CellMark::Problem},  // beyond exact arithmetic
  };
  for (const Case& c : cases) {
    const CellValue v = CarbohydrateLessFibre(ApplyCellRules(c.carbohydrate), ApplyCellRules(c.fibre));
    EXPECT_EQ(v.text, c.sugars) << c.carbohydrate << " - " << c.fibre;
    EXPECT_EQ(v.mark, c.mark) << c.carbohydrate << " - " << c.fibre;
  }
}

TEST(ImportRules, EditionFromATitle) {
  EXPECT_EQ(EditionFromTitle("日本食品標準成分表（八訂）増補2023年"), "食品成分表（八訂）増補2023年");
  EXPECT_EQ(EditionFromTitle("日本食品標準成分表2020年版（八訂）"), "食品成分表2020年版（八訂）");
  EXPECT_EQ(EditionFromTitle("第2章　日本食品標準成分表 (八訂) 増補２０２３年　本表"),
            "食品成分表（八訂）増補２０２３年");
  EXPECT_EQ(EditionFromTitle("日本食品標準成分表"), "");
  EXPECT_EQ(EditionFromTitle("日本食品標準成分表（本表）"), "");
  EXPECT_EQ(EditionFromTitle("食品番号"), "");
}

TEST(ImportRules, IdentifiersNumbersAndDecimals) {
  EXPECT_EQ(NormalizeIdentifier("PROT-"), "PROT");
  EXPECT_EQ(NormalizeIdentifier("VITK "), "VITK");
  EXPECT_EQ(NormalizeIdentifier("\u3000CHOCDF-\u3000"), "CHOCDF");
  EXPECT_EQ(NormalizeIdentifier("CHOAVLM_"), "CHOAVLM_");  // a different column from CHOAVLM

  EXPECT_EQ(FoodNumber("01001"), "01001");
  EXPECT_EQ(FoodNumber("1001"), "01001");
  EXPECT_EQ(FoodNumber(" 18015 "), "18015");
  EXPECT_EQ(FoodNumber("100001"), "");
  EXPECT_EQ(FoodNumber("01001a"), "");
  EXPECT_EQ(FoodNumber(""), "");

  EXPECT_EQ(ShortestDecimal(0.1), "0.1");
  EXPECT_EQ(ShortestDecimal(12), "12");
  EXPECT_EQ(ShortestDecimal(1001), "1001");
  EXPECT_EQ(ShortestDecimal(0.00001), "0.00001");  // never an exponent
  EXPECT_EQ(ShortestDecimal(-0.0), "0");
  EXPECT_EQ(ShortestDecimal(0.1 + 0.2), "0.30000000000000004");

  EXPECT_EQ(Excerpt("あいう", 4), "あ…");  // never half a character
  EXPECT_EQ(Excerpt("あいう", 9), "あいう");
}

SourceRow Row(const char* number, const char* name) {
  SourceRow row;
  row.line = 13;
  row.cells.fill("1");
  row.cells[0] = number;
  row.cells[1] = name;
  return row;
}

TEST(ImportRules, FoodNumbersNamesAndReportedCells) {
  FoodImport r;
  const ImportLimits limits;
  AddFood(Row("01001", "あわ　精白粒"), limits, r);
  AddFood(Row("10001", "a,b=c"), limits, r);
  AddFood(Row("19001", "範囲外"), limits, r);  // no group 19: reported, not taken
  SourceRow odd = Row("1002", "\u20AC\u3000ユーロ");  // "€" has no CP932 code
  odd.cells[4] = "12.3g";
  odd.cells[5] = "";
  AddFood(odd, limits, r);

  ASSERT_EQ(r.foods.size(), 3u);
  EXPECT_EQ(r.foods[0].cells[0], " 1001");
  EXPECT_EQ(r.foods[0].cells[1], Cp932("あわ　精白粒"));
  EXPECT_EQ(r.foods[0].cells[16], "3");  // VITA_RAE 1 µg
  EXPECT_EQ(r.foods[1].cells[0], "10001");
  EXPECT_EQ(r.foods[1].cells[1], Cp932("a，b＝c"));
  EXPECT_EQ(r.foods[2].number, "01002");
  EXPECT_EQ(r.foods[2].cells[1], Cp932("？　ユーロ"));
  EXPECT_EQ(r.foods[2].cells[4], "-");
  EXPECT_EQ(r.foods[2].marks[4], CellMark::Problem);
  EXPECT_EQ(r.foods[2].cells[5], "-");
  EXPECT_EQ(r.foods[2].marks[5], CellMark::NotAnalysed);
  EXPECT_EQ(r.emptyValueCells, 1);
  EXPECT_EQ(r.foodsPerGroup[1], 2);
  EXPECT_EQ(r.foodsPerGroup[10], 1);

  ASSERT_EQ(r.problems.size(), 3u);
  EXPECT_NE(r.problems[0].find("19001"), std::string::npos);
  EXPECT_NE(r.problems[1].find("01002"), std::string::npos);  // the name
  EXPECT_NE(r.problems[2].find("01002"), std::string::npos);
  EXPECT_NE(r.problems[2].find("PROT"), std::string::npos);
  EXPECT_NE(r.problems[2].find("12.3g"), std::string::npos);
}

TEST(ImportRules, ProblemListIsCapped) {
  FoodImport r;
  ImportLimits limits;
  limits.problemsListed = 2;
  SourceRow row = Row("01001", "x");
  for (int slot = 2; slot < kSlots; ++slot) row.cells[slot] = "?";
  AddFood(row, limits, r);
  EXPECT_EQ(r.problems.size(), 2u);
  EXPECT_EQ(r.problemsNotListed, kSlots - 2 - 2);
}

}  // namespace
}  // namespace eiyou::import
