// The day plans on a PostgreSQL server that a kitchen team shares: the same
// tables and queries as the SQLite file (SqlPlanStore), with the layout
// version in a one-row table (the server has no user_version) and a row
// version on each day and facility row, so that two users saving the same
// thing at once are never lost silently.
// A library of its own: only the module of extras links it, so that the
// program itself never loads libpq.
#pragma once

#include <memory>
#include <span>

#include "plans/plan_store.h"
#include "plans/sql/sql_connection.h"

namespace eiyou {

// The server's layout steps: the same tables and columns as PlanMigrations()
// in the server's types, and the row versions. The next layout is one more
// entry in both lists.
std::span<const PlanMigration> PgPlanMigrations();

// Connects to the server and brings its layout up to date (each step one
// transaction). A server whose layout is newer than this program is read and
// never written (NewerVersion). Every failure is told in Japanese (status
// Failed). Never throws. `failure`, when given, receives what refused the
// connection or a layout step (kind None when the store opened): a caller
// tells a password asked for (needsPassword) from the rest by it.
std::unique_ptr<DayPlanStore> OpenServerPlanStore(const PgSettings& settings,
                                                  SqlError* failure = nullptr);
std::unique_ptr<DayPlanStore> OpenServerPlanStore(const PgSettings& settings,
                                                  std::span<const PlanMigration> migrations,
                                                  SqlError* failure = nullptr);

}  // namespace eiyou
