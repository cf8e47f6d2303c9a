// The stored day plans: KONDATE/献立表.db in the data folder, an SQLite
// database in WAL mode with foreign keys on. Every write is one transaction,
// so a day is stored whole or not at all, even when the process dies halfway.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "nutrition/allergens.h"
#include "nutrition/facility.h"
#include "nutrition/target_set.h"
#include "nutrition/day_plan.h"
#include "plans/food_table_identity.h"
#include "plans/plan_schema.h"
#include "tables/data_dir.h"

namespace eiyou {

class FoodTable;

inline constexpr const char* kPlanFileName = "献立表.db";

// dataDir/KONDATE/献立表.db
inline std::string PlanDatabasePath(const std::string& dataDir) {
  return JoinPath(JoinPath(dataDir, kDishDirName), kPlanFileName);
}

// How the database came to be opened. Every status but Ok comes with a message.
enum class OpenStatus {
  Ok,            // days are read and stored
  Replaced,      // the file was damaged: it was moved aside under a dated name
                 // (damagedCopy()) and a new, empty database was started
  ReadOnly,      // the folder or the file cannot be written: stored days are
                 // read (none when there is no file yet), storing is refused
  NewerVersion,  // written by a newer version of the program: read, never written
  NoFolder,      // there is no KONDATE folder: nothing is read or stored
  Failed,        // the database cannot be used (the message says why)
};

// What a store is opened for.
enum class PlanUse { Read, Store };

struct StoreResult {
  bool ok = false;
  std::string message;  // UTF-8, for the user, when not ok
  // Refused because another user changed or deleted what was read (on a
  // server): reading it again and saving once more may well succeed.
  bool changedByOther = false;
};

// Row versions. On a server every row a user saves carries a version taken
// from one sequence, so that a version is never given twice, not even to a
// row deleted and stored again. A row read from the store carries its version
// (the `version` member of the facility's rows, target sets and allergen
// overrides; LoadDayWithVersion for a day), and a save of it is refused with
// changedByOther, nothing of that save written, when the stored row's version
// is another (0: none was stored when read). A version left empty (nullopt:
// a row made rather than read, as an import does) is saved without the check.
// An SQLite file has one user: its rows read without a version, and it makes
// no check.

// What a refused save tells: `what` names the row (「単価 01088」).
inline std::string ChangedByOtherMessage(const std::string& what) {
  return what +
         " は、読み込んだ後にほかの利用者が変更しています。読み込み直してから、もう一度変更してください。"
         "何も保存していません。";
}

// A stored dish food that a new food table lacks (left as it was).
struct UnmatchedPlanFood {
  std::string date;
  int meal = 0;       // 1..3
  std::string line;   // the dish line (CP932)
  std::string entry;  // the FoodEntry (CP932)
};

// What pointing the stored days at a new food table found.
struct PlanRepoint {
  int days = 0;           // days stored
  int daysChanged = 0;    // days with at least one dish changed
  int dishesChanged = 0;  // dish lines with at least one food pointed anew
  int foodsMoved = 0;     // FoodEntry texts pointed anew
  std::vector<UnmatchedPlanFood> unmatched;  // in date, meal and list order
  // A server's own dish list (a single user's is the dish file): its lines
  // pointed anew.
  int listChanged = 0;
  // A server already pointed at the new table (another user installed it):
  // nothing of it was changed.
  bool alreadyPointed = false;
};

// A stored target set as a list shows it.
struct TargetSetEntry {
  std::string name;
  std::string description;
};

// Everything a store holds, read from one committed state: what moving a
// single user's file to a team's server (and back) carries over whole.
struct StoreContents {
  std::vector<DayPlan> days;                // date order, savedAt as stored
  std::vector<TargetSet> targetSets;        // name order
  std::vector<EaterGroup> groups;           // position, name order; ids the store's own
  std::vector<HeadcountChange> headcounts;  // date, group order; groups by those ids
  std::vector<FoodPurchase> purchases;      // food order
  std::vector<AllergenOverride> overrides;  // food, item order
  FacilityInfo facility;
  // The dish list's lines (CP932) where the store keeps one, in list order:
  // a server's. A single user's list is the dish file, beside the store.
  std::vector<std::string> dishes;
  // The food table the days' and dishes' lines are pointed at, where the
  // store records one (a server; digest empty: none). A single user's is the
  // table beside the file: the mover reads it from the folder.
  FoodTableIdentity foodTable;
};

// What WriteAll asks inside its transaction; an answer that is not empty
// rolls the transaction back and becomes the result's message.
struct WriteAllChecks {
  // Given what the store holds before anything is written.
  std::function<std::string(const StoreContents& held)> before;
  // Given everything read back after writing, before the commit.
  std::function<std::string(const StoreContents& stored)> after;
};

// The store is an interface: its SQLite implementation lives in
// plan_store.cpp, and the program reaches it through the module it loads on
// first use, so that starting the program never loads SQLite.
class DayPlanStore {
 public:
  // Opens KONDATE/献立表.db under `dataDir`, creating it when it is missing
  // (never the KONDATE folder itself), and brings its layout up to date. A
  // damaged file is moved aside as "献立表.db.YYYYMMDD-HHMMSS.damaged" (the
  // local time of `now`; an existing name is never overwritten). Never throws.
  static std::unique_ptr<DayPlanStore> Open(const std::string& dataDir, std::time_t now);
  // The same in the data folder the program runs in (its working directory).
  static std::unique_ptr<DayPlanStore> OpenInDataFolder(std::time_t now);
  // The same with another list of layout steps (for trying a later version).
  static std::unique_ptr<DayPlanStore> Open(const std::string& dataDir, std::time_t now,
                                            std::span<const PlanMigration> migrations);
  // Inline, like every member that is not an operation: nothing of the
  // interface may need the implementation's object file.
  virtual ~DayPlanStore() = default;
  DayPlanStore(const DayPlanStore&) = delete;
  DayPlanStore& operator=(const DayPlanStore&) = delete;

