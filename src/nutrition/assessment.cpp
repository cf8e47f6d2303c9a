#include "nutrition/assessment.h"

#include "nutrition/figure_table.h"

namespace eiyou {

const std::array<AssessedNutrient, 34> kAssessedNutrients = {{
    {"ENERC_KCAL", "エネルギー", "kcal", ""},
    {"PROT", "たんぱく質", "g", "PROTV"},
    {"FAT", "脂質", "g", "FATV"},
    {"CHOCDF", "炭水化物", "g", "CHOV"},
    {"FIB", "食物繊維", "g", "FIB"},
    {"NACL_EQ", "食塩相当量", "g", "NACL_EQ"},
    {"K", "カリウム", "mg", "K"},
    {"CA", "カルシウム", "mg", "CA"},
    {"MG", "マグネシウム", "mg", "MG"},
    {"P", "リン", "mg", "P"},
    {"FE", "鉄", "mg", "FE"},
    {"ZN", "亜鉛", "mg", "ZN"},
    {"CU", "銅", "mg", "CU"},
    {"MN", "マンガン", "mg", "MN"},
    {"ID", "ヨウ素", "µg", "ID"},
    {"SE", "セレン", "µg", "SE"},
    {"CR", "クロム", "µg", "CR"},
    {"MO", "モリブデン", "µg", "MO"},
    {"VITA_RAE", "ビタミンA", "µgRAE", "VITA_RAE"},
    {"VITD", "ビタミンD", "µg", "VITD"},
    {"TOCPHA", "ビタミンE（α-トコフェロール）", "mg", "TOCPHA"},
    {"VITK", "ビタミンK", "µg", "VITK"},
    {"THIA", "ビタミンB1", "mg", "THIA"},
    {"RIBF", "ビタミンB2", "mg", "RIBF"},
    {"NE", "ナイアシン", "mgNE", "NE"},
    {"VITB6A", "ビタミンB6", "mg", "VITB6A"},
    {"VITB12", "ビタミンB12", "µg", "VITB12"},
    {"FOL", "葉酸", "µg", "FOL"},
    {"PANTAC", "パントテン酸", "mg", "PANTAC"},
    {"BIOT", "ビオチン", "µg", "BIOT"},
    {"VITC", "ビタミンC", "mg", "VITC"},
    {"PROT_E", "たんぱく質エネルギー比", "%E", ""},
    {"FAT_E", "脂質エネルギー比", "%E", ""},
    {"CHO_E", "炭水化物エネルギー比", "%E", ""},
}};

namespace {

constexpr const char* kIronWithMenstruation = "FE_M";

// Where the goal in % of energy of a gram row is judged.
const std::map<std::string, std::string, std::less<>> kShareOf = {
    {"PROTV", "PROT_E"}, {"FATV", "FAT_E"}, {"CHOV", "CHO_E"}};

Period StagePeriod(LifeStage stage) {
  // A week inside each of the reference's stages: early to 15 weeks, mid
  // 16-27, late from 28.
  switch (stage) {
    case LifeStage::PregnancyEarly: return {PeriodClass::Pregnancy, 0, 0};
    case LifeStage::PregnancyMid: return {PeriodClass::Pregnancy, 16, 16};
    case LifeStage::PregnancyLate: return {PeriodClass::Pregnancy, 28, 28};
    default: return {PeriodClass::Lactation, 0, 0};
  }
}

ReferenceFigure FigureFrom(const Figure& f, bool older) {
  if (f.state != Figure::Value) return {};
  return {f.value, older};
}

// A base figure with a stage row's figure applied: "+x" adds, a value
// replaces, an empty cell keeps the base.
ReferenceFigure WithStage(ReferenceFigure base, const Figure* stage) {
  if (!stage || stage->state == Figure::Empty) return base;
  if (stage->state == Figure::Value) return {stage->value, false};
  if (stage->state == Figure::None || !base.value) return {};
  base.value = *base.value + stage->value;
  return base;
}

struct Resolver {
  const Profile& profile;
  const ReferenceSets& sets;
  bool adultCurrent = profile.reference == ReferenceChoice::Current &&
                      profile.age.cls == PeriodClass::Years && profile.age.from >= 18 &&
                      profile.stage == LifeStage::None;
  bool usedOlder = false;

  // The rows of `name`: the 2025 one when it applies, the 2020 one.
  std::pair<const ReferenceRow*, const ReferenceRow*> Rows(std::string_view name) const {
    const ReferenceRow* current =
        adultCurrent ? sets.edition2025.Find(name, profile.sex, profile.age) : nullptr;
    return {current, sets.edition2020.Find(name, profile.sex, profile.age)};
  }

