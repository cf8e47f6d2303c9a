// The day plan store on both engines with the same queries: an SQLite file in
// a scratch folder and the throw-away server; then what only a server meets
// (two users at once, the server stopped during a save, its layout steps).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>

#include "pg_test_support.h"
#include "plan_test_support.h"
#include "nutrition/profile.h"
#include "plans/pg_plan_store.h"

namespace eiyou {

void PrintTo(SqlEngine engine, std::ostream* out) {
  *out << (engine == SqlEngine::Sqlite ? "SQLite" : "PostgreSQL");
}

namespace {

using testing::PlanTest;

constexpr const char* kDate = "2024-06-01";

class BothEnginesTest : public PlanTest, public ::testing::WithParamInterface<SqlEngine> {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    if (GetParam() == SqlEngine::Postgres) {
      ASSERT_NO_FATAL_FAILURE(RequireServer());
      ASSERT_NO_FATAL_FAILURE(DropServerTables());
    }
    store_ = Open();
    ASSERT_EQ(store_->status(), OpenStatus::Ok) << store_->message();
  }
  std::unique_ptr<DayPlanStore> Open() const {
    return GetParam() == SqlEngine::Sqlite ? OpenStore() : OpenServerPlanStore(ServerSettings());
  }

  std::unique_ptr<DayPlanStore> store_;
};

TEST_P(BothEnginesTest, DaysRoundTripAndAPeriodIsReadInOrder) {
  DayPlan odd = Day("2024-06-03", "odd", 2, 0, 11);
  odd.meals[1].push_back(std::string("\x82\xa0\0\xff,", 5));  // CP932 bytes, a NUL, 0xFF
  odd.profile = "";
  for (const DayPlan& d : {Day("2024-06-02", "a", 3), odd, Day("2024-07-01", "late", 1)})
    ASSERT_TRUE(store_->SaveDay(d).ok);
  ASSERT_TRUE(store_->SaveDay(Day("2024-06-02", "again", 1)).ok);  // replaces the day whole
  ASSERT_TRUE(store_->SaveDay(Day("2024-06-04", "gone", 1)).ok);
  ASSERT_TRUE(store_->DeleteDay("2024-06-04").ok);

  const std::vector<DayPlan> june = Open()->DaysBetween("2024-06-01", "2024-06-30");
  ASSERT_EQ(june.size(), 2u) << store_->readError();
  EXPECT_EQ(june[0].meals, Day("2024-06-02", "again", 1).meals);
  EXPECT_EQ(june[1].meals, odd.meals);
  EXPECT_EQ(june[1].age, 11);
  EXPECT_FALSE(store_->HasDay("2024-06-04"));
  EXPECT_TRUE(store_->HasDay("2024-07-01"));
}

TEST_P(BothEnginesTest, TargetSetsFacilityAndAllergensRoundTrip) {
  TargetSet set{"A病院 常食", "説明", {}};
  set.values.push_back({kAssessedNutrients[0].id, TargetKind::Rda, 1850.5, false, std::nullopt});
  set.values.push_back({kAssessedNutrients[1].id, TargetKind::Rda, 60, false,
                        TargetGroup{Sex::Female, {PeriodClass::Months, 6, 8}}});
  ASSERT_TRUE(store_->AddTargetSet(set).ok);
  DayPlan day = Day("2024-06-02", "a", 1);
  Profile profile;
  profile.targetSet = set.name;
  day.profile = ProfileText(profile);
  ASSERT_TRUE(store_->SaveDay(day).ok);
  TargetSet renamed = set;
  renamed.name = "B病院";
  ASSERT_TRUE(store_->ReplaceTargetSet(set.name, renamed).ok);
  EXPECT_FALSE(store_->AddTargetSet(renamed).ok);  // the name is taken

  EaterGroup group{0, "幼児", 700, 40, 7, "", 1};
  std::int64_t id = 0;
  ASSERT_TRUE(store_->SaveEaterGroup(group, &id).ok);
  group.id = id + 1000;
  EXPECT_FALSE(store_->SaveEaterGroup(group, nullptr).ok);  // no such group
  ASSERT_TRUE(store_->SaveHeadcountChanges({{"2024-06-02", id, 35}, {"2024-06-03", id, 0}}).ok);
  ASSERT_TRUE(store_->SaveHeadcountChanges({{"2024-06-03", id, -1}}).ok);
  FoodPurchase price{1001, true, 12000, 1000, "kg", "2024-04-01", "青果店"};
  FoodPurchase supplierOnly{1002, false, 0, 500, "", "", "乾物屋"};
  ASSERT_TRUE(store_->SaveFoodPurchases({price, supplierOnly}).ok);
  price.priceSen = 13000;
  ASSERT_TRUE(store_->SaveFoodPurchases({price}).ok);
  ASSERT_TRUE(store_->SaveFacilityInfo({"みどり保育園", "お知らせ\n2行目"}).ok);
  ASSERT_TRUE(store_->SaveAllergenOverrides({{1001, "卵", AllergenPresence::Contains}}, {}).ok);
  ASSERT_TRUE(store_->SaveAllergenOverrides({{1002, "乳", AllergenPresence::None}},
                                            {{1001, "卵", AllergenPresence::None}})
                  .ok);

  auto again = Open();
  const auto sets = again->TargetSets();
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].name, "B病院");
  const auto loaded = again->LoadTargetSet("B病院");
  ASSERT_TRUE(loaded) << again->readError();
  ASSERT_EQ(loaded->values.size(), 2u);
  EXPECT_EQ(loaded->values[0].value, 1850.5);
  EXPECT_EQ(loaded->values[1].group, set.values[1].group);
  EXPECT_EQ(ParseProfile(again->LoadDay("2024-06-02")->profile)->targetSet, "B病院");
  const auto groups = again->EaterGroups();
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].name, "幼児");
  EXPECT_EQ(groups[0].factorPermille, 700);
  const auto changes = again->HeadcountChanges("2024-06-01", "2024-06-30");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].headcount, 35);
  const auto prices = again->FoodPurchases();
  ASSERT_EQ(prices.size(), 2u);
  EXPECT_EQ(prices[0].priceSen, 13000);
  EXPECT_FALSE(prices[1].priced);
  EXPECT_EQ(prices[1].supplier, "乾物屋");
  EXPECT_EQ(again->LoadFacilityInfo().notes, "お知らせ\n2行目");
  const auto overrides = again->AllergenOverrides();
  ASSERT_EQ(overrides.size(), 1u);
  EXPECT_EQ(overrides[0].item, "乳");
}

