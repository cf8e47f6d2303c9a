// The dish list on the shared server: its lines kept byte for byte, and two
// program copies (two data folders naming one server) seeing each other's
// dishes through their working copies; a server lost during a save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "pg_test_support.h"
#include "plan_test_support.h"
#include "plans/server_dishes.h"
#include "plans/store_location.h"
#include "sessions/dish_working_copy.h"
#include "sessions/meal_session.h"
#include "tables/dish_file.h"

namespace eiyou {
namespace {

using testing::PlanTest;
using testing::RecordingSink;

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

class ServerDishesTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(RequireServer());
    ASSERT_NO_FATAL_FAILURE(DropServerTables());
    // Folder A is the scratch folder, B one inside it: two program copies.
    ASSERT_EQ(mkdir(Path("B").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(Path("B/" + std::string(kDishDirName)).c_str(), 0755), 0);
    const PgSettings settings = ServerSettings();
    std::string error;
    for (const std::string& folder : {dir_, Path("B")})
      ASSERT_TRUE(WriteStoreLocation(folder, &settings, error)) << error;
    a_.server = b_.server = &copy_;
  }
  void In(const std::string& folder) { ASSERT_EQ(chdir(folder.c_str()), 0); }
  void InA() { In(dir_); }
  void InB() { In(Path("B")); }
  std::vector<std::string> WorkingCopy(const std::string& folder) const {
    return ReadDishFile(folder + "/" + kDishDirName + "/" + kDishFileName);
  }
  static std::vector<std::string> OnServer() {
    const ServerDishList list = LoadServerDishes(ServerSettings());
    EXPECT_TRUE(list.ok) << list.message;
    return list.lines;
  }
  // Registers a dish without foods under `name` (UTF-8).
  static void Register(DishSession& session, const std::string& name) {
    ASSERT_EQ(session.RegisterDish(name).outcome, DishRegistration::Registered);
  }

  DishWorkingCopy copy_;
  DishSession a_, b_;
  RecordingSink sink_;
};

TEST_F(ServerDishesTest, LinesComeBackByteForByteAndOnlyAChangeBumpsTheVersion) {
  const std::vector<std::string> lines = {
      "\x98\x61      \x90\x48,\x8f\x60 \x82\xe0 \x82\xcc,\xb6\xda\xb0 ,[1]01001:x= 12.5g",  // kana, blank
      "\x87\x40\x87\x90\xed\x40\xfa\x5c,,",  // NEC special and selected characters
      "", "same ", "same ",                  // an empty line, two equal ones
  };
  const ServerDishList saved = SaveServerDishes(ServerSettings(), {}, lines);
  ASSERT_TRUE(saved.ok) << saved.message;
  EXPECT_EQ(saved.version, 1);
  const ServerDishList loaded = LoadServerDishes(ServerSettings());
  ASSERT_TRUE(loaded.ok) << loaded.message;
  EXPECT_EQ(loaded.lines, Sorted(lines));
  EXPECT_EQ(loaded.version, 1);
  EXPECT_EQ(SaveServerDishes(ServerSettings(), loaded.lines, loaded.lines).version, 1);
  const std::vector<std::string> one = {"same "};
  const ServerDishList fewer = SaveServerDishes(ServerSettings(), loaded.lines, one);
  EXPECT_EQ(fewer.version, 2);
  EXPECT_EQ(OnServer(), one);
}

TEST_F(ServerDishesTest, TwoCopiesKeepEachOthersDishesAndDeletions) {
  InA();
  a_.Opening(sink_);
  InB();
  b_.Opening(sink_);
  EXPECT_TRUE(sink_.messages.empty()) << sink_.messages[0];

  InA();
  Register(a_, "X");
  const DishSession::DishSave first = a_.SaveDishes();
  EXPECT_TRUE(first.server);
  EXPECT_FALSE(first.listChanged());
  InB();
  Register(b_, "Y");
  const DishSession::DishSave second = b_.SaveDishes();
  EXPECT_EQ(second.othersAdded, 1);
  const std::string note = DishSaveNote(second);
  EXPECT_NE(note.find("ほかの利用者が共有サーバーの献立を保存していたため"), std::string::npos) << note;
  const std::vector<std::string> both = {",,X", ",,Y"};
  EXPECT_EQ(b_.dishes(), both);
  EXPECT_EQ(WorkingCopy(Path("B")), both);
  EXPECT_EQ(OnServer(), both);
  InA();
  a_.Opening(sink_);
  EXPECT_EQ(a_.dishes(), both);
  EXPECT_EQ(WorkingCopy(dir_), both);

  // A deletes X; B, still on the list with X, adds Z: X stays deleted.
  a_.RemoveDish(0);
  a_.SaveDishes();
  InB();
  Register(b_, "Z");
  const DishSession::DishSave third = b_.SaveDishes();
  EXPECT_EQ(third.othersRemoved, 1);
  const std::vector<std::string> after = {",,Y", ",,Z"};
  EXPECT_EQ(OnServer(), after);
  EXPECT_EQ(WorkingCopy(Path("B")), after);
  // The meal window's opening makes its working copy from the server too.
  InA();
  MealSession meal;
  RecordingSink mealSink;
  EXPECT_EQ(meal.Opening(mealSink).lines, after);
}

TEST_F(ServerDishesTest, AServerLostDuringASaveChangesNeitherItNorTheWorkingCopy) {
  // Thousands of lines, one statement each to remove: the kill lands inside.
  ASSERT_TRUE(LoadServerDishes(ServerSettings()).ok);  // the layout made
  {
    SqlError error;
    auto db = ConnectPostgres(ServerSettings(), error);
    ASSERT_TRUE(db && db->Exec("INSERT INTO dish_list (line) SELECT convert_to(',,dish' || g, 'UTF8') "
                               "FROM generate_series(10000, 29999) g"));
  }
  std::vector<std::string> many;
  for (int i = 10000; i < 30000; ++i) many.push_back(",,dish" + std::to_string(i));
  InA();
  a_.Opening(sink_);
  ASSERT_EQ(a_.dishes().size(), many.size());
  const std::string copyBefore = ReadBytes(std::string(kDishDirName) + "/" + kDishFileName);
  while (!a_.dishes().empty()) a_.RemoveDish(static_cast<int>(a_.dishes().size()) - 1);
  Register(a_, "new");
  {
    ServerKilledAfter kill(std::chrono::milliseconds(150));
    try {
      a_.SaveDishes();
      ADD_FAILURE() << "saved";
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()),
                "共有サーバーに献立を保存できませんでした。サーバーとの接続が切れました。保存は行われていません。"
                "共有サーバーの献立は変わっていません。\n画面の一覧はそのままです。");
    }
    EXPECT_EQ(ReadBytes(std::string(kDishDirName) + "/" + kDishFileName), copyBefore);
    EXPECT_EQ(a_.dishes(), std::vector<std::string>{",,new"});
    // With the server still down, a window opens on the working copy and says so.
    a_.Opening(sink_);
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].rfind("共有サーバーの献立を読み込めませんでした。", 0), 0u) << sink_.messages[0];
    EXPECT_EQ(a_.dishes().size(), many.size());
  }
  EXPECT_EQ(OnServer(), many);
}

}  // namespace
}  // namespace eiyou
