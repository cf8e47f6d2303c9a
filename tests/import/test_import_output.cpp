// The table and marks files, and putting a new table in place beside a backup.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "import/food_import.h"
#include "import/table_install.h"
#include "import_test_support.h"
#include "tables/data_dir.h"

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

}  // namespace
}  // namespace eiyou
