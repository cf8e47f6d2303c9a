// The sides of the program, created once and kept for the whole run; each
// new window of a side is handed that side's session.
#pragma once

#include "sessions/dish_session.h"
#include "sessions/meal_session.h"
#include "sessions/period_session.h"
#include "sessions/viewer_session.h"

namespace eiyou {

struct Sessions {
  ViewerSession viewer;
  DishSession dish;
  MealSession meal;
  PeriodSession period;
};

}  // namespace eiyou
