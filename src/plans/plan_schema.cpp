#include "plans/plan_schema.h"

namespace eiyou {
namespace {

// Version 1. A day's dishes are its rows in `dish`, in meal and list order; a
// dish is its whole DishLine as bytes (a BLOB, so no text conversion can touch
// it). The CHECKs keep another program's rows from breaking the readers. The
// dish rows are stored in their key's order (WITHOUT ROWID): a period of days
// is one sequential range.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE day (
  date     TEXT PRIMARY KEY NOT NULL
           CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
  sex      INTEGER NOT NULL CHECK (sex IN (0, 1)),
  age      INTEGER NOT NULL CHECK (age BETWEEN 1 AND 11),
  saved_at TEXT NOT NULL
);
CREATE TABLE dish (
  day_date TEXT NOT NULL REFERENCES day (date) ON DELETE CASCADE,
  meal     INTEGER NOT NULL CHECK (meal BETWEEN 1 AND 3),
  position INTEGER NOT NULL CHECK (position >= 0),
  line     BLOB NOT NULL CHECK (typeof(line) = 'blob'),
  PRIMARY KEY (day_date, meal, position)
) WITHOUT ROWID;
)sql";

constexpr PlanMigration kMigrations[] = {
    {1, kVersion1},
};

}  // namespace

std::span<const PlanMigration> PlanMigrations() { return kMigrations; }

}  // namespace eiyou