  // One kind of value: the current row's, else the older row's (flagged
  // when a current row was looked for).
  ReferenceFigure Pick(const ReferenceRow* current, const ReferenceRow* older, Figure ReferenceRow::*kind,
                       bool olderAllowed) {
    if (current && (current->*kind).state != Figure::Empty)
      return FigureFrom(current->*kind, false);
    if (!older || !olderAllowed) return {};
    ReferenceFigure f = FigureFrom(older->*kind, adultCurrent);
    usedOlder = usedOlder || (f.value && adultCurrent);
    return f;
  }

  void Nutrient(const AssessedNutrient& n, PersonReference& out) {
    std::string_view name = n.reference;
    auto [current, older] = Rows(name);
    if (name == "FE" && Menstruating(profile)) {
      // The values with menstruation where the edition gives them.
      const auto [mc, mo] = Rows(kIronWithMenstruation);
      auto needs = [](const ReferenceRow* r) { return r && (r->ear.has() || r->rda.has()); };
      if (needs(mc) || needs(mo)) {
        current = mc;
        older = mo;
      }
    }
    NutrientReference& r = out.nutrients[n.id];
    // An AI and an EAR/RDA are alternatives: where the 2025 edition gives one
    // kind, the other is not taken from 2020 (vitamin B12 became an AI).
    const bool currentAi = current && current->ai.state == Figure::Value;
    const bool currentNeed =
        current && (current->ear.state == Figure::Value || current->rda.state == Figure::Value);
    r.ear = Pick(current, older, &ReferenceRow::ear, !currentAi);
    r.rda = Pick(current, older, &ReferenceRow::rda, !currentAi);
    r.ai = Pick(current, older, &ReferenceRow::ai, !currentNeed);
    r.ul = Pick(current, older, &ReferenceRow::ul, true);
    // The goal's bounds go together, with their unit, from one row.
    const bool currentGoal = current && (current->dgMin.state != Figure::Empty ||
                                         current->dgMax.state != Figure::Empty);
    const ReferenceRow* goalRow = currentGoal ? current : older;
    ReferenceFigure low = currentGoal ? FigureFrom(current->dgMin, false)
                                      : Pick(nullptr, older, &ReferenceRow::dgMin, true);
    ReferenceFigure high = currentGoal ? FigureFrom(current->dgMax, false)
                                       : Pick(nullptr, older, &ReferenceRow::dgMax, true);

    if (profile.stage != LifeStage::None) {
      const ReferenceRow* stage =
          sets.edition2020.Find(name, Sex::Female, StagePeriod(profile.stage));
      if (stage) {
        r.ear = WithStage(r.ear, &stage->ear);
        r.rda = WithStage(r.rda, &stage->rda);
        r.ai = WithStage(r.ai, &stage->ai);
        r.ul = WithStage(r.ul, &stage->ul);
        if (stage->dgMin.has() || stage->dgMax.has()) {
          goalRow = stage;
          low = FigureFrom(stage->dgMin, false);
          high = FigureFrom(stage->dgMax, false);
        }
      }
    }
    if (!goalRow || (!low.value && !high.value)) return;
    const auto share = kShareOf.find(name);
    const bool percent = goalRow->dgUnit == "%E";
    if (percent && share == kShareOf.end()) return;  // a share the table cannot give
    NutrientReference& g = percent ? out.nutrients[share->second] : r;
    g.dgLower = low;
    g.dgUpper = high;
    // The only upper goal in an amount is salt's, "未満" in the reference intakes.
    g.dgUpperExclusive = !percent;
  }

