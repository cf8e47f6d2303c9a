#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "table_test_support.h"
#include "tables/data_dir.h"
#include "tables/food_table.h"
#include "tables/reference_table.h"
#include "tables/text_fields.h"

using namespace eiyou;
using eiyou::testing::RecordingSink;
using eiyou::testing::ScratchDirTest;

namespace {

// A food line with all 23 fields: "<number>,<name>,v3,...,v23" with v<c> = tag + c.
std::string FoodLine(const std::string& number, const std::string& tag) {
  std::string line = number + ",\x82\xB1\x82\xDF" + tag;  // the name starts with a CP932 text
  for (int c = 3; c <= 23; ++c) line += "," + tag + std::to_string(c);
  return line;
}

std::string ReferenceLine(int row) {
  std::string line;
  for (int f = 1; f <= 20; ++f) line += (f > 1 ? "," : "") + std::to_string(row * 100 + f);
  return line;
}

class TablesTest : public ScratchDirTest {
 protected:
  std::string FoodPath() const { return Path(kFoodFileName); }
  std::string ReferencePath() const { return Path(kReferenceFileName); }
  std::unique_ptr<FoodTable> food_ = std::make_unique<FoodTable>();
  ReferenceTable reference_;
  RecordingSink sink_;
};

}  // namespace

TEST_F(TablesTest, MissingFilesShowOneMessageNamingTheFullPathAndChangeNothing) {
  food_->SetCell(1, 1, "kept");
  reference_.SetField(1, 1, "kept");
  LoadFoodTable(*food_, sink_);
  ASSERT_EQ(sink_.messages.size(), 1u);
  EXPECT_EQ(sink_.messages[0], "指定された" + dir_ + "/食品成分表５訂.CSVファイルがありません！！");
  LoadReferenceTable(reference_, sink_);
  ASSERT_EQ(sink_.messages.size(), 2u);
  EXPECT_EQ(sink_.messages[1], "指定された" + dir_ + "/STD.CSVファイルがありません！！");
  EXPECT_EQ(food_->Cell(1, 1), "kept");
  EXPECT_EQ(reference_.Field(1, 1), "kept");
}

TEST_F(TablesTest, TheDataDirectoryIsReadAfreshForEveryLoad) {
  ASSERT_EQ(mkdir(Path("other").c_str(), 0755), 0);
  WriteBytes("other/STD.CSV", ReferenceLine(1) + "\r\n");
  LoadReferenceTable(reference_, sink_);
  EXPECT_EQ(sink_.messages.size(), 1u);
  ASSERT_EQ(chdir("other"), 0);
  EXPECT_EQ(DataDirectory(), dir_ + "/other");
  LoadReferenceTable(reference_, sink_);
  EXPECT_EQ(sink_.messages.size(), 1u);
  EXPECT_EQ(reference_.Field(1, 20), "120");
}

TEST_F(TablesTest, AVanishedWorkingDirectoryIsReportedNotCrashedOn) {
  ASSERT_EQ(mkdir(Path("gone").c_str(), 0755), 0);
  WriteBytes("STD.CSV", ReferenceLine(1) + "\r\n");  // must not be found by accident
  ASSERT_EQ(chdir("gone"), 0);
  ASSERT_EQ(rmdir(Path("gone").c_str()), 0);
  EXPECT_EQ(DataDirectory(), "");
  LoadFoodTable(*food_, sink_);
  LoadReferenceTable(reference_, sink_);
  EXPECT_EQ(sink_.messages, (std::vector<std::string>{"ディレクトリがありません！！",
                                                     "ディレクトリがありません！！"}));
  EXPECT_FALSE(reference_.IsLoaded());
  EXPECT_FALSE(DirectoryExists(JoinPath(DataDirectory(), "KONDATE")));
}

TEST_F(TablesTest, CheckDataFileCountsAnyKindOfEntry) {
  ASSERT_EQ(mkdir(FoodPath().c_str(), 0755), 0);
  EXPECT_TRUE(CheckDataFile(FoodPath(), sink_));
  ASSERT_EQ(symlink("nowhere", ReferencePath().c_str()), 0);  // a dangling link is an entry
  EXPECT_TRUE(CheckDataFile(ReferencePath(), sink_));
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_TRUE(EntryExists(FoodPath()));
  EXPECT_TRUE(DirectoryExists(FoodPath()));
  EXPECT_FALSE(DirectoryExists(ReferencePath()));
  EXPECT_EQ(JoinPath("/a/b", "c"), "/a/b/c");
}

