// The lenient real reader against the C library's correctly rounded decimal
// conversion (in the "C" locale), plus the properties the arithmetic relies on:
// never NaN, never a negative zero, never a subnormal.

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tables/numbers.h"

using namespace eiyou;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

long double LibraryValue(const std::string& text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  if (text.empty()) return 0.0L;
  return strtold_l(text.c_str(), nullptr, c);
}

// What the reader must give: the library's value of the clean text, or of the
// mantissa digits alone when the text stops at a misfit. Out of range: infinity
// (the reader's HUGE_VALL), or 0 for anything below the normal range.
long double Expected(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::string mantissa;
  while (i < text.size() && IsDigit(text[i])) mantissa += text[i++];
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) mantissa += text[i++];
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  // The library stops by itself at a trailing "e", "e+" or lone "."; what it reads
  // before that is the same number.
  const long double value =
      i == text.size() ? LibraryValue(std::string(text.substr(start))) : LibraryValue(mantissa);
  if (std::fpclassify(value) == FP_SUBNORMAL) return 0.0L;
  return value + 0.0L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long double got = ParseRealLenient(text);
  FUZZ_CHECK(!std::isnan(got));
  FUZZ_CHECK(!(got == 0 && std::signbit(got)));
  FUZZ_CHECK(std::fpclassify(got) != FP_SUBNORMAL);
  const long double want = Expected(text);
  FUZZ_CHECK(got == want);
  return 0;
}
