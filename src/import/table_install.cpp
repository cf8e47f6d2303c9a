#include "import/table_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "nutrition/dish_line.h"
#include "nutrition/repoint.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/food_table.h"

namespace eiyou {
namespace {

constexpr const char* kNothingWritten = "（何も書き込みませんでした）";

// The backups made so far, joined for a message; empty when none was.
std::string BackupsMade(const TableInstall& r) {
  std::string made;
  for (const std::string* path : {&r.backupPath, &r.dishBackupPath})
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

// Creates `path` with these bytes; false when it exists or cannot be written.
// EEXIST is told apart so that the caller can try the next name.
bool CreateNewFile(const std::string& path, const std::string& bytes, mode_t mode, bool& exists) {
  exists = false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    exists = errno == EEXIST;
    return false;
  }
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (!ok) unlink(path.c_str());
  return ok;
}

// Keeps `bytes`, the file at `path` as it is now, beside it under a dated
// name. Returns that name, or empty with `error` set (without saying what the
// failure leaves: the caller knows).
std::string DatedBackup(const std::string& path, const std::string& bytes, mode_t mode,
                        std::time_t now, std::string& error) {
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const std::string backup =
        path + "." + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".bak";
    bool exists = false;
    if (CreateNewFile(backup, bytes, mode & 0666, exists)) return backup;
    if (!exists) {
      error = "控えのファイル " + backup + " を作成できません";
      return {};
    }
  }
  error = "控えのファイル名が空いていません";
  return {};
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

}  // namespace

TableInstall InstallFoodTable(const std::string& directory, const std::vector<ImportedFood>& foods,
                              std::time_t now) {
  TableInstall r;
  r.tablePath = JoinPath(directory, kFoodFileName);
  r.marksPath = JoinPath(directory, kFoodMarksFileName);
  const std::string dishPath = JoinPath(JoinPath(directory, kDishDirName), kDishFileName);
  const std::string tableBytes = FoodTableBytes(foods);

  // Everything is read and worked out before the first byte is written.
  std::string oldTable, oldDishes;
  mode_t tableMode = 0644, dishMode = 0644;
  bool tableExists = false, dishesExist = false;
  if (!ReadExisting(r.tablePath, oldTable, tableMode, tableExists, r.error) ||
      !ReadExisting(dishPath, oldDishes, dishMode, dishesExist, r.error))
    return r;

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
    auto table = std::make_unique<FoodTable>();
    int row = 0;
    for (std::string& line : SplitDishText(tableBytes)) table->SetRow(++row, std::move(line));
    RepointResult repointed = RepointDishLines(lines, *table);
    r.foodsMoved = repointed.entriesMoved;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (repointed.lines[i] != lines[i]) ++r.dishesChanged;
    for (const UnmatchedFood& u : repointed.unmatched)
      r.dishReport.push_back("献立「" + Cp932ToUtf8(SplitDishLine(lines[u.line]).name) +
                             "」の食品「" + Cp932ToUtf8(u.entry) +
                             "」は新しい表に同じ食品番号がないため、そのままにしました");
    if (r.foodsMoved > 0) newDishes = std::move(repointed.lines);
  }

  if (tableExists) {
    r.backupPath = DatedBackup(r.tablePath, oldTable, tableMode, now, r.error);
    if (r.backupPath.empty()) {
      r.error += LeftAsItWas(r);
      return r;
    }
  }
  if (!newDishes.empty()) {
    r.dishBackupPath = DatedBackup(dishPath, oldDishes, dishMode, now, r.error);
    if (r.dishBackupPath.empty()) {
      r.error += LeftAsItWas(r);
      return r;
    }
  }

  if (!ReplaceFileContents(r.tablePath, tableBytes)) {
    r.error = WriteFailureMessage(r.tablePath) + LeftAsItWas(r);
    return r;
  }
  if (!newDishes.empty()) {
    try {
      WriteDishFile(dishPath, newDishes);
    } catch (const IoError& e) {
      // The old table goes back, so that the dishes still name their foods.
      const bool restored = !tableExists || ReplaceFileContents(r.tablePath, oldTable);
      if (!tableExists) unlink(r.tablePath.c_str());
      r.error = std::string(e.what()) +
                (restored ? "（献立ファイルは元のままで、食品成分表も元に戻しました。作成した控え: " +
                                BackupsMade(r) + "）"
                          : "（食品成分表を元に戻せませんでした。控え: " + r.backupPath + "）");
      return r;
    }
  }
  r.dishReport.insert(r.dishReport.begin(),
                      dishesExist ? "保存された献立 " + std::to_string(r.dishesChanged) +
                                        " 件の食品 " + std::to_string(r.foodsMoved) +
                                        " 件を、新しい表の同じ食品番号の行に合わせました"
                                  : std::string("保存された献立はありません"));
  if (!ReplaceFileContents(r.marksPath, FoodMarksBytes(foods))) {
    const std::string made = BackupsMade(r);
    r.error = WriteFailureMessage(r.marksPath) + "（食品成分表と献立は書き込み済みです" +
              (made.empty() ? "" : "。元の控え: " + made) + "）";
    return r;
  }
  r.ok = true;
  return r;
}

TableInstall InstallFoodTableInDataFolder(const std::vector<ImportedFood>& foods, std::time_t now) {
  const std::string directory = DataDirectory();
  if (!DirectoryExists(directory)) {
    TableInstall r;
    r.error = kNoDirectoryMessage;
    return r;
  }
  return InstallFoodTable(directory, foods, now);
}

}  // namespace eiyou
