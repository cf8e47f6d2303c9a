#include "nutrition/target_set.h"

#include <charconv>
#include <cmath>
#include <map>

#include "tables/cp932.h"

namespace eiyou {
namespace {

// Kinds in the words the editor's columns use.
constexpr const char* kKindWords[kTargetKinds] = {"推定平均必要量", "推奨量",   "目安量",
                                                  "目標量の下限",   "目標量の上限", "耐容上限量",
                                                  "給与目標量"};

bool Overlap(const Period& a, const Period& b) {
  return a.cls == b.cls && a.from <= b.to && b.from <= a.to;
}

bool SameWhom(const std::optional<TargetGroup>& a, const std::optional<TargetGroup>& b) {
  if (!a || !b) return !a && !b;
  return a->sex == b->sex && Overlap(a->age, b->age);
}

std::string Place(const TargetValue& v) {
  const AssessedNutrient* n = FindAssessedNutrient(v.nutrient);
  return std::string(n ? n->name : v.nutrient.c_str()) + "の" +
         kKindWords[static_cast<int>(v.kind)] + "（" + GroupText(v.group) + "）";
}

ReferenceFigure NutrientReference::*FieldOf(TargetKind kind) {
  switch (kind) {
    case TargetKind::Ear: return &NutrientReference::ear;
    case TargetKind::Rda: return &NutrientReference::rda;
    case TargetKind::Ai: return &NutrientReference::ai;
    case TargetKind::DgLower: return &NutrientReference::dgLower;
    case TargetKind::DgUpper: return &NutrientReference::dgUpper;
    case TargetKind::Ul: return &NutrientReference::ul;
    case TargetKind::Target: break;
  }
  return &NutrientReference::target;
}

}  // namespace

std::string FigureText(double value) {
  char text[400];  // the longest fixed form of a double
  const auto end = std::to_chars(text, text + sizeof text, value + 0.0, std::chars_format::fixed).ptr;
  return std::string(text, end);
}

const AssessedNutrient* FindAssessedNutrient(std::string_view id) {
  for (const AssessedNutrient& n : kAssessedNutrients)
    if (id == n.id) return &n;
  return nullptr;
}

std::string AgeClassText(const Period& age) {
  const bool months = age.cls == PeriodClass::Months;
  std::string text = std::to_string(age.from);
  if (age.to == kOpenEnd) return text + "歳以上";
  if (age.to != age.from) text += "-" + std::to_string(age.to);
  return text + (months ? "か月" : "歳");
}

std::string GroupText(const std::optional<TargetGroup>& group) {
  if (!group) return "全員";
  return std::string(group->sex == Sex::Male ? "男性 " : "女性 ") + AgeClassText(group->age);
}

std::string TargetSetNameProblem(std::string_view name) {
  if (name.empty()) return "目標量セットの名前を入れてください。";
  if (name.size() > kTargetSetNameLimit) return "目標量セットの名前が長すぎます。";
  if (!IsValidUtf8(name)) return "目標量セットの名前に使えない文字があります。";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return "目標量セットの名前に改行やタブは使えません。";
  return {};
}

std::string TargetValueProblem(const std::vector<TargetValue>& values, std::size_t i) {
  {
    const TargetValue& v = values[i];
    if (!FindAssessedNutrient(v.nutrient)) return "栄養素「" + v.nutrient + "」は評価する栄養素にありません。";
    if (!std::isfinite(v.value) || v.value < 0)
      return Place(v) + "は 0 以上の数値にしてください。";
    if (v.exclusive && v.kind != TargetKind::DgUpper)
      return Place(v) + "に「未満」は付けられません（目標量の上限だけです）。";
    if (v.group) {
      const Period& a = v.group->age;
      if ((a.cls != PeriodClass::Years && a.cls != PeriodClass::Months) || a.from < 0 ||
          a.from > a.to || (a.cls == PeriodClass::Months && a.to > 11))
        return Place(v) + "の年齢区分が正しくありません。";
    }
    for (std::size_t j = 0; j < i; ++j) {
      const TargetValue& w = values[j];
      if (w.nutrient != v.nutrient || !SameWhom(w.group, v.group)) continue;
      if (w.kind == v.kind) return Place(v) + "が二度あります（年齢区分が重なっています）。";
      // A goal's bounds of the same people: the lower may not lie above the upper.
      const bool pair = (w.kind == TargetKind::DgLower && v.kind == TargetKind::DgUpper) ||
                        (w.kind == TargetKind::DgUpper && v.kind == TargetKind::DgLower);
      if (!pair) continue;
      const TargetValue& lower = w.kind == TargetKind::DgLower ? w : v;
      const TargetValue& upper = w.kind == TargetKind::DgUpper ? w : v;
      if (lower.value > upper.value || (upper.exclusive && lower.value >= upper.value))
        return Place(lower) + " " + FigureText(lower.value) + " が上限 " + FigureText(upper.value) +
               (upper.exclusive ? " 未満" : "") + " を超えています。";
    }
  }
  return {};
}

std::string TargetValuesProblem(const std::vector<TargetValue>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (std::string problem = TargetValueProblem(values, i); !problem.empty()) return problem;
  return {};
}

PersonReference TargetSetReference(const TargetSet& set, const Profile& profile) {
  PersonReference out;
  out.kind = PersonReference::Kind::TargetSet;
  out.edition = "目標量セット「" + set.name + "」";
  out.noValueReason = "目標量セットにこの栄養素の値がありません";
  // A value for the person's group wins over a flat one, whatever their order.
  std::map<std::pair<std::string, TargetKind>, const TargetValue*> chosen;
  for (const TargetValue& v : set.values) {
    if (v.group && (v.group->sex != profile.sex || !v.group->age.Holds(profile.age))) continue;
    const TargetValue*& slot = chosen[{v.nutrient, v.kind}];
    if (!slot || (!slot->group && v.group)) slot = &v;
  }
  for (const auto& [key, v] : chosen) {
    NutrientReference& r = out.nutrients[key.first];
    r.*FieldOf(key.second) = {v->value, false};
    if (key.second == TargetKind::DgUpper) r.dgUpperExclusive = v->exclusive;
  }
  return out;
}

PersonReference MissingTargetSetReference(const std::string& name) {
  PersonReference out;
  out.kind = PersonReference::Kind::TargetSet;
  out.edition = "目標量セット「" + name + "」";
  out.noValueReason = "目標量セット「" + name + "」は削除されたため、判定できません";
  return out;
}

}  // namespace eiyou
