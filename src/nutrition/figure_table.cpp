#include "nutrition/figure_table.h"

#include <cstdlib>

#include "nutrition/figures.h"
#include "nutrition/real48.h"
#include "tables/cp932.h"
#include "tables/numbers.h"

namespace eiyou {

const std::array<const char*, kFigureRows> kFigureRowNames = {
    "エネルギー（kcal）", "たんぱく質（g）",   "総脂質（g）",
    "カルシウム（mg）",   "鉄（mg）",          "ビタミンＡ（μg）",
    "ビタミンＢ１（mg）", "ビタミンＢ２（mg）", "ビタミンＣ（mg）",
    "食塩相当量（g）",    "食物繊維（g）",
};

namespace {

std::string NameList(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 12;
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
    text += "\n　・" + Cp932ToUtf8(names[i]);
  if (names.size() > kShown) text += "\n　ほか " + std::to_string(names.size() - kShown) + " 食品";
  return text;
}

std::string Percent(std::int32_t total, std::int32_t target) {
  if (target <= 0) return "-";
  return std::to_string(RoundEven(static_cast<long double>(total) * 100 / target));
}

}  // namespace

std::string FigureRowText(int row, std::int32_t value) {
  if (row >= kNutrients) return TenthsText(value);
  const long double factor = kDailyFigures[row].factor;
  return factor == 0 ? std::to_string(value) : FigureText(value, factor);
}

std::int32_t RaeOfIu(std::int32_t iu) {
  // In integers: IU × 3 / 10 exactly, so no product lands beside a half.
  const std::int64_t tenths = std::llabs(std::int64_t{iu} * 3);
  std::int64_t whole = tenths / 10;
  const std::int64_t rest = tenths % 10;
  if (rest > 5 || (rest == 5 && whole % 2 == 1)) ++whole;
  return static_cast<std::int32_t>(iu < 0 ? -whole : whole);
}

std::string TenthsText(std::int32_t tenths) {
  const std::int64_t v = tenths;
  const std::int64_t magnitude = std::llabs(v);
  return (v < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

FigureCell MarkOf(const QualityNotes& notes, int row) {
  FigureCell cell;
  const auto& missing = notes.missing[static_cast<std::size_t>(row)];
  const auto& estimated = notes.estimated[static_cast<std::size_t>(row)];
  if (!missing.empty()) {
    cell.mark += kMissingMark;
    cell.tip += "成分値のない食品（0として計算）:" + NameList(missing);
  }
  if (!estimated.empty()) {
    cell.mark += kEstimatedMark;
    if (!cell.tip.empty()) cell.tip += "\n";
    cell.tip += "推定値を含む食品:" + NameList(estimated);
  }
  return cell;
}

FigureTableRows MakeFigureTable(const FigureColumn& dish, const FigureColumn& chosen,
                                const NutrientTargets* targets,
                                const ExtraReferenceTable& extraReference, int sex, int ageRow) {
  FigureTableRows rows;
  for (int k = 0; k < kFigureRows; ++k) {
    FigureTableRow& row = rows[static_cast<std::size_t>(k)];
    const bool extra = k >= kNutrients;
    const std::int32_t dishTotal = extra ? dish.extra.value[k - kNutrients] : dish.nine.value[k];
    const std::int32_t chosenTotal =
        extra ? chosen.extra.value[k - kNutrients] : chosen.nine.value[k];
    row.dish = MarkOf(dish.notes, k);
    row.dish.text = FigureRowText(k, dishTotal);
    row.chosen = MarkOf(chosen.notes, k);
    row.chosen.text = FigureRowText(k, chosenTotal);
    row.reference.text = row.percent.text = "-";
    if (!targets) continue;
    if (!extra) {
      row.reference.text = k == kVitaminARow ? std::to_string(RaeOfIu(targets->Of(k)))
                                             : FigureRowText(k, targets->Of(k));
      row.percent.text = Percent(chosenTotal, targets->Of(k));
      continue;
    }
    // Salt has a goal to stay under, fibre one to reach.
    const int field = (k == kSaltRow ? 1 : 3) + sex;
    const std::string& value = extraReference.Field(ageRow, field);
    if (value.find_first_not_of(" \t") == std::string::npos) continue;
    const std::int32_t target = RoundEven(Real48(ParseRealLenient(value)) * 10);
    row.reference.text = TenthsText(target) + (k == kSaltRow ? "未満" : "以上");
    row.percent.text = Percent(chosenTotal, target);
  }
  return rows;
}

}  // namespace eiyou
