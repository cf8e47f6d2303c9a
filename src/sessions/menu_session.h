// The monthly menu for families (献立表) of one group of eaters, and each
// group's month judged against its own reference. Both are worked from the
// stored days of the month: a day is served to a group when it has eaters
// that date and the group eats a meal of the day holding dishes; the group's
// figures are the dishes' intakes × its portion factor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nutrition/assessment.h"
#include "plans/plan_store.h"
#include "reports/monthly_menu.h"
#include "sessions/side_tables.h"
#include "tables/errors.h"

namespace eiyou {

class AllergenSession;
class AssessmentSession;
class FacilitySession;

// A group's month against its own reference.
struct GroupMonth {
  std::int64_t group = 0;
  std::string name;     // UTF-8
  std::string caption;  // what it is judged against: 「学校給食 8-9歳」
  int servingDays = 0;
  Assessment assessment;  // of the mean daily intake of its portions
};

class MenuSession {
 public:
  // `tables`: the side whose food table weighs the dishes (the facility's).
  MenuSession(FacilitySession& facility, AllergenSession& allergens, AssessmentSession& assessment,
              SideTables& tables);

  FacilitySession& facility() { return facility_; }

  // The menu of `groupId` for the month. False, with every reason told to
  // `sink`, when there is nothing to show (the last menu is then dropped).
  bool Build(MessageSink& sink, int year, int month, std::int64_t groupId);
  bool HasMenu() const { return hasMenu_; }
  const MonthlyMenu& menu() const { return menu_; }
  // Said beside the average when it is not judged (the group has no
  // reference); empty otherwise. UTF-8.
  const std::string& averageNote() const { return averageNote_; }
  // 「献立表_2025年6月_低学年」: a file name without its extension.
  std::string BaseName() const;

  // Every group with a reference and a serving day in the month, in the
  // facility's order. Only what keeps the month from being read goes to
  // `sink`: no group judged is an answer, which the window shows in place.
  std::vector<GroupMonth> AssessGroups(MessageSink& sink, int year, int month);

  // The food table's edition as the sources name it (UTF-8).
  std::string FoodSource() const;

  // The facility's notes as the menu shows them, stored (one transaction)
  // when they changed; the menu shown takes them too.
  StoreResult SaveNotes(const std::string& notes);

 private:
  struct Month;
  bool ReadMonth(MessageSink& sink, int year, int month, Month& out);

  FacilitySession& facility_;
  AllergenSession& allergens_;
  AssessmentSession& assessment_;
  SideTables& tables_;
  MonthlyMenu menu_;
  std::string averageNote_;
  bool hasMenu_ = false;
};

}  // namespace eiyou
