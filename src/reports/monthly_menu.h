// The month's menu for families (献立表): per serving day the dishes a group
// eats, its energy, protein and salt, and the day's allergens; the month's
// average against the group's reference; the facility's name and notes.
// Display-ready: the windows compose the texts, the CSV file and the printed
// calendar page show them as they are.
#pragma once

#include <string>
#include <vector>

namespace eiyou {

struct MenuDay {
  std::string date;                 // "YYYY-MM-DD", a day of the menu's month
  std::vector<std::string> dishes;  // UTF-8 dish names, in meal and list order
  std::string energy, protein, salt;  // as shown: "612", "24.3", "2.1"; empty: no figure
  // UTF-8 allergen names joined with 「・」: those the day's foods contain, and
  // those they may contain (the food's name cannot tell). Never merged: a
  // "may contain" is not a "none".
  std::string contains, mayContain;
};

// A figure's month average against the reference.
struct MenuAverage {
  std::string name;       // UTF-8 with its unit: 「エネルギー（kcal）」
  std::string average;    // "598"
  std::string reference;  // as the reference states it: "650", "2.0未満", "21～33"
  std::string judgement;  // UTF-8: 「基準の範囲内」「不足ぎみ」 ...; empty: not judged
};

struct MonthlyMenu {
  std::string facility;  // UTF-8
  int year = 0, month = 0;
  std::string group;                 // UTF-8: the group of eaters shown
  std::vector<MenuDay> days;         // serving days, by date
  std::string referenceName;         // UTF-8: 「学校給食摂取基準（中学年）」; empty: none chosen
  std::vector<MenuAverage> averages;  // energy, protein, salt
  std::string notes;                 // UTF-8 typed by the user, lines split at '\n'
  std::vector<std::string> sources;  // food table edition, reference edition
};

// 「6月の献立表」.
std::string MonthlyMenuTitle(const MonthlyMenu& menu);

// The day's allergen lines: 「含む: 小麦・卵・乳」 and 「含む可能性: えび」 where
// there are such, 「含む: なし」 alone when neither.
std::vector<std::string> AllergenLines(const MenuDay& day);

// 「月」..「日」 for a "YYYY-MM-DD" date; "" for a text that is no date.
std::string WeekdayName(const std::string& date);

// UTF-8 with a byte order mark, CR LF: a header row (日付, 曜日, 献立 joined
// with 「、」, the three figures, the two allergen columns), one row per day;
// the month's average, the reference and the judgement as rows under the same
// columns; after an empty line the title with the year, the facility, the
// group, the notes (a line each) and the sources.
std::string MonthlyMenuCsv(const MonthlyMenu& menu);

}  // namespace eiyou