INSTANTIATE_TEST_SUITE_P(Engines, BothEnginesTest,
                         ::testing::Values(SqlEngine::Sqlite, SqlEngine::Postgres),
                         [](const auto& info) {
                           return info.param == SqlEngine::Sqlite ? "Sqlite" : "Postgres";
                         });

class ServerStoreTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    ASSERT_NO_FATAL_FAILURE(DropServerTables());
  }
};

// table → its columns, in name order.
using Columns = std::map<std::string, std::set<std::string>>;

TEST_F(ServerStoreTest, BothEnginesHaveTheSameTablesAndColumns) {
  ASSERT_EQ(OpenStore()->status(), OpenStatus::Ok);
  ASSERT_EQ(OpenServerPlanStore(ServerSettings())->status(), OpenStatus::Ok);
  Columns file, server;
  SqlError error;
  auto sqlite = OpenSqlite(DbPath(), error);
  auto columns = sqlite->Prepare(
      "SELECT m.name, p.name FROM sqlite_master m, pragma_table_info(m.name) p WHERE m.type = 'table'");
  while (columns->Step() == SqlStep::Row) file[std::string(columns->Text(0))].emplace(columns->Text(1));
  auto pg = ConnectPostgres(ServerSettings(), error);
  // A statement of its own, gone before its connection.
  auto serverColumns = pg->Prepare(
      "SELECT table_name, column_name FROM information_schema.columns WHERE table_schema = 'public'");
  while (serverColumns->Step() == SqlStep::Row) {
    // What the server has beside: its layout row, the row versions and the
    // dish list (a single user's is the dish file).
    const std::string_view table = serverColumns->Text(0);
    if (table == "plan_layout" || table.starts_with("dish_list") || serverColumns->Text(1) == "version")
      continue;
    server[std::string(serverColumns->Text(0))].emplace(serverColumns->Text(1));
  }
  EXPECT_EQ(file.size(), 9u);
  EXPECT_EQ(server, file);
}

