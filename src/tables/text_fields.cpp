#include "tables/text_fields.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace eiyou {

namespace {

// Bit j set when data[j] is a comma, for the first `count` (at most 64) bytes;
// `before` bytes ahead of `data` belong to the line as well.
std::uint64_t CommaMask(const char* data, std::size_t count, std::size_t before) {
  std::uint64_t mask = 0;
  std::size_t j = 0;
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(',');
  const auto bits = [&](const char* at) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma))));
  };
  for (; j + 16 <= count; j += 16) mask |= bits(data + j) << j;
  // The last few bytes as the end of a block that ends with the line, so
  // nothing past the line is read.
  if (j < count && before + count >= 16) {
    const std::size_t rest = count - j;
    return mask | (bits(data + count - 16) >> (16 - rest) << j);
  }
#else
  (void)before;
#endif
  for (; j < count; ++j) mask |= static_cast<std::uint64_t>(data[j] == ',') << j;
  return mask;
}

}  // namespace

void SplitFieldBounds(std::string_view line, int n, std::size_t* begin, std::size_t* size) {
  if (n < 0) n = 0;
  // One pass over the bytes, sixty-four at a time: the fields of a table line
  // are short, and the loop over each block's commas ends unpredictably, so
  // the fewer blocks a line has, the fewer mispredicted branches it costs.
  int k = 0;
  std::size_t start = 0;
  const char* data = line.data();
  for (std::size_t i = 0; k < n && i < line.size(); i += 64) {
    for (std::uint64_t mask = CommaMask(data + i, std::min<std::size_t>(64, line.size() - i), i);
         mask != 0 && k < n; mask &= mask - 1) {
      const std::size_t comma = i + static_cast<std::size_t>(__builtin_ctzll(mask));
      begin[k] = start;
      size[k] = comma - start;
      ++k;
      start = comma + 1;
    }
  }
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

std::string PercentEncoded(std::string_view text, std::string_view plain) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        (c != 0 && plain.find(static_cast<char>(c)) != std::string_view::npos)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::vector<std::string_view> SplitViewsAt(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t at = text.find(separator);
    pieces.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  const std::vector<std::string_view> views = SplitViewsAt(text, separator);
  return {views.begin(), views.end()};
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string_view TrimmedCell(std::string_view s) {
  for (;;) {
    if (s.starts_with(' ') || s.starts_with('\t')) s.remove_prefix(1);
    else if (s.starts_with("\u3000")) s.remove_prefix(3);
    else if (s.ends_with(' ') || s.ends_with('\t')) s.remove_suffix(1);
    else if (s.ends_with("\u3000")) s.remove_suffix(3);
    else return s;
  }
}

}  // namespace eiyou
