#include "tables/table_lines.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "tables/file_io.h"

namespace eiyou {

std::vector<std::string> ReadTableLines(const std::string& path) {
  return ReadTableLines(path, std::numeric_limits<std::size_t>::max(), nullptr);
}

std::vector<std::string> ReadTableLines(const std::string& path, std::size_t maxLines,
                                        bool* moreLines) {
  std::vector<std::string> lines;
  // A whole food table's worth at once rather than a dozen regrowths.
  lines.reserve(std::min<std::size_t>(maxLines, 2048));
  const bool more =
      ForEachTableLine(path, maxLines, [&](std::string_view line) { lines.emplace_back(line); });
  if (moreLines) *moreLines = more;
  return lines;
}

bool ForEachTableLine(const std::string& path, std::size_t maxLines,
                      const std::function<void(std::string_view line)>& line) {
  InputFile file(path);
  // The start of a line that a read buffer ended in the middle of; a line
  // within one buffer is handed over from the buffer itself.
  std::string pending;
  bool afterCr = false;
  std::size_t count = 0;

  // Returns false once the line would be one too many.
  auto emit = [&](std::string_view text) {
    if (count >= maxLines) return false;
    ++count;
    line(text);
    return true;
  };

  char buffer[65536];
  for (;;) {
    const std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    // The end-of-file mark is looked for once a buffer, not once a line.
    const char* eof = static_cast<const char*>(std::memchr(buffer, '\x1A', n));
    const std::size_t limit = eof ? static_cast<std::size_t>(eof - buffer) : n;
    std::size_t i = 0;
    if (afterCr && limit > 0) {
      afterCr = false;
      if (buffer[0] == '\n') i = 1;
    }
    while (i < limit) {
      const char* cr = static_cast<const char*>(std::memchr(buffer + i, '\r', limit - i));
      if (!cr) {
        pending.append(buffer + i, limit - i);
        break;
      }
      const std::size_t stop = static_cast<std::size_t>(cr - buffer);
      std::string_view text(buffer + i, stop - i);
      if (!pending.empty()) {
        pending.append(text);
        text = pending;
      }
      if (!emit(text)) return true;
      pending.clear();
      i = stop + 1;
      if (i == limit)
        afterCr = true;
      else if (buffer[i] == '\n')
        ++i;
    }
    if (eof) break;
  }
  if (!pending.empty() && !emit(pending)) return true;
  return false;
}

}  // namespace eiyou
