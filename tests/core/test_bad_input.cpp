// Damaged files and extreme values through the table layer and the nutrient
// arithmetic: every byte value in a cell, lines of a megabyte, weights at and
// beyond the number range, and special files that must be refused rather than
// read forever.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "nutrition/nutrients.h"
#include "table_test_support.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "nutrition/dish_line.h"
#include "tables/dish_file.h"
#include "tables/food_table.h"
#include "tables/reference_table.h"

using namespace eiyou;
using eiyou::testing::RecordingSink;
using eiyou::testing::ScratchDirTest;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// True when `text` is well-formed UTF-8 (what the windows hand to the toolkit).
bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = text[i];
    int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2) || i + more >= text.size() + (more == 0 ? 1 : 0))
      return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += size_t(more) + 1;
  }
  return true;
}

// A food line: number, name, then `value` for columns 3 to 23.
std::string FoodLine(const std::string& number, const std::string& name, const std::string& value) {
  std::string line = number + "," + name;
  for (int c = 3; c <= 23; ++c) line += "," + value;
  return line;
}

class BadInputTest : public ScratchDirTest {
 protected:
  std::unique_ptr<FoodTable> food_ = std::make_unique<FoodTable>();
  std::unique_ptr<ReferenceTable> reference_ = std::make_unique<ReferenceTable>();
  NutrientCalculator calc_{*food_, *reference_};
  RecordingSink sink_;
};

}  // namespace

TEST_F(BadInputTest, EveryByteValueInACellIsStoredAsReadAndDecodesToValidText) {
  // Every byte but the three that end a line, the file or a field.
  std::string bytes;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != 0x1A && b != ',') bytes += char(b);
  bytes += "\x82";  // and a lone lead byte at the end of the cell
  WriteBytes(kFoodFileName, FoodLine(" 1001", bytes, bytes) + "\r\n" + FoodLine(" 1002", "x", "7"));
  LoadFoodTable(*food_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->Cell(2, 1), bytes);
  EXPECT_EQ(food_->Cell(23, 1), bytes);
  EXPECT_EQ(food_->Cell(1, 2), " 1002");
  EXPECT_EQ(food_->Cell(3, 2), "7");
  const std::string shown = Cp932ToUtf8(bytes);
  EXPECT_TRUE(IsUtf8(shown));
  EXPECT_NE(shown.find("\xEF\xBF\xBD"), std::string::npos);

  // Garbage numbers read as the digits before the first misfit, here none.
  calc_.AddFoodToTotals("1", "100");
  EXPECT_EQ(calc_.totals.value, (std::array<std::int32_t, kNutrients>{}));

  std::string reference;
  std::string line = bytes;
  for (int f = 2; f <= 20; ++f) line += "," + bytes;
  for (int row = 1; row <= 11; ++row) reference += line + "\r\n";
  WriteBytes(kReferenceFileName, reference);
  LoadReferenceTable(*reference_, sink_);
  EXPECT_EQ(reference_->Field(11, 2), bytes);
  EXPECT_EQ(reference_->Field(11, 20), bytes);
  calc_.LoadTargets(1, 11);
  EXPECT_EQ(calc_.targets.EnergyTarget, 0);
}

TEST_F(BadInputTest, LinesOfAMegabyteInEveryFile) {
  const std::string big(1 << 20, 'A');
  const std::string commas(1 << 20, ',');
  // A twenty-third of a megabyte each, so that a line of them is one megabyte.
  const std::string digits((1 << 20) / 23, '9');
  const std::string tiny = "0." + std::string((1 << 20) / 23, '0') + "1";
  WriteBytes(kFoodFileName, FoodLine(" 1001", big, "1") + "\r\n" + commas + "\r\n" +
                                FoodLine(" 1003", "n", digits) + "\r\n" +
                                FoodLine(" 1004", "t", tiny) + "\r\n");
  LoadFoodTable(*food_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->Cell(2, 1), big);
  EXPECT_EQ(food_->Cell(1, 2), "");
  EXPECT_EQ(food_->Cell(23, 2), commas.substr(22));
  EXPECT_EQ(food_->Cell(21, 3), digits);
  // A megabyte of nines is far beyond any total; a megabyte of decimals below
  // any: both end in range.
  calc_.AddFoodToTotals("3", "100");
  EXPECT_EQ(calc_.totals.value, (std::array<std::int32_t, kNutrients>{kMax, kMax, kMax, kMax, kMax,
                                                                       kMax, kMax, kMax, kMax}));
  calc_.ClearTotals();
  calc_.AddFoodToTotals("4", "1000");
  EXPECT_EQ(calc_.totals.value, (std::array<std::int32_t, kNutrients>{}));

  // Row 4: the energy pair a wall of nines, protein and fat tiny decimals,
  // and a megabyte in the field that is never read.
  std::string reference;
  for (int row = 1; row <= 11; ++row) {
    std::string line;
    for (int f = 1; f <= 20; ++f) {
      const std::string field =
          row != 4 ? "5" : f <= 2 ? digits : f <= 6 ? tiny : f == 17 ? big : "5";
      line += (f > 1 ? "," : "") + field;
    }
    reference += line + "\r\n";
  }
  WriteBytes(kReferenceFileName, reference);
  LoadReferenceTable(*reference_, sink_);
  calc_.LoadTargets(0, 4);
  EXPECT_EQ(calc_.targets.EnergyTarget, kMax);
  EXPECT_EQ(calc_.targets.other[0], 0);  // protein: the digits before the point
  EXPECT_EQ(calc_.targets.other[1], 0);  // fat: far below a tenth
  EXPECT_EQ(calc_.targets.other[2], 5);

  ASSERT_EQ(mkdir(Path("KONDATE").c_str(), 0755), 0);
  const std::vector<std::string> dishes = {"a,b," + big, "c,d,e," + commas};
  WriteDishFile(DishFilePath(), dishes);
  EXPECT_EQ(ReadDishFile(DishFilePath()), dishes);
  const DishLineParts parts = SplitDishLine(dishes[1]);
  EXPECT_EQ(parts.foods, commas);
  calc_.AddDishFoods(parts.foods);  // a million and one empty items
  EXPECT_EQ(calc_.totals.value, (std::array<std::int32_t, kNutrients>{}));
}

