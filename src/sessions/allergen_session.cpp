#include "sessions/allergen_session.h"

#include <algorithm>
#include <charconv>
#include <ctime>

#include "nutrition/everyday_names.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "plans/store_open.h"

namespace eiyou {
namespace {

std::unique_ptr<DayPlanStore> OpenStore(const std::string& dataDir) {
  return OpenPlanStore(dataDir.empty() ? DataDirectory() : dataDir, std::time(nullptr));
}

// " 1001" / "10001" → the number; 0 when the cell is not one.
int FoodNumber(std::string_view cell) {
  while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
  int number = 0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), number);
  return ec == std::errc() && end == cell.data() + cell.size() ? number : 0;
}

struct CollectMessages : MessageSink {
  std::string text;
  void Show(const std::string& utf8Text) override { text += utf8Text + "\n"; }
};

bool Before(const AllergenOverride& a, int food, const std::string& item) {
  return a.food != food ? a.food < food : a.item < item;
}

}  // namespace

AllergenSession::AllergenSession(std::string dataDir) : dataDir_(std::move(dataDir)) {}

std::string AllergenSession::Load() {
  CollectMessages sink;
  try {
    LoadFoodTable(table_, sink);
  } catch (const IoError& e) {
    return e.what();
  }
  std::string message = Load(table_);
  return sink.text + message;
}

std::string AllergenSession::Load(const FoodTable& table) {
  data_ = LoadAllergenData();
  std::string message;
  for (const std::string& p : data_.problems) message += p + "\n";
  if (!data_.problems.empty()) message += "組み込みのアレルゲンの一覧と規則を使います。\n";

  if (const std::string problem = ReloadOverrides(); !problem.empty()) message += problem + "\n";

  foods_.clear();
  for (int row = 1; row <= table.rows(); ++row) {
    const int number = FoodNumber(table.Cell(1, row));
    if (number <= 0) continue;
    Food food{number, row, Cp932ToUtf8(table.Cell(2, row)), {}};
    food.derived = DeriveAllergens(data_.list, data_.rules, number, food.name);
    foods_.push_back(std::move(food));
  }
  names_.Build(table, LoadEverydayNames());
  loaded_ = true;
  return message;
}

const AllergenSession::Food* AllergenSession::FindFood(int number) const {
  for (const Food& f : foods_)
    if (f.number == number) return &f;
  return nullptr;
}

std::optional<AllergenPresence> AllergenSession::Override(int number, std::size_t item) const {
  if (item >= list().size()) return std::nullopt;
  const std::string& name = list().items[item].name;
  const auto it = std::lower_bound(overrides_.begin(), overrides_.end(), 0,
                                   [&](const AllergenOverride& o, int) { return Before(o, number, name); });
  if (it == overrides_.end() || it->food != number || it->item != name) return std::nullopt;
  return it->presence;
}

bool AllergenSession::HasOverrides(int number) const {
  return std::any_of(overrides_.begin(), overrides_.end(), [&](const AllergenOverride& o) {
    return o.food == number && list().Index(o.item) >= 0;
  });
}

AllergenCell AllergenSession::Cell(const Food& food, std::size_t item) const {
  if (const auto o = Override(food.number, item)) return {*o, kAllergenOverridden};
  return item < food.derived.size() ? food.derived[item] : AllergenCell{};
}

std::vector<AllergenPresence> AllergenSession::Presences(int number) const {
  std::vector<AllergenPresence> presences(list().size(), AllergenPresence::MayContain);
  if (const Food* food = FindFood(number))
    for (std::size_t i = 0; i < presences.size(); ++i) presences[i] = Cell(*food, i).presence;
  return presences;
}

StoreResult AllergenSession::SetOverride(int number, std::size_t item,
                                         std::optional<AllergenPresence> presence) {
  if (item >= list().size()) return {false, "アレルゲンの品目がありません。"};
  AllergenOverride o{number, list().items[item].name, presence.value_or(AllergenPresence::None)};
  const auto it = std::lower_bound(overrides_.begin(), overrides_.end(), 0,
                                   [&](const AllergenOverride& x, int) { return Before(x, o.food, o.item); });
  const bool found = it != overrides_.end() && it->food == o.food && it->item == o.item;
  // As last read: another user's word since is told, not overwritten.
  o.version = found ? it->version : std::optional<std::int64_t>(0);
  auto store = OpenStore(dataDir_);
  StoreResult result = presence ? store->SaveAllergenOverrides({o}, {})
                                : store->SaveAllergenOverrides({}, {o});
  if (result.changedByOther)
    result.message += "\n変更しようとした内容: 「" + o.item + "」を" +
                      (!presence                                      ? "規則による判定に戻す"
                       : *presence == AllergenPresence::Contains      ? "「含む」にする"
                       : *presence == AllergenPresence::MayContain    ? "「含む可能性」にする"
                                                                      : "「含まない」にする");
  if (!result.ok) return result;
  // Read again for the rows' new versions; kept by hand when that fails.
  std::vector<AllergenOverride> kept = overrides_;
  if (ReloadOverrides().empty()) return result;
  overrides_ = std::move(kept);
  const auto at = std::lower_bound(overrides_.begin(), overrides_.end(), 0,
                                   [&](const AllergenOverride& x, int) { return Before(x, o.food, o.item); });
  o.version.reset();
  if (presence && found) *at = o;
  else if (presence) overrides_.insert(at, o);
  else if (found) overrides_.erase(at);
  return result;
}

std::string AllergenSession::ReloadOverrides() {
  auto store = OpenStore(dataDir_);
  overrides_ = store->AllergenOverrides();
  std::sort(overrides_.begin(), overrides_.end(),
            [](const AllergenOverride& a, const AllergenOverride& b) { return Before(a, b.food, b.item); });
  return store->readError();
}

std::vector<AllergenPresence> AllergenSession::Combined(const std::vector<int>& numbers) const {
  std::vector<AllergenPresence> combined(list().size(), AllergenPresence::None);
  for (const int number : numbers) CombineAllergens(combined, Presences(number));
  return combined;
}

std::vector<AllergenPresence> AllergenSession::Combined(const FoodTable& table,
                                                        const std::vector<FoodAmount>& foods) const {
  std::vector<int> numbers;
  for (const FoodAmount& f : foods)
    if (f.row >= 1 && f.row <= table.rows()) numbers.push_back(FoodNumber(table.Cell(1, f.row)));
  return Combined(numbers);
}

}  // namespace eiyou
