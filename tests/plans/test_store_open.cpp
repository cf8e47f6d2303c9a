// Every opening of a folder's store goes where the folder says, the server
// when it names one; a connection test tells each outcome apart; a session
// saves again once a stopped server is back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "pg_test_support.h"
#include "plan_test_support.h"
#include "plans/pg_plan_store.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "sessions/meal_session.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

using testing::PlanTest;

std::string EnvironmentLine(const PgSettings& s) {
  return "host=" + s.host + " port=" + std::to_string(s.port) + " dbname=" + s.dbname +
         " user=" + s.user;
}

class StoreOpenTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    unsetenv(kServerEnvironmentName);
  }
  void TearDown() override {
    unsetenv(kServerEnvironmentName);
    RememberServerPassword({});
    PlanTest::TearDown();
  }
  void UseServer() { setenv(kServerEnvironmentName, EnvironmentLine(ServerSettings()).c_str(), 1); }
};

TEST_F(StoreOpenTest, TheFolderChoosesFileOrServerAndBadSettingsNeverFallBackToTheFile) {
  EXPECT_EQ(OpenPlanStore(dir_, kNow)->path(), DbPath());

  UseServer();
  const std::string date = "2031-02-0" + std::to_string(kNow % 9 + 1);  // a day no other test stores
  auto store = OpenPlanStore(dir_, kNow);
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  ASSERT_TRUE(store->SaveDay(Day(date, "server", 1)).ok);
  EXPECT_TRUE(OpenServerPlanStore(ServerSettings())->HasDay(date));
  EXPECT_FALSE(DayPlanStore::Open(dir_, kNow)->HasDay(date));
  EXPECT_EQ(StoreLocationCaption(dir_), "共有サーバー: 127.0.0.1 / " + ServerSettings().dbname);
  ASSERT_TRUE(OpenServerPlanStore(ServerSettings())->DeleteDay(date).ok);

  setenv(kServerEnvironmentName, "file", 1);
  EXPECT_EQ(OpenPlanStore(dir_, kNow)->path(), DbPath());
  EXPECT_EQ(StoreLocationCaption(dir_), "");

  setenv(kServerEnvironmentName, "host=db1 port=x", 1);
  store = OpenPlanStore(dir_, kNow);
  EXPECT_EQ(store->status(), OpenStatus::Failed);
  EXPECT_NE(store->message().find("EIYOU_SERVER"), std::string::npos) << store->message();
  EXPECT_FALSE(store->SaveDay(Day(date, "lost", 1)).ok);

  unsetenv(kServerEnvironmentName);
  ASSERT_TRUE(ReplaceFileContents(Kondate() + "/" + kServerSettingsFileName, "host=db1\nuser\n"));
  store = OpenPlanStore(dir_, kNow);
  EXPECT_EQ(store->status(), OpenStatus::Failed);
  EXPECT_NE(store->message().find("2行目"), std::string::npos) << store->message();
  EXPECT_FALSE(DayPlanStore::Open(dir_, kNow)->HasDay(date));
}

