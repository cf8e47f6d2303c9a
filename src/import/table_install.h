// Puts an imported table in place in a data folder: the old table is kept as
// a dated backup, the new one replaces it atomically, the saved dishes are
// re-pointed, and the marks side file is written beside it.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "import/food_import.h"

namespace eiyou {

struct TableInstall {
  bool ok = false;
  std::string error;       // UTF-8 Japanese, when !ok
  std::string backupPath;  // empty when there was no old table
  std::string tablePath, marksPath;
  std::vector<std::string> dishReport;
};

// `now` names the backup: 食品成分表５訂.CSV.YYYYMMDD-HHMMSS.bak (local time),
// with "-2", "-3", ... before ".bak" when that name is taken; an existing
// backup is never overwritten. Nothing is written when the old table cannot
// be read or the backup cannot be made.
TableInstall InstallFoodTable(const std::string& directory, const std::vector<ImportedFood>& foods,
                              std::time_t now);

}  // namespace eiyou
