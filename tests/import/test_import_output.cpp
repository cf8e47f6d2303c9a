// The table and marks files, and putting a new table in place beside a backup.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "import/food_import.h"
#include "import/table_install.h"
#include "import_test_support.h"
#include "program_copy.h"
#include "nutrition/food_entry.h"
#include "plans/plan_store.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/cp932.h"
#include "tables/file_io.h"
#include "tables/folder_lock.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"
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
  const std::string edition = Cp932("食品成分表（八訂）増補2023年");
  TableInstall first = InstallFoodTable(dir.path(), foods, now, edition);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_TRUE(first.backupPath.empty());
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), FoodTableBytes(foods));
  EXPECT_EQ(ReadWholeFile(dir / kFoodMarksFileName), FoodMarksBytes(foods));
  const std::string record = FoodEditionBytes(edition, FoodTableBytes(foods).size());
  EXPECT_EQ(ReadWholeFile(dir / kFoodEditionFileName), record);

  // Twice in the same second: two backups, the first left as it was. The
  // side files are kept with the table; an import of no known edition takes
  // the record away.
  ASSERT_TRUE(ReplaceFileContents(dir / kFoodFileName, "old 1\r\n"));
  const TableInstall second = InstallFoodTable(dir.path(), foods, now);
  ASSERT_TRUE(second.ok) << second.error;
  EXPECT_EQ(ReadWholeFile(second.marksBackupPath), FoodMarksBytes(foods));
  EXPECT_EQ(ReadWholeFile(second.editionBackupPath), record);
  EXPECT_FALSE(EntryExists(dir / kFoodEditionFileName));
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
  EXPECT_EQ(third.editionBackupPath, "");
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

// `now` is `old` pointed at `foods`: each entry names the line of its food
// number there with that line's name and keeps its weight; the first entry,
// whose food is gone, stays as it was.
void ExpectFollowed(const std::string& old, const std::string& now,
                    const std::vector<ImportedFood>& foods) {
  const std::vector<std::string> before = SplitAtCommas(old);
  const std::vector<std::string> after = SplitAtCommas(now);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after[3], before[3]);
  for (std::size_t k = 4; k < after.size(); ++k) {
    EXPECT_EQ(FoodEntryWeightText(after[k]), FoodEntryWeightText(before[k]));
    const std::size_t row = std::stoul(std::string(FoodEntryRowText(after[k])));
    ASSERT_LE(row, foods.size());
    EXPECT_EQ(after[k].substr(0, after[k].find('=')), "[" + std::to_string(row) + "]" +
                                                          foods[row - 1].cells[0] + ":" +
                                                          foods[row - 1].cells[1]);
  }
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
  EXPECT_NE(SplitAtCommas(before)[3].find(gone.cells[0]), std::string::npos);
  ExpectFollowed(SplitDishText(before)[0], lines[0], foods);
}

// A day of these meals stored in the data folder `dir` (its KONDATE made).
DayPlan StoreDay(const std::string& dir, const std::string& date,
                 const std::array<std::vector<std::string>, kMeals>& meals) {
  std::filesystem::create_directories(dir + "/" + kDishDirName);
  DayPlan day;
  day.date = date;
  day.sex = 1;
  day.age = 6;
  day.meals = meals;
  EXPECT_TRUE(DayPlanStore::Open(dir, 0)->SaveDay(day).ok);
  return day;
}

// The stored days follow in the same step; their database as it was is kept
// in a backup that, put in its place, opens with the days as they were.
TEST(ImportOutput, StoredDaysFollowTheirFoodsWithTheDishes) {
  ScratchFolder dir;
  std::vector<ImportedFood> foods = FixtureFoods();
  ASSERT_TRUE(InstallFoodTable(dir.path(), foods, 1700000000).ok);
  const DayPlan day =
      StoreDay(dir.path(), "2024-06-01", {{{DishLineOn(foods)}, {}, {"c,k,no foods", DishLineOn(foods)}}});
  const DayPlan plain = StoreDay(dir.path(), "2024-06-02", {{{"c,k,no foods"}, {}, {}}});

  std::reverse(foods.begin(), foods.end());
  foods.pop_back();
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.daysChanged, 1);
  ASSERT_EQ(r.planReport.size(), 2u);  // the count, then the gone food once
  EXPECT_NE(r.planReport[1].find("（2024-06-01）"), std::string::npos) << r.planReport[1];

  auto store = DayPlanStore::Open(dir.path(), 0);
  const std::optional<DayPlan> now = store->LoadDay("2024-06-01");
  ASSERT_TRUE(now);
  ExpectFollowed(day.meals[0][0], now->meals[0][0], foods);
  ExpectFollowed(day.meals[2][1], now->meals[2][1], foods);
  EXPECT_EQ(now->meals[2][0], "c,k,no foods");
  EXPECT_EQ(store->LoadDay("2024-06-02")->meals, plain.meals);

  ScratchFolder restored;
  std::filesystem::create_directory(restored / kDishDirName);
  std::filesystem::copy_file(r.planBackupPath, PlanDatabasePath(restored.path()));
  EXPECT_FALSE(EntryExists(r.planBackupPath + "-wal"));
  EXPECT_EQ(DayPlanStore::Open(restored.path(), 0)->LoadDay("2024-06-01")->meals, day.meals);
}

