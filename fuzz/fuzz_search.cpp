// Food search folding and the half-width weight over arbitrary table text.
//
// Properties: folding never lengthens a text and is stable (folding twice is
// folding once); the folded text of a decoded name has no ASCII capital, no
// blank and no ideographic blank; turning a weight half-width never lengthens
// it, is stable, and leaves no full-width digit behind.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/food_entry.h"
#include "nutrition/food_search.h"
#include "tables/cp932.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Names reach the search decoded from CP932: well-formed UTF-8.
  const std::string name = Cp932ToUtf8(bytes);
  const std::string folded = FoldForSearch(name);
  FUZZ_CHECK(folded.size() <= name.size());
  FUZZ_CHECK(FoldForSearch(folded) == folded);
  for (char c : folded) FUZZ_CHECK(!(c >= 'A' && c <= 'Z') && c != ' ' && c != '\t');
  FUZZ_CHECK(folded.find("\xE3\x80\x80") == std::string::npos);

  // Typed text may be anything; malformed bytes pass through.
  FUZZ_CHECK(FoldForSearch(bytes).size() <= bytes.size());

  const std::string weight = HalfWidthWeightText(name);
  FUZZ_CHECK(weight.size() <= name.size());
  FUZZ_CHECK(HalfWidthWeightText(weight) == weight);
  for (unsigned char digit = 0x90; digit <= 0x99; ++digit)
    FUZZ_CHECK(weight.find(std::string("\xEF\xBC") + char(digit)) == std::string::npos);
  return 0;
}
