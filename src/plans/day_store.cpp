// The days of the day plan database: tables day and dish, for both engines.
#include "plans/sql_plan_store.h"

#include "nutrition/profile.h"
#include "nutrition/repoint.h"
#include "tables/file_io.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kNothingStored = "何も保存していません。";

}  // namespace

StoreResult SqlPlanStore::Failed(const char* what) {
  const SqlError error = sql_->lastError();
  Abandon();
  return WriteFailed(error, what);
}

void SqlPlanStore::FailedRead() {
  const SqlError error = sql_->lastError();
  Abandon();
  ReadFailed(error);
}

// Deletes the day and its dish rows inside the caller's transaction. The
// dishes are deleted by name rather than left to the foreign key's cascade: a
// tool that deleted days with foreign keys off leaves dish rows behind, and
// the day stored next under that date would take them in.
bool SqlPlanStore::RemoveDay(const std::string& date) {
  auto dishes = sql_->Prepare("DELETE FROM dish WHERE day_date = $1");
  auto day = sql_->Prepare("DELETE FROM day WHERE date = $1");
  if (!dishes || !day) return false;
  dishes->BindText(1, date);
  day->BindText(1, date);
  return Run(*dishes) && Run(*day);
}

SqlPlanStore::RowCheck SqlPlanStore::CheckRow(SqlStatement* locked,
                                              const std::optional<std::int64_t>& held) {
  if (!rowVersions_ || !held) return RowCheck::AsRead;
  if (!locked) return RowCheck::Failed;
  const SqlStep step = locked->Step();
  const std::int64_t stored = step == SqlStep::Row ? locked->Int(0) : 0;
  locked->Reset();
  if (step == SqlStep::Error) return RowCheck::Failed;
  return stored == *held ? RowCheck::AsRead : RowCheck::Changed;
}

SqlPlanStore::RowCheck SqlPlanStore::WriteChecked(SqlStatement& write) {
  const SqlStep done = write.Step();
  write.Reset();
  if (done == SqlStep::Error) return RowCheck::Failed;
  return rowVersions_ && done == SqlStep::Done ? RowCheck::Changed : RowCheck::AsRead;
}

SqlPlanStore::RowCheck SqlPlanStore::CheckRow(const char* lockSql, const std::string& key,
                                              const std::optional<std::int64_t>& held) {
  if (!rowVersions_ || !held) return RowCheck::AsRead;
  auto locked = sql_->Prepare(lockSql);
  if (locked) locked->BindText(1, key);
  return CheckRow(locked.get(), held);
}

StoreResult SqlPlanStore::ChangedByOther(const std::string& what) {
  Abandon();
  StoreResult refused{false, ChangedByOtherMessage(what)};
  refused.changedByOther = true;
  return refused;
}

// With row versions the day row is kept and its version replaced first: on
// the server it is locked from there to the commit, so that a second user's
// save of the same day waits and then sees this one's version. A save of the
// day read at `held` changes nothing when another user stored the day first
// (`stored` stays 0). Without row versions the old day goes and a new row
// comes. `stored` receives the row's version (0 without).
bool SqlPlanStore::WriteDay(const DayPlan& plan, const std::string& savedAt,
                            const std::int64_t* held, std::int64_t& stored) {
  stored = 0;
  if (!rowVersions_ && !RemoveDay(plan.date)) return false;
  auto day = sql_->Prepare(
      rowVersions_
          ? "INSERT INTO day (date, sex, age, saved_at, profile, version) "
            "VALUES ($1, $2, $3, $4, $5, nextval('row_version')) "
            "ON CONFLICT (date) DO UPDATE SET sex = excluded.sex, age = excluded.age, "
            "saved_at = excluded.saved_at, profile = excluded.profile, version = excluded.version "
            "WHERE CAST($6 AS BIGINT) IS NULL OR day.version = $6 RETURNING version"
          : "INSERT INTO day (date, sex, age, saved_at, profile) VALUES ($1, $2, $3, $4, $5)");
  auto clear = sql_->Prepare("DELETE FROM dish WHERE day_date = $1");
  auto dish = sql_->Prepare("INSERT INTO dish (day_date, meal, position, line) VALUES ($1, $2, $3, $4)");
  if (!day || !clear || !dish) return false;
  day->BindText(1, plan.date);
  day->BindInt(2, plan.sex);
  day->BindInt(3, plan.age);
  day->BindText(4, savedAt);
  day->BindText(5, plan.profile);
  if (rowVersions_) {
    if (held)
      day->BindInt(6, *held);
    else
      day->BindNull(6);
  }
  const SqlStep step = day->Step();
  if (step == SqlStep::Error) return false;
  if (step == SqlStep::Row) stored = day->Int(0);
  day->Reset();
  if (rowVersions_ && stored == 0) return true;  // another user's day: nothing written
  clear->BindText(1, plan.date);
  if (rowVersions_ && !Run(*clear)) return false;
  dish->BindText(1, plan.date);
  for (int meal = 0; meal < kMeals; ++meal) {
    dish->BindInt(2, meal + 1);
    const std::vector<std::string>& lines = plan.meals[meal];
    for (std::size_t i = 0; i < lines.size(); ++i) {
      dish->BindInt(3, static_cast<std::int64_t>(i));
      dish->BindBlob(4, lines[i]);
      if (!Run(*dish)) return false;
    }
  }
  return true;
}

