#include "tables/data_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "tables/file_io.h"

namespace eiyou {

std::string DataDirectory() {
  // getcwd fails (ENOENT) when the working directory has been removed; an empty
  // text then stands for "no data directory".
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  if (!cwd) return std::string();
  return std::string(cwd.get());
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  // Without a data directory the name stays relative: it resolves inside the
  // vanished working directory, where nothing can be found or created.
  if (dir.empty()) return name;
  return dir + "/" + name;
}

bool DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int RemoveStaleTemporaryFilesOfDataFolder(const std::string& directory, std::time_t now) {
  if (directory.empty()) return 0;
  return RemoveStaleTemporaryFiles(directory, now) +
         RemoveStaleTemporaryFiles(JoinPath(directory, kDishDirName), now);
}

std::string NoFileMessage(const std::string& path) {
  return "指定された" + path + "ファイルがありません！！";
}

bool CheckDataFile(const std::string& path, MessageSink& sink) {
  if (!DirectoryExists(DataDirectory())) {
    sink.Show(kNoDirectoryMessage);
    return false;
  }
  if (!EntryExists(path)) {
    sink.Show(NoFileMessage(path));
    return false;
  }
  return true;
}

}  // namespace eiyou
