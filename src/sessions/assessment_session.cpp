#include "sessions/assessment_session.h"

#include <sys/stat.h>

#include "nutrition/intakes.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

namespace {

std::string ProfilePath() {
  return JoinPath(JoinPath(DataDirectory(), kDishDirName), kProfileFileName);
}

// Size and modification time of a file; zeros for none.
std::array<std::int64_t, 2> Stamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {0, 0};
  return {static_cast<std::int64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

AssessmentSession::AssessmentSession() {
  const std::string path = ProfilePath();
  if (!EntryExists(path)) return;
  try {
    std::string text = ReadWholeFile(path);
    // One line; a line end or two of an editor are no damage.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (const std::optional<Profile> stored = ParseProfile(text)) profile_ = *stored;
  } catch (const IoError&) {
    // Unreadable: the default profile, as for a damaged file.
  }
}

void AssessmentSession::ChooseProfile(const Profile& profile) {
  if (profile == profile_) return;
  profile_ = profile;
  ReplaceFileContents(ProfilePath(), ProfileText(profile_) + "\r\n");
  changes_.Notify({});
}

void AssessmentSession::SetTargetSets(TargetSetLookup lookup) {
  targetSets_ = std::move(lookup);
  changes_.Notify({});
}

std::vector<std::string> AssessmentSession::TargetSetNames() const {
  return targetSets_.names ? targetSets_.names() : std::vector<std::string>{};
}

const ReferenceSets& AssessmentSession::sets() {
  if (!sets_) {
    try {
      sets_ = LoadReferenceSets();
    } catch (const std::exception& e) {  // ReferenceDataError or IoError
      referenceProblem_ = e.what();
      sets_ = BundledReferenceSets();
    }
  }
  return *sets_;
}

const FoodComponents& AssessmentSession::components() {
  const std::string dir = DataDirectory();
  const auto table = Stamp(JoinPath(dir, kFoodFileName));
  const auto file = Stamp(JoinPath(dir, kFoodComponentsFileName));
  const std::array<std::int64_t, 4> stamp = {table[0], table[1], file[0], file[1]};
  if (componentsStamp_ != stamp) {
    components_ = LoadFoodComponents();
    componentsStamp_ = stamp;
  }
  return components_;
}

PersonReference AssessmentSession::Reference() { return ReferenceFor(profile_); }

PersonReference AssessmentSession::ReferenceFor(const Profile& profile) {
  if (profile.targetSet.empty()) return ResolveReference(profile, sets());
  if (targetSets_.find)
    if (std::optional<PersonReference> set = targetSets_.find(profile.targetSet, profile))
      return *set;
  PersonReference missing;
  missing.kind = PersonReference::Kind::TargetSet;
  missing.edition = "目標量セット「" + profile.targetSet + "」";
  missing.noValueReason = "目標量セット「" + profile.targetSet + "」が見つかりません";
  return missing;
}

Assessment AssessmentSession::AssessFoods(const FoodTable& food,
                                          const std::vector<FoodMarksLine>& marks,
                                          std::span<const FoodAmount> foods) {
  IntakeCounter counter(food, marks, components());
  return Assess(counter.Of(foods), Reference());
}

Assessment AssessmentSession::AssessDays(const FoodTable& food,
                                         const std::vector<FoodMarksLine>& marks,
                                         const std::vector<std::vector<FoodAmount>>& days) {
  IntakeCounter counter(food, marks, components());
  std::vector<Intakes> intakes;
  intakes.reserve(days.size());
  for (const std::vector<FoodAmount>& day : days) intakes.push_back(counter.Of(day));
  return Assess(MeanDailyIntakes(intakes), Reference());
}

}  // namespace eiyou