// A day that would change but cannot be written stops the import before
// anything is written.
TEST(ImportOutput, DaysThatCannotBeWrittenStopTheImport) {
  ScratchFolder dir;
  std::vector<ImportedFood> foods = FixtureFoods();
  ASSERT_TRUE(InstallFoodTable(dir.path(), foods, 1700000000).ok);
  const DayPlan day = StoreDay(dir.path(), "2024-06-01", {{{}, {DishLineOn(foods)}, {}}});
  const std::string table = ReadWholeFile(dir / kFoodFileName);
  ASSERT_EQ(chmod(PlanDatabasePath(dir.path()).c_str(), 0444), 0);
  auto entries = [&] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
      names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> before = entries();

  std::reverse(foods.begin(), foods.end());
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("献立表"), std::string::npos) << r.error;
  EXPECT_EQ(entries(), before);
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), table);
  EXPECT_EQ(DayPlanStore::Open(dir.path(), 0)->LoadDay("2024-06-01")->meals, day.meals);
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
  const FoodImport read = ImportFoodCompositionBytes(testing::Fixture("foods.tsv"), "foods.tsv");
  ASSERT_TRUE(InstallFoodTable(dir.path(), foods, 1700000000, "A", read.componentIdentifiers).ok);
  const std::string oldTable = ReadWholeFile(dir / kFoodFileName);
  const std::string oldMarks = ReadWholeFile(dir / kFoodMarksFileName);
  const std::string oldRecord = ReadWholeFile(dir / kFoodEditionFileName);
  const std::string oldComponents = ReadWholeFile(dir / kFoodComponentsFileName);
  EXPECT_EQ(oldComponents, FoodComponentsBytes(foods, read.componentIdentifiers, "A", oldTable.size()));
  std::filesystem::create_directory(dir / kDishDirName);
  const std::string dishPath = dir / (std::string(kDishDirName) + "/" + kDishFileName);
  ASSERT_TRUE(ReplaceFileContents(dishPath, DishLineOn(foods) + "\r\n"));
  ASSERT_EQ(chmod((dir / kDishDirName).c_str(), 0555), 0);  // refused even to root

  std::reverse(foods.begin(), foods.end());
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000100);
  chmod((dir / kDishDirName).c_str(), 0755);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("元に戻しました"), std::string::npos) << r.error;
  EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), oldTable);
  EXPECT_EQ(ReadWholeFile(dir / kFoodMarksFileName), oldMarks);
  EXPECT_EQ(ReadWholeFile(dir / kFoodEditionFileName), oldRecord);
  EXPECT_EQ(ReadWholeFile(dir / kFoodComponentsFileName), oldComponents);
  EXPECT_EQ(ReadWholeFile(r.componentsBackupPath), oldComponents);
  EXPECT_NE(r.error.find(r.componentsBackupPath), std::string::npos) << r.error;
  EXPECT_EQ(ReadWholeFile(dishPath), DishLineOn(FixtureFoods()) + "\r\n");
}

// An import points the saved dishes at the new table's lines; a program with
// the folder open could write its old line numbers back over them.
TEST(ImportOutput, RefusedWhileAnotherProgramHasTheFolderOpen) {
  ScratchFolder dir;
  const std::vector<ImportedFood> foods = FixtureFoods();
  ASSERT_TRUE(ReplaceFileContents(dir / kFoodFileName, "old\r\n"));
  // This program's own hold, as its import window runs with it: it does not count.
  const DataFolderUse own(dir.path());
  {
    testing::HoldingCopy other(dir.path());
    ASSERT_TRUE(other.held());
    const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, FolderInUseMessage(dir.path()) + "（何も書き込みませんでした）");
    EXPECT_EQ(ReadWholeFile(dir / kFoodFileName), "old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
  }
  // The refusal has not let go of this program's own hold.
  EXPECT_EQ(testing::RunCopy({"sole", dir.path()}), 3);
  const TableInstall r = InstallFoodTable(dir.path(), foods, 1700000000);
  EXPECT_TRUE(r.ok) << r.error;
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
