// The reference daily intake table: 11 age classes by 20 fields (male/female pairs).
#pragma once

#include <array>
#include <string>

#include "tables/errors.h"

namespace eiyou {

class ReferenceTable {
 public:
  // One row per age class, one field per sex in ten pairs.
  static constexpr int kRows = 11, kFields = 20;

  // row 1..11, field 1..20; anything else reads as an empty text.
  const std::string& Field(int row, int field) const;
  void SetField(int row, int field, std::string text);

  // Loaded in the dish window's sense: row 1, field 1 is not empty.
  bool IsLoaded() const { return !Field(1, 1).empty(); }

 private:
  // No "{}" on the array: clang 14 crashed compiling any construction of a table with it.
  std::array<std::array<std::string, kFields>, kRows> fields_;
};

// Fills `table` from STD.CSV in the current data directory; stops after row 11.
// Same failure rules as LoadFoodTable.
void LoadReferenceTable(ReferenceTable& table, MessageSink& sink);

}  // namespace eiyou