  void Energy(PersonReference& out) {
    const int level = profile.activity - 1;
    // Infants and young children have one value, given as level II.
    auto pal = [&](const EnergyRow* row) -> const Figure* {
      if (!row) return nullptr;
      if (!row->pal[0].has() && !row->pal[2].has()) return &row->pal[1];
      return &row->pal[static_cast<std::size_t>(level)];
    };
    const EnergyRow* current =
        adultCurrent ? sets.edition2025.FindEnergy(profile.sex, profile.age) : nullptr;
    ReferenceFigure eer;
    if (const Figure* f = pal(current); f && f->has()) {
      eer = {f->value, false};
    } else if (const Figure* o = pal(sets.edition2020.FindEnergy(profile.sex, profile.age))) {
      eer = FigureFrom(*o, adultCurrent);
      usedOlder = usedOlder || (eer.value && adultCurrent);
    }
    if (profile.stage != LifeStage::None)
      eer = WithStage(eer, pal(sets.edition2020.FindEnergy(Sex::Female, StagePeriod(profile.stage))));
    out.nutrients["ENERC_KCAL"].target = eer;
  }
};

PersonReference ResolveSchoolLunch(const Profile& profile, const SchoolLunchStandard& lunch) {
  PersonReference out;
  out.kind = PersonReference::Kind::SchoolLunch;
  out.edition = lunch.source() + "（1回の給食あたり）";
  const int band = profile.age.cls == PeriodClass::Years ? lunch.BandOf(profile.age) : -1;
  out.noValueReason = band < 0 ? "この年齢には学校給食摂取基準がありません"
                               : "学校給食摂取基準にない成分です";
  if (band < 0) return out;
  using Kind = SchoolLunchStandard::Kind;
  for (const auto& row : lunch.rows()) {
    const auto [low, high] = row.bands[static_cast<std::size_t>(band)];
    if (row.kind == Kind::Range) {
      // Ranges are shares of the lunch's energy, named by the table's identifier.
      static const std::map<std::string, std::string, std::less<>> kShareOfId = {
          {"PROT", "PROT_E"}, {"FAT", "FAT_E"}, {"CHOCDF", "CHO_E"}};
      const auto share = kShareOfId.find(row.name);
      if (share == kShareOfId.end()) continue;
      NutrientReference& r = out.nutrients[share->second];
      r.dgLower = {low, false};
      r.dgUpper = {high, false};
      continue;
    }
    NutrientReference& r = out.nutrients[row.name];
    switch (row.kind) {
      case Kind::LessThan:
        r.dgUpper = {low, false};
        r.dgUpperExclusive = true;
        break;
      case Kind::AtLeast: r.dgLower = {low, false}; break;
      case Kind::Consider:
        r.target = {low, false};
        r.targetToConsider = true;
        break;
      default: r.target = {low, false}; break;
    }
  }
  return out;
}

bool Below(const ReferenceFigure& f, double x) { return f.value && x < *f.value; }

}  // namespace

bool NutrientReference::Empty() const {
  for (const ReferenceFigure* f : {&ear, &rda, &ai, &ul, &dgLower, &dgUpper, &target})
    if (f->value) return false;
  return true;
}

PersonReference ResolveReference(const Profile& profile, const ReferenceSets& sets) {
  if (profile.reference == ReferenceChoice::SchoolLunch)
    return ResolveSchoolLunch(profile, sets.schoolLunch);
  PersonReference out;
  out.noValueReason = "この年齢区分には基準値がありません";
  Resolver resolver{profile, sets};
  resolver.Energy(out);
  for (const AssessedNutrient& n : kAssessedNutrients)
    if (*n.reference) resolver.Nutrient(n, out);
  if (resolver.adultCurrent) {
    out.edition = sets.edition2025.source();
    if (resolver.usedOlder)
      out.edition += "（「" + std::string(kOlderEditionNote) + "」は" + sets.edition2020.source() + "）";
  } else {
    out.edition = sets.edition2020.source();
  }
  return out;
}

const JudgementStyle& StyleOf(Judgement judgement) {
  static const JudgementStyle kStyles[] = {
      {"不足の可能性が高い", "▼", {198, 40, 40}},
      {"不足の可能性あり", "▽", {230, 120, 0}},
      {"充足", "○", {46, 125, 50}},
      {"目標量の範囲外", "△", {158, 119, 0}},
      {"過剰のおそれ", "▲", {106, 27, 154}},
      {"判定できない", "－", {117, 117, 117}},
  };
  return kStyles[static_cast<int>(judgement)];
}

Intakes MeanDailyIntakes(const std::vector<Intakes>& days) {
  Intakes mean;
  for (const Intakes& day : days) {
    for (const auto& [id, intake] : day) {
      Intake& m = mean[id];
      m.value += intake.value;
      m.estimated = m.estimated || intake.estimated;
      m.incomplete = m.incomplete || intake.incomplete;
    }
  }
  for (auto& [id, m] : mean) {
    for (const Intakes& day : days)
      if (!day.count(id)) m.incomplete = true;
    m.value /= static_cast<double>(days.size());
  }
  return mean;
}

namespace {

void Judge(AssessmentRow& row, double x, bool energy) {
  const NutrientReference& r = row.reference;
  auto set = [&](Judgement j, std::string note = {}) {
    row.judgement = j;
    row.note = std::move(note);
  };
  if (r.ul.value && x > *r.ul.value) return set(Judgement::PossiblyExcessive);
  if (Below(r.ear, x)) return set(Judgement::LikelyShort);
  if (Below(r.rda, x)) return set(Judgement::PossiblyShort);
  if (Below(r.dgLower, x) ||
      (r.dgUpper.value && (r.dgUpperExclusive ? x >= *r.dgUpper.value : x > *r.dgUpper.value)))
    return set(Judgement::OutsideGoal);
  if (r.target.value) {
    const double t = *r.target.value;
    if (r.targetToConsider) return set(Judgement::NotJudged, "配慮すべき量です（判定はしません）");
    if (energy) {
      const char* note = kEnergyNote;
      if (x < t * (1 - kEnergyBand)) return set(Judgement::PossiblyShort, note);
      if (x > t * (1 + kEnergyBand)) return set(Judgement::PossiblyExcessive, note);
      return set(Judgement::Adequate, note);
    }
    return set(x < t ? Judgement::PossiblyShort : Judgement::Adequate);
  }
  if (Below(r.ai, x))
    return set(Judgement::NotJudged, "目安量未満ですが、不足かどうかは判定できません");
  if (!r.ear.value && !r.rda.value && !r.ai.value && !r.dgLower.value && !r.dgUpper.value)
    return set(Judgement::NotJudged, "耐容上限量のほかに基準値がありません");
  set(Judgement::Adequate);
}

struct JudgedAsShare {
  std::string_view amount, share;
  const char* name;
};
constexpr JudgedAsShare kJudgedAsShares[] = {{"FAT", "FAT_E", "脂質エネルギー比"},
                                             {"CHOCDF", "CHO_E", "炭水化物エネルギー比"}};

}  // namespace

Assessment Assess(const Intakes& intakes, const PersonReference& reference) {
  Assessment out;
  out.edition = reference.edition;
  out.rows.reserve(kAssessedNutrients.size());
  const auto energy = intakes.find("ENERC_KCAL");
  for (const AssessedNutrient& n : kAssessedNutrients) {
    AssessmentRow& row = out.rows.emplace_back();
    row.nutrient = &n;
    if (const auto r = reference.nutrients.find(n.id); r != reference.nutrients.end())
      row.reference = r->second;
    Intake intake;
    bool held = false;
    const std::string_view id = n.id;
    const bool share = id.ends_with("_E");
    if (share) {
      // A share of the energy intake: 4 kcal/g protein and carbohydrate, 9
      // fat, 7 alcohol (counted with carbohydrate by the reference intakes).
      const std::pair<const char*, double> parts[3][2] = {
          {{"PROT", 4}, {nullptr, 0}}, {{"FAT", 9}, {nullptr, 0}}, {{"CHOCDF", 4}, {"ALC", 7}}};
      const auto& which = parts[id == "PROT_E" ? 0 : id == "FAT_E" ? 1 : 2];
      const auto first = intakes.find(which[0].first);
      held = first != intakes.end() && energy != intakes.end() && energy->second.value > 0;
      if (held) {
        double kcal = 0;
        for (const auto& [part, factor] : which) {
          const auto it = part ? intakes.find(part) : intakes.end();
          if (it == intakes.end()) continue;
          kcal += it->second.value * factor;
          intake.estimated = intake.estimated || it->second.estimated;
          intake.incomplete = intake.incomplete || it->second.incomplete;
        }
        intake.value = kcal / energy->second.value * 100;
        intake.estimated = intake.estimated || energy->second.estimated;
        intake.incomplete = intake.incomplete || energy->second.incomplete;
      }
    } else if (const auto it = intakes.find(id); it != intakes.end()) {
      intake = it->second;
      held = true;
    }
    if (intake.incomplete) row.marks += kMissingMark;
    if (intake.estimated) row.marks += kEstimatedMark;
    if (!held) {
      row.note = share ? "エネルギーと成分値がないため計算できません" : "食品成分表にこの成分がありません";
      continue;
    }
    row.intake = intake.value;
    if (row.reference.Empty()) {
      row.note = reference.noValueReason;
      // Fat and carbohydrate have goals only as shares of energy: say where
      // they are judged rather than that there is nothing to judge them by.
      for (const auto& [amount, share, name] : kJudgedAsShares) {
        const auto it = reference.nutrients.find(share);
        if (id == amount && it != reference.nutrients.end() && !it->second.Empty())
          row.note = std::string(name) + "の行で評価します";
      }
      continue;
    }
    Judge(row, intake.value, id == "ENERC_KCAL");
  }
  return out;
}

}  // namespace eiyou
