// 給与栄養目標量: a facility's own targets (「A病院 常食」, 「減塩食 6g」, a newer
// edition's figures), judged by the same rules as the reference intakes. A set
// holds values per nutrient and kind, each for everyone (flat) or for one sex
// and age class; a value for the person's class takes the place of the flat one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/assessment.h"

namespace eiyou {

enum class TargetKind : std::uint8_t { Ear, Rda, Ai, DgLower, DgUpper, Ul, Target };
inline constexpr int kTargetKinds = 7;

// Whom a value is for: a sex and an age class (years, or months under one);
// none is everyone.
struct TargetGroup {
  Sex sex = Sex::Female;
  Period age{PeriodClass::Years, 30, 49};
  bool operator==(const TargetGroup&) const = default;
};

// The age classes of the reference intakes, for choosing a group.
inline constexpr Period kTargetAgeClasses[] = {
    {PeriodClass::Months, 0, 5}, {PeriodClass::Months, 6, 11}, {PeriodClass::Years, 1, 2},
    {PeriodClass::Years, 3, 5},  {PeriodClass::Years, 6, 7},   {PeriodClass::Years, 8, 9},
    {PeriodClass::Years, 10, 11}, {PeriodClass::Years, 12, 14}, {PeriodClass::Years, 15, 17},
    {PeriodClass::Years, 18, 29}, {PeriodClass::Years, 30, 49}, {PeriodClass::Years, 50, 64},
    {PeriodClass::Years, 65, 74}, {PeriodClass::Years, 75, kOpenEnd}};

struct TargetValue {
  std::string nutrient;  // an AssessedNutrient::id
  TargetKind kind = TargetKind::Ear;
  double value = 0;           // in the nutrient's unit (AssessedNutrient::unit)
  bool exclusive = false;     // DgUpper only: 「未満」, the bound itself is outside
  std::optional<TargetGroup> group;
};

struct TargetSet {
  std::string name;         // UTF-8, unique among the stored sets
  std::string description;  // UTF-8
  std::vector<TargetValue> values;
  // The store's row version as read (RowVersion, plan_store.h).
  std::optional<std::int64_t> version = std::nullopt;
};

// Longest name a set may have, in bytes.
inline constexpr std::size_t kTargetSetNameLimit = 200;

// The nutrient of an id; null when none of kAssessedNutrients has it.
const AssessedNutrient* FindAssessedNutrient(std::string_view id);

// A value as files and the editor write it: the shortest decimal that reads
// back as the same double, never an exponent, never the locale's comma.
std::string FigureText(double value);

// A group for display and files: 「女性 30-49歳」, 「男性 75歳以上」,
// 「女性 6-11か月」; the age alone is AgeClassText.
std::string AgeClassText(const Period& age);
std::string GroupText(const std::optional<TargetGroup>& group);

// Why a name cannot be a set's name (empty, too long, control characters,
// not UTF-8); empty when it can.
std::string TargetSetNameProblem(std::string_view name);

// Why the values cannot be stored: a Japanese message naming the first value
// at fault (unknown nutrient, a negative or unreadable figure, the same
// nutrient, kind and sex twice for overlapping ages, a goal's lower bound
// above its upper one, 未満 on anything but an upper goal). Empty when fine.
std::string TargetValuesProblem(const std::vector<TargetValue>& values);
// The same for values[i] against the values before it.
std::string TargetValueProblem(const std::vector<TargetValue>& values, std::size_t i);

// The set as the assessment's reference for `profile`: per nutrient and kind
// the value of the group holding the profile's sex and age, else the flat
// one. The edition text is 「目標量セット「name」」.
PersonReference TargetSetReference(const TargetSet& set, const Profile& profile);

// What the assessment says for a profile whose set is no longer stored.
PersonReference MissingTargetSetReference(const std::string& name);

}  // namespace eiyou
