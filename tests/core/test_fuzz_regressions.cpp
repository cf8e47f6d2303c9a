// Inputs found by the fuzz targets (fuzz/), kept as unit tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/numbers.h"

using namespace eiyou;

namespace {

// The exact decimal expansion of k × 2^-16445, a subnormal extended value:
// the digits of k × 5^16445, then "e-16445".
std::string ExactSubnormal(std::uint32_t k) {
  std::vector<std::uint64_t> limbs{k};  // base 10^9, least significant first
  constexpr std::uint64_t kBase = 1000000000;
  for (int i = 0; i < 16445; ++i) {
    std::uint64_t carry = 0;
    for (std::uint64_t& limb : limbs) {
      const std::uint64_t v = limb * 5 + carry;
      limb = v % kBase;
      carry = v / kBase;
    }
    if (carry) limbs.push_back(carry);
  }
  std::string digits = std::to_string(limbs.back());
  for (auto it = limbs.rbegin() + 1; it != limbs.rend(); ++it) {
    const std::string part = std::to_string(*it);
    digits += std::string(9 - part.size(), '0') + part;
  }
  return digits + "e-16445";
}

}  // namespace

TEST(FuzzRegressions, ExactSubnormalDecimalsReadAsZeroLikeInexactOnes) {
  for (std::uint32_t k : {1u, 3u, 1000u}) {
    const std::string text = ExactSubnormal(k);
    const long double v = ParseRealLenient(text);
    EXPECT_EQ(std::fpclassify(v), FP_ZERO) << "k = " << k << ", got " << v;
    EXPECT_FALSE(std::signbit(ParseRealLenient("-" + text)));
  }
  EXPECT_EQ(ParseRealLenient("1e-4940"), 0.0L);  // inexact: was 0 already
  // The smallest normal value still reads as itself.
  EXPECT_EQ(ParseRealLenient("3.3621031431120935063e-4932"), 3.3621031431120935063e-4932L);
}
