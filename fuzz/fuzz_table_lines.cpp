// The table files' line reader over a real file, the comma splitter on every
// line it gives, and the guarded substring helpers.
//
// Input: byte 0 picks the line limit (bits 0..5; 0xFF: none) and the place
// of the content (bit 6, see below), byte 1 the field count for SplitFields,
// bytes 2..3 the CopyPart/LeftPart arguments; the rest is the file's content.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "tables/table_lines.h"
#include "tables/text_fields.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

// The line reader reads the file in pieces of this size.
constexpr std::size_t kReadChunk = 65536;

// Arguments of CopyPart/LeftPart: small values around a line's length most of
// the time, the extremes of the type sometimes.
long long PickCount(std::uint8_t b, std::size_t length) {
  switch (b & 7) {
    case 0: return LLONG_MIN;
    case 1: return LLONG_MAX;
    case 2: return static_cast<long long>(length) + (b >> 3) - 16;
    default: return static_cast<long long>(b >> 3) - 4;
  }
}

void CheckSplit(std::string_view line, int n) {
  const std::vector<std::string> fields = SplitFields(line, n);
  const std::size_t want = static_cast<std::size_t>(n < 0 ? 0 : n);
  FUZZ_CHECK(fields.size() == want + 1);
  const std::size_t commas = CountByte(line, ',');
  if (commas >= want) {
    // Nothing is lost: the fields and the commas between them are the line.
    FUZZ_CHECK(Join(fields, 0, fields.size(), ',') == line);
    for (std::size_t k = 0; k < want; ++k) FUZZ_CHECK(fields[k].find(',') == std::string::npos);
  } else {
    // Fields 1..m are the texts before each comma; the rest are empty.
    std::size_t from = 0;
    for (std::size_t k = 0; k < commas; ++k) {
      const std::size_t comma = line.find(',', from);
      FUZZ_CHECK(fields[k] == line.substr(from, comma - from));
      from = comma + 1;
    }
    for (std::size_t k = commas; k < fields.size(); ++k) FUZZ_CHECK(fields[k].empty());
  }
}

void CheckCopyPart(std::string_view text, long long from, long long count) {
  const std::string before = "\x01untouched";
  std::string destination = before;
  CopyPart(text, from, count, destination);
  const long double length = static_cast<long double>(text.size());
  // The range test in exact arithmetic (long double holds every long long sum here).
  const bool fits = static_cast<long double>(count) < length &&
                    static_cast<long double>(from) + static_cast<long double>(count) - 1 <= length;
  if (!fits) {
    FUZZ_CHECK(destination == before);
  } else if (count <= 0) {
    FUZZ_CHECK(destination.empty());
  } else if (from < 1) {
    FUZZ_CHECK(destination == before);  // refused: it would start before the text
  } else {
    FUZZ_CHECK(destination == text.substr(static_cast<std::size_t>(from - 1),
                                          static_cast<std::size_t>(count)));
  }

  destination = before;
  LeftPart(text, count, destination);
  if (!(static_cast<long double>(count) < length)) {
    FUZZ_CHECK(destination == before);
  } else if (count <= 0) {
    FUZZ_CHECK(destination.empty());
  } else {
    FUZZ_CHECK(destination == text.substr(0, static_cast<std::size_t>(count)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t limitByte = data[0];
  // -39..39: negative counts included; the loaders use 22 and 19, and larger
  // counts only make the check slower.
  const int n = static_cast<std::int8_t>(data[1]) % 40;
  const std::uint8_t fromByte = data[2];
  const std::uint8_t countByte = data[3];
  const std::string_view content(reinterpret_cast<const char*>(data) + 4, size - 4);

  // Bit 6 of byte 0 (but not 0xFF) puts the content at one of the last 8 bytes
  // before the reader's 64 KiB read boundary, after a long first line ending in
  // CR, so that CR LF pairs, line ends and 0x1A are also met split across reads.
  std::string file;
  const bool straddle = limitByte != 0xFF && (limitByte & 0x40);
  if (straddle) {
    file.assign(kReadChunk - 1 - (fromByte & 7), 'p');
    file.back() = '\r';
  }
  file.append(content);
  static const std::string path = ScratchDir() + "/lines.csv";
  WriteFileOrDie(path, reinterpret_cast<const std::uint8_t*>(file.data()), file.size());

  // One read per input (file access is the slow part): unbounded, as the plain
  // overload reads, or bounded, as the loaders read. A bounded read is the head
  // of the whole text's lines and says whether more lines follow.
  const std::vector<std::string> expected = ModelTableLines(file);
  std::vector<std::string> lines;
  if (limitByte == 0xFF) {
    lines = ReadTableLines(path);
    FUZZ_CHECK(lines == expected);
  } else {
    const std::size_t limit = limitByte % 64;
    bool more = !expected.empty();  // must be overwritten
    lines = ReadTableLines(path, limit, &more);
    FUZZ_CHECK(lines.size() == std::min(limit, expected.size()));
    FUZZ_CHECK(more == (expected.size() > limit));
    for (std::size_t k = 0; k < lines.size(); ++k) FUZZ_CHECK(lines[k] == expected[k]);
  }

  // The filler line has been compared whole; the per-line checks skip it.
  for (std::size_t k = straddle ? 1 : 0; k < lines.size(); ++k) {
    const std::string& line = lines[k];
    FUZZ_CHECK(line.find('\r') == std::string::npos && line.find('\x1A') == std::string::npos);
    CheckSplit(line, n);  // the loaders' 22 and 19 are checked by their own targets
    CheckCopyPart(line, PickCount(fromByte, line.size()), PickCount(countByte, line.size()));
  }
  return 0;
}
