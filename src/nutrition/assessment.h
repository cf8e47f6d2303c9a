// 栄養評価: a day's or a period's intakes judged nutrient by nutrient the way
// the reference intakes judge them: against the estimated average requirement
// (EAR), the recommended allowance (RDA), the adequate intake (AI), the
// tolerable upper intake (UL) and the goal (DG) of one person, or against the
// school-lunch standard, or a user's target set.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/profile.h"
#include "nutrition/radar_chart.h"
#include "tables/reference_sets.h"

namespace eiyou {

// ---- intakes ---------------------------------------------------------------

// A nutrient's intake in the food table's unit, with what the figure table
// marks: a food behind it had an estimated value (＊), or none at all, counted
// as 0 (※).
struct Intake {
  double value = 0;
  bool estimated = false;
  bool incomplete = false;
};
// By food-table identifier (ENERC_KCAL, PROT, FE, VITA_RAE, ...). A missing
// identifier is a component the table does not hold.
using Intakes = std::map<std::string, Intake, std::less<>>;

// The mean daily intake of a period, the habitual intake the reference values
// speak of. A component some days lack counts 0 on those days and is marked ※.
Intakes MeanDailyIntakes(const std::vector<Intakes>& days);

// ---- the nutrients judged ---------------------------------------------------

struct AssessedNutrient {
  const char* id;         // food-table identifier; PROT_E, FAT_E, CHO_E for the energy shares
  const char* name;       // Japanese, as the rows show it
  const char* unit;       // of intake and reference values: "kcal", "g", "mg", "µg", "%E" ...
  const char* reference;  // the reference files' name; "" for energy and the shares
};
// Energy, the 30 nutrients, then the shares of protein, fat and carbohydrate.
extern const std::array<AssessedNutrient, 34> kAssessedNutrients;

// ---- the reference of one person -----------------------------------------

// One figure as it applies to the person. `older` marks a value of the 2020
// edition standing in where the 2025 file has none (shown 「2020年版の値」).
struct ReferenceFigure {
  std::optional<double> value;
  bool older = false;
};
inline constexpr const char* kOlderEditionNote = "2020年版の値";

struct NutrientReference {
  ReferenceFigure ear, rda, ai, ul, dgLower, dgUpper;
  // A single figure that is none of the kinds above: the estimated energy
  // requirement, or a school-lunch standard amount.
  ReferenceFigure target;
  bool dgUpperExclusive = false;  // "未満": the salt goals, the school lunch's salt
  bool targetToConsider = false;  // "配慮すること": shown, not judged
  bool Empty() const;
};

struct PersonReference {
  enum class Kind : std::uint8_t { Daily, SchoolLunch, TargetSet };
  Kind kind = Kind::Daily;
  std::string edition;        // printed under every assessment (UTF-8)
  std::string noValueReason;  // the note of a nutrient without any value
  std::map<std::string, NutrientReference, std::less<>> nutrients;  // by AssessedNutrient::id
};

// The profile's reference values. Daily: adults (18 and over, neither pregnant
// nor lactating) take each value from the 2025 edition where it gives one and
// the 2020 value otherwise (`older`); everyone else, and every profile asking
// for 2020, the 2020 edition. Pregnancy and lactation add their additions
// ("+") to the woman's own row; a figure they state without "+" replaces it,
// and one they leave empty keeps it. The iron values with menstruation
// replace iron's where Menstruating() and the edition has them.
// SchoolLunch: the band of the age (6-7 ... 12-14 years). The profile's
// target set is not looked at: the caller judges against that set instead.
PersonReference ResolveReference(const Profile& profile, const ReferenceSets& sets);

// ---- the assessment -------------------------------------------------------

enum class Judgement : std::uint8_t {
  LikelyShort,        // below the EAR
  PossiblyShort,      // from the EAR up to the RDA; energy or a lunch standard not reached
  Adequate,           // the RDA or the AI reached, within the goal
  OutsideGoal,        // outside the goal range (DG)
  PossiblyExcessive,  // above the UL; energy well above the requirement
  NotJudged,          // no intake, no reference value, or below an AI (see the note)
};
struct JudgementStyle {
  const char* words;   // 不足の可能性が高い ...
  const char* symbol;  // distinct in shape, for printing in black and white
  Rgb colour;
};
const JudgementStyle& StyleOf(Judgement judgement);

// Energy counts as meeting the estimated requirement within ±10 %: the
// neighbouring activity levels lie about 15 % away, so only an intake that
// fits another level better is called short or excessive.
inline constexpr double kEnergyBand = 0.10;
inline constexpr const char* kEnergyNote =
    "エネルギーの過不足は体重の変化で評価します（推定エネルギー必要量は目安です）";
inline constexpr const char* kHabitualIntakeNote =
    "期間中の1日あたり平均摂取量を習慣的な摂取量として評価しています";

struct AssessmentRow {
  const AssessedNutrient* nutrient = nullptr;
  std::optional<double> intake;  // none: the table lacks the component
  std::string marks;             // "", "※", "＊", "※＊", as in the figure table
  NutrientReference reference;
  Judgement judgement = Judgement::NotJudged;
  std::string note;  // why it is not judged, or what the judgement rests on
};
struct Assessment {
  std::string edition;
  std::vector<AssessmentRow> rows;  // in kAssessedNutrients order
};

// One row per nutrient of kAssessedNutrients. The order of the rules, first
// that applies: above the UL; below the EAR; below the RDA; outside the goal
// (the lower bound inclusive, the upper inclusive unless "未満"); energy or a
// lunch standard against its figure; below the AI (not judged: the reference
// intakes say a shortfall cannot be judged there); otherwise adequate. The
// UL comes first because harm outweighs a shortfall elsewhere in the same row.
// The shares of protein, fat and carbohydrate are PROT × 4, FAT × 9 and
// (CHOCDF × 4 + ALC × 7) over ENERC_KCAL, in %.
Assessment Assess(const Intakes& intakes, const PersonReference& reference);

}  // namespace eiyou
