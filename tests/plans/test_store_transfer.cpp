// Moving a folder's store to the throw-away server and back: everything
// arrives and is checked, a store holding anything is never merged into, and
// a server stopped during the move keeps nothing of it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "pg_test_support.h"
#include "plan_test_support.h"
#include "plans/pg_plan_store.h"
#include "plans/store_transfer.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

using testing::PlanTest;

class StoreTransferTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    ASSERT_NO_FATAL_FAILURE(DropServerTables());
  }

  static std::string ServerArgument() {
    const PgSettings s = ServerSettings();
    return "host=" + s.host + " port=" + std::to_string(s.port) + " dbname=" + s.dbname +
           " user=" + s.user;
  }

  // eiyou-data with `arguments` (and environment settings before it): its
  // exit status, its output in `out`.
  static int Tool(const std::string& arguments, std::string& out, const std::string& env = {}) {
    const std::string line = env + " " + EIYOU_DATA_TOOL + " " + arguments + " 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return -1;
    out.clear();
    char buffer[512];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static StoreContents Contents(DayPlanStore& store) {
    StoreContents contents;
    EXPECT_TRUE(store.ReadAll(contents)) << store.readError();
    return contents;
  }
};

TEST_F(StoreTransferTest, TheSampleFolderGoesToTheServerAndBackWhole) {
  // The bundled dishes and the sample month of school lunches, as a user
  // would have stored them, and the rest of a facility beside them.
  WriteBytes(std::string(kDishDirName) + "/献立.TXT",
             ReadWholeFile(std::string(EIYOU_SAMPLE_DATA) + "/KONDATE/献立.TXT"));
  std::string out;
  ASSERT_EQ(Tool(std::string("store-days ") + EIYOU_SAMPLE_PLAN + " " + dir_, out), 0) << out;
  {
    auto store = OpenStore();
    TargetSet set{"常食", "病院の常食", {}};
    set.values.push_back({kAssessedNutrients[0].id, TargetKind::Rda, 1850.5, false, std::nullopt});
    set.values.push_back({kAssessedNutrients[1].id, TargetKind::Rda, 60, false,
                          TargetGroup{Sex::Female, {PeriodClass::Months, 6, 8}}});
    ASSERT_TRUE(store->AddTargetSet(set).ok);
    std::int64_t children = 0, staff = 0;
    ASSERT_TRUE(store->SaveEaterGroup({0, "教職員", 1200, 30, kLunch, "", 2}, &staff).ok);
    ASSERT_TRUE(store->SaveEaterGroup({0, "低学年", 800, 1230, kLunch, "", 1}, &children).ok);
    ASSERT_TRUE(store->SaveHeadcountChanges({{"2025-06-02", children, 1100}, {"2025-06-02", staff, 0},
                                             {"2025-06-03", staff, 28}})
                    .ok);
    ASSERT_TRUE(store->SaveFoodPurchases({{1083, true, 45000, 1000, "kg", "2025-04-01", "米穀店"},
                                          {13003, false, 0, 1000, "", "", "牛乳屋"}})
                    .ok);
    ASSERT_TRUE(store->SaveAllergenOverrides({{1083, "小麦", AllergenPresence::None}}, {}).ok);
    ASSERT_TRUE(store->SaveFacilityInfo({"第一給食センター", "お知らせ\n2行目"}).ok);
  }

  const std::string dishes = ReadBytes(std::string(kDishDirName) + "/献立.TXT");
  const std::size_t dishCount = SplitDishText(dishes).size();
  ASSERT_GT(dishCount, 20u);

  ASSERT_EQ(Tool("to-server --server '" + ServerArgument() + "' " + dir_, out), 0) << out;
  EXPECT_NE(out.find("献立の日 21 日、目標量セット 1 件、喫食グループ 2 件、人数 3 件、単価 2 件、"
                     "アレルゲンの確認 1 件、施設名とお知らせ、献立 " + std::to_string(dishCount) +
                     " 件を移し、すべて照合しました。"),
            std::string::npos)
      << out;
  // Again: the server holds it all now, and nothing is merged.
  EXPECT_EQ(Tool("to-server --server '" + ServerArgument() + "' " + dir_, out), 1);
  EXPECT_NE(out.find("にはすでに献立の日 21 日、"), std::string::npos) << out;

  // Back into a folder that has no KONDATE yet, by the folder's own setting.
  const std::string back = Path("back");
  ASSERT_EQ(mkdir(back.c_str(), 0755), 0);
  ASSERT_EQ(Tool("from-server " + back, out, "EIYOU_SERVER=file"), 2) << out;  // no server named
  ASSERT_EQ(Tool("from-server " + back, out, "EIYOU_SERVER='" + ServerArgument() + "'"), 0) << out;
  auto original = OpenStore();
  auto returned = DayPlanStore::Open(back, kNow);
  const StoreContents a = Contents(*original), b = Contents(*returned);
  EXPECT_TRUE(ContentsDifferences(a, b).empty());
  ASSERT_EQ(b.days.size(), 21u);
  EXPECT_EQ(b.days[0].meals, a.days[0].meals);  // the dish lines' CP932 bytes
  EXPECT_EQ(b.days[0].savedAt, a.days[0].savedAt);
  EXPECT_EQ(b.headcounts.size(), 3u);
  EXPECT_EQ(ReadBytes("back/KONDATE/献立.TXT"), dishes);

  // A folder's own dish file is kept beside the server's list; a folder
  // whose store holds days is refused and its dish file left alone.
  WriteBytes("back/KONDATE/献立.TXT", "old\r\n");
  EXPECT_FALSE(MoveServerToFolder(ServerSettings(), back, kNow).ok);
  EXPECT_EQ(ReadBytes("back/KONDATE/献立.TXT"), "old\r\n");
  ASSERT_EQ(mkdir(Path("other").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("other/KONDATE").c_str(), 0755), 0);
  WriteBytes("other/KONDATE/献立.TXT", "old\r\n");
  const TransferResult moved = MoveServerToFolder(ServerSettings(), Path("other"), kNow);
  ASSERT_TRUE(moved.ok) << moved.message;
  EXPECT_EQ(ReadBytes("other/KONDATE/献立.TXT"), dishes);
  int keptFiles = 0;
  for (const auto& [name, bytes] : Listing(Path("other/KONDATE")))
    if (name.starts_with("献立.TXT.") && name.ends_with(".bak")) {
      EXPECT_EQ(bytes, "old\r\n");
      EXPECT_NE(moved.message.find(name + " に残してあります。"), std::string::npos);
      ++keptFiles;
    }
  EXPECT_EQ(keptFiles, 1);
}

