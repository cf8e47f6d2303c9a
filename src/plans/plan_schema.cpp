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

// Version 4. A facility's kitchen. Groups of eaters with their portion and
// headcount; a date's headcount where it differs (0: the group is not served
// that day), kept by date and not tied to a stored day, so that resaving or
// deleting a day never loses it; how each food is bought (price, unit,
// supplier) and the user's word on its allergens, both by the official food
// number, which a new edition of the table keeps; the facility's name and
// notes for its menus.
constexpr const char* kVersion4 = R"sql(
CREATE TABLE eater_group (
  id              INTEGER PRIMARY KEY,
  name            TEXT NOT NULL UNIQUE CHECK (length(name) > 0),
  factor_permille INTEGER NOT NULL CHECK (factor_permille BETWEEN 1 AND 10000),
  headcount       INTEGER NOT NULL CHECK (headcount BETWEEN 0 AND 100000),
  meals           INTEGER NOT NULL CHECK (meals BETWEEN 1 AND 7),
  profile         TEXT NOT NULL DEFAULT '',
  position        INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE headcount (
  date      TEXT NOT NULL
            CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
  group_id  INTEGER NOT NULL REFERENCES eater_group (id) ON DELETE CASCADE,
  headcount INTEGER NOT NULL CHECK (headcount BETWEEN 0 AND 100000),
  PRIMARY KEY (date, group_id)
) WITHOUT ROWID;
CREATE TABLE food_purchase (
  food       INTEGER PRIMARY KEY CHECK (food BETWEEN 1 AND 99999),
  price_sen  INTEGER CHECK (price_sen IS NULL OR price_sen >= 0),
  unit_grams INTEGER NOT NULL DEFAULT 1000 CHECK (unit_grams > 0),
  unit_name  TEXT NOT NULL DEFAULT '',
  set_on     TEXT NOT NULL DEFAULT '',
  supplier   TEXT NOT NULL DEFAULT ''
);
CREATE TABLE allergen_override (
  food     INTEGER NOT NULL CHECK (food BETWEEN 1 AND 99999),
  item     TEXT NOT NULL CHECK (length(item) > 0),
  presence INTEGER NOT NULL CHECK (presence BETWEEN 0 AND 2),
  PRIMARY KEY (food, item)
) WITHOUT ROWID;
CREATE TABLE facility (
  key   TEXT PRIMARY KEY NOT NULL CHECK (key IN ('name', 'notes')),
  value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

constexpr PlanMigration kMigrations[] = {
    {1, kVersion1},
    {2, kVersion2},
    {3, kVersion3},
    {4, kVersion4},
};

}  // namespace

std::span<const PlanMigration> PlanMigrations() { return kMigrations; }

}  // namespace eiyou
