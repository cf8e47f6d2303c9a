// The facility's side: its groups of eaters, their headcounts by date, how
// its foods are bought and its name and notes, all kept in the day-plan
// database; and the order sheet and food cost of a period built from the
// stored days. Nothing is held between reads but what the last read found,
// so that a change made by another copy of the program shows at the next
// Refresh. Texts are UTF-8 but food names, which stay the table's CP932.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nutrition/facility.h"
#include "nutrition/profile.h"
#include "plans/plan_store.h"
#include "reports/order_report.h"
#include "sessions/side_tables.h"

namespace eiyou {

// A CSV file read into the store: refused whole when `problems` is not empty
// (one line each, naming the file's line), else the store's result.
struct CsvImport {
  StoreResult result;
  std::vector<std::string> problems;
};

class AllergenSession;

class FacilitySession {
 public:
  // The allergen review the facility window opens (Sessions sets it); null
  // for a session made on its own.
  AllergenSession* allergens = nullptr;

  // `tables`: the side whose food table names the foods and weighs the
  // dishes (the period side's, loaded afresh for every sheet). `dataDir`
  // empty: the data folder the program runs in.
  explicit FacilitySession(SideTables& tables, std::string dataDir = {});

  // Reads the groups, purchases and facility info again; the store's message
  // when they cannot be read (empty when they were).
  std::string Refresh();
  const std::vector<EaterGroup>& groups() const { return groups_; }
  const std::vector<FoodPurchase>& purchases() const { return purchases_; }
  const FacilityInfo& info() const { return info_; }
  // The stored group of `id`; null when there is none.
  const EaterGroup* Group(std::int64_t id) const;
  // The stored purchase row of a food; null when there is none.
  const FoodPurchase* Purchase(int food) const;

  // Each change is one transaction and is read back when stored. A new group
  // (id 0) goes last. A change is checked against the rows as last read: on a
  // server, a row another user changed since is refused (changedByOther, the
  // message naming what the user tried to store); read again and retry.
  StoreResult SaveGroup(EaterGroup group, std::int64_t* id = nullptr);
  StoreResult DeleteGroup(std::int64_t id);
  // Swaps the group's place with its neighbour's (`step` -1 up, +1 down).
  StoreResult MoveGroup(std::int64_t id, int step);

  // The changes of the dates from `from` to `to`; `error` gets the reason
  // when they cannot be read.
  std::vector<HeadcountChange> HeadcountChanges(const std::string& from, const std::string& to,
                                                std::string& error);
  // The group's eaters on a date; a negative count gives the day back to
  // the group's own headcount.
  StoreResult SetHeadcount(const std::string& date, std::int64_t group, int headcount);
  CsvImport ImportHeadcountCsv(const std::string& path);

  StoreResult SavePurchase(FoodPurchase row);
  StoreResult RemovePurchase(int food);
  CsvImport ImportPriceCsv(const std::string& path);
  // The stored prices, written by an atomic replace.
  StoreResult ExportPriceCsv(const std::string& path) const;

  StoreResult SaveInfo(FacilityInfo info);
  // The names of the stored target sets, for choosing a group's standard.
  std::vector<std::string> TargetSetNames() const;

  // The food table, loaded afresh (its messages go to `sink`; an unreadable
  // file throws IoError), with the rows of the food numbers.
  void LoadTable(MessageSink& sink);
  const FoodTable& table() const { return tables_.food; }
  // The table's row of an official food number; 0 when it has none.
  int RowOf(int food) const;
  // The table's name of a food (CP932); empty when it has none.
  std::string FoodName(int food) const;

  // The foods eaten on the stored days of the period that have no price, in
  // number order. Messages of the store and the table go to `sink`.
  std::vector<int> UnpricedFoods(MessageSink& sink, const std::string& from, const std::string& to);

  // The order sheet and the cost of the stored days from `from` to `to` for
  // the groups of `groupIds` (in the facility's order). False, with every
  // reason told to `sink`, when nothing can be shown.
  bool BuildSheet(MessageSink& sink, const std::string& from, const std::string& to,
                  const std::vector<std::int64_t>& groupIds);
  bool HasSheet() const { return hasSheet_; }
  const OrderSheet& order() const { return order_; }
  const CostSummary& cost() const { return cost_; }
  // The sheet shown, in the rows its files and pages show; and a file name
  // for it without its extension (UTF-8).
  OrderReport SheetReport() const;
  std::string SheetBaseName() const;
  // The stored days of a period; false, with the reason told, when they cannot be read.
  bool ReadDays(MessageSink& sink, const std::string& from, const std::string& to,
                std::vector<DayPlan>& days) const;

  // The period and groups last asked for (empty until then), kept for the run.
  const std::string& from() const { return from_; }
  const std::string& to() const { return to_; }
  const std::vector<std::int64_t>& chosenGroups() const { return chosen_; }

 private:
  std::unique_ptr<DayPlanStore> Open() const;
  StoreResult Stored(StoreResult result);
  StoreResult CheckedPurchase(FoodPurchase row, const std::string& edit);

  SideTables& tables_;
  std::string dataDir_;
  std::vector<EaterGroup> groups_;
  std::vector<FoodPurchase> purchases_;
  FacilityInfo info_;
  std::map<int, int> rows_;  // food number -> table row
  std::string from_, to_;
  // The headcount changes last read, and their dates.
  std::string readFrom_, readTo_;
  std::vector<HeadcountChange> readChanges_;
  std::vector<std::int64_t> chosen_;
  OrderSheet order_;
  CostSummary cost_;
  bool hasSheet_ = false;
};

// What a group is judged against, as the facility window chooses it.
enum class StandardKind { None, SchoolLunch, TargetSet, Intakes };
struct GroupStandard {
  StandardKind kind = StandardKind::None;
  Sex sex = Sex::Female;
  Period age{PeriodClass::Years, 30, 49};  // the school-lunch band or the age class
  std::string targetSet;
};
// The group's profile text (EaterGroup::profile) and back; a text that is no
// profile reads as None.
std::string StandardProfileText(const GroupStandard& standard);
GroupStandard StandardOf(const std::string& profileText);
// For the list of groups (UTF-8): 「学校給食 8-9歳」, 「目標量セット「減塩食」 女性 30-49歳」.
std::string StandardCaption(const std::string& profileText);

// A portion factor as typed ("0.8", "1.1") in thousandths; nullopt unless it
// is a number above 0 and at most 10.
std::optional<int> FactorPermille(const std::string& text);
// 800 -> "0.8", 1000 -> "1".
std::string FactorText(int permille);
// A price in yen as typed ("180", "1,200", "99.5") in 1/100 yen; nullopt
// unless it is a number of at least 0.
std::optional<std::int64_t> PriceSen(const std::string& text);

// Money as a user reads it: yen with thousands separators and, when there
// are any, the sen to two places ("12,345", "1,234.50"), whatever the locale.
std::string YenText(std::int64_t sen);

}  // namespace eiyou
