// The dish list on the shared server, for a data folder whose dishes are kept
// there (store_location.h). The server holds the lines of the dish file as a
// multiset of their exact bytes (CP932, never converted) and one list version
// that every change bumps; the dish file stays the windows' local working
// copy, made from the server at an opening and sent back by a save.
// Part of eiyou_pg_plans (libpq): the program reaches these through the
// module of extras, whose stand-ins have the same names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plans/food_table_identity.h"
#include "plans/sql/sql_connection.h"

namespace eiyou {

class FoodTable;

struct ServerDishList {
  bool ok = false;
  std::string message;             // why not, in Japanese (UTF-8); nothing was changed
  std::vector<std::string> lines;  // CP932, in list order (ascending bytes)
  std::int64_t version = 0;        // the list's version these lines are
  int othersAdded = 0, othersRemoved = 0;  // a save: what others had changed (MergeDishLines)
  // The food table the server's lines are pointed at (digest empty: none is
  // recorded yet); lines read against another table name other foods.
  FoodTableIdentity table;
};

// The list as the server holds it, read in one snapshot. A server of an older
// layout is brought up to date first, as opening the store does.
ServerDishList LoadServerDishes(const PgSettings& settings);

// Saves `ours`, the list as a window leaves it, whose opening read `base`, in
// one transaction: the list is locked against other saves, and when another
// program copy has changed it since `base` (theirs ≠ base) the three are
// merged by MergeDishLines, keeping their additions and removals. Only the
// lines that differ are written, and the version goes up by one when any do.
// `repointTo` (when given): the food table was replaced since the opening and
// `base` and `ours` already point at its lines; theirs is pointed the same
// way before the merge. `local` (when given): the table the lines are pointed
// at, the data folder's; a server that records another refuses the save with
// OtherFoodTableMessage, and one that records none records it. Returns the
// lines the server now holds; a failure changes nothing on the server.
ServerDishList SaveServerDishes(const PgSettings& settings, const std::vector<std::string>& base,
                                const std::vector<std::string>& ours,
                                const FoodTable* repointTo = nullptr,
                                const FoodTableIdentity* local = nullptr);

namespace plan_detail {

// One stored line of the list and its row.
struct DishRow {
  std::int64_t id = 0;
  std::string line;
};
// The list's version and rows, in list order, inside the transaction open;
// `lock`: the version row locked to its end, which keeps other saves waiting.
bool ReadDishRows(SqlConnection& db, bool lock, std::int64_t& version, std::vector<DishRow>& rows);
// Makes the stored `rows` hold `lines` (equal lines one row each): only the
// lines that differ are deleted or inserted, and the version goes up by one
// when any did (`changed`).
bool WriteDishRows(SqlConnection& db, const std::vector<DishRow>& rows,
                   const std::vector<std::string>& lines, bool& changed);

}  // namespace plan_detail
}  // namespace eiyou
