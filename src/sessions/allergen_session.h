// The allergens of the foods of the table: the item list and rules of the data
// folder, what they derive for every food, and the user's overrides stored in
// the day-plan database, which take the place of what is derived. Texts are
// UTF-8; the windows convert them at their widgets.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "nutrition/accumulation.h"
#include "nutrition/allergens.h"
#include "nutrition/food_search.h"
#include "plans/plan_store.h"
#include "tables/food_table.h"

namespace eiyou {

class AllergenSession {
 public:
  // `dataDir` empty: the data folder the program runs in.
  explicit AllergenSession(std::string dataDir = {});

  struct Food {
    int number = 0;    // official food number
    int row = 0;       // line of the table
    std::string name;  // UTF-8
    std::vector<AllergenCell> derived;
  };

  // Reads the food table of the data folder and derives its foods.
  std::string Load();
  // Derives the foods of `table`, reading the list, the rules and the stored
  // overrides again. The message to show (a data file refused, so the
  // built-in one used; the overrides unreadable), else empty.
  std::string Load(const FoodTable& table);
  bool loaded() const { return loaded_; }

  const AllergenList& list() const { return data_.list; }
  const std::vector<AllergenRule>& rules() const { return data_.rules; }
  const std::vector<Food>& foods() const { return foods_; }
  const Food* FindFood(int number) const;
  // The food names in search form, for the window's search.
  const FoodNameIndex& names() const { return names_; }

  // What a food has for an item: the user's word where there is one
  // (rule kAllergenOverridden), else the derived cell.
  AllergenCell Cell(const Food& food, std::size_t item) const;
  std::optional<AllergenPresence> Override(int number, std::size_t item) const;
  bool HasOverrides(int number) const;
  std::vector<AllergenPresence> Presences(int number) const;

  // Stores the user's word on one food and item, or removes it (nullopt:
  // the rules decide again). One transaction; kept here only when stored.
  StoreResult SetOverride(int number, std::size_t item, std::optional<AllergenPresence> presence);
  // The overrides as stored now; the store's message when they cannot be read.
  std::string ReloadOverrides();

  // The strongest presence per item over foods given by their table lines in
  // `table` (the dish side's table), or by their food numbers. A food not in
  // the table read here may contain everything: nothing known is "none".
  std::vector<AllergenPresence> Combined(const FoodTable& table,
                                         const std::vector<FoodAmount>& foods) const;
  std::vector<AllergenPresence> Combined(const std::vector<int>& numbers) const;
  std::string Summary(const std::vector<AllergenPresence>& presences) const {
    return AllergenSummary(list(), presences);
  }

 private:
  std::string dataDir_;
  AllergenData data_;
  FoodTable table_;
  std::vector<Food> foods_;
  std::vector<AllergenOverride> overrides_;  // sorted by food, then item name
  FoodNameIndex names_;
  bool loaded_ = false;
};

}  // namespace eiyou