StoreResult SqlPlanStore::SaveDay(const DayPlan& plan, std::time_t savedAt) {
  return StoreDay(plan, savedAt, nullptr, nullptr);
}

StoreResult SqlPlanStore::SaveDayIfUnchanged(const DayPlan& plan, std::int64_t& version,
                                             bool& changedByOther, std::time_t savedAt) {
  changedByOther = false;
  return StoreDay(plan, savedAt, &version, &changedByOther);
}

StoreResult SqlPlanStore::StoreDay(const DayPlan& plan, std::time_t savedAt, std::int64_t* version,
                                   bool* changedByOther) {
  if (!IsPlanDate(plan.date))
    return {false, std::string("日付は YYYY-MM-DD の形の、実在する日付にしてください。") + kNothingStored};
  if ((plan.sex != 0 && plan.sex != 1) || plan.age < 1 || plan.age > 11)
    return {false, std::string("性別と年齢区分を選んでから保存してください。") + kNothingStored};
  if (!plan.profile.empty() && !ParseProfile(plan.profile))
    return {false, std::string("評価の対象者の設定が正しくありません。") + kNothingStored};
  if (!writable_) return Refusal();

  // One transaction: the old day goes and the new one comes in the same commit,
  // so a reader (or a process dying halfway) sees one day or the other.
  if (!sql_->Begin()) return Failed();
  switch (ClaimFoodTable()) {
    case TableClaim::Failed: return Failed();
    case TableClaim::Other: Abandon(); return Refusal();
    case TableClaim::Ours: break;
  }
  const std::string what = "日別献立 " + plan.date;
  if (version) {
    // Stored or deleted by another user since it was read: the row is locked
    // and compared first. Two users both adding a day not stored are told
    // apart by the write itself (the second finds the first's row).
    switch (CheckRow("SELECT version FROM day WHERE date = $1 FOR UPDATE", plan.date, *version)) {
      case RowCheck::Failed: return Failed();
      case RowCheck::Changed: *changedByOther = true; return ChangedByOther(what);
      case RowCheck::AsRead: break;
    }
  }
  std::int64_t stored = 0;
  if (!WriteDay(plan, LocalTimeText(savedAt, "%Y-%m-%dT%H:%M:%S"), version, stored)) return Failed();
  if (rowVersions_ && stored == 0) {
    if (changedByOther) *changedByOther = true;
    return ChangedByOther(what);
  }
  if (!sql_->Commit()) return Failed();
  if (version) *version = stored;
  return {true, {}};
}

StoreResult SqlPlanStore::DeleteDay(const std::string& date) {
  if (!IsPlanDate(date))
    return {false, std::string("日付は YYYY-MM-DD の形の、実在する日付にしてください。")};
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed();
  if (!RemoveDay(date)) return Failed();
  if (!sql_->Commit()) return Failed();
  return {true, {}};
}

bool SqlPlanStore::HasDay(const std::string& date) {
  readError_.clear();
  if (!readable_ || !IsPlanDate(date)) return false;
  {
    auto find = sql_->Prepare("SELECT 1 FROM day WHERE date = $1");
    if (find) {
      find->BindText(1, date);
      const SqlStep step = find->Step();
      if (step != SqlStep::Error) return step == SqlStep::Row;
    }
  }
  FailedRead();
  return false;
}

std::optional<DayPlan> SqlPlanStore::LoadDay(const std::string& date) {
  std::vector<DayPlan> days = ReadDays(date, date, nullptr);
  if (days.empty()) return std::nullopt;
  return std::move(days.front());
}

std::optional<DayPlan> SqlPlanStore::LoadDayWithVersion(const std::string& date,
                                                        std::int64_t& version) {
  version = 0;
  std::vector<DayPlan> days = ReadDays(date, date, &version);
  if (days.empty()) return std::nullopt;
  return std::move(days.front());
}

std::vector<DayPlan> SqlPlanStore::DaysBetween(const std::string& from, const std::string& to) {
  return ReadDays(from, to, nullptr);
}

