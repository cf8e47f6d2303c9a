// A report made of the program's figures: the nine nutrients of the chart plus
// salt and fibre, of one day or of every day of a period with their average,
// against the chosen reference, in the units of the daily window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/figure_table.h"
#include "reports/report.h"

namespace eiyou {

// One day's totals in the units of a FigureColumn: the nine as NutrientTotals
// holds them, then salt and fibre in tenths of a gram.
struct ReportDay {
  std::string label;  // UTF-8, e.g. "2026-12-08"
  std::array<std::int32_t, kFigureRows> totals{};
};

// The chart of a report: totals against targets, as the daily chart draws them.
struct ReportChart {
  NutrientTotals totals;
  NutrientTargets targets;
  bool shown = false;  // no chart without a chosen reference row
};

// `shown` is the day (one day) or the average (a period) with its marks;
// `targets` the chart's targets of the chosen row, or null without one.
// `foodEdition` (UTF-8) is the food table's recorded edition, empty when
// unknown: the sources then name the table without it.
Report MakeFiguresReport(const std::string& title, const std::vector<std::string>& heading,
                         const std::vector<ReportDay>& days, const FigureColumn& shown,
                         const NutrientTargets* targets, const ExtraReferenceTable& extra,
                         int sex, int ageRow, std::string_view foodEdition = {});

// The food table's line of the sources: its official title with the edition
// recorded at its import ("食品成分表（八訂）増補2023年" is 文部科学省「日本食品標準
// 成分表（八訂）増補2023年」), the title alone without one.
std::string FoodTableSource(std::string_view foodEdition);

// The totals of a column in the order of a report's columns.
std::array<std::int32_t, kFigureRows> ColumnTotals(const FigureColumn& column);

}  // namespace eiyou
