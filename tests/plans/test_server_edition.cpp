// A new food table on a team's server: the copy that installs it points the
// server's days and dishes at it; a copy still on the old table reads them by
// food number and writes nothing until it installs the same table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "import/food_import.h"
#include "import/table_install.h"
#include "nutrition/food_entry.h"
#include "pg_test_support.h"
#include "plan_test_support.h"
#include "plans/pg_plan_store.h"
#include "plans/server_dishes.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "sessions/dish_working_copy.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

using testing::PlanTest;
using testing::RecordingSink;

constexpr const char* kDate = "2024-06-03";

std::vector<ImportedFood> FixtureFoods() {
  const std::string path = std::string(EIYOU_IMPORT_FIXTURES) + "/foods.tsv";
  const FoodImport r = ImportFoodCompositionBytes(ReadWholeFile(path), "foods.tsv");
  EXPECT_TRUE(r.ok) << r.error;
  return r.foods;
}

// A dish of the first, third and last foods, on `foods` written as the table.
std::string DishOn(const std::vector<ImportedFood>& foods, const std::string& name) {
  std::string line = "c,k," + name;
  for (std::size_t i : {std::size_t{0}, std::size_t{2}, foods.size() - 1})
    line += ",[" + std::to_string(i + 1) + "]" + foods[i].cells[0] + ":" + foods[i].cells[1] +
            "= 1" + std::to_string(i) + ".5g";
  return line;
}

// Every food of the line names the row of its number in `foods`.
void ExpectRightFoods(const std::string& line, const std::vector<ImportedFood>& foods) {
  const std::vector<std::string> pieces = SplitAtCommas(line);
  ASSERT_GT(pieces.size(), 3u);
  for (std::size_t k = 3; k < pieces.size(); ++k) {
    const std::size_t row = std::stoul(std::string(FoodEntryRowText(pieces[k])));
    ASSERT_LE(row, foods.size());
    EXPECT_EQ(pieces[k].substr(pieces[k].find(']') + 1, foods[row - 1].cells[0].size() + 1),
              foods[row - 1].cells[0] + ":")
        << pieces[k];
  }
}

class ServerEditionTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    ASSERT_NO_FATAL_FAILURE(DropServerTables());
    ASSERT_EQ(mkdir(Path("B").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(Path("B/" + std::string(kDishDirName)).c_str(), 0755), 0);
    old_ = FixtureFoods();
    next_ = old_;
    std::reverse(next_.begin(), next_.end());  // the next edition: every food on another line
    for (const std::string& folder : {dir_, Path("B")})
      ASSERT_TRUE(InstallFoodTable(folder, old_, kNow).ok);
  }
  void OnServer(const std::string& folder, const PgSettings& settings = ServerSettings()) {
    std::string error;
    ASSERT_TRUE(WriteStoreLocation(folder, &settings, error)) << error;
  }
  static std::string WorkingCopyOf(const std::string& folder) {
    return ReadWholeFile(folder + "/" + kDishDirName + "/" + kDishFileName);
  }

  std::vector<ImportedFood> old_, next_;
};

