// The layout of the day plan database, as a list of steps. A database records
// the last step it has had in PRAGMA user_version; opening it runs the later
// steps in order, each in a transaction of its own, so a database of any older
// version is brought up to date and a failed step leaves the one before intact.
#pragma once

#include <span>

namespace eiyou {

struct PlanMigration {
  int version;      // user_version once this step is done: 1, 2, 3, ...
  const char* sql;  // one or more statements
};

// The steps this program knows, in order. The next layout is one more entry;
// never change an entry that has been released.
std::span<const PlanMigration> PlanMigrations();

}  // namespace eiyou
