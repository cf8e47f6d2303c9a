// The target sets of the day plan database: tables target_set and
// target_value (layout version 3), for both engines.
#include "plans/sql_plan_store.h"

#include "nutrition/profile.h"
#include "tables/cp932.h"

namespace eiyou::plan_detail {
namespace {

constexpr const char* kWhat = "目標量セット";

StoreResult Refused(std::string message) { return {false, message + "何も保存していません。"}; }

}  // namespace

std::vector<TargetSetEntry> SqlPlanStore::TargetSets() {
  readError_.clear();
  std::vector<TargetSetEntry> sets;
  if (!readable_ || version_ < 3) return sets;
  {
    auto rows = sql_->Prepare("SELECT name, description FROM target_set ORDER BY name");
    SqlStep step = SqlStep::Error;
    if (rows)
      while ((step = rows->Step()) == SqlStep::Row)
        sets.push_back({std::string(rows->Text(0)), std::string(rows->Text(1))});
    if (step == SqlStep::Done) return sets;
  }
  sets.clear();
  FailedRead();
  return sets;
}

std::optional<TargetSet> SqlPlanStore::LoadTargetSet(const std::string& name) {
  readError_.clear();
  if (!readable_ || version_ < 3) return std::nullopt;
  TargetSet set;
  bool found = false;
  // One read transaction: the set and its values from the same commit.
  const bool read = [&] {
    if (!inTransaction_ && !BeginRead()) return false;
    auto head = sql_->Prepare(std::string("SELECT id, name, description, ") + VersionColumn() +
                              " FROM target_set WHERE name = $1");
    auto values = sql_->Prepare(
        "SELECT nutrient, kind, value, exclusive, sex, age_unit, age_from, age_to "
        "FROM target_value WHERE set_id = $1 ORDER BY position");
    if (!head || !values) return false;
    head->BindText(1, name);
    const SqlStep step = head->Step();
    if (step != SqlStep::Row) return step == SqlStep::Done;
    found = true;
    set.name = head->Text(1);
    set.description = head->Text(2);
    set.version = VersionOf(*head, 3);
    values->BindInt(1, head->Int(0));
    SqlStep row;
    while ((row = values->Step()) == SqlStep::Row) {
      TargetValue& v = set.values.emplace_back();
      v.nutrient = values->Text(0);
      v.kind = static_cast<TargetKind>(values->Int(1));
      v.value = values->Double(2);
      v.exclusive = values->Int(3) != 0;
      const std::int64_t sex = values->Int(4);
      if (sex >= 0) {
        const PeriodClass cls = values->Text(5) == "m" ? PeriodClass::Months : PeriodClass::Years;
        v.group = TargetGroup{sex == 0 ? Sex::Male : Sex::Female,
                              {cls, static_cast<int>(values->Int(6)), static_cast<int>(values->Int(7))}};
      }
    }
    return row == SqlStep::Done;
  }();
  if (!(read && (inTransaction_ || sql_->Commit()))) {
    FailedRead();
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

bool SqlPlanStore::TargetSetId(const std::string& name, std::int64_t& id, bool& failed) {
  failed = false;
  auto find = sql_->Prepare("SELECT id FROM target_set WHERE name = $1");
  if (find) {
    find->BindText(1, name);
    const SqlStep step = find->Step();
    if (step == SqlStep::Row) id = find->Int(0);
    if (step != SqlStep::Error) return step == SqlStep::Row;
  }
  failed = true;
  return false;
}

bool SqlPlanStore::WriteTargetValues(std::int64_t id, const TargetSet& set) {
  auto clear = sql_->Prepare("DELETE FROM target_value WHERE set_id = $1");
  auto insert = sql_->Prepare(
      "INSERT INTO target_value (set_id, position, nutrient, kind, value, exclusive, "
      "sex, age_unit, age_from, age_to) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)");
  if (!clear || !insert) return false;
  clear->BindInt(1, id);
  if (!Run(*clear)) return false;
  insert->BindInt(1, id);
  for (std::size_t i = 0; i < set.values.size(); ++i) {
    const TargetValue& v = set.values[i];
    insert->BindInt(2, static_cast<std::int64_t>(i));
    insert->BindText(3, v.nutrient);
    insert->BindInt(4, static_cast<int>(v.kind));
    insert->BindDouble(5, v.value);
    insert->BindInt(6, v.exclusive ? 1 : 0);
    insert->BindInt(7, v.group ? (v.group->sex == Sex::Male ? 0 : 1) : -1);
    insert->BindText(8, !v.group ? "" : v.group->age.cls == PeriodClass::Months ? "m" : "y");
    insert->BindInt(9, v.group ? v.group->age.from : 0);
    insert->BindInt(10, v.group ? v.group->age.to : 0);
    if (!Run(*insert)) return false;
  }
  return true;
}

// The days judged against the set follow its new name, so that a rename
// never leaves them naming a set that is gone.
bool SqlPlanStore::RenameInDayProfiles(const std::string& from, const std::string& to) {
  std::vector<std::pair<std::string, std::string>> renamed;  // date, profile text
  {
    auto days = sql_->Prepare("SELECT date, profile FROM day WHERE profile <> ''");
    if (!days) return false;
    SqlStep step;
    while ((step = days->Step()) == SqlStep::Row) {
      std::optional<Profile> profile = ParseProfile(days->Text(1));
      if (!profile || profile->targetSet != from) continue;
      profile->targetSet = to;
      renamed.emplace_back(std::string(days->Text(0)), ProfileText(*profile));
    }
    if (step == SqlStep::Error) return false;
  }
  auto update = sql_->Prepare(rowVersions_
                                  ? "UPDATE day SET profile = $2, version = nextval('row_version') "
                                    "WHERE date = $1"
                                  : "UPDATE day SET profile = $2 WHERE date = $1");
  if (!update) return false;
  for (const auto& [date, text] : renamed) {
    update->BindText(1, date);
    update->BindText(2, text);
    if (!Run(*update)) return false;
  }
  return true;
}

StoreResult SqlPlanStore::WriteTargetSet(const std::string* replacing, const TargetSet& set) {
  if (std::string problem = TargetSetNameProblem(set.name); !problem.empty()) return Refused(problem);
  if (set.description.find_first_of("\r\n") != std::string::npos || !IsValidUtf8(set.description))
    return Refused("目標量セットの説明は改行のない1行にしてください。");
  if (std::string problem = TargetValuesProblem(set.values); !problem.empty()) return Refused(problem);
  if (!writable_) return Refusal();

  if (!sql_->Begin()) return Failed(kWhat);
  if (replacing)
    switch (CheckRow("SELECT version FROM target_set WHERE name = $1 FOR UPDATE", *replacing,
                     set.version)) {
      case RowCheck::Failed: return Failed(kWhat);
      case RowCheck::Changed: return ChangedByOther("目標量セット「" + *replacing + "」");
      case RowCheck::AsRead: break;
    }
  std::int64_t id = 0;
  bool failed = false;
  if (!replacing || *replacing != set.name) {
    std::int64_t other = 0;
    if (TargetSetId(set.name, other, failed)) {
      Abandon();
      return Refused("目標量セット「" + set.name + "」はすでにあります。別の名前にしてください。");
    }
    if (failed) return Failed(kWhat);
  }
  if (replacing && !TargetSetId(*replacing, id, failed)) {
    if (failed) return Failed(kWhat);
    Abandon();
    return Refused("目標量セット「" + *replacing + "」はもうありません。");
  }
  {
    auto head = sql_->Prepare(replacing
                                  ? rowVersions_
                                        ? "UPDATE target_set SET name = $1, description = $2, "
                                          "version = nextval('row_version') WHERE id = $3"
                                        : "UPDATE target_set SET name = $1, description = $2 WHERE id = $3"
                                  : "INSERT INTO target_set (name, description) VALUES ($1, $2) "
                                    "RETURNING id");
    if (!head) return Failed(kWhat);
    head->BindText(1, set.name);
    head->BindText(2, set.description);
    if (replacing) head->BindInt(3, id);
    const SqlStep step = head->Step();
    if (step == SqlStep::Error || (!replacing && step != SqlStep::Row)) return Failed(kWhat);
    if (!replacing) id = head->Int(0);
  }
  if (!WriteTargetValues(id, set)) return Failed(kWhat);
  if (replacing && *replacing != set.name && !RenameInDayProfiles(*replacing, set.name))
    return Failed(kWhat);
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

StoreResult SqlPlanStore::AddTargetSet(const TargetSet& set) { return WriteTargetSet(nullptr, set); }

StoreResult SqlPlanStore::ReplaceTargetSet(const std::string& name, const TargetSet& set) {
  return WriteTargetSet(&name, set);
}

StoreResult SqlPlanStore::DeleteTargetSet(const std::string& name) {
  if (!writable_) return Refusal();
  if (!sql_->Begin()) return Failed(kWhat);
  const bool written = [&] {
    // The values by name as well as by the cascade: a tool with foreign keys
    // off would leave them behind.
    auto values = sql_->Prepare(
        "DELETE FROM target_value WHERE set_id IN (SELECT id FROM target_set WHERE name = $1)");
    auto head = sql_->Prepare("DELETE FROM target_set WHERE name = $1");
    if (!values || !head) return false;
    values->BindText(1, name);
    head->BindText(1, name);
    return Run(*values) && Run(*head);
  }();
  if (!written) return Failed(kWhat);
  if (!sql_->Commit()) return Failed(kWhat);
  return {true, {}};
}

}  // namespace eiyou::plan_detail