TEST_F(ServerEditionTest, TheCopyInstallingATableRepointsTheServerAndTheOthersOnlyReadUntilTheyDo) {
  OnServer(dir_);
  OnServer(Path("B"));
  DayPlan day = Day(kDate, "x", 0);
  day.meals[0] = {DishOn(old_, "one")};
  day.meals[2] = {DishOn(old_, "two"), "c,k,no foods"};
  ASSERT_TRUE(OpenPlanStore(dir_, kNow)->SaveDay(day).ok);
  DishWorkingCopy copy;
  ASSERT_TRUE(copy.Save({}, {DishOn(old_, "dish")}, nullptr));
  ASSERT_EQ(chdir(Path("B").c_str()), 0);
  RecordingSink sink;
  RefreshDishWorkingCopy(sink);
  ASSERT_TRUE(sink.messages.empty()) << sink.messages[0];
  const std::string copyOfB = WorkingCopyOf(Path("B"));

  // A installs the next edition: the server's days and dishes follow it.
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  const TableInstall installed = InstallFoodTable(dir_, next_, kNow + 100);
  ASSERT_TRUE(installed.ok) << installed.error;
  ASSERT_GE(installed.planReport.size(), 3u);
  EXPECT_EQ(installed.planReport[0],
            "共有サーバーに保存された日別献立 1 日のうち 1 日の献立 2 件の食品 6 件を、新しい表の同じ食品番号の行に合わせました");
  EXPECT_NE(installed.planReport.back().find("pg_dump"), std::string::npos);
  const std::optional<DayPlan> stored = OpenServerPlanStore(ServerSettings())->LoadDay(kDate);
  ASSERT_TRUE(stored);
  for (const std::string& line : {stored->meals[0][0], stored->meals[2][0]})
    ExpectRightFoods(line, next_);
  EXPECT_NE(stored->meals, day.meals);
  const ServerDishList dishes = LoadServerDishes(ServerSettings());
  ASSERT_EQ(dishes.lines.size(), 1u);
  ExpectRightFoods(dishes.lines[0], next_);
  EXPECT_EQ(dishes.table.digest, Sha256Hex(ReadWholeFile(dir_ + "/" + kFoodFileName)));
  const std::unique_ptr<DayPlanStore> a = OpenPlanStore(dir_, kNow);
  EXPECT_TRUE(a->CanStore()) << a->message();
  EXPECT_EQ(a->LoadDay(kDate)->meals, stored->meals);

  // B, on the old table, reads the same foods on its own lines and writes nothing.
  ASSERT_EQ(chdir(Path("B").c_str()), 0);
  const std::unique_ptr<DayPlanStore> b = OpenPlanStore(Path("B"), kNow);
  EXPECT_FALSE(b->CanStore());
  EXPECT_NE(b->message().find("ほかの利用者と同じ食品成分表を「成分表の取込」で取り込んでください"),
            std::string::npos)
      << b->message();
  const std::optional<DayPlan> readByB = b->LoadDay(kDate);
  ASSERT_TRUE(readByB) << b->readError();
  EXPECT_EQ(readByB->meals, day.meals);
  const StoreResult refused = b->SaveDay(day);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, b->message() + "何も保存していません。");
  RefreshDishWorkingCopy(sink);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("上書きしていません"), std::string::npos) << sink.messages[0];
  EXPECT_EQ(WorkingCopyOf(Path("B")), copyOfB);
  try {
    copy.Save({DishOn(old_, "dish")}, {DishOn(old_, "dish"), "c,k,more"}, nullptr);
    ADD_FAILURE() << "saved";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("と違います"), std::string::npos) << e.what();
  }
  EXPECT_EQ(LoadServerDishes(ServerSettings()).lines, dishes.lines);

  // B installs the same table: the server stays as it is, and B writes again.
  const TableInstall same = InstallFoodTable(Path("B"), next_, kNow + 200);
  ASSERT_TRUE(same.ok) << same.error;
  EXPECT_NE(same.planReport[0].find("そのままにしました"), std::string::npos) << same.planReport[0];
  EXPECT_EQ(OpenServerPlanStore(ServerSettings())->LoadDay(kDate)->meals, stored->meals);
  EXPECT_TRUE(OpenPlanStore(Path("B"), kNow)->SaveDay(*stored).ok);
  sink.messages.clear();
  RefreshDishWorkingCopy(sink);
  EXPECT_TRUE(sink.messages.empty()) << sink.messages[0];
  EXPECT_EQ(ReadDishFile(Path("B/") + kDishDirName + "/" + kDishFileName), dishes.lines);
}

TEST_F(ServerEditionTest, AnInstallThatCannotReachTheServerChangesNothingHere) {
  WriteBytes(std::string(kDishDirName) + "/" + kDishFileName, DishOn(old_, "dish") + "\r\n");
  PgSettings gone = ServerSettings();
  gone.host = Path("no-server");  // a socket folder that is not there
  OnServer(dir_, gone);
  const auto before = Listing(dir_);
  const auto kondateBefore = Listing(Kondate());
  const TableInstall r = InstallFoodTable(dir_, next_, kNow + 100);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("（何も書き込みませんでした）"), std::string::npos) << r.error;
  EXPECT_EQ(Listing(dir_), before);
  EXPECT_EQ(Listing(Kondate()), kondateBefore);
}

}  // namespace
}  // namespace eiyou
