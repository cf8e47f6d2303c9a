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

// Version 2. Whose intakes the day is judged for (DayPlan::profile); days
// stored before read back an empty text and keep their sex and age class.
constexpr const char* kVersion2 = R"sql(
ALTER TABLE day ADD COLUMN profile TEXT NOT NULL DEFAULT '';
)sql";

// Version 3. The user's target sets: a set and its values, one row per
// nutrient, kind and group (sex -1 with no age for everyone). A day's
// profile names its set by name, not by key: a rename rewrites the days'
// texts in its transaction; a set deleted leaves them as they were, and the
// assessment says the set is gone.
constexpr const char* kVersion3 = R"sql(
CREATE TABLE target_set (
  id          INTEGER PRIMARY KEY,
  name        TEXT NOT NULL UNIQUE CHECK (length(name) > 0),
  description TEXT NOT NULL DEFAULT ''
);
CREATE TABLE target_value (
  set_id    INTEGER NOT NULL REFERENCES target_set (id) ON DELETE CASCADE,
  position  INTEGER NOT NULL CHECK (position >= 0),
  nutrient  TEXT NOT NULL,
  kind      INTEGER NOT NULL CHECK (kind BETWEEN 0 AND 6),
  value     REAL NOT NULL CHECK (value >= 0),
  exclusive INTEGER NOT NULL CHECK (exclusive IN (0, 1)),
  sex       INTEGER NOT NULL CHECK (sex IN (-1, 0, 1)),
  age_unit  TEXT NOT NULL CHECK (age_unit IN ('', 'y', 'm')),
  age_from  INTEGER NOT NULL,
  age_to    INTEGER NOT NULL,
  PRIMARY KEY (set_id, position)
) WITHOUT ROWID;
)sql";

constexpr PlanMigration kMigrations[] = {
    {1, kVersion1},
    {2, kVersion2},
    {3, kVersion3},
};

}  // namespace

std::span<const PlanMigration> PlanMigrations() { return kMigrations; }

}  // namespace eiyou