TEST_F(BadInputTest, ExtremeWeightsInDishLinesStayInRange) {
  // Row 1 has 100 kcal per 100 g, row 2 minus 100.
  food_->SetCell(3, 1, "100");
  food_->SetCell(3, 2, "-100");
  const struct {
    const char* weight;
    std::int32_t energy;     // row 1
    std::int32_t negative;   // row 2
  } cases[] = {
      {"1e30", kMax, kMin},
      {"-1e30", kMin, kMax},
      {"99999999999", kMax, kMin},
      {"21474836", 21474836, -21474836},
      {"-0", 0, 0},
      {"-0.0e5", 0, 0},
      {"1e-30", 0, 0},
      {"1e-99999", 0, 0},
      {"1e99999", kMax, kMin},
      {"-1e99999", kMin, kMax},
      {"nan", 0, 0},
      {"inf", 0, 0},
      {"-inf", 0, 0},
      {"0x1p4", 0, 0},
      {"1e30x", 1, -1},  // the digits before the misfit, unscaled
      {"12.5e", 12, -12},
  };
  for (const auto& c : cases) {
    for (int row = 1; row <= 2; ++row) {
      calc_.ClearTotals();
      calc_.AddDishFoods("[" + std::to_string(row) + "]x:y= " + c.weight + "g");
      EXPECT_EQ(calc_.totals.value[0], row == 1 ? c.energy : c.negative) << c.weight << " row " << row;
    }
  }
  // Sums saturate as well, in either direction.
  calc_.ClearTotals();
  calc_.AddDishFoods("[1]= 1e30g,[1]= 1e30g,[2]= 1e30g,[2]= 1e30g,[2]= 1e30g");
  EXPECT_EQ(calc_.totals.value[0], kMin);
}

TEST_F(BadInputTest, SpecialFilesAreRefusedRatherThanReadForever) {
  ASSERT_EQ(mkfifo(Path(kFoodFileName).c_str(), 0644), 0);  // nobody writes to it
  ASSERT_EQ(symlink("/dev/zero", Path(kReferenceFileName).c_str()), 0);
  food_->SetCell(1, 1, "kept");
  EXPECT_THROW(LoadFoodTable(*food_, sink_), IoError);
  EXPECT_THROW(LoadReferenceTable(*reference_, sink_), IoError);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->Cell(1, 1), "kept");

  ASSERT_EQ(mkdir(Path("KONDATE").c_str(), 0755), 0);
  const std::string dish = DishFilePath();
  const std::vector<std::string> lines = {"a,b,c"};
  ASSERT_EQ(mkfifo(dish.c_str(), 0644), 0);
  EXPECT_THROW(ReadDishFile(dish), IoError);
  EXPECT_THROW(WriteDishFile(dish, lines), IoError);
  struct stat st;
  ASSERT_EQ(lstat(dish.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(unlink(dish.c_str()), 0);

  ASSERT_EQ(symlink("/dev/urandom", dish.c_str()), 0);
  EXPECT_THROW(ReadDishFile(dish), IoError);
  EXPECT_THROW(WriteDishFile(dish, lines), IoError);
  ASSERT_EQ(unlink(dish.c_str()), 0);

  ASSERT_EQ(symlink("献立.TXT", dish.c_str()), 0);  // a link to itself
  EXPECT_TRUE(EntryExists(dish));
  EXPECT_THROW(ReadDishFile(dish), IoError);
  EXPECT_THROW(WriteDishFile(dish, lines), IoError);
  ASSERT_EQ(lstat(dish.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}
