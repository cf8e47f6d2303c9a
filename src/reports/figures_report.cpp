#include "reports/figures_report.h"

#include <cstdlib>

#include "nutrition/figures.h"

namespace eiyou {

namespace {

struct Unit {
  const char* name;
  const char* unit;
  long double factor;  // fixed point to the unit
  int decimals;
};

// The daily window's units; salt and fibre in grams from tenths.
constexpr Unit kUnits[kFigureRows] = {
    {"エネルギー", "kcal", 1, 0},      {"たんぱく質", "g", 0.1L, 1},  {"総脂質", "g", 0.1L, 1},
    {"カルシウム", "mg", 1, 0},        {"鉄", "mg", 0.1L, 1},         {"ビタミンA", "μg", 0.3L, 1},
    {"ビタミンB1", "mg", 0.01L, 2},   {"ビタミンB2", "mg", 0.01L, 2}, {"ビタミンC", "mg", 1, 0},
    {"食塩相当量", "g", 0.1L, 1},      {"食物繊維", "g", 0.1L, 1},
};

double InUnit(int k, std::int32_t total) {
  return static_cast<double>(static_cast<long double>(total) * kUnits[k].factor);
}

// The number a table text starts with ("7.5未満" → 7.5), or none for "-".
std::optional<double> Leading(const std::string& text) {
  if (text.empty() || text == "-") return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  return v;
}

}  // namespace

std::array<std::int32_t, kFigureRows> ColumnTotals(const FigureColumn& column) {
  std::array<std::int32_t, kFigureRows> totals{};
  for (int k = 0; k < kNutrients; ++k) totals[k] = column.nine.value[k];
  totals[kSaltRow] = column.extra.value[0];
  totals[kFibreRow] = column.extra.value[1];
  return totals;
}

Report MakeFiguresReport(const std::string& title, const std::vector<std::string>& heading,
                         const std::vector<ReportDay>& days, const FigureColumn& shown,
                         const NutrientTargets* targets, const ExtraReferenceTable& extra,
                         int sex, int ageRow) {
  Report report;
  report.title = title;
  report.heading = heading;
  for (const Unit& u : kUnits) report.columns.push_back({u.name, u.unit, u.decimals});
  for (const ReportDay& day : days) {
    ReportRow row{day.label, {}};
    for (int k = 0; k < kFigureRows; ++k) row.values.push_back(InUnit(k, day.totals[k]));
    report.days.push_back(std::move(row));
  }
  // Reference and share as the figure table gives them: one definition.
  const FigureTableRows table = MakeFigureTable(shown, shown, targets, extra, sex, ageRow);
  const std::array<std::int32_t, kFigureRows> totals = ColumnTotals(shown);
  if (days.size() != 1) {
    report.average.label = "平均";
    for (int k = 0; k < kFigureRows; ++k) report.average.values.push_back(InUnit(k, totals[k]));
  }
  report.reference.label = "基準値";
  report.percent.label = "割合(%)";
  report.percent.decimals = 0;
  for (int k = 0; k < kFigureRows; ++k) {
    report.reference.values.push_back(Leading(table[static_cast<std::size_t>(k)].reference.text));
    report.percent.values.push_back(Leading(table[static_cast<std::size_t>(k)].percent.text));
  }
  report.sources = {"食品成分: 文部科学省「日本食品標準成分表」",
                    "基準値: 厚生労働省「日本人の食事摂取基準」（食塩相当量は目標量の上限、"
                    "食物繊維は目標量の下限）",
                    "※ 成分値のない食品は0として計算しています。推定値は測定値と同様に扱います。"};
  return report;
}

}  // namespace eiyou
