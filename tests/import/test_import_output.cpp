// The table and marks files, and putting a new table in place beside a backup.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "import/food_import.h"
#include "import/table_install.h"
#include "import_test_support.h"
#include "nutrition/food_entry.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

using testing::ScratchFolder;

std::vector<ImportedFood> FixtureFoods() {
  const FoodImport r = ImportFoodCompositionBytes(testing::Fixture("foods.tsv"), "foods.tsv");
  EXPECT_TRUE(r.ok) << r.error;
  return r.foods;
}

TEST(ImportOutput, TableLinesHave23FieldsAndCrLf) {
  const std::vector<ImportedFood> foods = FixtureFoods();
  const std::string table = FoodTableBytes(foods);
  std::size_t lines = 0, start = 0;
  for (std::size_t end; (end = table.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = table.substr(start, end - start);
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 22) << line;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    ++lines;
  }
  EXPECT_EQ(start, table.size());  // the last line ends with CR LF too
  EXPECT_EQ(lines, foods.size());
}

TEST(ImportOutput, MarksReadBackLineForLine) {
  const std::vector<ImportedFood> foods = FixtureFoods();
  const std::vector<FoodMarksLine> read = ReadFoodMarks(FoodMarksBytes(foods));
  ASSERT_EQ(read.size(), foods.size());
  for (std::size_t i = 0; i < foods.size(); ++i) {
    EXPECT_EQ(read[i].number, foods[i].number);
    EXPECT_EQ(read[i].marks, foods[i].marks);
  }
  // A damaged line keeps its place; LF alone also ends a line.
  const std::vector<FoodMarksLine> odd =
      ReadFoodMarks("01001\t.......................\ngarbage\n01002\tE-TZ?..................x\r\n");
  ASSERT_EQ(odd.size(), 3u);
  EXPECT_EQ(odd[0].number, "01001");
  EXPECT_EQ(odd[1].number, "");
  EXPECT_EQ(odd[1].marks[0], CellMark::Problem);
  EXPECT_EQ(odd[2].number, "");  // 24 marks: not of the form
  const std::vector<FoodMarksLine> marks = ReadFoodMarks("01002\tE-TZ?.................x\r\n");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].marks[0], CellMark::Estimated);
  EXPECT_EQ(marks[0].marks[3], CellMark::PresumedZero);
  EXPECT_EQ(marks[0].marks[22], CellMark::Problem);  // "x" is no mark
}

TEST(ImportOutput, InstallKeepsEveryOldTableAsABackup) {
  ScratchFolder dir;
  const std::vector<ImportedFood> foods = FixtureFoods();
  const std::time_t now = 1700000000;

  // No old table: nothing to keep.
  TableInstall first = InstallFoodTable(dir.path(), foods, now);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_TRUE(first.backupPath.empty());
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), FoodTableBytes(foods));
  EXPECT_EQ(ReadWholeFile(dir / kFoodMarksFileName), FoodMarksBytes(foods));

  // Twice in the same second: two backups, the first left as it was.
  ASSERT_TRUE(ReplaceFileContents(dir / kFoodFileName, "old 1\r\n"));
  const TableInstall second = InstallFoodTable(dir.path(), foods, now);
  ASSERT_TRUE(second.ok) << second.error;
  ASSERT_TRUE(ReplaceFileContents(dir / kFoodFileName, "old 2\r\n"));
  const TableInstall third = InstallFoodTable(dir.path(), foods, now);
  ASSERT_TRUE(third.ok) << third.error;

  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = dir / (std::string(kFoodFileName) + "." + stamp);
  EXPECT_EQ(second.backupPath, base + ".bak");
  EXPECT_EQ(third.backupPath, base + "-2.bak");
  EXPECT_EQ(ReadWholeFile(second.backupPath), "old 1\r\n");
  EXPECT_EQ(ReadWholeFile(third.backupPath), "old 2\r\n");
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), FoodTableBytes(foods));
}

TEST(ImportOutput, UnreadableOldTableStopsBeforeAnythingIsWritten) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir / kFoodFileName);  // a folder in its place
  const TableInstall r = InstallFoodTable(dir.path(), FixtureFoods(), 1700000000);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

// A dish of the first, third and last fixture foods, as the dish window saves it
// on `foods` written as the table.
std::string DishLineOn(const std::vector<ImportedFood>& foods) {
  std::string line = "c,k,dish";
  for (std::size_t i : {std::size_t{0}, std::size_t{2}, foods.size() - 1}) {
    const ImportedFood& f = foods[i];
    line += ",[" + std::to_string(i + 1) + "]" + f.cells[0] + ":" + f.cells[1] + "= 1" +
            std::to_string(i) + ".5g";
  }
  return line;
}

