// The day plan store on both engines with the same queries: an SQLite file in
// a scratch folder and the throw-away server; then what only a server meets
// (two users at once, the server stopped during a save, its layout steps).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
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

// Two users read the same row of every kind and both save it: on a server the
// second is told and stores nothing, the first one's row stays whole; a file
// has one user, and there the second save simply replaces the first.
TEST_P(BothEnginesTest, TheSecondOfTwoSavesOfARowReadBeforeIsRefusedOnAServer) {
  const bool server = GetParam() == SqlEngine::Postgres;
  TargetSet set{"常食", "", {}};
  set.values.push_back({kAssessedNutrients[0].id, TargetKind::Rda, 1800, false, std::nullopt});
  ASSERT_TRUE(store_->AddTargetSet(set).ok);
  EaterGroup group{0, "幼児", 700, 40, kLunch, "", 1};
  std::int64_t id = 0;
  ASSERT_TRUE(store_->SaveEaterGroup(group, &id).ok);
  ASSERT_TRUE(store_->SaveHeadcountChanges({{kDate, id, 35}}).ok);
  ASSERT_TRUE(store_->SaveFoodPurchases({{1001, true, 12000, 1000, "kg", "2024-04-01", "青果店"}}).ok);
  ASSERT_TRUE(store_->SaveAllergenOverrides({{1001, "卵", AllergenPresence::Contains}}, {}).ok);
  ASSERT_TRUE(store_->SaveFacilityInfo({"みどり保育園", ""}).ok);
  ASSERT_TRUE(store_->SaveDay(Day(kDate, "stored", 1)).ok);
  auto first = Open(), second = Open();

  // Read by both first, then saved in turn.
  std::int64_t dayA = 0, dayB = 0;
  ASSERT_TRUE(first->LoadDayWithVersion(kDate, dayA));
  ASSERT_TRUE(second->LoadDayWithVersion(kDate, dayB));
  TargetSet setA = *first->LoadTargetSet("常食"), setB = *second->LoadTargetSet("常食");
  EaterGroup groupA = first->EaterGroups().at(0), groupB = second->EaterGroups().at(0);
  HeadcountChange countA = first->HeadcountChanges(kDate, kDate).at(0),
                  countB = second->HeadcountChanges(kDate, kDate).at(0);
  FoodPurchase priceA = first->FoodPurchases().at(0), priceB = second->FoodPurchases().at(0);
  // A price neither has: both read none (version 0).
  FoodPurchase newA{1088, true, 500, 1000, "", "2024-05-01", "", 0}, newB = newA;
  AllergenOverride eggA = first->AllergenOverrides().at(0), eggB = second->AllergenOverrides().at(0);
  FacilityInfo infoA = first->LoadFacilityInfo(), infoB = second->LoadFacilityInfo();
  EXPECT_EQ(server, dayA != 0 && setA.version && groupA.version && countA.version && priceA.version &&
                        eggA.version && infoA.version);

  bool changed = false;
  ASSERT_TRUE(first->SaveDayIfUnchanged(Day(kDate, "first", 1), dayA, changed).ok);
  setA.description = "first";
  ASSERT_TRUE(first->ReplaceTargetSet("常食", setA).ok);
  groupA.headcount = 41;
  ASSERT_TRUE(first->SaveEaterGroup(groupA).ok);
  countA.headcount = 36;
  ASSERT_TRUE(first->SaveHeadcountChanges({countA}).ok);
  priceA.priceSen = 13000;
  ASSERT_TRUE(first->SaveFoodPurchases({priceA, newA}).ok);
  eggA.presence = AllergenPresence::MayContain;
  ASSERT_TRUE(first->SaveAllergenOverrides({eggA}, {}).ok);
  infoA.name = "first";
  ASSERT_TRUE(first->SaveFacilityInfo(infoA).ok);

  setB.description = "second";
  groupB.headcount = 42;
  countB.headcount = 37;
  priceB.priceSen = 14000;
  newB.priceSen = 600;
  infoB.name = "second";
  const std::pair<const char*, StoreResult> saves[] = {
      {"day", second->SaveDayIfUnchanged(Day(kDate, "second", 1), dayB, changed)},
      {"target set", second->ReplaceTargetSet("常食", setB)},
      {"group", second->SaveEaterGroup(groupB)},
      {"headcount", second->SaveHeadcountChanges({countB})},
      {"price", second->SaveFoodPurchases({priceB})},
      {"new price", second->SaveFoodPurchases({newB})},
      {"allergen", second->SaveAllergenOverrides({}, {eggB})},
      {"facility", second->SaveFacilityInfo(infoB)},
  };
  for (const auto& [what, r] : saves) {
    EXPECT_EQ(r.ok, !server) << what;
    EXPECT_EQ(r.changedByOther, server) << what;
    if (server) {
      EXPECT_NE(r.message.find("ほかの利用者が変更しています"), std::string::npos) << what;
    }
  }
  EXPECT_EQ(changed, server);
  if (server) {
    EXPECT_EQ(saves[4].second.message, ChangedByOtherMessage("単価 01001"));
  }

  // What is stored: the first user's on a server, the second's in a file.
  auto again = Open();
  const std::string winner = server ? "first" : "second";
  EXPECT_EQ(again->LoadDay(kDate)->meals, Day(kDate, winner, 1).meals);
  EXPECT_EQ(again->LoadTargetSet("常食")->description, winner);
  EXPECT_EQ(again->EaterGroups().at(0).headcount, server ? 41 : 42);
  EXPECT_EQ(again->HeadcountChanges(kDate, kDate).at(0).headcount, server ? 36 : 37);
  const auto prices = again->FoodPurchases();
  ASSERT_EQ(prices.size(), 2u);
  EXPECT_EQ(prices[0].priceSen, server ? 13000 : 14000);
  EXPECT_EQ(prices[1].priceSen, server ? 500 : 600);
  EXPECT_EQ(again->AllergenOverrides().size(), server ? 1u : 0u);
  EXPECT_EQ(again->LoadFacilityInfo().name, winner);
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
    // What the server has beside: its layout row, the row versions, the dish
    // list (a single user's is the dish file) and the record of the food
    // table its lines follow (a single user's is the table beside the file).
    const std::string_view table = serverColumns->Text(0);
    if (table == "plan_layout" || table.starts_with("dish_list") || table == "food_table" ||
        serverColumns->Text(1) == "version")
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
  StoreResult r;
  {
    // Thousands of dish rows, one exchange each: the kill lands inside.
    const ServerKilledAfter kill(std::chrono::milliseconds(150));
    r = store->SaveDay(Day(kDate, "new", 4000));
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message,
            "サーバーとの接続が切れました。保存は行われていません。保存されていた献立は変わっていません。");
  const auto found = OpenServerPlanStore(ServerSettings())->LoadDay(kDate);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->meals, oldDay.meals);
}

