#include "reports/figures_report.h"

namespace eiyou {

namespace {

struct Unit {
  const char* name;
  const char* unit;
};

// The daily window's units; salt and fibre in grams.
constexpr Unit kUnits[kFigureRows] = {
    {"エネルギー", "kcal"}, {"たんぱく質", "g"},  {"総脂質", "g"},     {"カルシウム", "mg"},
    {"鉄", "mg"},           {"ビタミンＡ", "μg"}, {"ビタミンＢ１", "mg"}, {"ビタミンＢ２", "mg"},
    {"ビタミンＣ", "mg"},   {"食塩相当量", "g"},   {"食物繊維", "g"},
};

// A cell of the figure table as the report's: "6.5未満" is the number 6.5
// with the words "未満"; "-" is no value.
ReportCell CellOf(const FigureCell& figure) {
  ReportCell cell;
  cell.mark = figure.mark;
  if (figure.text == "-") return cell;
  const std::size_t words = figure.text.find_first_not_of("-0123456789.");
  cell.number = figure.text.substr(0, words);
  if (words != std::string::npos) cell.words = figure.text.substr(words);
  return cell;
}

}  // namespace

std::array<std::int32_t, kFigureRows> ColumnTotals(const FigureColumn& column) {
  std::array<std::int32_t, kFigureRows> totals{};
  for (int k = 0; k < kNutrients; ++k) totals[k] = column.nine.value[k];
  totals[kSaltRow] = column.extra.value[0];
  totals[kFibreRow] = column.extra.value[1];
  return totals;
}

std::string FoodTableSource(std::string_view foodEdition) {
  // The importer records the official title without its "日本" and "標準".
  constexpr std::string_view kRecorded = "食品成分表";
  if (foodEdition.substr(0, kRecorded.size()) == kRecorded)
    return "食品成分: 文部科学省「日本食品標準成分表" + std::string(foodEdition.substr(kRecorded.size())) + "」";
  if (!foodEdition.empty()) return "食品成分: " + std::string(foodEdition);
  return "食品成分: 文部科学省「日本食品標準成分表」";
}

Report MakeFiguresReport(const std::string& title, const std::vector<std::string>& heading,
                         const std::vector<ReportDay>& days, const FigureColumn& shown,
                         const NutrientTargets* targets, const ExtraReferenceTable& extra,
                         int sex, int ageRow, std::string_view foodEdition) {
  Report report;
  report.title = title;
  report.heading = heading;
  for (const Unit& u : kUnits) report.columns.push_back({u.name, u.unit});
  // Every figure as the window writes it, from the figure table's one definition.
  const FigureTableRows table = MakeFigureTable(shown, shown, targets, extra, sex, ageRow);
  for (const ReportDay& day : days) {
    ReportRow& row = report.days.emplace_back();
    row.label = day.label;
    for (int k = 0; k < kFigureRows; ++k) {
      ReportCell& cell = row.cells.emplace_back();
      cell.number = FigureRowText(k, day.totals[k]);
      // One day is the figure shown, marks and all.
      if (days.size() == 1) cell.mark = table[static_cast<std::size_t>(k)].chosen.mark;
    }
  }
  if (days.size() != 1) {
    report.average.label = "平均";
    for (const FigureTableRow& row : table) report.average.cells.push_back(CellOf(row.chosen));
  }
  report.reference.label = "基準値";
  report.percent.label = "割合(%)";
  for (const FigureTableRow& row : table) {
    report.reference.cells.push_back(CellOf(row.reference));
    report.percent.cells.push_back(CellOf(row.percent));
  }
  report.marksLegend = kFigureMarksLegend;
  report.sources = {FoodTableSource(foodEdition),
                    "基準値: 厚生労働省「日本人の食事摂取基準（2020年版）」（食塩相当量は目標量の上限、"
                    "食物繊維は目標量の下限）",
                    "※ 成分値のない食品は0として計算しています。推定値は測定値と同様に扱います。"};
  return report;
}

}  // namespace eiyou
