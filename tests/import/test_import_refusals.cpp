// Tables that cannot go in as they are: each is refused with the place named
// (line or row, column, food number), or its doubtful cells are reported.
#include <gtest/gtest.h>

#include "import/food_import.h"
#include "tables/food_table.h"

namespace eiyou {
namespace {

const std::string kHeader =
    "FN\tTagnames\tENERC_KCAL\tWATER\tPROT\tFAT\tCHOCDF\tFIB\tASH\tCA\tP\tFE\tNA\tK\tRETOL\t"
    "CARTBEQ\tVITA_RAE\tTHIA\tRIBF\tNIA\tVITC\tNACL_EQ\tREFUSE\n";

// A food line of the text export: number, name, then 1..21 as its values.
std::string Food(const std::string& number, const std::string& name = "x") {
  std::string line = number + "\t" + name;
  for (int v = 1; v <= 21; ++v) line += "\t" + std::to_string(v);
  return line + "\n";
}

void ExpectRefused(const FoodImport& r, std::initializer_list<const char*> parts) {
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.foods.empty());
  for (const char* part : parts) EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
}

TEST(ImportRefusals, DuplicateNumbersAndMoreFoodsThanTheTableHolds) {
  // "1001" and "01001" are the same food number.
  ExpectRefused(ImportFoodCompositionBytes(kHeader + Food("01001") + Food("01002") + Food("1001"),
                                           "t.tsv"),
                {"01001", "2行目", "4行目"});

  // More lines than the program reads: never taken, whatever else is wrong.
  std::string big = kHeader;
  for (int i = 0; i <= FoodTable::kMaxRows; ++i) big += Food(std::to_string(1000 + i % 18000));
  EXPECT_FALSE(ImportFoodCompositionBytes(big, "t.tsv").ok);

  ImportLimits three;
  three.foods = 3;
  ExpectRefused(ImportFoodCompositionBytes(kHeader + Food("01001") + Food("01002") + "\n" +
                                               Food("01003") + Food("01004"),
                                           "t.tsv", {}, three),
                {"6行目", "01004", "3 食品"});
}

TEST(ImportRefusals, AQuoteNeverClosedNamesTheLineItOpened) {
  // Tab-separated: the quote opens on line 3 and swallows the foods after it.
  ExpectRefused(ImportFoodCompositionBytes(
                    kHeader + Food("01001") + Food("01002", "\"quoted") + Food("01003"), "t.tsv"),
                {"3行目", "引用符"});
  // Comma-separated, and a quote among the captions before the identifiers.
  std::string csv = kHeader + Food("01001") + Food("01002", "\"x");
  for (char& c : csv)
    if (c == '\t') c = ',';
  ExpectRefused(ImportFoodCompositionBytes(csv, "t.csv"), {"3行目", "引用符"});
  ExpectRefused(ImportFoodCompositionBytes("caption\n\"notes\n" + kHeader + Food("01001"), "t.tsv"),
                {"2行目", "引用符"});
}

TEST(ImportRefusals, HeadingsAndCellsAreCapped) {
  const std::string longCaption(2 << 20, 'a');
  ExpectRefused(ImportFoodCompositionBytes("x\t" + longCaption + "\n" + kHeader + Food("01001"), "t.tsv"),
                {"1行目", "見出し"});
  // A food's cell of megabytes.
  ExpectRefused(ImportFoodCompositionBytes(kHeader + Food("01001", std::string(1 << 20, 'n')), "t.tsv"),
                {"2行目", "2列目"});
}

TEST(ImportRefusals, NumbersTheProgramWouldMisreadAreReported) {
  std::string line = Food("01001");
  line.replace(line.find("\t3\t"), 3, "\t1" + std::string(300, '0') + "\t");  // PROT
  line.replace(line.find("\t1\t"), 3, "\t12.5\t");        // ENERC_KCAL, a whole-number column
  line.replace(line.find("\t8\t"), 3, "\t2147483648\t");  // CA: beyond 32 bits
  const FoodImport r = ImportFoodCompositionBytes(kHeader + line, "t.tsv");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.problems.size(), 3u);
  EXPECT_NE(r.problems[0].find("ENERC_KCAL"), std::string::npos) << r.problems[0];
  EXPECT_NE(r.problems[1].find("PROT"), std::string::npos) << r.problems[1];
  EXPECT_NE(r.problems[2].find("01001: CA"), std::string::npos) << r.problems[2];
  EXPECT_EQ(r.foods[0].cells[2], "12.5");  // kept: read as 12, and said so
  EXPECT_EQ(r.foods[0].cells[4] + r.foods[0].cells[9], "--");
  EXPECT_EQ(r.foods[0].marks[4], CellMark::Problem);
}

}  // namespace
}  // namespace eiyou
