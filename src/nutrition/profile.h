// Whose intakes are judged: sex, age, physical activity level, pregnancy or
// lactation, and which reference (the reference intakes, one edition
// throughout, the school-lunch standard, or a user's target set). Stored with
// day plans as a short text of ASCII keys, "sex=F;age=30-49;pal=2;ref=current".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tables/reference_sets.h"

namespace eiyou {

enum class LifeStage : std::uint8_t { None, PregnancyEarly, PregnancyMid, PregnancyLate, Lactation };

enum class ReferenceChoice : std::uint8_t {
  Current,      // adults the 2025 edition (2020 values where it has none); others 2020
  Edition2020,  // the 2020 edition throughout
  SchoolLunch,  // the school-lunch standard, for one lunch
};

struct Profile {
  Sex sex = Sex::Female;
  // An age (from == to) or an age class, in months (0..11) or years; "75 and
  // over" ends at kOpenEnd.
  Period age{PeriodClass::Years, 30, 49};
  int activity = 2;  // physical activity level I..III: 低い / ふつう / 高い
  LifeStage stage = LifeStage::None;
  // 月経あり; unset means the default for the age (MenstruatingByDefault).
  std::optional<bool> menstruation;
  ReferenceChoice reference = ReferenceChoice::Current;
  // A user's target set (UTF-8 id); empty: the reference above. The caller
  // looks the set up and judges against it instead.
  std::string targetSet;

  bool operator==(const Profile&) const = default;
};

// Whether a woman of this age is taken to menstruate unless told otherwise:
// from 10 to 49 years. The iron values with menstruation exist from 10 to 64,
// but most women of 50-64 are past it, as the figure table's reference already
// assumes for them; a profile can still say so (menstruation = true).
bool MenstruatingByDefault(const Profile& profile);
// Whether the iron values with menstruation apply: a woman, not pregnant or
// lactating, menstruating by the flag or by default.
bool Menstruating(const Profile& profile);

// What a profile bar offers beside sex and age: pregnancy and lactation to a
// woman of an age in years; 月経 to a woman of 10 to 64 (the ages the iron
// values with menstruation cover) who is neither.
bool OffersStage(const Profile& profile);
bool OffersMenstruation(const Profile& profile);
// The profile without what its sex and age leave no room for, so that a
// choice of sex or age never makes a profile its stored form refuses.
Profile Consistent(Profile profile);

// The stored form: keys in a fixed order, the target set percent-encoded.
std::string ProfileText(const Profile& profile);
// The profile of a stored text; nullopt for anything that is not exactly a
// profile (unknown or repeated keys, bad values, pregnancy of a man ...).
std::optional<Profile> ParseProfile(std::string_view text);

}  // namespace eiyou
