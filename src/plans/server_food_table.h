// The server's record of the food table its dish lines are pointed at (the
// one-row table food_table of layout 7; food_table_identity.h), shared by
// the store and the dish list. Part of eiyou_pg_plans.
#pragma once

#include "plans/food_table_identity.h"
#include "plans/sql/sql_connection.h"
#include "plans/sql_plan_store.h"

namespace eiyou::plan_detail {

// The first server layout with the record.
inline constexpr int kFoodTableLayout = 7;

// The table recorded (digest empty: none). False when it cannot be read.
bool ReadRecordedTable(SqlConnection& db, FoodTableIdentity& recorded);

// Inside a write transaction about to store dish lines pointed at `local`:
// records `local` when no table is (unless it is no table), then reads the
// record into `recorded`, locked to the commit: shared by savers, exclusive
// for a re-pointing (`exclusive`), which so waits for the saves under way and
// makes later ones wait for it and see the new table.
TableClaim ClaimFoodTable(SqlConnection& db, const FoodTableIdentity& local,
                          FoodTableIdentity& recorded, bool exclusive = false);

// Records `table` in place of whatever was.
bool RecordFoodTable(SqlConnection& db, const FoodTableIdentity& table);

}  // namespace eiyou::plan_detail
