#include "nutrition/facility.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "nutrition/dish_line.h"
#include "nutrition/food_entry.h"
#include "tables/cp932.h"
#include "tables/food_table.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

using Wide = __int128;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// a ÷ b, both above 0 (b) or not below (a), rounded half up / up.
Wide HalfUp(Wide a, Wide b) { return (2 * a + b) / (2 * b); }
Wide Up(Wide a, Wide b) { return (a + b - 1) / b; }

// A plain unsigned whole number (blanks around it allowed); nullopt otherwise.
std::optional<int> WholeNumber(std::string_view text) {
  text = TrimBlanks(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || text[0] == '-')
    return std::nullopt;
  return value;
}

// The table's foods by official number: the first row of a number wins, as
// a reader scanning the table finds it.
class FoodIndex {
 public:
  explicit FoodIndex(const FoodTable& table) : table_(table) {
    for (int r = table.rows(); r >= 1; --r)
      if (const std::optional<int> number = WholeNumber(table.Cell(1, r)); number && *number > 0)
        rowOf_[*number] = r;
  }
  int Row(int food) const {
    const auto found = rowOf_.find(food);
    return found == rowOf_.end() ? 0 : found->second;
  }
  std::string_view Name(int row) const { return table_.Cell(2, row); }
  // Column 23 as a percentage below 100; nullopt for anything else.
  std::optional<int> Refuse(int row) const {
    const std::optional<int> refuse = row ? WholeNumber(table_.Cell(23, row)) : std::nullopt;
    return refuse && *refuse < 100 ? refuse : std::nullopt;
  }

 private:
  const FoodTable& table_;
  std::unordered_map<int, int> rowOf_;
};

// One FoodEntry read: its official number and weight, or why it cannot be.
struct EntryRead {
  int food = 0;  // 0: not read
  std::int64_t weightMg = 0;
  std::string_view name;  // the entry's own (CP932)
};

EntryRead ReadEntry(std::string_view entry) {
  EntryRead read;
  const std::size_t close = entry.find(']');
  const std::size_t colon = entry.find(':', close == std::string_view::npos ? 0 : close);
  const std::size_t equals = entry.find('=');
  if (entry.empty() || entry[0] != '[' || close == std::string_view::npos ||
      colon == std::string_view::npos || equals == std::string_view::npos || equals < colon)
    return read;
  const std::optional<int> number = WholeNumber(entry.substr(close + 1, colon - close - 1));
  const std::optional<std::int64_t> weight = WeightMilligrams(FoodEntryWeightText(entry));
  if (!number || *number < 1 || *number > 99999 || !weight) return read;
  read.food = *number;
  read.weightMg = *weight;
  read.name = entry.substr(colon + 1, equals - colon - 1);
  return read;
}

std::string DishName(std::string_view line) { return Cp932ToUtf8(SplitDishLine(line).name); }

std::string UnreadNote(const std::string& date, std::string_view line, std::string_view entry) {
  return date + " の「" + DishName(line) + "」の食品「" + Cp932ToUtf8(entry) +
         "」は食品番号または重量が読めないため、数えていません。";
}

// A dish line's FoodEntry texts as views into it (DishFoods without the
// copies): a read entry's name stays valid as long as the line.
std::vector<std::string_view> EntryViews(std::string_view line) {
  std::vector<std::string_view> pieces = SplitViewsAt(line, ',');
  pieces.erase(pieces.begin(), pieces.begin() + std::min<std::size_t>(3, pieces.size()));
  return pieces;
}

// The foods of the dishes a group eats on a day, each entry read once.
struct DayFoods {
  std::array<std::vector<EntryRead>, kMeals> meals;
  std::array<std::vector<std::string>, kMeals> unread;  // notes
};

DayFoods ReadDay(const DayPlan& day) {
  DayFoods foods;
  for (int m = 0; m < kMeals; ++m)
    for (const std::string& line : day.meals[m])
      for (const std::string_view entry : EntryViews(line)) {
        EntryRead read = ReadEntry(entry);
        if (read.food == 0)
          foods.unread[m].push_back(UnreadNote(day.date, line, entry));
        else if (read.weightMg > 0)
          foods.meals[m].push_back(read);
      }
  return foods;
}

std::int64_t OrderOf(std::int64_t netMg, std::optional<int> refuse) {
  if (!refuse) return netMg;
  return static_cast<std::int64_t>(Up(Wide(netMg) * 100, 100 - *refuse));
}

const FoodPurchase* PurchaseOf(const std::vector<FoodPurchase>& purchases, int food) {
  const auto found = std::lower_bound(purchases.begin(), purchases.end(), food,
                                      [](const FoodPurchase& p, int f) { return p.food < f; });
  if (found != purchases.end() && found->food == food) return &*found;
  // Not sorted after all: look at every row.
  for (const FoodPurchase& p : purchases)
    if (p.food == food) return &p;
  return nullptr;
}

bool EatenOn(const EaterGroup& group, int meal) { return (group.meals >> meal) & 1; }

}  // namespace