TEST(ImportOutput, SavedDishesFollowTheirFoodsIntoAReorderedTable) {
  ScratchFolder dir;
  std::vector<ImportedFood> foods = FixtureFoods();
  ASSERT_TRUE(InstallFoodTable(dir.path(), foods, 1700000000).ok);
  std::filesystem::create_directory(dir / kDishDirName);
  const std::string dishPath = dir / (std::string(kDishDirName) + "/" + kDishFileName);
  const std::string before = DishLineOn(foods) + "\r\nc,k,no foods\r\n";
  ASSERT_TRUE(ReplaceFileContents(dishPath, before));

  // The next edition: the same foods in the opposite order, the first one gone.
  std::reverse(foods.begin(), foods.end());
  const ImportedFood gone = foods.back();
  foods.pop_back();
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(ReadWholeFile(r.dishBackupPath), before);
  EXPECT_EQ(r.dishesChanged, 1);
  EXPECT_EQ(r.foodsMoved, 2);
  ASSERT_EQ(r.dishReport.size(), 2u);  // the count, then the food that is gone

  const std::vector<std::string> lines = ReadDishFile(dishPath);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "c,k,no foods");
  const std::vector<std::string> old = SplitAtCommas(SplitDishText(before)[0]);
  const std::vector<std::string> now = SplitAtCommas(lines[0]);
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(now[3], old[3]);  // its number is gone: left as it was
  EXPECT_NE(old[3].find(gone.cells[0]), std::string::npos);
  for (std::size_t k = 4; k < now.size(); ++k) {
    EXPECT_EQ(FoodEntryWeightText(now[k]), FoodEntryWeightText(old[k]));
    const std::size_t row = std::stoul(std::string(FoodEntryRowText(now[k])));
    ASSERT_LE(row, foods.size());
    EXPECT_EQ(now[k].substr(0, now[k].find('=')), "[" + std::to_string(row) + "]" +
                                                       foods[row - 1].cells[0] + ":" +
                                                       foods[row - 1].cells[1]);
  }
}

// The fixture table installed in `dir` with one dish saved on it; the dish
// file's path.
std::string TableWithADish(const ScratchFolder& dir, const std::vector<ImportedFood>& foods) {
  EXPECT_TRUE(InstallFoodTable(dir.path(), foods, 1700000000).ok);
  std::filesystem::create_directory(dir / kDishDirName);
  const std::string dishPath = dir / (std::string(kDishDirName) + "/" + kDishFileName);
  EXPECT_TRUE(ReplaceFileContents(dishPath, DishLineOn(foods) + "\r\n"));
  return dishPath;
}

TEST(ImportOutput, ADishFileThatCannotBeWrittenPutsTheOldTableBack) {
  ScratchFolder dir;
  std::vector<ImportedFood> foods = FixtureFoods();
  const std::string dishPath = TableWithADish(dir, foods);
  const std::string oldTable = ReadWholeFile(dir / kFoodFileName);
  ASSERT_EQ(chmod((dir / kDishDirName).c_str(), 0555), 0);  // refused even to root

  std::reverse(foods.begin(), foods.end());
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  chmod((dir / kDishDirName).c_str(), 0755);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("元に戻しました"), std::string::npos) << r.error;
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), oldTable);
  EXPECT_EQ(ReadWholeFile(dishPath), DishLineOn(FixtureFoods()) + "\r\n");
}

// A table that cannot be replaced after both backups were made: the message
// names them and says the table and dishes are as they were.
TEST(ImportOutput, AFailureAfterTheBackupsSaysWhatIsThere) {
  ScratchFolder dir;
  std::vector<ImportedFood> foods = FixtureFoods();
  const std::string dishPath = TableWithADish(dir, foods);
  const std::string oldTable = ReadWholeFile(dir / kFoodFileName);
  const std::string dishes = ReadWholeFile(dishPath);
  ASSERT_EQ(chmod((dir / kFoodFileName).c_str(), 0444), 0);  // readable, never replaced

  std::reverse(foods.begin(), foods.end());
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error.find("何も書き込みませんでした"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("元のまま"), std::string::npos) << r.error;
  for (const std::string& backup : {r.backupPath, r.dishBackupPath}) {
    ASSERT_FALSE(backup.empty());
    EXPECT_NE(r.error.find(backup), std::string::npos) << r.error;
  }
  EXPECT_EQ(ReadWholeFile(r.backupPath), oldTable);
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), oldTable);
  EXPECT_EQ(ReadWholeFile(dishPath), dishes);
}

}  // namespace
}  // namespace eiyou
