// The target sets of the day plan database: tables target_set and
// target_value (layout version 3).
#include "plans/sqlite_plan_store.h"

#include "nutrition/profile.h"
#include "tables/cp932.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "目標量セット";

StoreResult Refused(std::string message) { return {false, message + "何も保存していません。"}; }

}  // namespace

std::vector<TargetSetEntry> SqlitePlanStore::TargetSets() {
  readError_.clear();
  std::vector<TargetSetEntry> sets;
  if (!readable_ || version_ < 3) return sets;
  Failure failure;
  {
    Statement rows(db_, "SELECT name, description FROM target_set ORDER BY name");
    int rc = SQLITE_ERROR;
    if (rows)
      while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW)
        sets.push_back({std::string(rows.Bytes(0)), std::string(rows.Bytes(1))});
    if (rc == SQLITE_DONE) return sets;
    failure = Caught();
  }
  sets.clear();
  ReadFailed(failure);
  return sets;
}

std::optional<TargetSet> SqlitePlanStore::LoadTargetSet(const std::string& name) {
  readError_.clear();
  if (!readable_ || version_ < 3) return std::nullopt;
  TargetSet set;
  Failure failure;
  bool found = false;
  auto failed = [&] {
    failure = Caught();
    return false;
  };
  // One read transaction: the set and its values from the same commit.
  const bool read = [&] {
    if (!Exec("BEGIN")) return failed();
    Statement head(db_, "SELECT id, name, description FROM target_set WHERE name = ?1");
    Statement values(db_,
                     "SELECT nutrient, kind, value, exclusive, sex, age_unit, age_from, age_to "
                     "FROM target_value WHERE set_id = ?1 ORDER BY position");
    if (!head || !values) return failed();
    head.BindText(1, name);
    const int rc = sqlite3_step(head.get());
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return failed();
    found = true;
    set.name = head.Bytes(1);
    set.description = head.Bytes(2);
    sqlite3_bind_int64(values.get(), 1, sqlite3_column_int64(head.get(), 0));
    int step;
    while ((step = sqlite3_step(values.get())) == SQLITE_ROW) {
      sqlite3_stmt* r = values.get();
      TargetValue& v = set.values.emplace_back();
      v.nutrient = values.Bytes(0);
      v.kind = static_cast<TargetKind>(sqlite3_column_int(r, 1));
      v.value = sqlite3_column_double(r, 2);
      v.exclusive = sqlite3_column_int(r, 3) != 0;
      const int sex = sqlite3_column_int(r, 4);
      if (sex >= 0) {
        const PeriodClass cls = values.Bytes(5) == "m" ? PeriodClass::Months : PeriodClass::Years;
        v.group = TargetGroup{sex == 0 ? Sex::Male : Sex::Female,
                              {cls, sqlite3_column_int(r, 6), sqlite3_column_int(r, 7)}};
      }
    }
    return step == SQLITE_DONE || failed();
  }();
  if (!(read && (Exec("COMMIT") || failed()))) {
    ReadFailed(failure);
    return std::nullopt;
  }
  if (!found) return std::nullopt;
  // Rows another tool wrote: the same rules as storing, so that the
  // assessment never meets a set the editor would have refused.
  if (const std::string problem = TargetValuesProblem(set.values); !problem.empty()) {
    readError_ = "献立表 " + path_ + " の目標量セット「" + name + "」の値が正しくありません（" +
                 problem + "）。";
    return std::nullopt;
  }
  return set;
}

std::optional<long long> SqlitePlanStore::TargetSetId(const std::string& name, Failure& failure) {
  Statement find(db_, "SELECT id FROM target_set WHERE name = ?1");
  if (find) {
    find.BindText(1, name);
    const int rc = sqlite3_step(find.get());
    if (rc == SQLITE_ROW) return sqlite3_column_int64(find.get(), 0);
    if (rc == SQLITE_DONE) {
      failure = {};
      return std::nullopt;
    }
  }
  failure = Caught();
  return std::nullopt;
}

bool SqlitePlanStore::WriteTargetValues(long long id, const TargetSet& set, Failure& failure) {
  Statement clear(db_, "DELETE FROM target_value WHERE set_id = ?1");
  Statement insert(db_,
                   "INSERT INTO target_value (set_id, position, nutrient, kind, value, exclusive, "
                   "sex, age_unit, age_from, age_to) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  if (!clear || !insert) {
    failure = Caught();
    return false;
  }
  sqlite3_bind_int64(clear.get(), 1, id);
  if (clear.Run() != SQLITE_DONE) {
    failure = Caught();
    return false;
  }
  sqlite3_bind_int64(insert.get(), 1, id);
  for (std::size_t i = 0; i < set.values.size(); ++i) {
    const TargetValue& v = set.values[i];
    insert.BindInt(2, static_cast<int>(i));
    insert.BindText(3, v.nutrient);
    insert.BindInt(4, static_cast<int>(v.kind));
    sqlite3_bind_double(insert.get(), 5, v.value);
    insert.BindInt(6, v.exclusive ? 1 : 0);
    insert.BindInt(7, v.group ? (v.group->sex == Sex::Male ? 0 : 1) : -1);
    insert.BindText(8, !v.group ? "" : v.group->age.cls == PeriodClass::Months ? "m" : "y");
    insert.BindInt(9, v.group ? v.group->age.from : 0);
    insert.BindInt(10, v.group ? v.group->age.to : 0);
    if (insert.Run() != SQLITE_DONE) {
      failure = Caught();
      return false;
    }
  }
  return true;
}

