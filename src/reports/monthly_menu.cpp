#include "reports/monthly_menu.h"

#include <charconv>
#include <chrono>

#include "reports/report.h"

namespace eiyou {

namespace {

std::string Joined(const std::vector<std::string>& parts, const char* between) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : between) + part;
  return out;
}

void Row(std::string& out, const std::vector<std::string>& fields) {
  bool first = true;
  for (const std::string& field : fields) {
    out += (first ? "" : ",") + CsvField(field);
    first = false;
  }
  out += "\r\n";
}

// The average, the reference or the judgement of each figure, under its column.
template <typename Field>
std::vector<std::string> AverageRow(const MonthlyMenu& menu, std::string label, Field field) {
  std::vector<std::string> row = {std::move(label), "", ""};
  for (std::size_t i = 0; i < 3; ++i) row.push_back(i < menu.averages.size() ? field(menu.averages[i]) : "");
  return row;
}

}  // namespace

std::string MonthlyMenuTitle(const MonthlyMenu& menu) {
  return std::to_string(menu.month) + "月の献立表";
}

std::vector<std::string> AllergenLines(const MenuDay& day) {
  std::vector<std::string> lines;
  if (!day.contains.empty()) lines.push_back("含む: " + day.contains);
  if (!day.mayContain.empty()) lines.push_back("含む可能性: " + day.mayContain);
  if (lines.empty()) lines.push_back("含む: なし");
  return lines;
}

std::string WeekdayName(const std::string& date) {
  int y = 0;
  unsigned m = 0, d = 0;
  const char* p = date.data();
  const char* end = p + date.size();
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || std::from_chars(p, p + 4, y).ptr != p + 4 ||
      std::from_chars(p + 5, p + 7, m).ptr != p + 7 || std::from_chars(p + 8, end, d).ptr != end)
    return {};
  const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
  if (!ymd.ok()) return {};
  static const char* const kNames[7] = {"日", "月", "火", "水", "木", "金", "土"};
  return kNames[std::chrono::weekday{std::chrono::sys_days{ymd}}.c_encoding()];
}

std::string MonthlyMenuCsv(const MonthlyMenu& menu) {
  std::string out = "\xEF\xBB\xBF";
  Row(out, {"日付", "曜日", "献立", "エネルギー(kcal)", "たんぱく質(g)", "食塩相当量(g)", "アレルゲン（含む）",
            "アレルゲン（含む可能性）"});
  for (const MenuDay& day : menu.days)
    Row(out, {day.date, WeekdayName(day.date), Joined(day.dishes, "、"), day.energy, day.protein, day.salt,
              day.contains, day.mayContain});
  if (!menu.averages.empty()) {
    Row(out, AverageRow(menu, "月平均", [](const MenuAverage& a) { return a.average; }));
    Row(out, AverageRow(menu, "基準値", [](const MenuAverage& a) { return a.reference; }));
    Row(out, AverageRow(menu, "判定", [](const MenuAverage& a) { return a.judgement; }));
  }
  out += "\r\n";
  Row(out, {std::to_string(menu.year) + "年" + MonthlyMenuTitle(menu)});
  if (!menu.facility.empty()) Row(out, {menu.facility});
  if (!menu.group.empty()) Row(out, {"対象: " + menu.group});
  if (!menu.referenceName.empty()) Row(out, {"基準: " + menu.referenceName});
  std::size_t at = 0;
  while (at < menu.notes.size()) {
    std::size_t end = menu.notes.find('\n', at);
    if (end == std::string::npos) end = menu.notes.size();
    std::string line = menu.notes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) Row(out, {line});
    at = end + 1;
  }
  for (const std::string& source : menu.sources) Row(out, {source});
  return out;
}

}  // namespace eiyou
