#include "sessions/facility_session.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <set>

#include "nutrition/dish_line.h"
#include "nutrition/facility_csv.h"
#include "nutrition/target_set.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/food_edition.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "plans/store_open.h"

namespace eiyou {
namespace {

// An official food number as the table writes it (" 1001", "11130"); 0 for
// anything else.
int NumberOf(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size() && n > 0 ? n : 0;
}

// The food number of a FoodEntry, "[row]number:name= 60g"; 0 without one.
int EntryFood(std::string_view entry) {
  const std::size_t close = entry.find(']'), colon = entry.find(':');
  if (close == std::string_view::npos || colon == std::string_view::npos || colon < close) return 0;
  return NumberOf(entry.substr(close + 1, colon - close - 1));
}

std::string ReadBytes(const std::string& path, StoreResult& failed) {
  try {
    return ReadWholeFile(path);
  } catch (const IoError& e) {
    failed = {false, e.what()};
    return {};
  }
}

// "1234567" -> "1,234,567".
std::string Grouped(std::int64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

std::string Decimals(std::int64_t value, std::int64_t unit, int places) {
  std::string text = std::to_string(value / unit);
  std::string rest = std::to_string(value % unit);
  rest.insert(0, static_cast<std::size_t>(places) - rest.size(), '0');
  return text + "." + rest;
}

// A save refused for another user's change names what the user tried to
// store, so that it can be typed again once the window has read anew.
StoreResult WithEdit(StoreResult result, const std::string& edit) {
  if (result.changedByOther) result.message += "\n変更しようとした内容: " + edit;
  return result;
}

std::string GroupText(const EaterGroup& g) {
  return "喫食者グループ「" + g.name + "」 倍率 " + FactorText(g.factorPermille) + "、人数 " +
         std::to_string(g.headcount) + " 人";
}

}  // namespace

std::string YenText(std::int64_t sen) {
  const bool negative = sen < 0;
  const std::int64_t a = negative ? -sen : sen;
  std::string text = Grouped(a / 100);
  if (a % 100 != 0) text += (a % 100 < 10 ? ".0" : ".") + std::to_string(a % 100);
  return negative ? "-" + text : text;
}

std::string StandardProfileText(const GroupStandard& standard) {
  if (standard.kind == StandardKind::None) return {};
  Profile p;
  p.sex = standard.sex;
  p.age = standard.age;
  if (standard.kind == StandardKind::SchoolLunch) p.reference = ReferenceChoice::SchoolLunch;
  if (standard.kind == StandardKind::TargetSet) p.targetSet = standard.targetSet;
  return ProfileText(Consistent(p));
}

GroupStandard StandardOf(const std::string& profileText) {
  GroupStandard s;
  const std::optional<Profile> p = ParseProfile(profileText);
  if (!p) return s;
  s.sex = p->sex;
  s.age = p->age;
  s.targetSet = p->targetSet;
  s.kind = !p->targetSet.empty()                       ? StandardKind::TargetSet
           : p->reference == ReferenceChoice::SchoolLunch ? StandardKind::SchoolLunch
                                                          : StandardKind::Intakes;
  return s;
}

std::string StandardCaption(const std::string& profileText) {
  if (profileText.empty()) return "評価しない";
  const GroupStandard s = StandardOf(profileText);
  const std::string group = GroupText(TargetGroup{s.sex, s.age});
  switch (s.kind) {
    case StandardKind::None: return "（読めない基準）";
    case StandardKind::SchoolLunch: return "学校給食 " + AgeClassText(s.age);
    case StandardKind::TargetSet: return "目標量セット「" + s.targetSet + "」 " + group;
    case StandardKind::Intakes: return "食事摂取基準 " + group;
  }
  return {};
}

std::optional<int> FactorPermille(const std::string& text) {
  const std::optional<std::int64_t> mg = WeightMilligrams(text);
  if (!mg || *mg <= 0 || *mg > 10000) return std::nullopt;
  return static_cast<int>(*mg);
}

std::string FactorText(int permille) {
  std::string text = Decimals(permille, 1000, 3);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::optional<std::int64_t> PriceSen(const std::string& text) {
  std::string plain;
  for (const char c : text)
    if (c != ',') plain += c;
  const std::optional<std::int64_t> mg = WeightMilligrams(plain);  // a decimal in thousandths
  if (!mg || plain.empty()) return std::nullopt;
  return (*mg + 5) / 10;
}

FacilitySession::FacilitySession(SideTables& tables, std::string dataDir)
    : tables_(tables), dataDir_(std::move(dataDir)) {}

std::unique_ptr<DayPlanStore> FacilitySession::Open() const {
  return OpenPlanStore(dataDir_.empty() ? DataDirectory() : dataDir_, std::time(nullptr));
}

std::string FacilitySession::Refresh() {
  auto store = Open();
  groups_.clear();
  purchases_.clear();
  info_ = {};
  if (!store->CanRead()) return store->message();
  groups_ = store->EaterGroups();
  std::string error = store->readError();
  purchases_ = store->FoodPurchases();
  if (error.empty()) error = store->readError();
  info_ = store->LoadFacilityInfo();
  if (error.empty()) error = store->readError();
  return error;
}

const EaterGroup* FacilitySession::Group(std::int64_t id) const {
  for (const EaterGroup& g : groups_)
    if (g.id == id) return &g;
  return nullptr;
}

const FoodPurchase* FacilitySession::Purchase(int food) const {
  for (const FoodPurchase& p : purchases_)
    if (p.food == food) return &p;
  return nullptr;
}

StoreResult FacilitySession::Stored(StoreResult result) {
  if (result.ok) Refresh();
  return result;
}

StoreResult FacilitySession::SaveGroup(EaterGroup group, std::int64_t* id) {
  if (group.id == 0) {
    int last = 0;
    for (const EaterGroup& g : groups_) last = std::max(last, g.position);
    group.position = last + 1;
  }
  return Stored(WithEdit(Open()->SaveEaterGroup(group, id), GroupText(group)));
}

StoreResult FacilitySession::DeleteGroup(std::int64_t id) {
  return Stored(Open()->DeleteEaterGroup(id));
}

StoreResult FacilitySession::MoveGroup(std::int64_t id, int step) {
  const auto it = std::find_if(groups_.begin(), groups_.end(), [id](const EaterGroup& g) { return g.id == id; });
  if (it == groups_.end()) return {false, "その喫食グループはもうありません。"};
  const std::ptrdiff_t at = it - groups_.begin(), other = at + step;
  if (other < 0 || other >= static_cast<std::ptrdiff_t>(groups_.size())) return {true, {}};
  // Positions as the list shows them, so that groups stored with equal
  // positions (ordered by name) still swap.
  std::vector<EaterGroup> list = groups_;
  for (std::size_t i = 0; i < list.size(); ++i) list[i].position = static_cast<int>(i) + 1;
  std::swap(list[static_cast<std::size_t>(at)].position, list[static_cast<std::size_t>(other)].position);
  auto store = Open();
  // Each group is its own transaction; one left behind only puts two groups
  // at one place, where the store orders them by name.
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].position != groups_[i].position)
      if (StoreResult r = store->SaveEaterGroup(list[i]); !r.ok)
        return Stored(WithEdit(r, "喫食者グループ「" + list[i].name + "」の並び順"));
  return Stored({true, {}});
}

std::vector<HeadcountChange> FacilitySession::HeadcountChanges(const std::string& from,
                                                               const std::string& to,
                                                               std::string& error) {
  auto store = Open();
  if (!store->CanRead()) {
    error = store->message();
    return {};
  }
  std::vector<HeadcountChange> changes = store->HeadcountChanges(from, to);
  error = store->readError();
  if (error.empty()) {
    readFrom_ = from;
    readTo_ = to;
    readChanges_ = changes;
  }
  return changes;
}

StoreResult FacilitySession::SetHeadcount(const std::string& date, std::int64_t group, int headcount) {
  HeadcountChange change{date, group, headcount};
  // Checked against the changes last read, when they cover the date.
  if (!readFrom_.empty() && readFrom_ <= date && date <= readTo_) {
    change.version = 0;
    for (const HeadcountChange& c : readChanges_)
      if (c.date == date && c.group == group) change.version = c.version;
  }
  const EaterGroup* g = Group(group);
  return WithEdit(Open()->SaveHeadcountChanges({change}),
                  date + " の喫食者グループ「" + (g ? g->name : std::string()) + "」の人数 " +
                      (headcount < 0 ? std::string("（ふだんの人数に戻す）") : std::to_string(headcount) + " 人"));
}

CsvImport FacilitySession::ImportHeadcountCsv(const std::string& path) {
  CsvImport import;
  const std::string bytes = ReadBytes(path, import.result);
  if (!import.result.message.empty()) return import;
  Refresh();
  HeadcountCsv read = ReadHeadcountCsv(bytes, groups_);
  if (!read.problems.empty()) {
    import.problems = std::move(read.problems);
    return import;
  }
  import.result = Open()->SaveHeadcountChanges(read.changes);
  return import;
}

StoreResult FacilitySession::SavePurchase(FoodPurchase row) {
  return Stored(CheckedPurchase(row, row.priced ? "単価 " + YenText(row.priceSen) + " 円（" +
                                                      std::to_string(row.unitGrams) + " g" +
                                                      (row.unitName.empty() ? "" : " " + row.unitName) +
                                                      "）、設定日 " + row.setOn + "、納入業者「" +
                                                      row.supplier + "」"
                                                : "納入業者「" + row.supplier + "」"));
}

StoreResult FacilitySession::RemovePurchase(int food) {
  FoodPurchase none;
  none.food = food;
  return Stored(CheckedPurchase(none, "単価と納入業者の削除"));
}

StoreResult FacilitySession::CheckedPurchase(FoodPurchase row, const std::string& edit) {
  // Checked against the row last read (none read: none stored then).
  if (!row.version) {
    const FoodPurchase* read = Purchase(row.food);
    row.version = read ? read->version : std::optional<std::int64_t>(0);
  }
  StoreResult r = Open()->SaveFoodPurchases({row});
  if (r.changedByOther) {
    const std::string name = Cp932ToUtf8(FoodName(row.food));
    r.message = ChangedByOtherMessage("単価 " + FoodNumberText(row.food) + (name.empty() ? "" : " " + name));
  }
  return WithEdit(std::move(r), edit);
}

CsvImport FacilitySession::ImportPriceCsv(const std::string& path) {
  CsvImport import;
  const std::string bytes = ReadBytes(path, import.result);
  if (!import.result.message.empty()) return import;
  PriceCsv read = ReadPriceCsv(bytes);
  if (!read.problems.empty()) {
    import.problems = std::move(read.problems);
    return import;
  }
  import.result = Stored(Open()->SaveFoodPurchases(read.rows));
  return import;
}

StoreResult FacilitySession::ExportPriceCsv(const std::string& path) const {
  if (!ReplaceFileContents(path, PriceCsvText(purchases_))) return {false, WriteFailureMessage(path)};
  return {true, {}};
}

StoreResult FacilitySession::SaveInfo(FacilityInfo info) {
  if (!info.version) info.version = info_.version;  // as last read
  return Stored(WithEdit(Open()->SaveFacilityInfo(info), "施設名「" + info.name + "」とお知らせ"));
}

std::vector<std::string> FacilitySession::TargetSetNames() const {
  std::vector<std::string> names;
  if (auto store = Open(); store->CanRead())
    for (TargetSetEntry& e : store->TargetSets()) names.push_back(std::move(e.name));
  return names;
}

void FacilitySession::LoadTable(MessageSink& sink) {
  tables_.LoadFood(sink);
  rows_.clear();
  for (int row = 1; row <= tables_.food.rows(); ++row)
    if (const int n = NumberOf(tables_.food.Cell(1, row)); n > 0) rows_.emplace(n, row);
}

int FacilitySession::RowOf(int food) const {
  const auto it = rows_.find(food);
  return it == rows_.end() ? 0 : it->second;
}

std::string FacilitySession::FoodName(int food) const {
  const int row = RowOf(food);
  return row > 0 ? std::string(tables_.food.Cell(2, row)) : std::string();
}

bool FacilitySession::ReadDays(MessageSink& sink, const std::string& from, const std::string& to,
                               std::vector<DayPlan>& days) const {
  if (to < from) {  // plan dates sort as their dates do
    sink.Show("開始日が終了日より後になっています！");
    return false;
  }
  auto store = Open();
  if (store->status() != OpenStatus::Ok && store->status() != OpenStatus::ReadOnly)
    sink.Show(store->message());
  if (!store->Serves(PlanUse::Read)) return false;
  days = store->DaysBetween(from, to);
  if (!store->readError().empty()) {
    sink.Show(store->readError());
    return false;
  }
  return true;
}

std::vector<int> FacilitySession::UnpricedFoods(MessageSink& sink, const std::string& from,
                                                const std::string& to) {
  std::vector<DayPlan> days;
  if (!ReadDays(sink, from, to, days)) return {};
  Refresh();
  std::set<int> foods;
  for (const DayPlan& day : days)
    for (const auto& meal : day.meals)
      for (const std::string& line : meal)
        for (const std::string& entry : DishFoods(line))
          if (const int food = EntryFood(entry); food > 0) {
            const FoodPurchase* p = Purchase(food);
            if (!p || !p->priced) foods.insert(food);
          }
  return {foods.begin(), foods.end()};
}

bool FacilitySession::BuildSheet(MessageSink& sink, const std::string& from, const std::string& to,
                                 const std::vector<std::int64_t>& groupIds) {
  hasSheet_ = false;
  order_ = {};
  cost_ = {};
  from_ = from;
  to_ = to;
  chosen_ = groupIds;
  std::vector<DayPlan> days;
  if (!ReadDays(sink, from, to, days)) return false;
  if (days.empty()) {
    sink.Show("指定した期間に保存された献立はありません！");
    return false;
  }
  if (const std::string problem = Refresh(); !problem.empty()) {
    sink.Show(problem);
    return false;
  }
  std::vector<EaterGroup> groups;
  for (const EaterGroup& g : groups_)
    if (std::find(groupIds.begin(), groupIds.end(), g.id) != groupIds.end()) groups.push_back(g);
  if (groups.empty()) {
    sink.Show("数える喫食グループを選んでください。");
    return false;
  }
  std::string error;
  const std::vector<HeadcountChange> changes = HeadcountChanges(from, to, error);
  if (!error.empty()) {
    sink.Show(error);
    return false;
  }
  LoadTable(sink);
  order_ = BuildOrderSheet(days, groups, changes, purchases_, tables_.food, from, to);
  cost_ = BuildCostSummary(days, groups, changes, purchases_, tables_.food);
  hasSheet_ = true;
  return true;
}

OrderReport FacilitySession::SheetReport() const {
  return MakeOrderReport(order_, info_, Cp932ToUtf8(LoadFoodEdition()));
}

std::string FacilitySession::SheetBaseName() const { return "発注表_" + from_ + "_" + to_; }

}  // namespace eiyou
