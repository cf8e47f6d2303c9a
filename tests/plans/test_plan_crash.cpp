// A process killed while it stores a day leaves the old day or the new one,
// never a mix: a child stores big days and is killed with SIGKILL, at chosen
// points inside the transaction and at random moments.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>

#include "plan_test_support.h"

using namespace eiyou;
using namespace eiyou::testing;

namespace {

constexpr const char* kDate = "2024-06-01";
int gSignal = -1;  // the child's end of the pipe

// Tells the parent the child has reached the point, then waits to be killed.
[[noreturn]] void SignalAndWait() {
  const char byte = 'x';
  if (write(gSignal, &byte, 1) != 1) _exit(3);
  for (;;) pause();
}

void AfterDayRow(void*, int op, const char*, const char* table, sqlite3_int64) {
  // The old day and its dishes are deleted and the new day row is in; no dish yet.
  if (op == SQLITE_INSERT && std::strcmp(table, "day") == 0) SignalAndWait();
}
int BeforeCommit(void*) { SignalAndWait(); }
// Inside the layout step that adds a column, after its transaction began.
int AtAlterTable(void*, int action, const char*, const char*, const char*, const char*) {
  if (action == SQLITE_ALTER_TABLE) SignalAndWait();
  return SQLITE_OK;
}
// A target set's head row is written, its values not yet.
void AfterSetRow(void*, int op, const char*, const char* table, sqlite3_int64) {
  if (op == SQLITE_UPDATE && std::strcmp(table, "target_set") == 0) SignalAndWait();
}

// Some of a list of prices are written, not all.
void AfterSomePrices(void*, int op, const char*, const char* table, sqlite3_int64 row) {
  if (op == SQLITE_INSERT && std::strcmp(table, "food_purchase") == 0 && row == 1500) SignalAndWait();
}

// Installed into every connection the child opens.
int HookAfterDayRow(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_update_hook(db, AfterDayRow, nullptr);
  return SQLITE_OK;
}
int HookBeforeCommit(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_commit_hook(db, BeforeCommit, nullptr);
  return SQLITE_OK;
}
int HookAlterTable(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_set_authorizer(db, AtAlterTable, nullptr);
  return SQLITE_OK;
}
int HookAfterSetRow(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_update_hook(db, AfterSetRow, nullptr);
  return SQLITE_OK;
}
int HookAfterSomePrices(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_update_hook(db, AfterSomePrices, nullptr);
  return SQLITE_OK;
}

class CrashTest : public PlanTest {
 protected:
  const DayPlan oldDay = Day(kDate, "old", 1000, 0, 5);  // 3,000 dish rows
  const DayPlan newDay = Day(kDate, "new", 1500, 1, 8);  // 4,500

  void SetUp() override {
    PlanTest::SetUp();
    ASSERT_TRUE(OpenStore()->SaveDay(oldDay).ok);
  }

  // A child stores the new and the old day in turn until it is killed: `delay`
  // after it starts, or after its `hook` has signalled. The parent has no
  // connection open meanwhile.
  void KillChild(void (*hook)(), std::chrono::microseconds delay) {
    // One store for the child's life (the parent never makes it).
    KillChild(hook, delay, [this](int i) {
      static const auto store = DayPlanStore::Open(dir_, kNow);
      return store->SaveDay(i % 2 == 0 ? newDay : oldDay).ok;
    });
  }
  // The same with another write, repeated until the kill.
  template <typename Write>
  void KillChild(void (*hook)(), std::chrono::microseconds delay, Write write) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      gSignal = fds[1];
      alarm(60);  // never outlive a parent that failed
      if (hook) hook();
      for (int i = 0;; ++i)
        if (!write(i)) _exit(2);
    }
    close(fds[1]);
    if (hook) {
      pollfd p{fds[0], POLLIN, 0};
      ASSERT_EQ(poll(&p, 1, 30000), 1);
      char byte;
      ASSERT_EQ(read(fds[0], &byte, 1), 1) << "the child ended before its hook";
    }
    usleep(static_cast<useconds_t>(delay.count()));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
  }

  // The database after the kill: sound, and holding one whole day.
  std::string DayFound() {
    auto store = OpenStore();
    EXPECT_EQ(store->status(), OpenStatus::Ok) << store->message();
    const std::optional<DayPlan> day = store->LoadDay(kDate);
    if (!day) return "none";
    if (SameDay(*day, oldDay)) return "old";
    if (SameDay(*day, newDay)) return "new";
    return "a mix of " + std::to_string(day->meals[0].size()) + " dishes";
  }
};

