// Hostile workbooks: zip bombs, document type declarations and entities, and
// the caps on rows; each is refused with a message and no foods.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "import/food_import.h"
#include "import_test_support.h"

namespace eiyou {
namespace {

using fixtures::OfficialLayoutParts;
using fixtures::ZipBytes;
using testing::FixtureRecords;

constexpr const char* kSheet = "xl/worksheets/sheet2.xml";

std::string Sheet(const std::string& body) {
  return "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
         "spreadsheetml/2006/main\">" + body + "</worksheet>";
}

// The fixture workbook with one part replaced.
std::string WorkbookWith(const std::string& part, const std::string& bytes) {
  fixtures::WorkbookOptions options;
  options.extraParts = {{part, bytes}};
  return ZipBytes(OfficialLayoutParts(FixtureRecords(), options));
}

// Sets the uncompressed size that the archive declares for `name`, in its
// local header and in the central directory.
void DeclareSize(std::string& zip, const std::string& name, std::uint32_t size) {
  for (std::size_t at = 0; (at = zip.find("PK", at)) != std::string::npos; ++at) {
    std::size_t sizeAt, nameAt, nameLength;
    if (zip.compare(at, 4, "PK\x03\x04") == 0) {
      sizeAt = at + 22, nameAt = at + 30, nameLength = std::uint8_t(zip[at + 26]);
    } else if (zip.compare(at, 4, "PK\x01\x02") == 0) {
      sizeAt = at + 24, nameAt = at + 46, nameLength = std::uint8_t(zip[at + 28]);
    } else {
      continue;
    }
    if (zip.compare(nameAt, nameLength, name) == 0 && nameLength == name.size())
      std::memcpy(&zip[sizeAt], &size, 4);  // little-endian, as the format
  }
}

void ExpectRefused(const FoodImport& r, const std::string& part) {
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
  EXPECT_TRUE(r.foods.empty());
}

TEST(ImportHostile, ZipBombsAreRefusedWhateverTheyDeclare) {
  // 32 MiB of blanks inside a sheet compress to a few tens of kilobytes.
  const std::string bomb = WorkbookWith(kSheet, Sheet(std::string(32 << 20, ' ')));
  ExpectRefused(ImportFoodCompositionBytes(bomb, "x.xlsx"), "圧縮率");

  ImportLimits small;
  small.sheetBytes = 1 << 20;
  ExpectRefused(ImportFoodCompositionBytes(bomb, "x.xlsx", {}, small), "大きすぎます");

  // The same bytes declared as 4 KB: the reading stops at the caps on what
  // actually comes out, long before the end.
  std::string lying = bomb;
  DeclareSize(lying, kSheet, 4096);
  const FoodImport r = ImportFoodCompositionBytes(lying, "x.xlsx");
  ExpectRefused(r, "sheet2.xml");
  small.ratio = 1e9;
  ExpectRefused(ImportFoodCompositionBytes(lying, "x.xlsx", {}, small), "sheet2.xml");
}

TEST(ImportHostile, NoDocumentTypeDeclarationIsProcessed) {
  testing::ScratchFolder folder;
  const std::string secretPath = folder / "secret.txt";
  ASSERT_TRUE(ReplaceFileContents(secretPath, "SECRET-MARKER"));
  const std::string external = "<!DOCTYPE x [<!ENTITY e SYSTEM \"file://" + secretPath + "\">]>";
  const std::string laughs =
      "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
  const std::string cell = "<c r=\"D13\" t=\"inlineStr\"><is><t>&e;</t></is></c>";
  const std::string sheetRows =
      "<sheetData><row r=\"12\"><c r=\"B12\" t=\"inlineStr\"><is><t>FN</t></is></c></row>"
      "<row r=\"13\"><c r=\"B13\"><v>1001</v></c>" + cell + "</row></sheetData>";
  const std::pair<std::string, std::string> cases[] = {
      {kSheet, "<?xml version=\"1.0\"?>" + external + "<worksheet>" + sheetRows + "</worksheet>"},
      {kSheet, "<?xml version=\"1.0\"?>" + laughs + "<worksheet><sheetData><row><c t=\"inlineStr\">"
                                                    "<is><t>&c;</t></is></c></row></sheetData></worksheet>"},
      {"xl/sharedStrings.xml", "<?xml version=\"1.0\"?>" + external + "<sst><si><t>&e;</t></si></sst>"},
      {"xl/workbook.xml", "<?xml version=\"1.0\"?>" + external +
                              "<workbook><sheets><sheet name=\"&e;\"/></sheets></workbook>"},
  };
  for (const auto& [part, xml] : cases) {
    const FoodImport r = ImportFoodCompositionBytes(WorkbookWith(part, xml), "x.xlsx");
    ExpectRefused(r, "文書型宣言（DTD）");
    EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find("SECRET-MARKER"), std::string::npos);
  }
  // An entity without any declaration is an error, never a lookup.
  const FoodImport undeclared = ImportFoodCompositionBytes(
      WorkbookWith(kSheet, Sheet("<sheetData><row><c t=\"inlineStr\"><is><t>&e;</t></is></c></row></sheetData>")),
      "x.xlsx");
  ExpectRefused(undeclared, "壊れています");
}

TEST(ImportHostile, BrokenPartsAndCaps) {
  ExpectRefused(ImportFoodCompositionBytes(WorkbookWith(kSheet, "<worksheet><sheetData><row>"), "x.xlsx"),
                "壊れています");
  ExpectRefused(ImportFoodCompositionBytes(
                    WorkbookWith(kSheet, Sheet("<sheetData><row><c r=\"A1\" t=\"s\"><v>999999</v></c>"
                                               "</row></sheetData>")),
                    "x.xlsx"),
                "共有文字列");
  ExpectRefused(ImportFoodCompositionBytes(
                    WorkbookWith(kSheet, Sheet("<sheetData><row><c r=\"ZZZZ1\"><v>1</v></c></row></sheetData>")),
                    "x.xlsx"),
                "ZZZZ1");

  ImportLimits fewRows;
  fewRows.rows = 20;
  const std::string workbook = testing::Fixture("foods.xlsx");
  ExpectRefused(ImportFoodCompositionBytes(workbook, "x.xlsx", {}, fewRows), "行が多すぎます");
  ExpectRefused(ImportFoodCompositionBytes(testing::Fixture("foods.tsv"), "x.tsv", {}, fewRows),
                "行が多すぎます");
  ImportLimits fewColumns;
  fewColumns.columns = 10;
  ExpectRefused(ImportFoodCompositionBytes(testing::Fixture("foods.tsv"), "x.tsv", {}, fewColumns),
                "列が多すぎます");
  ImportLimits tinyFile;
  tinyFile.fileBytes = 100;
  ExpectRefused(ImportFoodCompositionBytes(workbook, "x.xlsx", {}, tinyFile), "大きすぎます");
}

}  // namespace
}  // namespace eiyou
