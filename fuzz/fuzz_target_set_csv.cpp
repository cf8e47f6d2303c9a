// The target-set CSV reader. A refused file gives a message naming its line
// and nothing else; a file read holds only values the store would take, is
// written back as a file that reads as the same set, and judges a profile.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/target_set_csv.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TargetCsvRead r = ReadTargetSetCsv(input);
  if (!r.ok) {
    FUZZ_CHECK(r.set.values.empty() && r.error.find(" 行目") != std::string::npos);
    return 0;
  }
  FUZZ_CHECK(r.error.empty() && TargetValuesProblem(r.set.values).empty());
  FUZZ_CHECK(r.set.name.empty() || TargetSetNameProblem(r.set.name).empty());

  const TargetCsvRead again = ReadTargetSetCsv(TargetSetCsv(r.set));
  FUZZ_CHECK(again.ok && again.set.name == r.set.name && again.set.values.size() == r.set.values.size());
  for (std::size_t i = 0; i < r.set.values.size(); ++i) {
    const TargetValue &a = r.set.values[i], &b = again.set.values[i];
    FUZZ_CHECK(a.nutrient == b.nutrient && a.kind == b.kind && a.value == b.value &&
               a.exclusive == b.exclusive && a.group == b.group);
  }
  Profile p;
  const Assessment a = Assess({{"ENERC_KCAL", {1800}}, {"NACL_EQ", {6}}}, TargetSetReference(r.set, p));
  FUZZ_CHECK(a.rows.size() == kAssessedNutrients.size());
  return 0;
}
