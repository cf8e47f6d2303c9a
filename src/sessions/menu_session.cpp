#include "sessions/menu_session.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "nutrition/accumulation.h"
#include "nutrition/assessment_table.h"
#include "nutrition/dish_line.h"
#include "nutrition/facility.h"
#include "nutrition/intakes.h"
#include "nutrition/profile.h"
#include "reports/figures_report.h"
#include "sessions/allergen_session.h"
#include "sessions/assessment_session.h"
#include "sessions/facility_session.h"
#include "tables/cp932.h"
#include "tables/food_edition.h"

namespace eiyou {

// What every menu and assessment of a month is worked from.
struct MenuSession::Month {
  std::string from, to;
  std::vector<DayPlan> days;
  std::vector<HeadcountChange> changes;
};

namespace {

// The figures a family's menu shows, in its order.
constexpr const char* kMenuFigures[3] = {"ENERC_KCAL", "PROT", "NACL_EQ"};

std::size_t NutrientIndex(std::string_view id) {
  for (std::size_t i = 0; i < kAssessedNutrients.size(); ++i)
    if (id == kAssessedNutrients[i].id) return i;
  return 0;
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string MonthText(int year, int month) {
  return std::to_string(year) + "年" + std::to_string(month) + "月";
}

// A day served to a group: its dishes for the group and their foods.
struct Served {
  const DayPlan* day = nullptr;
  std::vector<std::string> lines;
  std::vector<FoodAmount> foods;
};

std::vector<Served> ServedDays(const std::vector<DayPlan>& days, const std::vector<HeadcountChange>& changes,
                               const EaterGroup& group) {
  std::vector<Served> served;
  for (const DayPlan& day : days) {
    if (HeadcountOn(group, day.date, changes) <= 0) continue;
    Served s{&day, DishesFor(group, day), {}};
    if (s.lines.empty()) continue;
    for (const std::string& line : s.lines) ReadDishFoods(DishLineFoodText(line), s.foods);
    served.push_back(std::move(s));
  }
  return served;
}

std::vector<Intakes> PortionsOf(IntakeCounter& counter, const std::vector<Served>& served, int factorPermille) {
  std::vector<Intakes> portions;
  portions.reserve(served.size());
  for (const Served& s : served) portions.push_back(PortionIntakes(counter.Of(s.foods), factorPermille));
  return portions;
}

std::string FigureText(const Intakes& intakes, const char* id) {
  const auto it = intakes.find(std::string_view(id));
  return it == intakes.end() ? std::string() : AssessmentIntakeText(kAssessedNutrients[NutrientIndex(id)], it->second.value);
}

// The reference of a figure as a family reads it: the goal (a range, a bound,
// or the standard amount alone), else the recommended amount, else the
// adequate one.
std::string ReferenceText(const AssessmentLine& line) {
  const AssessmentCell& goal = line.parts[kDgColumn];
  // "650（必要量）": the kind in brackets is for the assessment window.
  if (goal.words.rfind("（", 0) == 0)
    return goal.number + goal.mark;
  if (!goal.Text().empty()) return goal.Text();
  if (!line.parts[kRdaColumn].Text().empty()) return line.parts[kRdaColumn].Text();
  return line.parts[kAiColumn].Text();
}

std::string JudgementText(const AssessmentLine& line) { return line.cells[kJudgementColumn]; }

// The group's reference, when it names one that can be read.
std::optional<Profile> ProfileOf(const EaterGroup& group) {
  if (group.profile.empty()) return std::nullopt;
  return ParseProfile(group.profile);
}

}  // namespace

MenuSession::MenuSession(FacilitySession& facility, AllergenSession& allergens, AssessmentSession& assessment,
                         SideTables& tables)
    : facility_(facility), allergens_(allergens), assessment_(assessment), tables_(tables) {}

bool MenuSession::ReadMonth(MessageSink& sink, int year, int month, Month& out) {
  using namespace std::chrono;
  const year_month_day_last last{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                                 std::chrono::last};
  out.from = std::to_string(year) + "-" + TwoDigits(month) + "-01";
  out.to = std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(static_cast<int>(unsigned(last.day())));
  if (const std::string problem = facility_.Refresh(); !problem.empty()) {
    sink.Show(problem);
    return false;
  }
  if (facility_.groups().empty()) {
    sink.Show("喫食グループがありません。給食施設の画面で登録してください。");
    return false;
  }
  if (!facility_.ReadDays(sink, out.from, out.to, out.days)) return false;
  if (out.days.empty()) {
    sink.Show(MonthText(year, month) + "に保存された献立はありません！");
    return false;
  }
  std::string error;
  out.changes = facility_.HeadcountChanges(out.from, out.to, error);
  if (!error.empty()) {
    sink.Show(error);
    return false;
  }
  facility_.LoadTable(sink);
  return true;
}

bool MenuSession::Build(MessageSink& sink, int year, int month, std::int64_t groupId) {
  hasMenu_ = false;
  menu_ = {};
  averageNote_.clear();
  Month m;
  if (!ReadMonth(sink, year, month, m)) return false;
  const EaterGroup* group = facility_.Group(groupId);
  if (!group) {
    sink.Show("献立表を作る喫食グループを選んでください。");
    return false;
  }
  const std::vector<Served> served = ServedDays(m.days, m.changes, *group);
  if (served.empty()) {
    sink.Show(group->name + "には" + MonthText(year, month) +
              "に給食を出す日がありません（人数が0人の日と、グループの食事に料理のない日は除きます）。");
    return false;
  }
  if (const std::string problem = allergens_.Load(tables_.food); !problem.empty()) sink.Show(problem);

  IntakeCounter counter(tables_.food, tables_.marks, assessment_.components());
  const std::vector<Intakes> portions = PortionsOf(counter, served, group->factorPermille);
  const AllergenList& items = allergens_.list();
  for (std::size_t d = 0; d < served.size(); ++d) {
    MenuDay& day = menu_.days.emplace_back();
    day.date = served[d].day->date;
    for (const std::string& line : served[d].lines) day.dishes.push_back(Cp932ToUtf8(SplitDishLine(line).name));
    day.energy = FigureText(portions[d], "ENERC_KCAL");
    day.protein = FigureText(portions[d], "PROT");
    day.salt = FigureText(portions[d], "NACL_EQ");
    const std::vector<AllergenPresence> presences = allergens_.Combined(tables_.food, served[d].foods);
    for (std::size_t i = 0; i < presences.size() && i < items.size(); ++i) {
      if (presences[i] == AllergenPresence::None) continue;
      std::string& into = presences[i] == AllergenPresence::Contains ? day.contains : day.mayContain;
      into += (into.empty() ? "" : "・") + items.items[i].name;
    }
  }

  const Intakes mean = MeanDailyIntakes(portions);
  const std::optional<Profile> profile = ProfileOf(*group);
  if (profile) {
    const PersonReference reference = assessment_.ReferenceFor(*profile);
    const AssessmentTable table = MakeAssessmentTable(Assess(mean, reference), true);
    for (const char* id : kMenuFigures) {
      const AssessmentLine& line = table.lines[NutrientIndex(id)];
      MenuAverage a{line.name, FigureText(mean, id), ReferenceText(line), JudgementText(line)};
      // The school-lunch standard states protein as a share of energy: that
      // share is what is judged, with its unit.
      if (std::string_view(id) == "PROT" && a.reference.empty()) {
        const AssessmentLine& share = table.lines[NutrientIndex("PROT_E")];
        if (!ReferenceText(share).empty()) {
          a.reference = ReferenceText(share) + "%E";
          a.judgement = JudgementText(share);
        }
      }
      menu_.averages.push_back(std::move(a));
    }
    menu_.referenceName = StandardCaption(group->profile);
    menu_.sources.push_back("基準: " + reference.edition);
  } else {
    for (const char* id : kMenuFigures) {
      const AssessedNutrient& n = kAssessedNutrients[NutrientIndex(id)];
      menu_.averages.push_back({std::string(n.name) + "（" + n.unit + "）", FigureText(mean, id), {}, {}});
    }
    averageNote_ = group->profile.empty()
                       ? group->name + "には評価の基準が設定されていないため、平均は基準と比べていません。"
                       : group->name + "の評価の基準が読めないため、平均は基準と比べていません。";
  }
  menu_.sources.insert(menu_.sources.begin(), FoodSource());
  menu_.facility = facility_.info().name;
  menu_.notes = facility_.info().notes;
  menu_.year = year;
  menu_.month = month;
  menu_.group = group->name;
  hasMenu_ = true;
  return true;
}

std::string MenuSession::FoodSource() const { return FoodTableSource(Cp932ToUtf8(LoadFoodEdition())); }

std::string MenuSession::BaseName() const {
  return "献立表_" + MonthText(menu_.year, menu_.month) + "_" + menu_.group;
}

std::vector<GroupMonth> MenuSession::AssessGroups(MessageSink& sink, int year, int month) {
  std::vector<GroupMonth> out;
  Month m;
  if (!ReadMonth(sink, year, month, m)) return out;
  IntakeCounter counter(tables_.food, tables_.marks, assessment_.components());
  for (const EaterGroup& group : facility_.groups()) {
    const std::optional<Profile> profile = ProfileOf(group);
    if (!profile) continue;
    const std::vector<Served> served = ServedDays(m.days, m.changes, group);
    if (served.empty()) continue;
    const Intakes mean = MeanDailyIntakes(PortionsOf(counter, served, group.factorPermille));
    out.push_back({group.id, group.name, StandardCaption(group.profile), static_cast<int>(served.size()),
                   Assess(mean, assessment_.ReferenceFor(*profile))});
  }
  return out;
}

StoreResult MenuSession::SaveNotes(const std::string& notes) {
  // Read again first: the facility window may have changed the name since.
  if (const std::string problem = facility_.Refresh(); !problem.empty()) return {false, problem};
  FacilityInfo info = facility_.info();
  if (info.notes != notes) {
    info.notes = notes;
    if (StoreResult r = facility_.SaveInfo(info); !r.ok) return r;
  }
  if (hasMenu_) {
    menu_.notes = notes;
    menu_.facility = info.name;
  }
  return {true, {}};
}

}  // namespace eiyou
