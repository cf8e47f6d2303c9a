// The day plan database's later layouts: a day's profile, and the target
// sets stored beside the days.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "nutrition/profile.h"
#include "plan_test_support.h"
#include "sessions/target_set_session.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

using TargetStoreTest = PlanTest;

void Tool(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TargetSet SaltSet() {
  TargetSet set{"減塩食 6g", "食塩 6g 未満", {}};
  set.values.push_back({"NACL_EQ", TargetKind::DgUpper, 6, true, std::nullopt});
  set.values.push_back({"ENERC_KCAL", TargetKind::Target, 1800, false, std::nullopt});
  set.values.push_back({"ENERC_KCAL", TargetKind::Target, 2200, false,
                        TargetGroup{Sex::Male, {PeriodClass::Years, 18, 29}}});
  set.values.push_back({"FE", TargetKind::Rda, 0.1 + 0.2, false,
                        TargetGroup{Sex::Female, {PeriodClass::Months, 6, 11}}});
  return set;
}

bool SameSet(const TargetSet& a, const TargetSet& b) {
  if (a.name != b.name || a.description != b.description || a.values.size() != b.values.size())
    return false;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const TargetValue &x = a.values[i], &y = b.values[i];
    if (x.nutrient != y.nutrient || x.kind != y.kind || x.value != y.value ||
        x.exclusive != y.exclusive || x.group != y.group)
      return false;
  }
  return true;
}

TEST_F(TargetStoreTest, AnOldDatabaseIsBroughtUpToDateAndKeepsItsDays) {
  const DayPlan old = Day("2024-06-01", "old", 2, 0, 7);
  StoreInFirstLayout(old);

  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  EXPECT_EQ(store->schemaVersion(), PlanMigrations().back().version);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-01"), old));  // profile still empty
  EXPECT_TRUE(store->TargetSets().empty());

  // A day's profile, with a set's name that needs escaping, comes back as stored.
  DayPlan day = Day("2024-06-02", "new", 1);
  day.profile = "sex=F;age=30-49;pal=2;ref=current;set=%E6%B8%9B%E5%A1%A9";
  ASSERT_TRUE(store->SaveDay(day).ok);
  EXPECT_TRUE(SameDay(*store->LoadDay("2024-06-02"), day));
  day.profile = "sex=X";
  EXPECT_FALSE(store->SaveDay(day).ok);
  EXPECT_EQ(store->LoadDay("2024-06-02")->profile,
            "sex=F;age=30-49;pal=2;ref=current;set=%E6%B8%9B%E5%A1%A9");
}

TEST_F(TargetStoreTest, SetsAreAddedReplacedRenamedAndDeletedWhole) {
  auto store = OpenStore();
  const TargetSet salt = SaltSet();
  ASSERT_TRUE(store->AddTargetSet(salt).ok);
  ASSERT_TRUE(store->AddTargetSet({"A病院 常食", "", {}}).ok);
  const auto listed = store->TargetSets();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].name, "A病院 常食");
  EXPECT_EQ(listed[1].description, "食塩 6g 未満");
  EXPECT_TRUE(SameSet(*store->LoadTargetSet("減塩食 6g"), salt));  // doubles exactly, order kept
  EXPECT_FALSE(store->LoadTargetSet("ない"));
  EXPECT_TRUE(store->readError().empty());

  // Refusals write nothing: a taken name, a bad name, a bad value.
  TargetSet other = salt;
  EXPECT_FALSE(store->AddTargetSet(other).ok);
  other.name = "";
  EXPECT_FALSE(store->AddTargetSet(other).ok);
  other = salt;
  other.values.push_back({"NACL_EQ", TargetKind::DgLower, 7, false, std::nullopt});
  const StoreResult lowerAbove = store->ReplaceTargetSet(salt.name, other);
  EXPECT_FALSE(lowerAbove.ok);
  EXPECT_NE(lowerAbove.message.find("食塩相当量"), std::string::npos) << lowerAbove.message;
  other = salt;
  other.name = "A病院 常食";
  EXPECT_FALSE(store->ReplaceTargetSet(salt.name, other).ok);
  EXPECT_TRUE(SameSet(*store->LoadTargetSet("減塩食 6g"), salt));

  // A rename with new values is one change.
  other = salt;
  other.name = "減塩食 5g";
  other.values.resize(1);
  other.values[0].value = 5;
  ASSERT_TRUE(store->ReplaceTargetSet(salt.name, other).ok);
  EXPECT_FALSE(store->LoadTargetSet("減塩食 6g"));
  EXPECT_TRUE(SameSet(*store->LoadTargetSet("減塩食 5g"), other));

  ASSERT_TRUE(store->DeleteTargetSet("減塩食 5g").ok);
  EXPECT_TRUE(store->DeleteTargetSet("減塩食 5g").ok);
  store.reset();
  store = OpenStore();
  ASSERT_EQ(store->TargetSets().size(), 1u);
  store.reset();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(DbPath().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM target_value", -1, &s, nullptr);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(s, 0), 0);
  sqlite3_finalize(s);
  sqlite3_close(db);
}