TEST_F(StoreOpenTest, AConnectionTestTellsEachOutcomeInItsOwnWords) {
  const PgSettings good = ServerSettings();
  const int layout = PgPlanMigrations().back().version;
  ServerCheck check = CheckServer(good);
  EXPECT_TRUE(check.connected) << check.message;
  EXPECT_NE(check.message.find("第" + std::to_string(layout) + "版"), std::string::npos) << check.message;
  EXPECT_NE(check.message.find(" 日分"), std::string::npos) << check.message;

  PgSettings other = good;
  other.dbname = "no_such_kondate";
  check = CheckServer(other);
  EXPECT_FALSE(check.connected);
  EXPECT_NE(check.message.find("データベース「no_such_kondate」がサーバーにありません"), std::string::npos)
      << check.message;

  other = good;
  other.password = "wrong";
  check = CheckServer(other);
  EXPECT_TRUE(check.passwordRefused);
  EXPECT_FALSE(check.needsPassword);
  EXPECT_NE(check.message.find("ユーザー名またはパスワードが正しくありません"), std::string::npos)
      << check.message;

  // No password anywhere: the program is to ask for one.
  const std::string passFile = ServerEnv().at("PGPASSFILE");
  setenv("PGPASSFILE", (dir_ + "/none").c_str(), 1);
  check = CheckServer(good);
  EXPECT_TRUE(check.needsPassword);
  EXPECT_TRUE(ServerAsksForPassword(good));
  UseServer();
  RememberServerPassword("eiyou-test-password");  // as scripts/pg_test_server.sh made it
  EXPECT_EQ(OpenPlanStore(dir_, kNow)->status(), OpenStatus::Ok) << "the password typed is used";
  setenv("PGPASSFILE", passFile.c_str(), 1);
  EXPECT_FALSE(ServerAsksForPassword(good));

  // A layout newer than this program: read only, and the user told to update.
  std::vector<PlanMigration> later(PgPlanMigrations().begin(), PgPlanMigrations().end());
  later.push_back({layout + 1, "CREATE TABLE settings_test_later (x BIGINT);"});
  ASSERT_EQ(OpenServerPlanStore(good, later)->status(), OpenStatus::Ok);
  check = CheckServer(good);
  EXPECT_TRUE(check.connected);
  EXPECT_NE(check.message.find("更新してください"), std::string::npos) << check.message;

  // Older than a later program's, for a user who may not change tables: the
  // administrator must take the step.
  SqlError error;
  auto admin = ConnectPostgres(good, error);
  ASSERT_TRUE(admin) << error.message;
  ASSERT_TRUE(admin->Exec("DROP TABLE settings_test_later; UPDATE plan_layout SET version = " +
                          std::to_string(layout)))
      << admin->lastError().message;
  admin->Exec("DROP OWNED BY settings_test_clerk");  // left by a run that stopped halfway
  admin->Exec("DROP ROLE IF EXISTS settings_test_clerk");
  ASSERT_TRUE(admin->Exec(
      "CREATE ROLE settings_test_clerk LOGIN PASSWORD 'clerk';"
      "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO settings_test_clerk;"
      "REVOKE CREATE ON SCHEMA public FROM PUBLIC"))
      << admin->lastError().message;
  PgSettings clerk = good;
  clerk.user = "settings_test_clerk";
  clerk.password = "clerk";
  SqlError failure;
  auto refused = OpenServerPlanStore(clerk, later, &failure);
  EXPECT_EQ(refused->status(), OpenStatus::Failed);
  EXPECT_EQ(failure.kind, SqlErrorKind::NoPermission);
  EXPECT_NE(refused->message().find("管理者"), std::string::npos) << refused->message();
  EXPECT_EQ(OpenServerPlanStore(clerk)->status(), OpenStatus::Ok) << "up to date: only read";
  admin->Exec("DROP OWNED BY settings_test_clerk; DROP ROLE settings_test_clerk");

  ASSERT_NO_FATAL_FAILURE(ServerScript("kill"));
  check = CheckServer(good);
  ASSERT_NO_FATAL_FAILURE(ServerScript("start"));
  EXPECT_FALSE(check.connected);
  EXPECT_NE(check.message.find("ポート " + std::to_string(good.port)), std::string::npos) << check.message;
}

// Row 1 of the food table: 100 of every column; every reference row 2100.
void Fill(MealSession& meal) {
  std::string line = " 1001,food";
  for (int c = 3; c <= FoodTable::kColumns; ++c) line += ",100";
  meal.food.SetRow(1, line);
  for (int row = 1; row <= ReferenceTable::kRows; ++row)
    for (int f = 1; f <= ReferenceTable::kFields; ++f) meal.reference.SetField(row, f, "2100");
}

struct Answers : DayPlanDialog {
  void Show(const std::string& text) override { notes.push_back(text); }
  bool Confirm(const std::string&, const char*, const char*) override { return true; }
  std::vector<std::string> notes;
};

TEST_F(StoreOpenTest, ASessionSavesAgainOnceTheServerIsBackAndKeepsItsWorkMeanwhile) {
  UseServer();
  MealSession meal;
  Fill(meal);
  meal.ChooseDate("2031-03-0" + std::to_string(kNow % 9 + 1));
  meal.ChooseSex(1);
  meal.ChooseAge(8);
  meal.AddDish(1, ",,a,[1] 1001:food= 30g");
  Answers answers;
  ASSERT_EQ(meal.SaveDay(answers).outcome, DayOutcome::Saved);

  ASSERT_NO_FATAL_FAILURE(ServerScript("kill"));
  meal.AddDish(2, ",,b,[1] 1001:food= 5g");
  const DayStatus down = meal.SaveDay(answers);
  ASSERT_NO_FATAL_FAILURE(ServerScript("start"));
  EXPECT_EQ(down.outcome, DayOutcome::Unusable);
  EXPECT_NE(down.message.find("サーバーに接続できません"), std::string::npos) << down.message;
  EXPECT_EQ(meal.MealDishes()[1].size(), 1u) << "the window's work is kept";

  ASSERT_EQ(meal.SaveDay(answers).outcome, DayOutcome::Saved);
  auto stored = OpenServerPlanStore(ServerSettings())->LoadDay(meal.date());
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->meals[1].size(), 1u);
  ASSERT_TRUE(OpenServerPlanStore(ServerSettings())->DeleteDay(meal.date()).ok);
}

}  // namespace
}  // namespace eiyou
