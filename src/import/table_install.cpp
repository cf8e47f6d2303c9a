#include "import/table_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>

#include "nutrition/dish_line.h"
#include "nutrition/repoint.h"
#include "plans/plan_store.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/folder_lock.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"
#include "tables/food_table.h"

namespace eiyou {
namespace {

constexpr const char* kNothingWritten = "（何も書き込みませんでした）";

// The backups made so far, joined for a message; empty when none was.
std::string BackupsMade(const TableInstall& r) {
  std::string made;
  for (const std::string* path : {&r.backupPath, &r.marksBackupPath, &r.componentsBackupPath,
                                  &r.editionBackupPath, &r.dishBackupPath, &r.planBackupPath})
    if (!path->empty()) made += (made.empty() ? "" : "、") + *path;
  return made;
}

// How a failure before the table is replaced ends its message: once a backup
// exists, "nothing written" would no longer be true.
std::string LeftAsItWas(const TableInstall& r) {
  const std::string made = BackupsMade(r);
  return made.empty() ? std::string(kNothingWritten)
                      : "（食品成分表と献立ファイルは元のままです。作成した控え: " + made + "）";
}

// Reads an existing file whole; false with `error` set when it cannot be.
bool ReadExisting(const std::string& path, std::string& bytes, mode_t& mode, bool& exists,
                  std::string& error) {
  struct stat st;
  exists = stat(path.c_str(), &st) == 0;
  if (!exists) return true;
  mode = st.st_mode;
  try {
    bytes = ReadWholeFile(path);
  } catch (const IoError& e) {
    error = std::string(e.what()) + kNothingWritten;
    return false;
  }
  return true;
}

// A file beside the table that an install replaces (or removes) and, when a
// later step fails, puts back as it was.
struct SideFile {
  explicit SideFile(std::string p) : path(std::move(p)) {}
  std::string path, oldBytes, backupPath;
  mode_t mode = 0644;
  bool existed = false, written = false;

