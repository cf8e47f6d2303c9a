// Puts an imported table in place in a data folder: the old table, its side
// files (marks, edition record and components), the dish file and the day plans are kept
// as dated backups, the saved dishes and the stored days are pointed at the
// new lines of their foods, and the new table and its side files replace the
// old ones atomically, file by file, all put back when a later step fails.
// A folder whose store is a shared server has the server's days and dish
// list pointed at the new table as well, in one server transaction that
// records the table (food_table_identity.h); the server's copy is its
// administrator's backup, not made here.
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
  std::string marksBackupPath, editionBackupPath;  // empty when there was none
  std::string componentsBackupPath;                // empty when there was none
  std::string dishBackupPath;  // empty when the dish file was not changed
  std::string tablePath, marksPath, editionPath, componentsPath;
  int dishesChanged = 0;   // dish lines with at least one food pointed anew
  int foodsMoved = 0;      // FoodEntry texts pointed anew
  // UTF-8 Japanese lines for the summary: what happened to the saved dishes,
  // and every food whose number the new table lacks (left as it was).
  std::vector<std::string> dishReport;
  // The same for the day plans (KONDATE/献立表.db), and their backup: empty
  // when no stored dish changed.
  std::string planBackupPath;
  int daysChanged = 0;
  std::vector<std::string> planReport;
};

// `now` names the backups: <file>.YYYYMMDD-HHMMSS.bak (local time), with "-2",
// "-3", ... before ".bak" when that name is taken; an existing backup is never
// overwritten. Nothing is written while another program holds the folder
// (DataFolderUse; FolderInUseMessage), when the old table, the dish file or
// the day plans cannot be read or a backup cannot be made, nor when a stored
// day would change and the day plans cannot be written, nor when the folder's
// shared server cannot be reached or refuses (rights; another table recorded
// than the folder's old one or the new one). When a side file or
// the dish file cannot be written after the table was, the old table and side
// files are put back; the day plans commit last, and when they cannot, the
// table, its side files and the dish file are put back, so the dishes, the
// days, the table and its records always agree. `edition` (CP932,
// IsEditionText) is recorded beside the table; an empty one removes the
// record, which would otherwise name the table replaced. The foods'
// components go into the companion file under `components` (the identifiers
// of FoodImport::componentIdentifiers); none removes it likewise.
TableInstall InstallFoodTable(const std::string& directory, const std::vector<ImportedFood>& foods,
                              std::time_t now, const std::string& edition = {},
                              const std::vector<std::string>& components = {});
// The same in the data folder the program runs in (its working directory);
// without one: "ディレクトリがありません！！" and nothing written.
TableInstall InstallFoodTableInDataFolder(const std::vector<ImportedFood>& foods, std::time_t now,
                                          const std::string& edition = {},
                                          const std::vector<std::string>& components = {});

}  // namespace eiyou