  OpenStatus status() const { return status_; }
  // UTF-8 Japanese for the user; empty when the status is plain Ok.
  const std::string& message() const { return message_; }
  const std::string& path() const { return path_; }
  // Where a damaged file was moved (status Replaced), else empty.
  const std::string& damagedCopy() const { return damagedCopy_; }
  // The layout version of the file: PRAGMA user_version (0 without a file).
  int schemaVersion() const { return version_; }
  bool CanStore() const { return writable_; }
  // Stored days can be read: a usable file, or none yet, in a KONDATE folder.
  bool CanRead() const { return status_ != OpenStatus::NoFolder && status_ != OpenStatus::Failed; }
  bool Serves(PlanUse use) const { return use == PlanUse::Store ? CanStore() : CanRead(); }

  // Reads find nothing when the database cannot be read; readError() then
  // tells why (empty after a read that ran, found or not).
  virtual bool HasDay(const std::string& date) = 0;
  virtual std::optional<DayPlan> LoadDay(const std::string& date) = 0;
  // The same with the day's row version, which SaveDayIfUnchanged is given
  // back (0 when the day is not stored). An SQLite file has one user and no
  // row versions: there it is always 0 and the check passes.
  virtual std::optional<DayPlan> LoadDayWithVersion(const std::string& date,
                                                    std::int64_t& version) = 0;
  // The stored days from `from` to `to`, both included, in date order (none
  // when `to` comes before `from`).
  virtual std::vector<DayPlan> DaysBetween(const std::string& from, const std::string& to) = 0;
  const std::string& readError() const { return readError_; }

  // Stores the day, replacing a stored day of that date as a whole. Refused,
  // with nothing written, for an invalid date, sex or age class and when the
  // database cannot be written. `savedAt` is recorded with the day.
  virtual StoreResult SaveDay(const DayPlan& plan, std::time_t savedAt = std::time(nullptr)) = 0;
  // SaveDay for a day read at `version`: refused, with `changedByOther` set
  // and nothing written, when another user has stored or deleted the day
  // since (read it again and decide). Once stored, `version` is the new one.
  virtual StoreResult SaveDayIfUnchanged(const DayPlan& plan, std::int64_t& version,
                                         bool& changedByOther,
                                         std::time_t savedAt = std::time(nullptr)) = 0;
  // Removes the day and its dishes; ok also when no such day was stored.
  virtual StoreResult DeleteDay(const std::string& date) = 0;

  // A new food table (`table`, `identity`) moves the foods' lines: every
  // stored dish line is pointed at it by the rule the dish file follows
  // (RepointDishLines), in a write transaction that stays open so that it
  // commits together with the importer's files. CommitRepoint() keeps it;
  // AbandonRepoint(), closing the store or the process dying leaves every day
  // as it was. A store that cannot be written works the same out and refuses
  // only when a food would move. A server re-points its dish list too and
  // records the new table (ServeFolderTable), and refuses when it records a
  // table that is neither the folder's (as ServeFolderTable was given it) nor
  // the new one; one already at the new table is left as it is.
  virtual StoreResult BeginRepoint(const FoodTable& table, const FoodTableIdentity& identity,
                                   PlanRepoint& result) = 0;
  // Copies the database as last committed (during BeginRepoint's transaction:
  // as it was before it) into `path`, an empty file made by the caller. The
  // copy is one consistent file with no WAL beside it.
  virtual StoreResult CopyCommittedTo(const std::string& path) = 0;
  virtual StoreResult CommitRepoint() = 0;
  virtual void AbandonRepoint() = 0;

