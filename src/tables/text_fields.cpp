#include "tables/text_fields.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <limits>

#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

void SplitFieldBounds(std::string_view line, int n, std::size_t* begin, std::size_t* size) {
  if (n < 0) n = 0;
  // One pass over the bytes, sixteen at a time where the processor allows: the
  // fields of a table line are short, and looking for each comma separately
  // cost more than reading the line.
  int k = 0;
  std::size_t start = 0;
  std::size_t i = 0;
  const char* data = line.data();
  const auto cut = [&](std::size_t comma) {
    begin[k] = start;
    size[k] = comma - start;
    ++k;
    start = comma + 1;
  };
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(',');
  for (; k < n && i + 16 <= line.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
    for (; mask != 0 && k < n; mask &= mask - 1)
      cut(i + static_cast<std::size_t>(__builtin_ctz(mask)));
  }
#endif
  for (; i < line.size() && k < n; ++i)
    if (data[i] == ',') cut(i);
  if (k == n) {
    begin[n] = start;
    size[n] = line.size() - start;
    return;
  }
  // No comma left: this field and every later one are empty and the text that
  // remained is dropped.
  for (; k <= n; ++k) {
    begin[k] = 0;
    size[k] = 0;
  }
}

std::vector<std::string> SplitFields(std::string_view line, int n) {
  if (n < 0) n = 0;
  std::vector<std::size_t> begin(static_cast<std::size_t>(n) + 1), size(begin.size());
  SplitFieldBounds(line, n, begin.data(), size.data());
  std::vector<std::string> fields;
  fields.reserve(begin.size());
  for (std::size_t k = 0; k < begin.size(); ++k) fields.emplace_back(line.substr(begin[k], size[k]));
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

bool LoadTableLines(const char* fileName, int maxRows, MessageSink& sink,
                    const std::function<void(int row, std::string& line)>& store) {
  const std::string path = JoinPath(DataDirectory(), fileName);
  if (!CheckDataFile(path, sink)) return false;
  bool moreLines = false;
  std::vector<std::string> lines =
      ReadTableLines(path, static_cast<std::size_t>(maxRows), &moreLines);
  int row = 1;
  for (std::string& line : lines) store(row++, line);
  return moreLines;
}

bool LoadTableFile(const char* fileName, int maxRows, int fields, MessageSink& sink,
                   const std::function<void(int row, std::vector<std::string>& fields)>& store) {
  return LoadTableLines(fileName, maxRows, sink, [&](int row, std::string& line) {
    std::vector<std::string> split = SplitFields(line, fields - 1);
    store(row, split);
  });
}

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