TEST_F(TablesTest, UnreadableFilesEndTheActionWithAnErrorNamingTheFile) {
  food_->SetCell(2, 1, "kept");
  ASSERT_EQ(mkdir(FoodPath().c_str(), 0755), 0);  // a directory of that name
  try {
    LoadFoodTable(*food_, sink_);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + FoodPath() + " を読み込めません。");
  }
  WriteBytes(kReferenceFileName, ReferenceLine(1) + "\r\n");
  ASSERT_EQ(chmod(ReferencePath().c_str(), 0200), 0);  // no read bit (also refused for root)
  EXPECT_THROW(LoadReferenceTable(reference_, sink_), IoError);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->Cell(2, 1), "kept");
  EXPECT_FALSE(reference_.IsLoaded());
}

TEST_F(TablesTest, FoodRowsAreLinesAndLaterRowsKeepEarlierContents) {
  std::string bytes;
  for (int i = 1; i <= 5; ++i) bytes += FoodLine(" 100" + std::to_string(i), "a") + "\r\n";
  WriteBytes(kFoodFileName, bytes);
  LoadFoodTable(*food_, sink_);
  EXPECT_EQ(food_->Cell(1, 5), " 1005");
  EXPECT_EQ(food_->Cell(2, 5), "\x82\xB1\x82\xDF" "a");
  EXPECT_EQ(food_->Cell(23, 5), "a23");

  // Three lines: a full one, a blank one, one with ten commas.
  WriteBytes(kFoodFileName, FoodLine("10001", "b") + "\r\n\r\n1,2,3,4,5,6,7,8,9,10,11\r\n");
  LoadFoodTable(*food_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->Cell(1, 1), "10001");
  EXPECT_EQ(food_->Cell(23, 1), "b23");
  for (int c = 1; c <= 23; ++c) EXPECT_EQ(food_->Cell(c, 2), "") << c;  // the blank line
  EXPECT_EQ(food_->Cell(1, 3), "1");
  EXPECT_EQ(food_->Cell(10, 3), "10");
  for (int c = 11; c <= 23; ++c) EXPECT_EQ(food_->Cell(c, 3), "") << c;  // "11" is lost
  EXPECT_EQ(food_->Cell(1, 4), " 1004");  // beyond the last line: untouched
  EXPECT_EQ(food_->Cell(23, 5), "a23");
  EXPECT_EQ(food_->Cell(1, 6), "");
}

TEST(FoodTableCells, ARowCutFromALineCanHaveAnyCellReplaced) {
  auto table = std::make_unique<FoodTable>();
  std::string line = " 1001,精白米";
  for (int c = 3; c <= FoodTable::kColumns; ++c) line += "," + std::to_string(c * 111);
  line += ",tail,more";  // commas past the 22nd stay in the last cell
  table->SetRow(7, line);
  const std::vector<std::string> fields = SplitFields(line, FoodTable::kColumns - 1);
  for (int c = 1; c <= FoodTable::kColumns; ++c) EXPECT_EQ(table->Cell(c, 7), fields[c - 1]);

  table->SetCell(2, 7, "a much longer name than the one before it");
  table->SetCell(23, 7, "");
  EXPECT_EQ(table->Cell(1, 7), " 1001");
  EXPECT_EQ(table->Cell(2, 7), "a much longer name than the one before it");
  EXPECT_EQ(table->Cell(3, 7), "333");
  EXPECT_EQ(table->Cell(22, 7), "2442");
  EXPECT_EQ(table->Cell(23, 7), "");
  // A cell set from a view into the same row must not read freed bytes.
  table->SetCell(1, 7, table->Cell(2, 7).substr(2, 4));
  EXPECT_EQ(table->Cell(1, 7), "much");

  table->SetRow(7, "short");  // too few commas: later cells empty
  EXPECT_EQ(table->Cell(1, 7), "");
  EXPECT_EQ(table->Cell(2, 7), "");
  EXPECT_EQ(table->Cell(23, 7), "");
  table->SetRow(8, std::string(22, ','));
  for (int c = 1; c <= FoodTable::kColumns; ++c) EXPECT_EQ(table->Cell(c, 8), "");
}

TEST_F(TablesTest, LfOnlyFileIsOneLine) {
  WriteBytes(kFoodFileName, FoodLine(" 1001", "a") + "\n" + FoodLine(" 1002", "b") + "\n");
  LoadFoodTable(*food_, sink_);
  EXPECT_EQ(food_->Cell(1, 1), " 1001");
  // Field 23 takes the rest of the single line, the second food included.
  EXPECT_EQ(food_->Cell(23, 1), "a23\n" + FoodLine(" 1002", "b") + "\n");
  EXPECT_EQ(food_->Cell(1, 2), "");
}

