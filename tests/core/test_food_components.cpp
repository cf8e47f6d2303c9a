// Every component beside the table: the notations, damaged lines, a file of
// another table, and the bundled figures.
#include <gtest/gtest.h>

#include <memory>

#include "table_test_support.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tables/food_components.h"
#include "tables/food_table.h"

namespace eiyou {
namespace {

constexpr std::uintmax_t kTableBytes = 123;

std::string Heading() { return FoodComponentsHeader(kTableBytes, "") + "FN\tZN\tVITD\tFOL\r\n"; }

TEST(FoodComponents, NotationsDamagedLinesAndLookups) {
  FoodComponents c = FoodComponents::Parse(Heading() +
                                               "01001\t5.8\t(0)\t130\r\n"          // line 3
                                               "10001\t(0.25)\tTr\t(Tr)\r\n"       // 4
                                               "01002\t1\t2\r\n"                   // 5: a cell short
                                               "1003\t1\t2\t3\r\n"                 // 6: no five digits
                                               "01004\t1.2.3\t-\t\r\n"             // 7: a bad cell
                                               "01001\t9\t9\t9\r\n"                // 8: number again
                                               "01005\t0.1234567890123456789\t\t-",  // 9: no line end
                                           kTableBytes);
  ASSERT_TRUE(c.available());
  EXPECT_EQ(c.foodCount(), 5);  // lines 3, 4, 7, 8, 9 have the form
  const auto lineOf = [&](int line) {
    for (const ComponentProblem& p : c.problems())
      if (p.line == line) return p.text;
    return std::string();
  };
  EXPECT_NE(lineOf(5).find("欄の数が 3 です（4 のはずです）"), std::string::npos);
  EXPECT_NE(lineOf(6).find("5桁の食品番号"), std::string::npos);
  EXPECT_NE(lineOf(8).find("01001 は 3行目にもあります"), std::string::npos);
  EXPECT_EQ(lineOf(7), "");  // cells are read when asked for, or by the checker
  c.CheckCells();
  EXPECT_EQ(lineOf(7), "食品番号 01004 の ZN の値「1.2.3」を読めません");

  const int first = c.FoodIndex("01001"), tenth = c.FoodIndex("10001");
  EXPECT_EQ(c.FoodIndex(" 1001"), first);  // the table's form of the number
  EXPECT_EQ(c.FoodNumber(first), "01001");
  const ComponentValue zinc = c.Value(first, "ZN");
  EXPECT_EQ(zinc.mark, ComponentMark::Plain);
  EXPECT_EQ(zinc.value, 5.8);
  EXPECT_EQ(c.Value(first, "VITD").mark, ComponentMark::PresumedZero);
  EXPECT_EQ(c.Value(first, "FOL").value, 130);
  EXPECT_EQ(c.Value(tenth, "ZN").mark, ComponentMark::Estimated);
  EXPECT_EQ(c.Value(tenth, "ZN").value, 0.25);
  EXPECT_EQ(c.Value(tenth, "VITD").mark, ComponentMark::Trace);
  EXPECT_EQ(c.Value(tenth, "FOL").mark, ComponentMark::EstimatedTrace);
  const int bad = c.FoodIndex("01004");
  EXPECT_EQ(c.Value(bad, "ZN").mark, ComponentMark::NotAvailable);
  EXPECT_EQ(c.Value(bad, "VITD").mark, ComponentMark::NotAnalysed);
  EXPECT_EQ(c.Value(bad, "FOL").mark, ComponentMark::None);
  // Past 15 digits from_chars reads it; the last line needs no line end.
  const int last = c.FoodIndex("01005");
  EXPECT_EQ(c.Value(last, "ZN").value, 0.1234567890123456789);
  EXPECT_EQ(c.Value(last, "FOL").mark, ComponentMark::NotAnalysed);
  for (const char* missing : {"01002", "01003", "99999", "abc"})
    EXPECT_EQ(c.Value(c.FoodIndex(missing), "ZN").mark, ComponentMark::NotAvailable) << missing;
  EXPECT_EQ(c.Value(first, "VITK").mark, ComponentMark::NotAvailable);
}

TEST(FoodComponents, AnotherTablesFileOrADamagedHeadingLeavesNothing) {
  const std::string line = "01001\t5.8\t(0)\t130\r\n";
  const FoodComponents stale = FoodComponents::Parse(Heading() + line, kTableBytes + 1);
  EXPECT_FALSE(stale.available());
  EXPECT_EQ(stale.Value(stale.FoodIndex("01001"), "ZN").mark, ComponentMark::NotAvailable);
  ASSERT_EQ(stale.problems().size(), 1u);
  EXPECT_EQ(stale.problems()[0].line, 1);
  EXPECT_NE(stale.problems()[0].text.find("123 バイトの食品成分表のもの"), std::string::npos);

  for (const std::string& bytes :
       {std::string(), "EIYOU-COMPONENTS\t2\t123\t\r\nFN\tZN\r\n" + line,
        FoodComponentsHeader(kTableBytes, "") + "FN\tZN\tZN\r\n" + line,
        FoodComponentsHeader(kTableBytes, "") + "NUM\tZN\r\n" + line}) {
    const FoodComponents c = FoodComponents::Parse(bytes, kTableBytes);
    EXPECT_FALSE(c.available()) << bytes;
    EXPECT_EQ(c.problems().size(), 1u) << bytes;
  }
}

class FoodComponentsFolder : public testing::ScratchDirTest {};

// An old data folder has no file; a table replaced by hand has another size.
TEST_F(FoodComponentsFolder, MissingOrStaleFileIsNotAvailable) {
  EXPECT_FALSE(LoadFoodComponents().available());  // neither table nor file
  WriteBytes(kFoodFileName, std::string(kTableBytes, 'x'));
  EXPECT_FALSE(LoadFoodComponents().available());
  WriteBytes(kFoodComponentsFileName, Heading() + "01001\t5.8\t(0)\t130\r\n");
  const FoodComponents loaded = LoadFoodComponents();
  ASSERT_TRUE(loaded.available());
  EXPECT_EQ(loaded.Value(0, "ZN").value, 5.8);
  WriteBytes(kFoodFileName, std::string(kTableBytes + 1, 'x'));
  EXPECT_FALSE(LoadFoodComponents().available());
}

// The bundled file against the official figures of 文部科学省「日本食品標準成分表
// （八訂）増補2023年」, reached from the rows of the bundled table.
TEST_F(FoodComponentsFolder, BundledFileHoldsEveryFoodWithTheOfficialFigures) {
  const std::string data = EIYOU_SAMPLE_DATA;
  WriteBytes(kFoodFileName, ReadWholeFile(data + "/" + kFoodFileName));
  WriteBytes(kFoodComponentsFileName, ReadWholeFile(data + "/" + kFoodComponentsFileName));
  FoodComponents c = LoadFoodComponents();
  ASSERT_TRUE(c.available());
  EXPECT_EQ(c.foodCount(), 2538);
  EXPECT_EQ(c.identifiers().size(), 54u);
  c.CheckCells();
  EXPECT_TRUE(c.problems().empty()) << c.problems()[0].text;

  auto table = std::make_unique<FoodTable>();
  testing::RecordingSink sink;
  LoadFoodTable(*table, sink);
  const int amaranth = c.FoodOfRow(*table, 1);  // " 1001" アマランサス　玄穀
  ASSERT_EQ(c.FoodNumber(amaranth), "01001");
  struct Spot {
    const char* id;
    double value;
    ComponentMark mark;
  };
  for (const Spot& s : {Spot{"ZN", 5.8, ComponentMark::Plain}, Spot{"VITD", 0, ComponentMark::PresumedZero},
                        Spot{"FOL", 130, ComponentMark::Plain}, Spot{"NE", 3.8, ComponentMark::Estimated},
                        Spot{"VITA_RAE", 0, ComponentMark::Trace}, Spot{"POLYL", 0, ComponentMark::NotAnalysed},
                        Spot{"BIOT", 16, ComponentMark::Plain}}) {
    const ComponentValue v = c.Value(amaranth, s.id);
    EXPECT_EQ(v.mark, s.mark) << s.id;
    EXPECT_EQ(v.value, s.value) << s.id;
  }
  // An estimated trace (角形食パン 耳, vitamin C), and the "*" of iodine in human milk.
  EXPECT_EQ(c.Value(c.FoodIndex("01176"), "VITC").mark, ComponentMark::EstimatedTrace);
  EXPECT_EQ(c.Value(c.FoodIndex("13051"), "ID").mark, ComponentMark::None);
  const int last = c.FoodOfRow(*table, 2538);
  EXPECT_EQ(c.FoodNumber(last), std::string(table->Cell(1, 2538)));
}

}  // namespace
}  // namespace eiyou
