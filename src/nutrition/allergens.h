// Allergens of foods: which of the items the labelling rules name (the
// mandatory and the recommended ones, listed as data with the date of the
// rule) a food of the table contains, may contain, or does not contain.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// Ordered: combining foods keeps the strongest.
enum class AllergenPresence : std::uint8_t { None, MayContain, Contains };

// A user's word on one food and one item, stored in the day-plan database;
// it takes the place of what the rules derive.
struct AllergenOverride {
  int food = 0;      // the official food number (01001 → 1001)
  std::string item;  // UTF-8, an item's name as the list writes it: 「小麦」
  AllergenPresence presence = AllergenPresence::None;
};

}  // namespace eiyou
