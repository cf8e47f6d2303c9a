// The reader of the reference-value sets, the resolution for a handful of
// profiles and the assessment over what it read.
//
// The input is a reference file, then optionally "\f" and an energy file (a
// small valid one otherwise); the whole input is also read as a school-lunch
// standard. Whatever is refused must be refused with ReferenceDataError and
// nothing else; whatever is read must hold no figure the reader promises away.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "nutrition/assessment.h"
#include "tables/reference_sets.h"

using namespace eiyou;

namespace {

const std::string kEnergy =
    "# e\nsex\tperiod_class\tperiods\tperiode\tpal1\tpal2\tpal3\tunit\n"
    "f\ty\t30\t49\t1750\t2050\t2350\tkcal/day\nm\ty\t18\t29\t2300\t2650\t3050\tkcal/day\n"
    "f\tp\t0\t15\t+50\t+50\t+50\tkcal/day\nf\tl\t-\t-\t+350\t+350\t+350\tkcal/day\n";

bool Sound(const Figure& f) {
  return f.state == Figure::Empty || f.state == Figure::None ||
         (std::isfinite(f.value) && f.value >= 0 && f.value <= 1e6);
}

void Check(const ReferenceSet& set) {
  FUZZ_CHECK(!set.source().empty());
  for (const ReferenceRow& r : set.rows()) {
    for (const Figure* f : {&r.ear, &r.rda, &r.ai, &r.ul, &r.dgMin, &r.dgMax}) FUZZ_CHECK(Sound(*f));
    FUZZ_CHECK(!(r.dgMin.has() && r.dgMax.has()) || r.dgMin.value <= r.dgMax.value);
    FUZZ_CHECK(r.period.from <= r.period.to);
    const bool stage =
        r.period.cls == PeriodClass::Pregnancy || r.period.cls == PeriodClass::Lactation;
    FUZZ_CHECK(stage || (r.ear.state != Figure::Addition && r.rda.state != Figure::Addition));
    FUZZ_CHECK(!stage || r.sex == Sex::Female);
  }
  for (const EnergyRow& e : set.energy())
    for (const Figure& f : e.pal) FUZZ_CHECK(Sound(f) && f.state != Figure::None);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\f');
  const std::string_view intakes = input.substr(0, cut);
  const std::string_view energy =
      cut == std::string_view::npos ? std::string_view(kEnergy) : input.substr(cut + 1);
  try {
    SchoolLunchStandard::Read(input, "L.TSV");
  } catch (const ReferenceDataError&) {
  }
  ReferenceSets sets;
  try {
    sets.edition2020 = ReferenceSet::Read(intakes, "I.TSV", energy, "E.TSV");
  } catch (const ReferenceDataError& e) {
    FUZZ_CHECK(std::string_view(e.what()).find("を読み込めません（") != std::string_view::npos);
    return 0;
  }
  Check(sets.edition2020);
  sets.edition2025 = sets.edition2020;

  Intakes intakes_;
  for (const AssessedNutrient& n : kAssessedNutrients) intakes_[n.id] = {7.5};
  Profile p;
  for (int k = 0; k < 4; ++k) {
    p.sex = k == 1 ? Sex::Male : Sex::Female;
    p.age = k == 3 ? Period{PeriodClass::Months, 6, 8} : Period{PeriodClass::Years, 18 + 12 * k, 29 + 20 * k};
    p.stage = k == 2 ? LifeStage::PregnancyEarly : LifeStage::None;
    const Assessment a = Assess(intakes_, ResolveReference(p, sets));
    FUZZ_CHECK(a.rows.size() == kAssessedNutrients.size());
    for (const AssessmentRow& row : a.rows)
      FUZZ_CHECK(row.intake && std::isfinite(*row.intake));
  }
  return 0;
}
