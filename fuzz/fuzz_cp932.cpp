// CP932 decoding of arbitrary bytes and encoding of arbitrary and of decoded text.
//
// Properties: decoding by table equals decoding by iconv; it always gives well-formed UTF-8, at most three bytes per
// input byte, with U+FFFD only where the input was bad; decoded text encodes
// again whenever it holds no U+FFFD, and encoding then decoding is stable;
// whatever encodes successfully decodes without a single U+FFFD.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsWellFormedUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;  // truncated sequence
    for (std::size_t k = 1; k <= n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

bool HasReplacement(std::string_view s) { return s.find(kReplacement) != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string utf8 = Cp932ToUtf8(bytes);
  // The table decoder answers as iconv does, byte for byte.
  FUZZ_CHECK(utf8 == Cp932ToUtf8ByIconv(bytes));
  FUZZ_CHECK(IsWellFormedUtf8(utf8));
  FUZZ_CHECK(utf8.size() <= 3 * bytes.size());
  FUZZ_CHECK(bytes.empty() == utf8.empty());

  std::string back;
  const bool encoded = Utf8ToCp932(utf8, back);
  if (!HasReplacement(utf8)) {
    // Valid CP932 comes back as CP932 (perhaps another code of the same
    // character), and that decodes to the same text.
    FUZZ_CHECK(encoded);
    FUZZ_CHECK(Cp932ToUtf8(back) == utf8);
  }

  // Arbitrary bytes taken as UTF-8: refused or encoded; never half-valid output.
  std::string out;
  if (Utf8ToCp932(bytes, out)) {
    FUZZ_CHECK(IsWellFormedUtf8(bytes));
    FUZZ_CHECK(!HasReplacement(Cp932ToUtf8(out)));
  }
  return 0;
}