  bool Read(std::string& error) { return ReadExisting(path, oldBytes, mode, existed, error); }
  bool Backup(std::time_t now, std::string& error) {
    if (existed) backupPath = DatedBackup(path, oldBytes, mode, now, error);
    return !existed || !backupPath.empty();
  }
  bool Write(const std::string& bytes) {
    written = true;
    return ReplaceFileContents(path, bytes);
  }
  bool Remove() {
    written = true;
    return !existed || unlink(path.c_str()) == 0 || errno == ENOENT;
  }
  bool Restore() const {
    if (!written) return true;
    if (existed) return ReplaceFileContents(path, oldBytes);
    return unlink(path.c_str()) == 0 || errno == ENOENT;
  }
};

// The summary of the day plans: the count, then each food the new table lacks,
// once per dish and food however many days hold it.
std::vector<std::string> PlanReportLines(const PlanRepoint& plans, const std::string& where = {}) {
  if (plans.days == 0) return {where + "保存された日別献立はありません"};
  std::vector<std::string> lines = {
      where + "保存された日別献立 " + std::to_string(plans.days) + " 日のうち " +
      std::to_string(plans.daysChanged) + " 日の献立 " + std::to_string(plans.dishesChanged) +
      " 件の食品 " + std::to_string(plans.foodsMoved) + " 件を、新しい表の同じ食品番号の行に合わせました"};
  struct Seen {
    std::size_t line;  // in `lines`
    std::string first, last;
    int days;
  };
  std::map<std::pair<std::string, std::string>, Seen> seen;
  for (const UnmatchedPlanFood& u : plans.unmatched) {
    const std::string dish = Cp932ToUtf8(SplitDishLine(u.line).name);
    const std::string food = Cp932ToUtf8(u.entry);
    auto [it, added] = seen.try_emplace({dish, food}, Seen{lines.size(), u.date, u.date, 1});
    if (added) lines.emplace_back();
    else if (it->second.last != u.date) ++it->second.days;
    it->second.last = u.date;
  }
  for (const auto& [key, s] : seen)
    lines[s.line] = where + "日別献立（" + s.first +
                    (s.days > 1 ? " ほか " + std::to_string(s.days - 1) + " 日" : std::string()) +
                    "）の献立「" + key.first + "」の食品「" + key.second +
                    "」は新しい表に同じ食品番号がないため、そのままにしました";
  return lines;
}

// The same for a shared server, whose dish list is pointed with its days and
// whose copy is the administrator's.
std::vector<std::string> ServerReportLines(const PlanRepoint& server) {
  if (server.alreadyPointed)
    return {"共有サーバーの日別献立と献立は、ほかの利用者がこの食品成分表を取り込んだときに新しい表に合わせてあったため、そのままにしました"};
  std::vector<std::string> lines = PlanReportLines(server, "共有サーバーに");
  lines.push_back("共有サーバーの献立 " + std::to_string(server.listChanged) +
                  " 件を、新しい表の同じ食品番号の行に合わせました");
  lines.push_back("共有サーバーの日別献立と献立の控えは作っていません（共有サーバーの控えは、管理者が pg_dump などで取るバックアップです）");
  return lines;
}

}  // namespace

TableInstall InstallFoodTable(const std::string& directory, const std::vector<ImportedFood>& foods,
                              std::time_t now, const std::string& edition,
                              const std::vector<std::string>& components) {
  TableInstall r;
  // The saved dishes are pointed at the new lines below: a program with the
  // folder open would write its old line numbers back over them.
  const DataFolderSoleUse sole(directory);
  if (!sole.granted()) {
    r.error = FolderInUseMessage(directory) + kNothingWritten;
    return r;
  }
  r.tablePath = JoinPath(directory, kFoodFileName);
  r.marksPath = JoinPath(directory, kFoodMarksFileName);
  r.editionPath = JoinPath(directory, kFoodEditionFileName);
  r.componentsPath = JoinPath(directory, kFoodComponentsFileName);
  const std::string dishPath = JoinPath(JoinPath(directory, kDishDirName), kDishFileName);
  const std::string tableBytes = FoodTableBytes(foods);

  // Everything is read and worked out before the first byte is written. The
  // table, its marks, its components and its edition record go in and come
  // back together.
  SideFile table{r.tablePath}, marks{r.marksPath}, record{r.editionPath},
      companion{r.componentsPath};
  std::string oldDishes;
  mode_t dishMode = 0644;
  bool dishesExist = false;
  if (!table.Read(r.error) || !marks.Read(r.error) || !companion.Read(r.error) ||
      !record.Read(r.error) ||
      !ReadExisting(dishPath, oldDishes, dishMode, dishesExist, r.error))
    return r;

  auto newTable = std::make_unique<FoodTable>();
  int row = 0;
  for (std::string& line : SplitDishText(tableBytes)) newTable->SetRow(++row, std::move(line));

  std::vector<std::string> newDishes;
  if (dishesExist) {
    bool hidden = false;
    const std::vector<std::string> lines = SplitDishText(oldDishes, &hidden);
    if (hidden) {
      // Rewriting the file would drop the dishes behind the NUL byte.
      r.error = "献立ファイル " + dishPath +
                " の途中に文字コード0のバイトがあり、献立を新しい表に合わせられません" +
                kNothingWritten;
      return r;
    }
    RepointResult repointed = RepointDishLines(lines, *newTable);
    r.foodsMoved = repointed.entriesMoved;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (repointed.lines[i] != lines[i]) ++r.dishesChanged;
    for (const UnmatchedFood& u : repointed.unmatched)
      r.dishReport.push_back("献立「" + Cp932ToUtf8(SplitDishLine(lines[u.line]).name) +
                             "」の食品「" + Cp932ToUtf8(u.entry) +
                             "」は新しい表に同じ食品番号がないため、そのままにしました");
    if (r.foodsMoved > 0) newDishes = std::move(repointed.lines);
  }

  // With the days and dishes on a shared server, the server's follow in a
  // transaction of its own that commits with the file's below, and records
  // the new table: a server that cannot be reached, or refuses (rights,
  // another table recorded), stops the install before anything is written.
  const StoreLocation location = ReadStoreLocation(directory);
  std::unique_ptr<DayPlanStore> server;
  PlanRepoint repointedServer;
  if (location.server || !location.error.empty()) {
    server = OpenPlanStore(directory, now);
    const StoreResult begun = server->BeginRepoint(
        *newTable, FoodTableIdentityOf(tableBytes, edition), repointedServer);
    if (!begun.ok) {
      r.error = begun.message + kNothingWritten;
      return r;
    }
  }

  // The stored days follow in a transaction that commits after the files are
  // written: until then every day reads as it was, and a failure on the way
  // (or the process dying) leaves it so. Opening never makes the file here.
  const std::string planPath = PlanDatabasePath(directory);
  std::unique_ptr<DayPlanStore> plans;
  PlanRepoint repointedDays;
  if (EntryExists(planPath)) {
    plans = DayPlanStore::Open(directory, now);
    if (plans->status() == OpenStatus::Replaced) r.planReport.push_back(plans->message());
    const StoreResult begun =
        plans->BeginRepoint(*newTable, FoodTableIdentityOf(tableBytes, edition), repointedDays);
    if (!begun.ok) {
      r.error = begun.message + kNothingWritten;
      return r;
    }
    r.daysChanged = repointedDays.daysChanged;
  }

  // Each backup is named in the result as soon as it exists, so that a later
  // failure can say what it left.
  const auto backedUp = [&](SideFile& file, std::string& named) {
    const bool ok = file.Backup(now, r.error);
    named = file.backupPath;
    return ok;
  };
  if (!backedUp(table, r.backupPath) || !backedUp(marks, r.marksBackupPath) ||
      !backedUp(companion, r.componentsBackupPath) || !backedUp(record, r.editionBackupPath)) {
    r.error += LeftAsItWas(r);
    return r;
  }
  if (!newDishes.empty()) {
    r.dishBackupPath = DatedBackup(dishPath, oldDishes, dishMode, now, r.error);
    if (r.dishBackupPath.empty()) {
      r.error += LeftAsItWas(r);
      return r;
    }
  }
  if (repointedDays.dishesChanged > 0) {
    // The name is taken by an empty file, which the copy then fills.
    struct stat st;
    const mode_t planMode = stat(planPath.c_str(), &st) == 0 ? st.st_mode : 0644;
    r.planBackupPath = DatedBackup(planPath, "", planMode, now, r.error);
    if (r.planBackupPath.empty()) {
      r.error += LeftAsItWas(r);
      return r;
    }
    const StoreResult copied = plans->CopyCommittedTo(r.planBackupPath);
    if (!copied.ok) {
      unlink(r.planBackupPath.c_str());
      r.planBackupPath.clear();
      r.error = copied.message + LeftAsItWas(r);
      return r;
    }
  }

  // What was written goes back when a later step fails, so that the table,
  // its side files, the dishes and the days always agree.
  const auto restored = [&](bool dishesWritten) {
    const bool d = !dishesWritten || ReplaceFileContents(dishPath, oldDishes);
    const bool t = table.Restore(), m = marks.Restore(), c = companion.Restore(),
               e = record.Restore();
    return d && t && m && c && e
               ? "（食品成分表と献立ファイルは元に戻しました。作成した控え: " + BackupsMade(r) + "）"
               : "（食品成分表と献立ファイルを元に戻せませんでした。控え: " + BackupsMade(r) + "）";
  };
  if (!table.Write(tableBytes)) {
    r.error = WriteFailureMessage(r.tablePath) + LeftAsItWas(r);
    return r;
  }
  if (!marks.Write(FoodMarksBytes(foods))) {
    r.error = WriteFailureMessage(r.marksPath) + restored(false);
    return r;
  }
  if (!(components.empty()
            ? companion.Remove()
            : companion.Write(FoodComponentsBytes(foods, components, edition, tableBytes.size())))) {
    r.error = WriteFailureMessage(r.componentsPath) + restored(false);
    return r;
  }
  // An edition not known is no edition: the old record would name another table.
  if (!(edition.empty() ? record.Remove()
                        : record.Write(FoodEditionBytes(edition, tableBytes.size())))) {
    r.error = WriteFailureMessage(r.editionPath) + restored(false);
    return r;
  }
  if (!newDishes.empty()) {
    try {
      WriteDishFile(dishPath, newDishes);
    } catch (const IoError& e) {
      r.error = std::string(e.what()) + restored(false);
      return r;
    }
  }
  if (server) {
    const StoreResult committed = server->CommitRepoint();
    if (!committed.ok) {
      r.error = committed.message + restored(!newDishes.empty());
      return r;
    }
  }
  if (plans) {
    const StoreResult committed = plans->CommitRepoint();
    if (!committed.ok) {
      // The server, committed, then says this folder's table is another:
      // installing again brings the folder to it.
      r.error = committed.message + restored(!newDishes.empty()) +
                (server ? "共有サーバーの日別献立と献立は新しい表に合わせました。もう一度取り込むと、"
                          "このパソコンの食品成分表もそろいます。"
                        : "");
      return r;
    }
  }
  if (server)
    for (std::string& line : ServerReportLines(repointedServer)) r.planReport.push_back(std::move(line));
  // On a server the folder's own file, when there is one, is the single
  // user's store left from before.
  if (!server || plans)
    for (std::string& line : PlanReportLines(repointedDays)) r.planReport.push_back(std::move(line));
  r.dishReport.insert(r.dishReport.begin(),
                      dishesExist ? "保存された献立 " + std::to_string(r.dishesChanged) +
                                        " 件の食品 " + std::to_string(r.foodsMoved) +
                                        " 件を、新しい表の同じ食品番号の行に合わせました"
                                  : std::string("保存された献立はありません"));
  r.ok = true;
  return r;
}

TableInstall InstallFoodTableInDataFolder(const std::vector<ImportedFood>& foods, std::time_t now,
                                          const std::string& edition,
                                          const std::vector<std::string>& components) {
  const std::string directory = DataDirectory();
  if (!DirectoryExists(directory)) {
    TableInstall r;
    r.error = kNoDirectoryMessage;
    return r;
  }
  return InstallFoodTable(directory, foods, now, edition, components);
}

}  // namespace eiyou
