#include "import/table_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "import/dish_repoint.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

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

}  // namespace

TableInstall InstallFoodTable(const std::string& directory, const std::vector<ImportedFood>& foods,
                              std::time_t now) {
  TableInstall r;
  r.tablePath = JoinPath(directory, kFoodFileName);
  r.marksPath = JoinPath(directory, kFoodMarksFileName);

  std::string oldBytes;
  struct stat st;
  if (stat(r.tablePath.c_str(), &st) == 0) {
    try {
      oldBytes = ReadWholeFile(r.tablePath);
    } catch (const IoError& e) {
      r.error = std::string(e.what()) + "（元の表を控えにできないため、何も書き込みませんでした）";
      return r;
    }
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int attempt = 1; attempt <= 100 && r.backupPath.empty(); ++attempt) {
      const std::string path = r.tablePath + "." + stamp +
                               (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".bak";
      bool exists = false;
      if (CreateNewFile(path, oldBytes, st.st_mode & 0666, exists)) {
        r.backupPath = path;
      } else if (!exists) {
        r.error = "控えのファイル " + path + " を作成できません（何も書き込みませんでした）";
        return r;
      }
    }
    if (r.backupPath.empty()) {
      r.error = "控えのファイル名が空いていません（何も書き込みませんでした）";
      return r;
    }
  }

  if (!ReplaceFileContents(r.tablePath, FoodTableBytes(foods))) {
    r.error = WriteFailureMessage(r.tablePath);
    return r;
  }
  // The table has moved to new lines: the saved dishes follow here.
  r.dishReport = RepointSavedDishes(oldBytes, foods).lines;
  if (!ReplaceFileContents(r.marksPath, FoodMarksBytes(foods))) {
    r.error = WriteFailureMessage(r.marksPath) + "（食品成分表は書き込み済みです）";
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace eiyou