TEST_F(ServerStoreTest, LayoutStepsKeepTheDaysAndANewerLayoutIsOnlyRead) {
  const std::size_t previous = PgPlanMigrations().size() - 1;
  auto before = OpenServerPlanStore(ServerSettings(), PgPlanMigrations().first(previous));
  ASSERT_EQ(before->schemaVersion(), static_cast<int>(previous));
  ASSERT_TRUE(before->SaveDay(Day(kDate, "kept", 2)).ok);
  ASSERT_TRUE(before->SaveFacilityInfo({"施設", ""}).ok);
  before.reset();
  auto latest = OpenServerPlanStore(ServerSettings());
  EXPECT_EQ(latest->schemaVersion(), static_cast<int>(previous) + 1);
  ASSERT_TRUE(latest->LoadDay(kDate));
  EXPECT_EQ(latest->LoadDay(kDate)->meals, Day(kDate, "kept", 2).meals);
  // The rows stored before carry versions the checked saves go by.
  FacilityInfo info = latest->LoadFacilityInfo();
  ASSERT_TRUE(info.version);
  info.notes = "お知らせ";
  EXPECT_TRUE(latest->SaveFacilityInfo(info).ok);
  EXPECT_FALSE(latest->SaveFacilityInfo(info).ok);  // the version read is gone
  latest.reset();

  auto older = OpenServerPlanStore(ServerSettings(), PgPlanMigrations().first(previous));
  EXPECT_EQ(older->status(), OpenStatus::NewerVersion);
  EXPECT_TRUE(older->LoadDay(kDate));
  const StoreResult refused = older->SaveDay(Day(kDate, "new", 1));
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.message.find("新しい版のプログラムで作られたため"), std::string::npos);
}

