#include "tables/text_fields.h"

#include <limits>

#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

std::vector<std::string> SplitFields(std::string_view line, int n) {
  if (n < 0) n = 0;
  std::vector<std::string> fields;
  fields.reserve(static_cast<std::size_t>(n) + 1);
  std::string_view rest = line;
  for (int k = 1; k <= n; ++k) {
    std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
      // No comma left: this field and every later one are empty and the text
      // that remained is dropped.
      fields.emplace_back();
      rest = std::string_view();
    } else {
      fields.emplace_back(rest.substr(0, comma));
      rest.remove_prefix(comma + 1);
    }
  }
  fields.emplace_back(rest);
  return fields;
}

void CopyPart(std::string_view text, long long from, long long count, std::string& destination) {
  // Wide arithmetic so that no pair of arguments can overflow the range test.
  __extension__ using Wide = __int128;
  const Wide length = static_cast<Wide>(text.size());
  if (!(static_cast<Wide>(count) < length)) return;
  if (static_cast<Wide>(from) + count - 1 > length) return;
  if (count <= 0) {
    destination.clear();
    return;
  }
  // A piece that would start before the first byte is refused as well.
  if (from < 1) return;
  destination.assign(text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count)));
}

void LeftPart(std::string_view text, long long count, std::string& destination) {
  if (count >= 0 && static_cast<unsigned long long>(count) >= text.size()) return;
  if (count <= 0) {
    destination.clear();
    return;
  }
  destination.assign(text.substr(0, static_cast<std::size_t>(count)));
}

bool LoadTableFile(const char* fileName, int maxRows, int fields, MessageSink& sink,
                   const std::function<void(int row, std::vector<std::string>& fields)>& store) {
  const std::string path = JoinPath(DataDirectory(), fileName);
  if (!CheckDataFile(path, sink)) return false;
  bool moreLines = false;
  const std::vector<std::string> lines =
      ReadTableLines(path, static_cast<std::size_t>(maxRows), &moreLines);
  int row = 1;
  for (const std::string& line : lines) {
    std::vector<std::string> split = SplitFields(line, fields - 1);
    store(row++, split);
  }
  return moreLines;
}

std::vector<std::string> ReadTableLines(const std::string& path) {
  return ReadTableLines(path, std::numeric_limits<std::size_t>::max(), nullptr);
}

std::vector<std::string> ReadTableLines(const std::string& path, std::size_t maxLines,
                                        bool* moreLines) {
  if (moreLines) *moreLines = false;
  std::vector<std::string> lines;
  InputFile file(path);
  std::string current;
  bool started = false;   // bytes (or nothing) since the last line end belong to a line
  bool afterCr = false;

  // Returns false once the line would be one too many.
  auto emit = [&]() {
    if (lines.size() >= maxLines) {
      if (moreLines) *moreLines = true;
      return false;
    }
    lines.push_back(std::move(current));
    current.clear();
    started = false;
    return true;
  };

  char buffer[65536];
  for (;;) {
    std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) {
      char c = buffer[i];
      if (c == '\x1A') {
        if (started) emit();
        return lines;
      }
      if (afterCr) {
        afterCr = false;
        if (c == '\n') continue;
      }
      if (c == '\r') {
        if (!emit()) return lines;
        afterCr = true;
        continue;
      }
      current.push_back(c);
      started = true;
    }
  }
  if (started) emit();
  return lines;
}

}  // namespace eiyou
