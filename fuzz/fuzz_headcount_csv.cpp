// The headcount CSV reader, for three groups. A refused file gives problems
// naming their lines and no changes; a file read gives only real dates, the
// groups' own keys and counts the store takes.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/facility_csv.h"
#include "tables/cp932.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<EaterGroup> groups = [] {
    std::vector<EaterGroup> g(3);
    const char* names[] = {"低学年", "高学年", "A"};
    for (int i = 0; i < 3; ++i) {
      g[i].id = 10 + i;
      g[i].name = names[i];
    }
    return g;
  }();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const HeadcountCsv r = ReadHeadcountCsv(input, groups);
  if (!r.problems.empty()) {
    FUZZ_CHECK(r.changes.empty());
    for (const std::string& p : r.problems)
      FUZZ_CHECK(IsValidUtf8(p) && (p.find("行目") != std::string::npos || p.starts_with("ほかに")));
    return 0;
  }
  for (const HeadcountChange& c : r.changes)
    FUZZ_CHECK(IsPlanDate(c.date) && c.group >= 10 && c.group <= 12 && c.headcount >= 0 &&
               c.headcount <= 100000);
  return 0;
}
