// The workbook and the text readers over the fixtures, and each failure message.
#include <gtest/gtest.h>

#include <algorithm>

#include "import/food_import.h"
#include "import_test_support.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"

namespace eiyou {
namespace {

using fixtures::OfficialLayoutWorkbook;
using fixtures::WorkbookOptions;
using testing::Fixture;
using testing::FixtureRecords;

FoodImport Import(const std::string& bytes, const std::string& name) {
  return ImportFoodCompositionBytes(bytes, name);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

TEST(ImportSources, WorkbookAndTextsGiveTheSameTable) {
  const FoodImport tsv = ImportFoodComposition(std::string(EIYOU_IMPORT_FIXTURES) + "/foods.tsv");
  const FoodImport xlsx = ImportFoodComposition(std::string(EIYOU_IMPORT_FIXTURES) + "/foods.xlsx");
  const FoodImport csv = Import(Fixture("foods-cp932.csv"), "foods.csv");
  ASSERT_TRUE(tsv.ok) << tsv.error;
  ASSERT_TRUE(xlsx.ok) << xlsx.error;
  ASSERT_TRUE(csv.ok) << csv.error;
  EXPECT_EQ(tsv.format, "tsv");
  EXPECT_EQ(xlsx.format, "xlsx");
  EXPECT_EQ(csv.format, "csv");
  ASSERT_EQ(tsv.foods.size(), FixtureRecords().size() - 1);
  EXPECT_EQ(FoodTableBytes(xlsx.foods), FoodTableBytes(tsv.foods));
  EXPECT_EQ(FoodTableBytes(csv.foods), FoodTableBytes(tsv.foods));
  EXPECT_EQ(FoodMarksBytes(xlsx.foods), FoodMarksBytes(tsv.foods));
  // Every component too, "PROT-" and "VITK " found as PROT and VITK, and
  // numbers of cells and of texts in the same shortest form.
  EXPECT_EQ(xlsx.componentIdentifiers.size(), 54u);
  EXPECT_EQ(xlsx.componentIdentifiers, tsv.componentIdentifiers);
  EXPECT_EQ(csv.componentIdentifiers, tsv.componentIdentifiers);
  const auto components = [](const FoodImport& r) {
    return FoodComponentsBytes(r.foods, r.componentIdentifiers, "", 1);
  };
  EXPECT_EQ(components(xlsx), components(tsv));
  EXPECT_EQ(components(csv), components(tsv));
  EXPECT_TRUE(xlsx.problems.empty());
  EXPECT_EQ(xlsx.identifiersMissing.size(), 0u);
  EXPECT_EQ(xlsx.foodsPerGroup, tsv.foodsPerGroup);
  EXPECT_GE(xlsx.foodsPerGroup[18], 2);

  // The first food, from a text cell "01001"; the second from the number 1002
  // and a rich-text name whose furigana must not show.
  const ImportedFood& first = xlsx.foods[0];
  EXPECT_EQ(first.number, "01001");
  EXPECT_EQ(Cp932ToUtf8(FoodTableBytes({first})),
            " 1001,アマランサス　玄穀,343,13.5,12.7,6.0,57.5,7.4,2.9,160,540,9.4,1,600,(0),2,Tr,"
            "0.04,0.14,1.0,(0),0,0\r\n");
  std::string marks;
  for (CellMark m : first.marks) marks += static_cast<char>(m);
  EXPECT_EQ(marks, "..............Z.T...Z..");
  EXPECT_EQ(xlsx.foods[1].number, "01002");
  EXPECT_EQ(Cp932ToUtf8(xlsx.foods[1].cells[1]), "あわ　精白粒");

  // 糖質 is carbohydrate less fibre: raw salmon 0.1 - (0); fried tofu 0.4 - 1.3 is none.
  for (const auto& [number, sugars] : {std::pair{"10134", "0.1"}, std::pair{"04040", "0.0"}}) {
    const auto food = std::find_if(xlsx.foods.begin(), xlsx.foods.end(),
                                   [&](const ImportedFood& f) { return f.number == number; });
    ASSERT_NE(food, xlsx.foods.end()) << number;
    EXPECT_EQ(food->cells[6], sugars) << number;
  }
  // The workbook's title row names its edition; the text export has none.
  EXPECT_EQ(Cp932ToUtf8(xlsx.edition), "食品成分表（八訂）増補2023年");
  EXPECT_EQ(tsv.edition, "");
}

// The whole official table in the official layout gives the bundled table
// and its marks byte for byte.
TEST(ImportSources, TheOfficialLayoutGivesTheBundledTable) {
  const FoodImport r = ImportFoodCompositionBytes(testing::Fixture("all-foods.xlsx"), "all-foods.xlsx");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.foods.size(), 2538u);
  EXPECT_EQ(r.foodsPerGroup[10], 471);
  EXPECT_TRUE(r.problems.empty());
  const std::string data = EIYOU_SAMPLE_DATA;
  EXPECT_TRUE(FoodTableBytes(r.foods) == ReadWholeFile(data + "/" + kFoodFileName));
  EXPECT_TRUE(FoodMarksBytes(r.foods) == ReadWholeFile(data + "/" + kFoodMarksFileName));
  EXPECT_EQ(FoodEditionBytes(r.edition, FoodTableBytes(r.foods).size()),
            ReadWholeFile(data + "/" + kFoodEditionFileName));
  EXPECT_TRUE(FoodComponentsBytes(r.foods, r.componentIdentifiers, r.edition,
                                  FoodTableBytes(r.foods).size()) ==
              ReadWholeFile(data + "/" + kFoodComponentsFileName));
}

TEST(ImportSources, TextEncodingsLineEndsAndQuotes) {
  const std::string tsv = Fixture("foods.tsv");
  const std::string expected = FoodTableBytes(Import(tsv, "a.tsv").foods);
  ASSERT_FALSE(expected.empty());
  // UTF-8 with a byte order mark, CR LF (also inside the multi-line notes),
  // caption lines above the identifiers.
  const std::string variant = "\xEF\xBB\xBF" "日本食品標準成分表\r\n\r\n" + Replace(tsv, "\n", "\r\n");
  EXPECT_EQ(FoodTableBytes(Import(variant, "a.txt").foods), expected);

  // A quoted name holding the separators, a quote and a line break.
  const std::string header =
      "FN\tTagnames\tENERC_KCAL\tWATER\tPROT-\tFAT-\tCHOCDF\tFIB-\tASH\tCA\tP\tFE\tNA\tK\tRETOL\t"
      "CARTBEQ\tVITA_RAE\tTHIA\tRIBF\tNIA\tVITC\tNACL_EQ\tREFUSE\n";
  const std::string values = "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t(12)\t16\t17\t18\t19\t20\t21\n";
  const FoodImport quoted = Import(header + "10001\t\"鮭,「=」\"\"切\r\n身\"\"\"" + values, "q.tsv");
  ASSERT_TRUE(quoted.ok) << quoted.error;
  ASSERT_EQ(quoted.foods.size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(quoted.foods[0].cells[1]), "鮭，「＝」\"切  身\"");
  EXPECT_EQ(quoted.foods[0].cells[16], "40");
  EXPECT_EQ(quoted.foods[0].marks[16], CellMark::Estimated);
  EXPECT_EQ(quoted.format, "tsv");
}

TEST(ImportSources, Cp932TextIsDetected) {
  // Not valid UTF-8: read as CP932, including a name with "～" (8160) and "－" (817C).
  const std::string header =
      "FN,Tagnames,ENERC_KCAL,WATER,PROT,FAT,CHOCDF,FIB,ASH,CA,P,FE,NA,K,RETOL,CARTBEQ,VITA_RAE,"
      "THIA,RIBF,NIA,VITC,NACL_EQ,REFUSE\r\n";
  const std::string line = Cp932("01001,\"米～粉－\n精白\",1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\r\n");
  const FoodImport r = Import(header + line, "table.csv");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.format, "csv");
  ASSERT_EQ(r.foods.size(), 1u);
  EXPECT_EQ(r.foods[0].cells[1], Cp932("米～粉－ 精白"));
  EXPECT_EQ(r.foods[0].cells[0], " 1001");
}

TEST(ImportSources, NumberColumnFoundByItsCaption) {
  WorkbookOptions options;
  options.numberIdentifier = false;
  const FoodImport r = Import(OfficialLayoutWorkbook(FixtureRecords(), options), "x.xlsx");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(FoodTableBytes(r.foods), FoodTableBytes(Import(Fixture("foods.tsv"), "a.tsv").foods));
}

TEST(ImportSources, FailuresNameWhatIsWrong) {
  const fixtures::Records records = FixtureRecords();
  auto expectError = [](const FoodImport& r, const std::string& part) {
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
    EXPECT_TRUE(r.foods.empty());
  };
  expectError(Import("just some text", "table.xlsx"), "ZIP形式のファイルではありません");
  expectError(Import(fixtures::ZipBytes({{"readme.txt", "hello"}}), "x.xlsx"), "xl/workbook.xml がありません");

  WorkbookOptions otherSheet;
  otherSheet.sheetName = "Sheet1";
  expectError(Import(OfficialLayoutWorkbook(records, otherSheet), "x.xlsx"), "「表全体」シートがありません");

  WorkbookOptions noIdentifiers;
  noIdentifiers.identifierRow = false;
  expectError(Import(OfficialLayoutWorkbook(records, noIdentifiers), "x.xlsx"), "成分識別子の行");

  WorkbookOptions noRetinol;
  noRetinol.dropIdentifiers = {"VITA_RAE", "PROT"};
  const FoodImport missing = Import(OfficialLayoutWorkbook(records, noRetinol), "x.xlsx");
  expectError(missing, "VITA_RAE（レチノール活性当量）");
  EXPECT_NE(missing.error.find("PROT（たんぱく質）"), std::string::npos);
  EXPECT_EQ(missing.identifiersMissing, (std::vector<std::string>{"PROT", "VITA_RAE"}));

  expectError(Import(OfficialLayoutWorkbook({records[0]}), "x.xlsx"), "食品の行がありません");
  expectError(Import("a\tb\n1\t2\n", "x.tsv"), "見出し行");
  expectError(ImportFoodComposition("/nonexistent/table.xlsx"), "/nonexistent/table.xlsx");
}

TEST(ImportSources, ProgressRisesToOneAndCancelKeepsNothing) {
  const std::string workbook = Fixture("foods.xlsx");
  std::vector<double> seen;
  const FoodImport r = ImportFoodCompositionBytes(workbook, "x.xlsx", [&](double f) {
    seen.push_back(f);
    return true;
  });
  ASSERT_TRUE(r.ok);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 1.0);

  for (int stopAt : {1, 2}) {
    int calls = 0;
    const FoodImport cancelled =
        ImportFoodCompositionBytes(workbook, "x.xlsx", [&](double) { return ++calls < stopAt; });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_NE(cancelled.error.find("中止"), std::string::npos);
    EXPECT_TRUE(cancelled.foods.empty());
  }
}

}  // namespace
}  // namespace eiyou
