// The lenient integer reader against a plain model of its rule.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "fuzz_support.h"
#include "tables/numbers.h"

using namespace eiyou;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

// Blanks, then "-", "+" or "$"; digits of the chosen base. A text that ends
// after at least one digit gives its value with its sign; anything else gives
// the digits read up to the misfit, unsigned. Outside 32 bits: the nearest end.
std::int32_t Model(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  int sign = 1;
  int base = 10;
  if (text[i] == '-') {
    sign = -1;
    ++i;
  } else if (text[i] == '+') {
    ++i;
  } else if (text[i] == '$') {
    base = 16;
    ++i;
  }
  const std::size_t first = i;
  bool huge = false;  // more than 32 bits' worth
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    if (!huge) {
      value = value * base + digit;
      if (value > (std::int64_t(1) << 40)) huge = true;
    }
  }
  const bool clean = i == text.size() && i > first;
  if (clean && sign < 0) return static_cast<std::int32_t>(huge || -value < kMin ? kMin : -value);
  return static_cast<std::int32_t>(huge || value > kMax ? kMax : value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int32_t got = ParseIntLenient(text);
  FUZZ_CHECK(got == Model(text));
  return 0;
}
