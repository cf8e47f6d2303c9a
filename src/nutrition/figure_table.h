// The dish window's table of figures: the nine nutrients of the chart plus
// salt and fibre, for the dish being composed, for the dishes chosen for
// evaluation, against the chosen reference; each figure marked when a food
// behind it had an estimated value or none at all.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/accumulation.h"
#include "nutrition/nutrients.h"
#include "tables/extra_reference.h"

namespace eiyou {

inline constexpr int kVitaminARow = 5;

// The row names with their units; the figures are in these units.
extern const std::array<const char*, kFigureRows> kFigureRowNames;

// Marks beside a figure, and what they say.
inline constexpr const char* kEstimatedMark = "＊";
inline constexpr const char* kMissingMark = "※";
inline constexpr const char* kFigureMarksLegend =
    "※ 成分値のない食品（0として計算）を含む　＊ 推定値を含む";

// A cell of the table, UTF-8: its figure, its marks ("" or "※", "＊", "※＊")
// and the text that names the foods behind the marks.
struct FigureCell {
  std::string text, mark, tip;
};
struct FigureTableRow {
  FigureCell dish, chosen, reference, percent;
};
using FigureTableRows = std::array<FigureTableRow, kFigureRows>;

// The marks and their explanation for row `row` of `notes`.
FigureCell MarkOf(const QualityNotes& notes, int row);

// `targets` are the chart's NutrientTargets of the chosen row, or null when no
// reference row is chosen (the reference and percentage columns then show
// "-"); `sex` 0/1 and `ageRow` 1..11 pick the salt and fibre values. Figures
// are in the units of the daily window (FigureText); salt and fibre with one
// decimal; vitamin A's reference in whole µgRAE (RaeOfIu). The percentage is
// the chosen dishes' total against the reference (both in IU for vitamin A),
// rounded half-even to a whole number; "-" without a positive reference.
FigureTableRows MakeFigureTable(const FigureColumn& dish, const FigureColumn& chosen,
                                const NutrientTargets* targets,
                                const ExtraReferenceTable& extraReference, int sex, int ageRow);

// The total of row `row` as the table writes it: the daily window's figure
// for the nine, one decimal for salt and fibre.
std::string FigureRowText(int row, std::int32_t value);

// The whole µgRAE figure a vitamin A value in IU was made from, so that a
// reference reads as published (2333 IU → 700, not 699.9). STD.CSV holds
// RAE × 10 / 3 rounded half away from zero: within 1/3 IU of the exact value,
// so IU × 0.3 lies within 0.1 µg of the whole RAE figure and rounding gives it
// back exactly. An IU value made otherwise gets the nearest whole µg, halves
// to even.
std::int32_t RaeOfIu(std::int32_t iu);

// Tenths as text with exactly one decimal: 15 → "1.5", -3 → "-0.3".
std::string TenthsText(std::int32_t tenths);

}  // namespace eiyou
