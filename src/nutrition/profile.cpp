#include "nutrition/profile.h"

#include <array>
#include <charconv>
#include <set>

#include "tables/text_fields.h"

namespace eiyou {
namespace {

constexpr std::array<const char*, 5> kStageNames = {"", "early", "mid", "late", "lactation"};
constexpr std::array<const char*, 3> kReferenceNames = {"current", "2020", "lunch"};

// Besides letters and digits, what a set's name keeps as it is.
constexpr std::string_view kPlain = "-_.";

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != 0 && kPlain.find(static_cast<char>(c)) != std::string_view::npos);
}

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (Unreserved(c)) {
      out += static_cast<char>(c);
      continue;
    }
    unsigned value = 0;
    if (c != '%' || i + 3 > text.size()) return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (ec != std::errc() || end != text.data() + i + 3) return std::nullopt;
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

std::optional<int> WholeNumber(std::string_view text) {
  int value = 0;
  if (text.empty() || text.size() > 3 || text[0] == '-' || text[0] == '+') return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "35", "30-49", "75-" in years; months have no open end.
std::optional<Period> AgeOf(std::string_view text, PeriodClass cls) {
  const std::size_t dash = text.find('-');
  const auto from = WholeNumber(text.substr(0, dash));
  if (!from) return std::nullopt;
  Period age{cls, *from, *from};
  if (dash != std::string_view::npos) {
    const std::string_view rest = text.substr(dash + 1);
    const auto to = rest.empty() && cls == PeriodClass::Years ? std::optional<int>(kOpenEnd)
                                                               : WholeNumber(rest);
    if (!to) return std::nullopt;
    age.to = *to;
  }
  const bool months = cls == PeriodClass::Months;
  if (age.from > age.to || (months ? age.to > 11 : age.from < 1) ||
      (!months && age.to != kOpenEnd && age.to > 150))
    return std::nullopt;
  return age;
}

std::string AgeText(const Period& age) {
  std::string text = std::to_string(age.from);
  if (age.to == kOpenEnd) return text + "-";
  if (age.to != age.from) text += "-" + std::to_string(age.to);
  return text;
}

template <std::size_t N>
int IndexOf(const std::array<const char*, N>& names, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i)
    if (name == names[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace

bool MenstruatingByDefault(const Profile& profile) {
  return profile.sex == Sex::Female && profile.age.cls == PeriodClass::Years &&
         profile.age.from >= 10 && profile.age.to <= 49;
}

bool Menstruating(const Profile& profile) {
  return profile.sex == Sex::Female && profile.stage == LifeStage::None &&
         profile.menstruation.value_or(MenstruatingByDefault(profile));
}

std::string ProfileText(const Profile& p) {
  std::string text = p.sex == Sex::Male ? "sex=M" : "sex=F";
  text += p.age.cls == PeriodClass::Months ? ";months=" : ";age=";
  text += AgeText(p.age);
  text += ";pal=" + std::to_string(p.activity);
  if (p.stage != LifeStage::None) text += std::string(";stage=") + kStageNames[int(p.stage)];
  if (p.menstruation) text += *p.menstruation ? ";menses=1" : ";menses=0";
  text += std::string(";ref=") + kReferenceNames[int(p.reference)];
  if (!p.targetSet.empty()) text += ";set=" + PercentEncoded(p.targetSet, kPlain);
  return text;
}

std::optional<Profile> ParseProfile(std::string_view text) {
  Profile p;
  std::set<std::string> seen;
  bool sex = false, age = false;
  for (const std::string& item : SplitAt(text, ';')) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string key = item.substr(0, eq);
    const std::string_view value = std::string_view(item).substr(eq + 1);
    if (!seen.insert(key == "months" ? "age" : key).second) return std::nullopt;
    if (key == "sex") {
      if (value != "M" && value != "F") return std::nullopt;
      p.sex = value == "M" ? Sex::Male : Sex::Female;
      sex = true;
    } else if (key == "age" || key == "months") {
      const auto a = AgeOf(value, key == "age" ? PeriodClass::Years : PeriodClass::Months);
      if (!a) return std::nullopt;
      p.age = *a;
      age = true;
    } else if (key == "pal") {
      if (value != "1" && value != "2" && value != "3") return std::nullopt;
      p.activity = value[0] - '0';
    } else if (key == "stage") {
      const int stage = IndexOf(kStageNames, value);
      if (stage <= 0) return std::nullopt;
      p.stage = static_cast<LifeStage>(stage);
    } else if (key == "menses") {
      if (value != "0" && value != "1") return std::nullopt;
      p.menstruation = value == "1";
    } else if (key == "ref") {
      const int ref = IndexOf(kReferenceNames, value);
      if (ref < 0) return std::nullopt;
      p.reference = static_cast<ReferenceChoice>(ref);
    } else if (key == "set") {
      auto name = PercentDecoded(value);
      if (!name || name->empty()) return std::nullopt;
      p.targetSet = std::move(*name);
    } else {
      return std::nullopt;
    }
  }
  // Pregnancy and lactation are a woman's, at an age in years; menstruation
  // is said of women only and not beside them.
  const bool woman = p.sex == Sex::Female;
  if (!sex || !age) return std::nullopt;
  if (p.stage != LifeStage::None && (!woman || p.age.cls != PeriodClass::Years || p.menstruation))
    return std::nullopt;
  if (p.menstruation && !woman) return std::nullopt;
  return p;
}

bool OffersStage(const Profile& profile) {
  return profile.sex == Sex::Female && profile.age.cls == PeriodClass::Years;
}

bool OffersMenstruation(const Profile& profile) {
  return OffersStage(profile) && profile.stage == LifeStage::None && profile.age.from >= 10 &&
         profile.age.to <= 64;
}

Profile Consistent(Profile profile) {
  if (!OffersStage(profile)) profile.stage = LifeStage::None;
  if (!OffersMenstruation(profile)) profile.menstruation.reset();
  return profile;
}

}  // namespace eiyou
