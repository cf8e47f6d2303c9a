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
  if (moreLines) *moreLines = false;
  std::vector<std::string> lines;
  // A whole food table's worth at once rather than a dozen regrowths.
  lines.reserve(std::min<std::size_t>(maxLines, 2048));
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
    const std::string_view chunk(buffer, n);
    std::size_t i = 0;
    while (i < n) {
      if (afterCr) {
        afterCr = false;
        if (chunk[i] == '\n') {
          ++i;
          continue;
        }
      }
      // Take the plain bytes up to the next CR or end-of-file mark in one piece.
      const char* cr = static_cast<const char*>(std::memchr(buffer + i, '\r', n - i));
      std::size_t stop = cr ? static_cast<std::size_t>(cr - buffer) : n;
      if (const void* eof = std::memchr(buffer + i, '\x1A', stop - i))
        stop = static_cast<std::size_t>(static_cast<const char*>(eof) - buffer);
      if (stop > i) {
        current.append(chunk.substr(i, stop - i));
        started = true;
      }
      if (stop == n) break;
      if (chunk[stop] == '\x1A') {
        if (started) emit();
        return lines;
      }
      if (!emit()) return lines;
      afterCr = true;
      i = stop + 1;
    }
  }
  if (started) emit();
  return lines;
}

}  // namespace eiyou