// Two program copies saving the same day they both read: one is stored, the
// other is told and stores nothing; the day is the first one's, whole.
TEST_F(ServerStoreTest, TwoUsersSavingTheSameDayAtOnceNeverLoseOneSilently) {
  ASSERT_TRUE(OpenServerPlanStore(ServerSettings())->SaveDay(Day(kDate, "old", 20)).ok);
  for (int round = 0; round < 5; ++round) {
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t pids[2];
    for (int who = 0; who < 2; ++who) {
      pids[who] = fork();
      ASSERT_GE(pids[who], 0);
      if (pids[who] == 0) {
        alarm(30);  // never outlive a parent that failed
        auto store = OpenServerPlanStore(ServerSettings());
        std::int64_t version = 0;
        if (!store->LoadDayWithVersion(kDate, version)) _exit(3);
        char byte = 'r';
        if (write(ready[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 1) _exit(4);
        bool changedByOther = false;
        const StoreResult r = store->SaveDayIfUnchanged(
            Day(kDate, "user" + std::to_string(who), 20 + who), version, changedByOther);
        _exit(r.ok ? 0 : changedByOther && !r.message.empty() ? 1 : 2);
      }
    }
    char byte;
    for (int who = 0; who < 2; ++who) ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(write(go[1], "gg", 2), 2);  // both at once
    int codes[2];
    for (int who = 0; who < 2; ++who) {
      int status = 0;
      ASSERT_EQ(waitpid(pids[who], &status, 0), pids[who]);
      codes[who] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
    ASSERT_EQ(std::min(codes[0], codes[1]), 0) << codes[0] << " " << codes[1];
    ASSERT_EQ(std::max(codes[0], codes[1]), 1) << codes[0] << " " << codes[1];
    const int winner = codes[0] == 0 ? 0 : 1;
    const auto stored = OpenServerPlanStore(ServerSettings())->LoadDay(kDate);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->meals, Day(kDate, "user" + std::to_string(winner), 20 + winner).meals);
  }
}

TEST_F(ServerStoreTest, AServerStoppedDuringASaveKeepsTheOldDayAndSaysSo) {
  const DayPlan oldDay = Day(kDate, "old", 10);
  auto store = OpenServerPlanStore(ServerSettings());
  ASSERT_TRUE(store->SaveDay(oldDay).ok);
  // Thousands of dish rows, one exchange each: the kill lands inside.
  ServerKill kill(150);
  const StoreResult r = store->SaveDay(Day(kDate, "new", 4000));
  kill.Join();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message,
            "サーバーとの接続が切れました。保存は行われていません。保存されていた献立は変わっていません。");
  ServerScript("start");
  const auto found = OpenServerPlanStore(ServerSettings())->LoadDay(kDate);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->meals, oldDay.meals);
}

TEST_F(ServerStoreTest, LayoutStepsKeepTheDaysAndANewerLayoutIsOnlyRead) {
  auto third = OpenServerPlanStore(ServerSettings(), PgPlanMigrations().first(3));
  ASSERT_EQ(third->schemaVersion(), 3);
  ASSERT_TRUE(third->SaveDay(Day(kDate, "kept", 2)).ok);
  third.reset();
  auto fourth = OpenServerPlanStore(ServerSettings());
  EXPECT_EQ(fourth->schemaVersion(), PgPlanMigrations().back().version);
  ASSERT_TRUE(fourth->LoadDay(kDate));
  EXPECT_EQ(fourth->LoadDay(kDate)->meals, Day(kDate, "kept", 2).meals);
  EXPECT_TRUE(fourth->SaveFacilityInfo({"施設", ""}).ok);
  fourth.reset();

  auto older = OpenServerPlanStore(ServerSettings(), PgPlanMigrations().first(3));
  EXPECT_EQ(older->status(), OpenStatus::NewerVersion);
  EXPECT_TRUE(older->LoadDay(kDate));
  const StoreResult refused = older->SaveDay(Day(kDate, "new", 1));
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.message.find("新しい版のプログラムで作られたため"), std::string::npos);
}

}  // namespace
}  // namespace eiyou