TEST_F(CrashTest, KilledInsideTheTransactionKeepsTheOldDay) {
  KillChild([] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookAfterDayRow)); },
            std::chrono::microseconds(0));
  EXPECT_EQ(DayFound(), "old");
  KillChild([] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookBeforeCommit)); },
            std::chrono::microseconds(0));
  EXPECT_EQ(DayFound(), "old");
}

TEST_F(CrashTest, KilledAtRandomMomentsLeavesOneWholeDay) {
  std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
  std::uniform_int_distribution<int> micros(0, 400000);
  for (int round = 0; round < 8; ++round) {
    const int delay = micros(random);
    SCOPED_TRACE("killed after " + std::to_string(delay) + " µs");
    KillChild(nullptr, std::chrono::microseconds(delay));
    const std::string found = DayFound();
    EXPECT_TRUE(found == "old" || found == "new") << found;
  }
}

// A layout step is one transaction: a process killed inside it leaves the
// older layout and its days, and the next opening takes the step again.
TEST_F(CrashTest, KilledInsideALayoutStepKeepsTheOlderLayout) {
  ASSERT_EQ(std::remove(DbPath().c_str()), 0);
  StoreInFirstLayout(oldDay);
  KillChild([] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookAlterTable)); },
            std::chrono::microseconds(0), [this](int) { return DayPlanStore::Open(dir_, kNow)->CanStore(); });
  EXPECT_EQ(DayPlanStore::Open(dir_, kNow, PlanMigrations().first(1))->schemaVersion(), 1);
  EXPECT_EQ(DayFound(), "old");
  EXPECT_EQ(OpenStore()->schemaVersion(), PlanMigrations().back().version);
}

TEST_F(CrashTest, KilledWhileStoringATargetSetKeepsTheOldOne) {
  TargetSet set{"A病院 常食", "", {}};
  for (const AssessedNutrient& n : kAssessedNutrients)
    set.values.push_back({n.id, TargetKind::Rda, 1, false, std::nullopt});
  ASSERT_TRUE(OpenStore()->AddTargetSet(set).ok);
  TargetSet changed = set;
  for (TargetValue& v : changed.values) v.value = 2;
  KillChild([] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookAfterSetRow)); },
            std::chrono::microseconds(0), [&](int) {
              return DayPlanStore::Open(dir_, kNow)->ReplaceTargetSet(set.name, changed).ok;
            });
  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  const auto found = store->LoadTargetSet(set.name);
  ASSERT_TRUE(found) << store->readError();
  ASSERT_EQ(found->values.size(), set.values.size());
  for (const TargetValue& v : found->values) EXPECT_EQ(v.value, 1);
}

// A price list is stored whole or not at all.
TEST_F(CrashTest, KilledWhileStoringPricesKeepsTheOldOnes) {
  std::vector<FoodPurchase> prices(2000), changed;
  for (int i = 0; i < 2000; ++i) {
    prices[i].food = 1001 + i;
    prices[i].priced = true;
    prices[i].priceSen = 100;
    prices[i].setOn = "2024-04-01";
  }
  ASSERT_TRUE(OpenStore()->SaveFoodPurchases(prices).ok);
  changed = prices;
  for (FoodPurchase& p : changed) p.priceSen = 250;
  KillChild([] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookAfterSomePrices)); },
            std::chrono::microseconds(0),
            [&](int) { return DayPlanStore::Open(dir_, kNow)->SaveFoodPurchases(changed).ok; });
  auto store = OpenStore();
  ASSERT_EQ(store->status(), OpenStatus::Ok) << store->message();
  const auto found = store->FoodPurchases();
  ASSERT_EQ(found.size(), prices.size());
  for (const FoodPurchase& p : found) EXPECT_EQ(p.priceSen, 100) << p.food;
}

}  // namespace