TEST_F(TablesTest, TheTableGrowsWithALongerFileAndStopsAtItsLimit) {
  // Up to 1834 lines: the table keeps its 1834 rows, nothing to tell.
  std::string bytes;
  for (int i = 1; i <= FoodTable::kMinRows; ++i) bytes += "n" + std::to_string(i) + ",x\r\n";
  WriteBytes(kFoodFileName, bytes + "\x1A");
  LoadFoodTable(*food_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->rows(), FoodTable::kMinRows);
  EXPECT_EQ(food_->Cell(1, FoodTable::kMinRows), "n1834");

  // A longer file is read whole; a shorter one later leaves the rows beyond it.
  bytes.clear();
  for (int i = 1; i <= 2538; ++i) bytes += std::to_string(i) + ",x\r\n";
  WriteBytes(kFoodFileName, bytes);
  LoadFoodTable(*food_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_EQ(food_->rows(), 2538);
  EXPECT_EQ(food_->Cell(1, 2538), "2538");
  EXPECT_EQ(food_->Cell(1, 2539), "");
  WriteBytes(kFoodFileName, "a,b\r\n");
  LoadFoodTable(*food_, sink_);
  EXPECT_EQ(food_->rows(), 2538);
  EXPECT_EQ(food_->Cell(1, 1), "a");
  EXPECT_EQ(food_->Cell(1, 2538), "2538");

  // Past the limit: the first rows are stored and the user is told once.
  WriteBytes(kFoodFileName, std::string(FoodTable::kMaxRows + 5, '\r'));
  LoadFoodTable(*food_, sink_);
  EXPECT_EQ(sink_.messages, std::vector<std::string>{kFoodTableTruncatedMessage});
  EXPECT_EQ(food_->rows(), FoodTable::kMaxRows);
  EXPECT_EQ(food_->Cell(1, 1), "");
}

TEST(FoodTable, CellsOutsideTheTableReadEmptyAndIgnoreWrites) {
  auto table = std::make_unique<FoodTable>();
  table->SetCell(1, 1, "a");
  table->SetCell(23, 1834, "z");
  // SetCell never grows the table; only a loaded line does.
  for (auto [c, r] : {std::pair{0, 1}, {24, 1}, {1, 0}, {1, 1835}, {-1, -1}, {1 << 30, 1}}) {
    table->SetCell(c, r, "bad");
    EXPECT_EQ(table->Cell(c, r), "") << c << "," << r;
  }
  EXPECT_EQ(table->Cell(1, 1), "a");
  EXPECT_EQ(table->Cell(23, 1834), "z");
  EXPECT_EQ(table->Cell(2, 1), "");
  EXPECT_EQ(table->rows(), FoodTable::kMinRows);
  table->SetRow(FoodTable::kMaxRows + 1, "x");
  EXPECT_EQ(table->rows(), FoodTable::kMinRows);
}

TEST_F(TablesTest, ReferenceFileFillsElevenRowsAndStopsThere) {
  std::string bytes;
  for (int row = 1; row <= 12; ++row) bytes += ReferenceLine(row) + "\r\n";
  WriteBytes(kReferenceFileName, bytes);
  LoadReferenceTable(reference_, sink_);
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_TRUE(reference_.IsLoaded());
  EXPECT_EQ(reference_.Field(1, 1), "101");
  EXPECT_EQ(reference_.Field(8, 2), "802");   // "女", "18～29歳"
  EXPECT_EQ(reference_.Field(11, 20), "1120");
  EXPECT_EQ(reference_.Field(12, 1), "");
  EXPECT_EQ(reference_.Field(1, 21), "");
  EXPECT_EQ(reference_.Field(0, 1), "");
}

TEST_F(TablesTest, ReferenceReloadReplacesShortRowsAndKeepsLaterOnes) {
  std::string bytes;
  for (int row = 1; row <= 11; ++row) bytes += ReferenceLine(row) + "\r\n";
  WriteBytes(kReferenceFileName, bytes);
  LoadReferenceTable(reference_, sink_);
  WriteBytes(kReferenceFileName, "1,2,3\r\n");
  LoadReferenceTable(reference_, sink_);
  EXPECT_EQ(reference_.Field(1, 1), "1");
  EXPECT_EQ(reference_.Field(1, 2), "2");
  EXPECT_EQ(reference_.Field(1, 3), "");  // after the last comma: lost
  EXPECT_EQ(reference_.Field(1, 20), "");
  EXPECT_EQ(reference_.Field(2, 1), "201");
  EXPECT_EQ(reference_.Field(11, 20), "1120");
}
