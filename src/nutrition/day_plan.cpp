#include "nutrition/day_plan.h"

namespace eiyou {

bool IsPlanDate(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  auto number = [&](std::size_t from, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
      if (date[i] < '0' || date[i] > '9') return false;
      value = value * 10 + (date[i] - '0');
    }
    return true;
  };
  int year, month, day;
  if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day)) return false;
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace eiyou
