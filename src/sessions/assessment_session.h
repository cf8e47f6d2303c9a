// The assessment's state, one for the whole run and shared by the three
// sides: whose intakes are judged (the profile, remembered between runs in
// the data folder), the reference sets, and the food table's companion of
// every component. The windows of each side ask it for the assessment of
// their foods; every bar and window follows its one notification.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "nutrition/accumulation.h"
#include "nutrition/assessment.h"
#include "nutrition/profile.h"
#include "sessions/changes.h"
#include "tables/food_components.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"
#include "tables/reference_sets.h"

namespace eiyou {

// KONDATE/栄養評価.TXT: the profile's stored text (ProfileText) on one line.
inline constexpr const char* kProfileFileName = "栄養評価.TXT";

// The user's target sets, kept elsewhere: their names, and the reference of
// one set for a profile (none when there is no such set).
struct TargetSetLookup {
  std::function<std::vector<std::string>()> names;
  std::function<std::optional<PersonReference>(std::string_view name, const Profile& profile)> find;
};

// What an assessment window shows: the assessment, what was judged (UTF-8),
// and whether it is a period's mean daily intake.
struct AssessmentView {
  Assessment assessment;
  std::string subject;
  bool period = false;
};

// The profile changed, or what it is judged against.
struct AssessmentChange {};

class AssessmentSession {
 public:
  // Reads the profile remembered in the data folder the program runs in; a
  // missing, unreadable or damaged file gives the default profile.
  AssessmentSession();

  [[nodiscard]] Subscription Subscribe(Notifier<AssessmentChange>::Listener listener) {
    return changes_.Subscribe(std::move(listener));
  }

  const Profile& profile() const { return profile_; }
  // Every bar follows; the profile is remembered for the next run (a folder
  // that cannot be written keeps it for this run only, without a word: it is
  // a convenience, not the user's work).
  void ChooseProfile(const Profile& profile);

  void SetTargetSets(TargetSetLookup lookup);
  std::vector<std::string> TargetSetNames() const;

  // The reference sets of the data folder, read on first use; a file there
  // that cannot be used gives the built-in sets and its message in
  // referenceProblem() (UTF-8), shown under the assessment.
  const ReferenceSets& sets();
  const std::string& referenceProblem() const { return referenceProblem_; }
  // The companion of the food table in the data folder, read again whenever
  // the table or the companion changed on disk (an import) since.
  const FoodComponents& components();

  // Against what the profile is judged: its target set, or its reference values.
  PersonReference Reference();
  // The same for another profile: a facility's group of eaters.
  PersonReference ReferenceFor(const Profile& profile);
  // The assessment of foods (a dish, a day) read with `food` and `marks`.
  Assessment AssessFoods(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
                         std::span<const FoodAmount> foods);
  // The assessment of the mean daily intake of days, each its foods.
  Assessment AssessDays(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
                        const std::vector<std::vector<FoodAmount>>& days);

 private:
  Profile profile_;
  Notifier<AssessmentChange> changes_;
  TargetSetLookup targetSets_;
  std::optional<ReferenceSets> sets_;
  std::string referenceProblem_;
  FoodComponents components_;
  // The table's and the companion's size and time when the companion was read.
  std::optional<std::array<std::int64_t, 4>> componentsStamp_;
};

}  // namespace eiyou