TEST_F(StoreTransferTest, AStoreHoldingAnythingIsNeverMergedInto) {
  ASSERT_TRUE(OpenStore()->SaveDay(Day("2024-06-02", "file", 2)).ok);
  auto server = OpenServerPlanStore(ServerSettings());
  ASSERT_TRUE(server->SaveFoodPurchases({{1001, true, 100, 1000, "", "2024-04-01", ""}}).ok);
  const StoreContents before = Contents(*server);

  auto file = OpenStore();
  const TransferResult refused = TransferStore(*file, *server);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "移し先の献立表 " + server->path() +
                                 " にはすでに献立の日 0 日、目標量セット 0 件、喫食グループ 0 件、"
                                 "人数 0 件、単価 1 件、アレルゲンの確認 0 件、献立 0 件があります。"
                                 "二つの献立表を混ぜないよう、何も移していません。");
  EXPECT_TRUE(ContentsDifferences(before, Contents(*OpenServerPlanStore(ServerSettings()))).empty());
  // The other way too: the file keeps its one day.
  EXPECT_FALSE(TransferStore(*server, *file).ok);
  EXPECT_EQ(Contents(*file).days.size(), 1u);
}

// What cannot arrive as it was is found before the commit: a headcount a
// tool with foreign keys off left without its group has nowhere to go.
TEST_F(StoreTransferTest, AnItemThatDoesNotArriveAsItWasRollsTheMoveBack) {
  std::int64_t group = 0;
  ASSERT_TRUE(OpenStore()->SaveEaterGroup({0, "幼児", 700, 40, kLunch, "", 0}, &group).ok);
  ASSERT_TRUE(OpenStore()->SaveHeadcountChanges({{"2024-06-02", group, 35}}).ok);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(DbPath().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DELETE FROM eater_group", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  auto server = OpenServerPlanStore(ServerSettings());
  const TransferResult moved = TransferStore(*OpenStore(), *server);
  EXPECT_FALSE(moved.ok);
  EXPECT_EQ(moved.message, "移し先の献立表 " + server->path() +
                               " で読み返すと、移し元と違うものがありました（人数（2024-06-02、"
                               "喫食グループ番号 " + std::to_string(group) + "））。何も移していません。");
  EXPECT_TRUE(ContentsDifferences({}, Contents(*server)).empty());
}

TEST_F(StoreTransferTest, AServerStoppedDuringTheMoveKeepsNothingOfIt) {
  // Nearly a year of days, a dozen dishes a meal: the kill lands inside the move.
  StoreContents year;
  for (int month = 1; month <= 12; ++month)
    for (int day = 1; day <= 28; ++day) {
      char date[11];
      std::snprintf(date, sizeof date, "2024-%02d-%02d", month, day);
      year.days.push_back(Day(date, "year", 12));
      year.days.back().savedAt = "2024-01-01T00:00:00";
    }
  ASSERT_TRUE(OpenStore()->WriteAll(year, {}).ok);
  auto file = OpenStore();
  auto server = OpenServerPlanStore(ServerSettings());
  ASSERT_EQ(server->status(), OpenStatus::Ok) << server->message();
  TransferResult moved;
  {
    const ServerKilledAfter kill(std::chrono::milliseconds(150));
    moved = TransferStore(*file, *server);
  }
  EXPECT_FALSE(moved.ok);
  EXPECT_EQ(moved.message, "移し先の献立表 " + server->path() +
                               " に移せませんでした。サーバーとの接続が切れました。保存は行われていません。"
                               "保存されていた内容は変わっていません。");
  EXPECT_TRUE(ContentsDifferences({}, Contents(*OpenServerPlanStore(ServerSettings()))).empty());
}

}  // namespace
}  // namespace eiyou