// A day deleted and stored again never gets back a version a user still
// holds: that user's save is refused.
TEST_F(ServerStoreTest, ADayDeletedAndStoredAgainRefusesTheOldVersion) {
  auto first = OpenServerPlanStore(ServerSettings()), second = OpenServerPlanStore(ServerSettings());
  ASSERT_TRUE(first->SaveDay(Day(kDate, "a", 1)).ok);
  std::int64_t held = 0;
  ASSERT_TRUE(first->LoadDayWithVersion(kDate, held));
  ASSERT_TRUE(second->DeleteDay(kDate).ok);
  bool changed = false;
  std::int64_t none = 0;
  ASSERT_TRUE(second->SaveDayIfUnchanged(Day(kDate, "b", 1), none, changed).ok);
  EXPECT_NE(none, held);
  const StoreResult r = first->SaveDayIfUnchanged(Day(kDate, "c", 1), held, changed);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(changed);
  EXPECT_EQ(r.message, ChangedByOtherMessage("日別献立 " + std::string(kDate)));
  // Deleted by another user since it was read: refused as well.
  ASSERT_TRUE(first->LoadDayWithVersion(kDate, held));
  ASSERT_TRUE(second->DeleteDay(kDate).ok);
  EXPECT_FALSE(first->SaveDayIfUnchanged(Day(kDate, "c", 1), held, changed).ok);
  EXPECT_FALSE(OpenServerPlanStore(ServerSettings())->HasDay(kDate));
}

// Ten users, each on a connection of their own, saving days at once: every
// day arrives whole.
TEST_F(ServerStoreTest, TenUsersSavingAtOnceAllArrive) {
  constexpr int kUsers = 10, kSaves = 12;
  ASSERT_EQ(OpenServerPlanStore(ServerSettings())->status(), OpenStatus::Ok);  // the layout, once
  std::vector<std::string> failures(kUsers);
  std::vector<std::thread> users;
  for (int u = 0; u < kUsers; ++u)
    users.emplace_back([u, &failures] {
      auto store = OpenServerPlanStore(ServerSettings());
      for (int i = 0; i < kSaves && failures[u].empty(); ++i) {
        const std::string date = "2024-0" + std::to_string(1 + i % 9) + "-" +
                                 (u < 9 ? "0" : "") + std::to_string(u + 1);
        std::int64_t version = 0;
        store->LoadDayWithVersion(date, version);
        bool changed = false;
        const StoreResult r = store->SaveDayIfUnchanged(
            Day(date, "u" + std::to_string(u) + "-" + std::to_string(i), 2), version, changed);
        if (!r.ok) failures[u] = r.message;
      }
    });
  for (std::thread& t : users) t.join();
  for (int u = 0; u < kUsers; ++u) EXPECT_EQ(failures[u], "") << "user " << u;
  const auto days = OpenServerPlanStore(ServerSettings())->DaysBetween("2024-01-01", "2024-12-31");
  ASSERT_EQ(days.size(), 9u * kUsers);
  for (const DayPlan& d : days) {
    const int u = std::stoi(d.date.substr(8)) - 1, month = std::stoi(d.date.substr(5, 2));
    const int last = month + 9 <= kSaves ? month + 8 : month - 1;  // the later of its saves
    EXPECT_EQ(d.meals, Day(d.date, "u" + std::to_string(u) + "-" + std::to_string(last), 2).meals)
        << d.date;
  }
}

