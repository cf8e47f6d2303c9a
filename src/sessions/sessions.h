// The sides of the program, created once and kept for the whole run; each
// new window of a side is handed that side's session.
#pragma once

#include "sessions/allergen_session.h"
#include "sessions/assessment_session.h"
#include "sessions/dish_session.h"
#include "sessions/dish_working_copy.h"
#include "sessions/facility_session.h"
#include "sessions/meal_session.h"
#include "sessions/menu_session.h"
#include "sessions/period_session.h"
#include "sessions/target_set_session.h"
#include "sessions/viewer_session.h"
#include "tables/data_dir.h"
#include "tables/folder_lock.h"

namespace eiyou {

struct Sessions {
  // Held for the run: an import from another program refuses while this one
  // may hold the old table's line numbers in a window.
  DataFolderUse folder{DataDirectory()};
  // The profile and what it is judged against, shared by the three sides.
  AssessmentSession assessment;
  ViewerSession viewer;
  DishSession dish;
  // The dish list on a shared server, when the data folder names one.
  DishWorkingCopy dishServer;
  MealSession meal;
  PeriodSession period;
  // The target-set editor; the assessment judges against what it stores.
  TargetSetSession targets;
  // The facility's kitchen; its sheets weigh the dishes with the period side's table.
  FacilitySession facility{period};
  // The allergens of the table's foods and the user's overrides; the dish
  // window's figure table shows them.
  AllergenSession allergens;
  // The monthly menu for families and each group's month judged, from the
  // facility's stored days.
  MenuSession menu{facility, allergens, assessment, period};

  Sessions() {
    dish.assessment = meal.assessment = period.assessment = &assessment;
    FollowTargetSets(assessment, targets);
    dish.allergens = facility.allergens = &allergens;
    dish.server = &dishServer;
  }
  Sessions(const Sessions&) = delete;
  Sessions& operator=(const Sessions&) = delete;
};

}  // namespace eiyou
