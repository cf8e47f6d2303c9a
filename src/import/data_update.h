// Newer bundled data reaching a data folder made by an older release. The
// launchers copy the bundled data once and never touch the folder again, so a
// corrected table, its companion file or newer reference values would never
// reach anyone who already ran the program. The bundled data carries a record
// of its release, DATA.EDITION, that also names every bundled version of the
// files it brings (by SHA-256): a folder's file that is one of them is the
// program's own and may be replaced; any other is the user's (an imported
// table, an edited reference file) and is left alone.
//
// DATA.EDITION, UTF-8, LF:
//   line 1  "EIYOU-DATA\t1\t<release YYYY-MM[-N]>\t<what the data is>"
//   then    "<file relative to the folder>\t<sha256 of this release's>\t<sha256 of an older one>..."
// The food table's line names the table; its marks, components and edition
// record come with it through the import path (dated backups, saved dishes
// and day plans re-pointed). The user's dishes, plans, prices and target sets
// (KONDATE/) are never touched.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/table_install.h"
#include "plans/food_table_identity.h"  // Sha256Hex

namespace eiyou {

inline constexpr const char* kDataEditionFileName = "DATA.EDITION";
// The release the user answered 後で for: asked again only for a newer one.
inline constexpr const char* kDataUpdateLaterFileName = "DATA.EDITION.LATER";

struct DataEdition {
  std::string release;      // "2026-12"
  std::string description;  // UTF-8
  struct File {
    std::string name;                 // relative, '/' between folders
    std::vector<std::string> hashes;  // lower-case hex; [0] this release's
  };
  std::vector<File> files;
};

// nullopt for anything that is not such a record.
std::optional<DataEdition> ParseDataEdition(std::string_view bytes);
// Whether release `a` comes before `b` ("2026-06" < "2026-12" < "2026-12-2").
bool ReleaseBefore(std::string_view a, std::string_view b);

// What an update would do to one file of the folder.
enum class FileUpdate {
  Current,  // already this release's
  Replace,  // a bundled file of an older release
  Add,      // not there
  Keep,     // the user's own: left alone
};
struct DataUpdatePlan {
  std::string release, description;  // of the shipped data
  std::vector<std::pair<std::string, FileUpdate>> files;
  bool Worthwhile() const;  // something to replace or add
};

// The plan for `folder` from the shipped data in `shipped`; nullopt when no
// offer is due: no shipped record, the folder's record of the same or a later
// release, 後で answered for this release, or nothing to bring.
std::optional<DataUpdatePlan> DataUpdateDue(const std::string& folder, const std::string& shipped);

// Remembers 後で for the shipped release. False when it cannot be written.
bool PostponeDataUpdate(const std::string& folder, const DataUpdatePlan& plan);

struct DataUpdateResult {
  bool ok = false;
  std::string error;               // UTF-8 Japanese, when !ok
  std::vector<std::string> lines;  // UTF-8 Japanese summary
  TableInstall table;              // when the table was brought in
};

// Brings in what `plan` says: the reference files first (each old one kept as
// a dated backup), then the table through InstallFoodTable; when the table
// fails the reference files are put back, so a failure leaves the folder as
// it was. Last the folder's record becomes the shipped one.
DataUpdateResult UpdateDataFolder(const std::string& folder, const std::string& shipped,
                                  const DataUpdatePlan& plan, std::time_t now);

}  // namespace eiyou
