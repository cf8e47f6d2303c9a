#include "tables/dish_file.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

std::string DishDirectoryPath() { return JoinPath(DataDirectory(), kDishDirName); }

std::string DishFilePath() { return JoinPath(DishDirectoryPath(), kDishFileName); }

std::vector<std::string> SplitDishText(const std::string& bytes, bool* textAfterNul) {
  std::vector<std::string> lines;
  const std::size_t end = std::min(bytes.find('\0'), bytes.size());
  if (textAfterNul)
    *textAfterNul = end < bytes.size() &&
                    bytes.find_first_not_of(std::string_view("\0\r\n", 3), end) != std::string::npos;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < end) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(bytes.substr(start, i - start));
      ++i;
      if (c == '\r' && i < end && bytes[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < end) lines.push_back(bytes.substr(start, end - start));
  return lines;
}

std::vector<std::string> ReadDishFile(const std::string& path, bool* textAfterNul) {
  return SplitDishText(ReadWholeFile(path), textAfterNul);
}

DishFileOpening ReadDishFileAtOpening(MessageSink& sink) {
  DishFileOpening opening;
  const std::string directory = DishDirectoryPath();
  const std::string file = DishFilePath();
  if (!DirectoryExists(directory)) {
    sink.Show(kNoDirectoryMessage);
    return opening;
  }
  opening.show = true;
  if (!EntryExists(file)) {
    sink.Show(NoFileMessage(file));
    return opening;
  }
  opening.lines = ReadDishFile(file, &opening.textAfterNul);
  return opening;
}

DishMerge MergeDishLines(const std::vector<std::string>& base, const std::vector<std::string>& ours,
                         const std::vector<std::string>& theirs) {
  // How many of each line theirs has more (or fewer) than base.
  std::map<std::string_view, int> delta;
  for (const std::string& line : theirs) ++delta[line];
  for (const std::string& line : base) --delta[line];
  DishMerge merge;
  for (const std::string& line : ours) {
    const auto it = delta.find(line);
    if (it != delta.end() && it->second < 0) {
      ++it->second;
      ++merge.removed;
    } else {
      merge.lines.push_back(line);
    }
  }
  for (const auto& [line, more] : delta)
    for (int i = 0; i < more; ++i) {
      merge.lines.emplace_back(line);
      ++merge.added;
    }
  std::stable_sort(merge.lines.begin(), merge.lines.end());
  return merge;
}

void WriteDishFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  if (!ReplaceFileContents(path, bytes)) throw IoError(WriteFailureMessage(path));
}

}  // namespace eiyou