std::vector<DayPlan> SqlPlanStore::ReadDays(const std::string& from, const std::string& to,
                                            std::int64_t* version) {
  readError_.clear();
  std::vector<DayPlan> days;
  if (!readable_ || !IsPlanDate(from) || !IsPlanDate(to) || to < from) return days;

  // Both queries in one read transaction: the days and their dishes come from
  // the same committed state even while another process stores a day. The
  // statements are gone before a failure is dealt with, which may close the
  // connection.
  const bool read = [&] {
    if (!inTransaction_ && !BeginRead()) return false;
    auto dayRows = sql_->Prepare(
        rowVersions_ ? "SELECT date, sex, age, saved_at, profile, version FROM day "
                       "WHERE date BETWEEN $1 AND $2 ORDER BY date"
                     : "SELECT date, sex, age, saved_at, profile FROM day "
                       "WHERE date BETWEEN $1 AND $2 ORDER BY date");
    auto dishRows = sql_->Prepare(
        "SELECT day_date, meal, line FROM dish WHERE day_date BETWEEN $1 AND $2 "
        "ORDER BY day_date, meal, position");
    if (!dayRows || !dishRows) return false;
    dayRows->BindText(1, from);
    dayRows->BindText(2, to);
    SqlStep step;
    while ((step = dayRows->Step()) == SqlStep::Row) {
      DayPlan& day = days.emplace_back();
      day.date = dayRows->Text(0);
      day.sex = static_cast<int>(dayRows->Int(1));
      day.age = static_cast<int>(dayRows->Int(2));
      day.savedAt = dayRows->Text(3);
      day.profile = dayRows->Text(4);
      if (version && rowVersions_) *version = dayRows->Int(5);
    }
    if (step == SqlStep::Error) return false;

    dishRows->BindText(1, from);
    dishRows->BindText(2, to);
    std::size_t k = 0;  // both lists are in date order: one merge pass
    while ((step = dishRows->Step()) == SqlStep::Row) {
      const std::string_view date = dishRows->Text(0);
      while (k < days.size() && days[k].date < date) ++k;
      const std::int64_t meal = dishRows->Int(1);
      if (k == days.size() || days[k].date != date || meal < 1 || meal > kMeals) continue;
      days[k].meals[meal - 1].push_back(dishRows->Bytes(2));
    }
    return step == SqlStep::Done;
  }();
  if (!(read && (inTransaction_ || sql_->Commit()))) {
    days.clear();
    if (version) *version = 0;
    FailedRead();
  } else if (!PointDaysRead(days)) {
    days.clear();
    if (version) *version = 0;
  }
  return days;
}

SqlPlanStore::Repointed SqlPlanStore::RepointStoredDays(const FoodTable& table, PlanRepoint& result,
                                                        bool write) {
  result = {};
  struct Row {
    std::string date;
    std::int64_t meal, position;
  };
  std::vector<Row> rows;
  std::vector<std::string> lines;
  {
    auto days = sql_->Prepare("SELECT count(*) FROM day");
    auto dishes = sql_->Prepare(
        "SELECT day_date, meal, position, line FROM dish ORDER BY day_date, meal, position");
    if (!days || !dishes || days->Step() != SqlStep::Row) return Repointed::ReadFailed;
    result.days = static_cast<int>(days->Int(0));
    SqlStep step;
    while ((step = dishes->Step()) == SqlStep::Row) {
      rows.push_back({std::string(dishes->Text(0)), dishes->Int(1), dishes->Int(2)});
      lines.push_back(dishes->Bytes(3));
    }
    if (step != SqlStep::Done) return Repointed::ReadFailed;
  }

  RepointResult repointed = RepointDishLines(lines, table);
  result.foodsMoved = repointed.entriesMoved;
  for (const UnmatchedFood& u : repointed.unmatched)
    result.unmatched.push_back({rows[u.line].date, static_cast<int>(rows[u.line].meal),
                                lines[u.line], u.entry});
  std::string lastDate;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (repointed.lines[i] == lines[i]) continue;
    ++result.dishesChanged;
    if (rows[i].date != lastDate) ++result.daysChanged;
    lastDate = rows[i].date;
  }
  if (!write || result.dishesChanged == 0) return Repointed::Done;

  auto update = sql_->Prepare(
      "UPDATE dish SET line = $4 WHERE day_date = $1 AND meal = $2 AND position = $3");
  auto bump = rowVersions_
                  ? sql_->Prepare("UPDATE day SET version = nextval('row_version') WHERE date = $1")
                  : nullptr;
  if (!update || (rowVersions_ && !bump)) return Repointed::WriteFailed;
  lastDate.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (repointed.lines[i] == lines[i]) continue;
    update->BindText(1, rows[i].date);
    update->BindInt(2, rows[i].meal);
    update->BindInt(3, rows[i].position);
    update->BindBlob(4, repointed.lines[i]);
    if (!Run(*update)) return Repointed::WriteFailed;
    if (bump && rows[i].date != lastDate) {
      bump->BindText(1, rows[i].date);
      if (!Run(*bump)) return Repointed::WriteFailed;
    }
    lastDate = rows[i].date;
  }
  return Repointed::Done;
}

}  // namespace eiyou::plan_detail