  // The user's target sets (給与栄養目標量), kept in the same database so that
  // they are backed up and moved with the days. Every change is one
  // transaction; a set is refused whole, with nothing written, when its name
  // or a value is not fit (TargetSetNameProblem, TargetValuesProblem) or
  // another set has the name. A rename carries the days whose profile names
  // the set along in the same transaction; a day whose profile names a set
  // deleted keeps that name, and the assessment says the set is gone.
  // The stored sets in name order; none (readError() says why) when they
  // cannot be read.
  virtual std::vector<TargetSetEntry> TargetSets() = 0;
  // The set and its values in their stored order; nullopt when there is no
  // such set, or its rows break the rules (readError() then says so).
  virtual std::optional<TargetSet> LoadTargetSet(const std::string& name) = 0;
  virtual StoreResult AddTargetSet(const TargetSet& set) = 0;
  // The set called `name` becomes `set` as a whole: description, values and
  // (when set.name differs) its name.
  virtual StoreResult ReplaceTargetSet(const std::string& name, const TargetSet& set) = 0;
  // Ok also when no such set was stored.
  virtual StoreResult DeleteTargetSet(const std::string& name) = 0;

  // The facility's kitchen (facility.h): groups of eaters, headcounts by
  // date, how foods are bought, the user's allergen overrides and the
  // facility's name and notes. Reads give nothing (readError() says why)
  // when they cannot be read; every change is one transaction, refused
  // whole with nothing written when a value breaks the rules.
  // The groups in position, then name order.
  virtual std::vector<EaterGroup> EaterGroups() = 0;
  // Adds the group (id 0) or changes the stored one of its id; `id`, when
  // given, receives the stored key. Refused for an empty name or one another
  // group has, and numbers outside the columns' ranges.
  virtual StoreResult SaveEaterGroup(const EaterGroup& group, std::int64_t* id = nullptr) = 0;
  // Removes the group and its headcount changes; ok also when none is stored.
  virtual StoreResult DeleteEaterGroup(std::int64_t id) = 0;
  // The changes of dates from `from` to `to`, both included, in date and
  // group order.
  virtual std::vector<HeadcountChange> HeadcountChanges(const std::string& from,
                                                        const std::string& to) = 0;
  // Stores every change; a negative headcount removes the date's change, so
  // that the group's own headcount applies again. All or nothing.
  virtual StoreResult SaveHeadcountChanges(const std::vector<HeadcountChange>& changes) = 0;
  // In food number order.
  virtual std::vector<FoodPurchase> FoodPurchases() = 0;
  // Stores every row in place of the food's stored one; a row with neither a
  // price nor a supplier removes it. All or nothing.
  virtual StoreResult SaveFoodPurchases(const std::vector<FoodPurchase>& rows) = 0;
  // In food number, then item order.
  virtual std::vector<AllergenOverride> AllergenOverrides() = 0;
  // Stores `set` in place of the stored overrides of the same food and item,
  // and removes the overrides of the foods and items in `removed` (their
  // presence is not read). All or nothing.
  virtual StoreResult SaveAllergenOverrides(const std::vector<AllergenOverride>& set,
                                            const std::vector<AllergenOverride>& removed) = 0;
  virtual FacilityInfo LoadFacilityInfo() = 0;
  virtual StoreResult SaveFacilityInfo(const FacilityInfo& info) = 0;

  // The food table of the data folder this store serves. A server records
  // the table its dish lines are pointed at: when it records another, it
  // still reads, each day's foods pointed at the folder's table by food
  // number (a food the folder's table lacks makes the read fail, by name,
  // rather than count as another), and refuses every write (message() says
  // why and what to do). With none recorded, the first save of a day (or of
  // the dish list, server_dishes.h) records the folder's; moving a folder's
  // store there records its table as well (WriteAll). The file follows the
  // table beside it and ignores this. OpenPlanStore calls it.
  virtual void ServeFolderTable(const std::string& /*dataDir*/, const FoodTableIdentity& /*table*/) {}

  // Everything stored, in one read transaction; false (readError() says why)
  // when any of it cannot be read, a target set that breaks the rules too.
  virtual bool ReadAll(StoreContents& contents) = 0;
  // Writes `contents` in one transaction that `checks` guard (see there), the
  // groups under keys of this store's (the headcounts follow them). On a
  // server other writers wait until it ends. The days keep their savedAt.
  virtual StoreResult WriteAll(const StoreContents& contents, const WriteAllChecks& checks) = 0;

 protected:
  DayPlanStore() = default;

  OpenStatus status_ = OpenStatus::Failed;
  std::string message_;
  std::string path_;
  std::string damagedCopy_;
  std::string readError_;
  int version_ = 0;
  bool writable_ = false;
};

}  // namespace eiyou
