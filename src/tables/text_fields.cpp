#include "tables/text_fields.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t at = text.find(separator);
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

}  // namespace eiyou