// The days judged against the set follow its new name, so that a rename
// never leaves them naming a set that is gone.
bool SqlitePlanStore::RenameInDayProfiles(const std::string& from, const std::string& to,
                                          Failure& failure) {
  std::vector<std::pair<std::string, std::string>> renamed;  // date, profile text
  {
    Statement days(db_, "SELECT date, profile FROM day WHERE profile <> ''");
    if (!days) {
      failure = Caught();
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(days.get())) == SQLITE_ROW) {
      std::optional<Profile> profile = ParseProfile(days.Bytes(1));
      if (!profile || profile->targetSet != from) continue;
      profile->targetSet = to;
      renamed.emplace_back(std::string(days.Bytes(0)), ProfileText(*profile));
    }
    if (rc != SQLITE_DONE) {
      failure = Caught();
      return false;
    }
  }
  Statement update(db_, "UPDATE day SET profile = ?2 WHERE date = ?1");
  if (!update) {
    failure = Caught();
    return false;
  }
  for (const auto& [date, text] : renamed) {
    update.BindText(1, date);
    update.BindText(2, text);
    if (update.Run() != SQLITE_DONE) {
      failure = Caught();
      return false;
    }
  }
  return true;
}

StoreResult SqlitePlanStore::WriteTargetSet(const std::string* replacing, const TargetSet& set) {
  if (std::string problem = TargetSetNameProblem(set.name); !problem.empty()) return Refused(problem);
  if (set.description.find_first_of("\r\n") != std::string::npos || !IsValidUtf8(set.description))
    return Refused("目標量セットの説明は改行のない1行にしてください。");
  if (std::string problem = TargetValuesProblem(set.values); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();

  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  Failure failure;
  std::optional<long long> id;
  if (!replacing || *replacing != set.name) {
    if (TargetSetId(set.name, failure)) {
      Exec("ROLLBACK");
      return Refused("目標量セット「" + set.name + "」はすでにあります。別の名前にしてください。");
    }
    if (failure.rc) return Rollback(failure, kWhat);
  }
  if (replacing) {
    id = TargetSetId(*replacing, failure);
    if (!id) {
      if (failure.rc) return Rollback(failure, kWhat);
      Exec("ROLLBACK");
      return Refused("目標量セット「" + *replacing + "」はもうありません。");
    }
  }
  {
    Statement head(db_, replacing ? "UPDATE target_set SET name = ?1, description = ?2 WHERE id = ?3"
                                  : "INSERT INTO target_set (name, description) VALUES (?1, ?2)");
    if (!head) return Rollback(Caught(), kWhat);
    head.BindText(1, set.name);
    head.BindText(2, set.description);
    if (id) sqlite3_bind_int64(head.get(), 3, *id);
    if (head.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  }
  if (!id) id = sqlite3_last_insert_rowid(db_);
  if (!WriteTargetValues(*id, set, failure)) return Rollback(failure, kWhat);
  if (replacing && *replacing != set.name && !RenameInDayProfiles(*replacing, set.name, failure))
    return Rollback(failure, kWhat);
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

StoreResult SqlitePlanStore::AddTargetSet(const TargetSet& set) { return WriteTargetSet(nullptr, set); }

StoreResult SqlitePlanStore::ReplaceTargetSet(const std::string& name, const TargetSet& set) {
  return WriteTargetSet(&name, set);
}

StoreResult SqlitePlanStore::DeleteTargetSet(const std::string& name) {
  if (!writable_) return Refusal();
  if (!Exec("BEGIN IMMEDIATE")) return Rollback(Caught(), kWhat);
  // The values by name as well as by the cascade: a tool with foreign keys
  // off would leave them behind.
  Statement values(db_, "DELETE FROM target_value WHERE set_id IN (SELECT id FROM target_set WHERE name = ?1)");
  Statement head(db_, "DELETE FROM target_set WHERE name = ?1");
  if (!values || !head) return Rollback(Caught(), kWhat);
  values.BindText(1, name);
  head.BindText(1, name);
  if (values.Run() != SQLITE_DONE || head.Run() != SQLITE_DONE) return Rollback(Caught(), kWhat);
  if (!Exec("COMMIT")) return Rollback(Caught(), kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
