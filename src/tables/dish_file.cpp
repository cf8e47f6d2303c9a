#include "tables/dish_file.h"

#include <algorithm>

#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

std::string DishDirectoryPath() { return JoinPath(DataDirectory(), kDishDirName); }

std::string DishFilePath() { return JoinPath(DishDirectoryPath(), kDishFileName); }

std::vector<std::string> SplitAtCommas(std::string_view text) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
      pieces.emplace_back(text);
      return pieces;
    }
    pieces.emplace_back(text.substr(0, comma));
    text.remove_prefix(comma + 1);
  }
}

namespace {
// Cuts at the first comma; without one the piece and the rest are both empty.
std::string CutAtComma(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    rest = {};
    return {};
  }
  std::string piece(rest.substr(0, comma));
  rest.remove_prefix(comma + 1);
  return piece;
}
}  // namespace

DishLineParts SplitDishLine(std::string_view line) {
  DishLineParts parts;
  parts.cuisine = CutAtComma(line);
  parts.category = CutAtComma(line);
  const std::size_t comma = line.find(',');
  parts.name = std::string(line.substr(0, comma));
  if (comma != std::string_view::npos) {
    parts.hasFoods = true;
    parts.foods = std::string(line.substr(comma + 1));
  }
  return parts;
}

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

void WriteDishFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  if (!ReplaceFileContents(path, bytes)) throw IoError(WriteFailureMessage(path));
}

}  // namespace eiyou