std::string FoodNumberText(int food) {
  std::string text = std::to_string(food);
  return std::string(text.size() < 5 ? 5 - text.size() : 0, '0') + text;
}

std::optional<std::int64_t> WeightMilligrams(std::string_view weightText) {
  const std::string_view text = TrimBlanks(weightText);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view part = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  auto digits = [](std::string_view t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  // Up to a million tonnes: far beyond a kitchen, well inside 64 bits once
  // multiplied by a factor and a headcount.
  if (whole.empty() && part.empty()) return std::nullopt;
  if (!digits(whole) || !digits(part) || whole.size() > 12) return std::nullopt;
  std::int64_t mg = 0;
  for (char c : whole) mg = mg * 10 + (c - '0');
  for (std::size_t i = 0; i < 3; ++i) mg = mg * 10 + (i < part.size() ? part[i] - '0' : 0);
  if (part.size() > 3 && part[3] >= '5') ++mg;
  return mg;
}

int HeadcountOn(const EaterGroup& group, const std::string& date,
                const std::vector<HeadcountChange>& changes) {
  for (const HeadcountChange& c : changes)
    if (c.group == group.id && c.date == date) return c.headcount;
  return group.headcount;
}

std::vector<std::string> DishesFor(const EaterGroup& group, const DayPlan& day) {
  std::vector<std::string> dishes;
  for (int m = 0; m < kMeals; ++m)
    if (EatenOn(group, m)) dishes.insert(dishes.end(), day.meals[m].begin(), day.meals[m].end());
  return dishes;
}

Intakes PortionIntakes(const Intakes& asComposed, int factorPermille) {
  Intakes portion = asComposed;
  for (auto& [id, intake] : portion) intake.value = intake.value * factorPermille / 1000;
  return portion;
}

OrderSheet BuildOrderSheet(const std::vector<DayPlan>& days, const std::vector<EaterGroup>& groups,
                           const std::vector<HeadcountChange>& changes,
                           const std::vector<FoodPurchase>& purchases, const FoodTable& table,
                           const std::string& from, const std::string& to) {
  OrderSheet sheet;
  sheet.from = from;
  sheet.to = to;
  for (const EaterGroup& g : groups) sheet.groups.push_back(g.name);
  const FoodIndex index(table);
  std::set<int> toldRefuse;
  for (const DayPlan& day : days) {
    if (day.date < from || day.date > to) continue;
    // Each meal's eaters × factor, summed over the groups eating it: one pass
    // over a meal's foods serves every group.
    std::array<Wide, kMeals> scale{};
    for (const EaterGroup& g : groups) {
      const int headcount = HeadcountOn(g, day.date, changes);
      if (headcount <= 0) continue;
      for (int m = 0; m < kMeals; ++m)
        if (EatenOn(g, m)) scale[m] += Wide(g.factorPermille) * headcount;
    }
    if (scale == std::array<Wide, kMeals>{}) continue;
    DayFoods foods = ReadDay(day);
    // Only the meals someone eats can leave an entry out.
    for (int m = 0; m < kMeals; ++m)
      if (scale[m] != 0)
        for (std::string& note : foods.unread[m]) sheet.notes.push_back(std::move(note));
    std::map<int, std::pair<Wide, std::string_view>> net;  // food → 1/1000 mg, entry name
    for (int m = 0; m < kMeals; ++m) {
      if (scale[m] == 0) continue;
      for (const EntryRead& e : foods.meals[m]) {
        auto& [amount, name] = net[e.food];
        amount += Wide(e.weightMg) * scale[m];
        if (name.empty()) name = e.name;
      }
    }
    for (const auto& [food, entry] : net) {
      OrderLine& line = sheet.lines.emplace_back();
      line.delivery = day.date;
      const int row = index.Row(food);
      if (const FoodPurchase* p = PurchaseOf(purchases, food)) line.supplier = p->supplier;
      line.food = food;
      line.foodGroup = food / 1000 <= 18 ? food / 1000 : 0;
      line.name = row ? std::string(index.Name(row)) : std::string(TrimBlanks(entry.second));
      line.netMilligrams = static_cast<std::int64_t>(HalfUp(entry.first, 1000));
      line.refusePercent = index.Refuse(row);
      line.orderMilligrams = OrderOf(line.netMilligrams, line.refusePercent);
      if (!line.refusePercent && toldRefuse.insert(food).second)
        sheet.notes.push_back(
            "食品番号 " + FoodNumberText(food) + "（" + Cp932ToUtf8(line.name) + "）" +
            (row ? "の廃棄率が食品成分表にないため" : "が食品成分表にないため") +
            "、使用量は純使用量と同じにしています。");
    }
  }
  // Delivery date, supplier (none last), food group (unknown last), food number.
  std::stable_sort(sheet.lines.begin(), sheet.lines.end(), [](const OrderLine& a, const OrderLine& b) {
    return std::tie(a.delivery, a.supplier) == std::tie(b.delivery, b.supplier)
               ? std::tuple(a.foodGroup == 0, a.foodGroup, a.food) <
                     std::tuple(b.foodGroup == 0, b.foodGroup, b.food)
               : std::tuple(a.delivery, a.supplier.empty(), a.supplier) <
                     std::tuple(b.delivery, b.supplier.empty(), b.supplier);
  });
  return sheet;
}

std::optional<std::int64_t> CostSen(const FoodPurchase& purchase, std::int64_t orderMilligrams) {
  if (!purchase.priced || purchase.unitGrams <= 0) return std::nullopt;
  return static_cast<std::int64_t>(
      HalfUp(Wide(orderMilligrams) * purchase.priceSen, Wide(purchase.unitGrams) * 1000));
}

CostSummary BuildCostSummary(const std::vector<DayPlan>& days,
                             const std::vector<EaterGroup>& groups,
                             const std::vector<HeadcountChange>& changes,
                             const std::vector<FoodPurchase>& purchases, const FoodTable& table) {
  CostSummary summary;
  const FoodIndex index(table);
  std::set<int> unpriced;
  std::vector<std::int64_t> period(groups.size(), 0);
  for (const DayPlan& day : days) {
    const DayFoods foods = ReadDay(day);
    std::array<bool, kMeals> told{};
    for (std::size_t k = 0; k < groups.size(); ++k) {
      const EaterGroup& g = groups[k];
      const int headcount = HeadcountOn(g, day.date, changes);
      if (headcount <= 0 || DishesFor(g, day).empty()) continue;
      std::map<int, Wide> net;  // 1/1000 mg
      for (int m = 0; m < kMeals; ++m)
        if (EatenOn(g, m))
          for (const EntryRead& e : foods.meals[m])
            net[e.food] += Wide(e.weightMg) * g.factorPermille * headcount;
      DayCost& cost = summary.days.emplace_back();
      cost.date = day.date;
      cost.group = g.id;
      cost.headcount = headcount;
      // An entry of a meal the group does not eat leaves nothing out.
      for (int m = 0; m < kMeals; ++m) {
        if (!EatenOn(g, m) || foods.unread[m].empty()) continue;
        cost.complete = false;
        if (!told[m]) summary.notes.insert(summary.notes.end(), foods.unread[m].begin(), foods.unread[m].end());
        told[m] = true;
      }
      for (const auto& [food, amount] : net) {
        const std::int64_t netMg = static_cast<std::int64_t>(HalfUp(amount, 1000));
        const std::int64_t order = OrderOf(netMg, index.Refuse(index.Row(food)));
        const FoodPurchase* p = PurchaseOf(purchases, food);
        const std::optional<std::int64_t> sen = p ? CostSen(*p, order) : std::nullopt;
        if (sen) {
          cost.totalSen += *sen;
        } else {
          cost.complete = false;
          unpriced.insert(food);
        }
      }
      cost.perPersonSen = static_cast<std::int64_t>(HalfUp(cost.totalSen, headcount));
      period[k] += cost.perPersonSen;
    }
  }
  // Date, then group order: the days are walked in their own order.
  std::stable_sort(summary.days.begin(), summary.days.end(),
                   [](const DayCost& a, const DayCost& b) { return a.date < b.date; });
  for (std::size_t k = 0; k < groups.size(); ++k)
    summary.perPersonPeriodSen.emplace_back(groups[k].id, period[k]);
  summary.unpriced.assign(unpriced.begin(), unpriced.end());
  return summary;
}

PortionCost DishPortionCost(std::string_view dishLine, int factorPermille,
                            const std::vector<FoodPurchase>& purchases, const FoodTable& table) {
  PortionCost cost;
  const FoodIndex index(table);
  std::set<int> unpriced;
  Wide tenThousandths = 0;  // 1/10000 yen
  for (const std::string_view entry : EntryViews(dishLine)) {
    const EntryRead e = ReadEntry(entry);
    if (e.food == 0) {
      cost.complete = false;
      continue;
    }
    const FoodPurchase* p = PurchaseOf(purchases, e.food);
    if (!p || !p->priced || p->unitGrams <= 0) {
      cost.complete = false;
      unpriced.insert(e.food);
      continue;
    }
    // Order in 1/1000 mg: weight × factor, grossed up by the refuse.
    Wide order = Wide(e.weightMg) * factorPermille;
    if (const std::optional<int> refuse = index.Refuse(index.Row(e.food)))
      order = Up(order * 100, 100 - *refuse);
    // order/1000 mg × priceSen/100 yen ÷ (unitGrams × 1000 mg), in 1/10000 yen.
    tenThousandths += HalfUp(order * p->priceSen * 100, Wide(p->unitGrams) * 1000000);
  }
  cost.sen = static_cast<std::int64_t>(HalfUp(tenThousandths, 100));
  cost.unpriced.assign(unpriced.begin(), unpriced.end());
  return cost;
}

}  // namespace eiyou