// The administrator's SQL from the guide, on a database of its own: the owner
// takes the layout steps, a read-write user saves, a read-only user reads and
// is refused a save in words, and a read-write user meeting a layout older
// than the program is told the administrator must update it.
TEST_F(ServerStoreTest, TheAdministratorsRolesReadWriteAndOnlyRead) {
  const char* kDb = "eiyou_roles";
  SqlError error;
  {
    auto admin = ConnectPostgres(ServerSettings(), error);
    ASSERT_TRUE(admin) << error.message;
    ASSERT_TRUE(admin->Exec(std::string("DROP DATABASE IF EXISTS ") + kDb)) << admin->lastError().message;
    ASSERT_TRUE(admin->Exec("DROP ROLE IF EXISTS sato, suzuki, eiyou_editor, eiyou_reader, eiyou_owner"))
        << admin->lastError().message;
  }
  std::ifstream in(EIYOU_ADMIN_SQL);
  std::string sql((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int named = 0;  // the database's name, in its statements and its \connect
  for (const std::string from : {"DATABASE eiyou ", "\\connect eiyou\n"})
    for (std::size_t at = 0; (at = sql.find(from, at)) != std::string::npos; ++named)
      sql.replace(at, from.size(), std::string(from).insert(from.size() - 1, "_roles"));
  ASSERT_GE(named, 2);
  WriteBytes("admin.sql", sql);
  const auto& env = ServerEnv();
  const std::string psql = "psql -q -X -v ON_ERROR_STOP=1 -h " + env.at("PGHOST") + " -p " +
                           env.at("PGPORT") + " -U " + env.at("PGUSER") + " -d " +
                           env.at("PGDATABASE") + " -f '" + Path("admin.sql") + "'";
  ASSERT_EQ(std::system(psql.c_str()), 0) << psql;
  {
    auto admin = ConnectPostgres(ServerSettings(), error);
    for (const char* role : {"eiyou_owner", "sato", "suzuki"})
      ASSERT_TRUE(admin->Exec(std::string("ALTER ROLE ") + role + " PASSWORD 'pw-" + role + "'"));
  }
  auto as = [&](const char* role) {
    PgSettings s = ServerSettings();
    s.dbname = kDb;
    s.user = role;
    s.password = std::string("pw-") + role;
    return s;
  };
  const std::size_t previous = PgPlanMigrations().size() - 1;
  ASSERT_EQ(OpenServerPlanStore(as("eiyou_owner"), PgPlanMigrations().first(previous))->status(),
            OpenStatus::Ok);
  auto old = OpenServerPlanStore(as("sato"));
  EXPECT_EQ(old->status(), OpenStatus::Failed);
  EXPECT_NE(old->message().find("サーバーの管理者がこのプログラムで一度接続して"), std::string::npos)
      << old->message();
  ASSERT_EQ(OpenServerPlanStore(as("eiyou_owner"))->status(), OpenStatus::Ok);

  auto editor = OpenServerPlanStore(as("sato"));
  ASSERT_EQ(editor->status(), OpenStatus::Ok) << editor->message();
  EXPECT_TRUE(editor->SaveDay(Day(kDate, "sato", 1)).ok);
  EXPECT_TRUE(editor->AddTargetSet({"常食", "", {}}).ok);  // a key the server numbers
  EXPECT_TRUE(editor->SaveFoodPurchases({{1001, true, 100, 1000, "", "2024-04-01", ""}}).ok);

  auto reader = OpenServerPlanStore(as("suzuki"));
  ASSERT_EQ(reader->status(), OpenStatus::Ok) << reader->message();
  ASSERT_TRUE(reader->LoadDay(kDate));
  const StoreResult refused = reader->SaveDay(Day(kDate, "suzuki", 1));
  EXPECT_FALSE(refused.ok);
  SqlError noPermission;
  noPermission.kind = SqlErrorKind::NoPermission;
  EXPECT_EQ(refused.message, JapaneseMessage(noPermission) + "保存されていた献立は変わっていません。");
  EXPECT_EQ(reader->LoadDay(kDate)->meals, Day(kDate, "sato", 1).meals);
}

}  // namespace
}  // namespace eiyou
