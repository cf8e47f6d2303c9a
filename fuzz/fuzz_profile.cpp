// The stored text of an assessment profile, as a day plan or the remembered
// profile file holds it, over arbitrary bytes.
//
// Properties: a text read as a profile is one the program could have written
// (its own text reads back as the same profile, and that text is stable);
// what it reads is consistent: a man is never pregnant, the activity level is
// I..III, an age range never ends before it starts.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/profile.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<Profile> profile = ParseProfile(text);
  if (!profile) return 0;
  FUZZ_CHECK(profile->activity >= 1 && profile->activity <= 3);
  FUZZ_CHECK(profile->age.from <= profile->age.to);
  FUZZ_CHECK(profile->sex == Sex::Female || profile->stage == LifeStage::None);
  const std::string written = ProfileText(*profile);
  const std::optional<Profile> again = ParseProfile(written);
  FUZZ_CHECK(again && *again == *profile);
  FUZZ_CHECK(ProfileText(*again) == written);
  return 0;
}
