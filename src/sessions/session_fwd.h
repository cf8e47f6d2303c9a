// The session types by name, for the window headers that only pass them on.
#pragma once

namespace eiyou {
class ViewerSession;
class DishSession;
class MealSession;
struct DayStatus;
class PeriodSession;
class FacilitySession;
struct Sessions;
}  // namespace eiyou