// A rename carries along the days judged against the set, and only them; a
// rename refused leaves every day as it was.
TEST_F(TargetStoreTest, ARenameKeepsTheDaysThatUseTheSetLinked) {
  auto store = OpenStore();
  ASSERT_TRUE(store->AddTargetSet(SaltSet()).ok);
  ASSERT_TRUE(store->AddTargetSet({"A病院 常食", "", {}}).ok);
  Profile judged;
  judged.targetSet = "減塩食 6g";
  Profile other = judged;
  other.targetSet = "減塩食 6";  // a prefix of the name: not the set
  const std::string profiles[] = {ProfileText(judged), ProfileText(other), ""};
  for (int i = 0; i < 3; ++i) {
    DayPlan day = Day("2024-06-0" + std::to_string(i + 1), "d", 1);
    day.profile = profiles[i];
    ASSERT_TRUE(store->SaveDay(day).ok);
  }

  TargetSet renamed = SaltSet();
  renamed.name = "A病院 常食";  // taken: refused, nothing moves
  EXPECT_FALSE(store->ReplaceTargetSet("減塩食 6g", renamed).ok);
  EXPECT_EQ(store->LoadDay("2024-06-01")->profile, profiles[0]);

  renamed.name = "減塩食 5g";
  ASSERT_TRUE(store->ReplaceTargetSet("減塩食 6g", renamed).ok);
  judged.targetSet = renamed.name;
  EXPECT_EQ(store->LoadDay("2024-06-01")->profile, ProfileText(judged));
  EXPECT_EQ(store->LoadDay("2024-06-02")->profile, profiles[1]);
  EXPECT_EQ(store->LoadDay("2024-06-03")->profile, "");
}

// Rows another tool wrote are held to the editor's rules; a damaged file is
// moved aside as for the days.
TEST_F(TargetStoreTest, RowsBreakingTheRulesAndDamageAreTold) {
  ASSERT_TRUE(OpenStore()->AddTargetSet(SaltSet()).ok);
  Tool(DbPath(), "UPDATE target_value SET nutrient = 'XYZ' WHERE position = 0");
  auto store = OpenStore();
  EXPECT_FALSE(store->LoadTargetSet("減塩食 6g"));
  EXPECT_NE(store->readError().find("XYZ"), std::string::npos) << store->readError();
  store.reset();

  WriteBytes("KONDATE/献立表.db", "SQLite format 3" + std::string(4000, '\x7f'));
  store = OpenStore();
  EXPECT_EQ(store->status(), OpenStatus::Replaced);
  EXPECT_TRUE(store->TargetSets().empty());
  EXPECT_TRUE(store->AddTargetSet(SaltSet()).ok);
}

// The editor's session: a file read in becomes a set; a refused file, a bad
// cell and a clash of names change nothing stored; export reads back.
TEST_F(TargetStoreTest, TheEditorSessionImportsEditsSavesAndExports) {
  TargetSetSession session(dir_);
  WriteBytes("減塩食.csv", "栄養素,項目,値\nNACL_EQ,DG_max未満,6\n");
  WriteBytes("bad.csv", "栄養素,項目,値\nNACL_EQ,DG_max,6,5\n");
  ASSERT_TRUE(session.ImportCsv(Path("減塩食.csv")).ok);
  const StoreResult bad = session.ImportCsv(Path("bad.csv"));
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.message.find("2 行目"), std::string::npos) << bad.message;
  ASSERT_EQ(session.sets().size(), 1u);
  EXPECT_EQ(session.chosen()->name, "減塩食");

  EXPECT_FALSE(session.SetValue("NACL_EQ", TargetKind::DgLower, std::nullopt, "7").empty());
  EXPECT_FALSE(session.SetValue("FE", TargetKind::Rda, std::nullopt, "1,5").empty());
  EXPECT_FALSE(session.modified());
  EXPECT_TRUE(session.SetValue("FE", TargetKind::Rda, std::nullopt, "10.5").empty());
  ASSERT_TRUE(session.Save().ok);
  ASSERT_TRUE(session.ImportCsv(Path("減塩食.csv")).ok);  // taken: a second name
  EXPECT_EQ(session.chosen()->name, "減塩食 (2)");
  EXPECT_FALSE(session.Rename("減塩食").ok);
  ASSERT_TRUE(session.Delete().ok);

  ASSERT_TRUE(session.Choose("減塩食").empty());
  ASSERT_TRUE(session.ExportCsv(Path("out.csv")).ok);
  ASSERT_TRUE(session.Delete().ok);
  ASSERT_TRUE(session.ImportCsv(Path("out.csv")).ok);
  ASSERT_EQ(session.chosen()->values.size(), 2u);
  EXPECT_EQ(session.Find("FE", TargetKind::Rda, std::nullopt)->value, 10.5);
}

}  // namespace
