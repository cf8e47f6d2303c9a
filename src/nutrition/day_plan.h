// A day plan: the dishes of one day's three meals, with the sex and age class
// they were planned for. Each dish is kept as its whole DishLine (CP932 bytes),
// so that a later edit of the dish file never changes a day already planned.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// Breakfast, lunch and dinner: meals[0..2] hold meals 1..3 of the meal window.
inline constexpr int kMeals = 3;

struct DayPlan {
  std::string date;  // "YYYY-MM-DD"
  int sex = -1;      // 0 male, 1 female
  int age = 0;       // reference row 1..11
  std::array<std::vector<std::string>, kMeals> meals;  // DishLines in list order
  // Whose intakes the day is judged for (the assessment's profile, its stored
  // text form); empty for a day stored without one, which keeps sex and age.
  std::string profile;
  std::string savedAt;  // "YYYY-MM-DDTHH:MM:SS" local time; filled when loaded
};

// True for a real Gregorian date written "YYYY-MM-DD" (years 0001..9999).
// Such texts sort as their dates do, which the store's range queries rely on.
bool IsPlanDate(std::string_view date);

}  // namespace eiyou
