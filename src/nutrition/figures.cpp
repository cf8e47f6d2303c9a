#include "nutrition/figures.h"

#include <charconv>

namespace eiyou {

std::string FigureText(std::int32_t total, long double factor) {
  // Adding +0 turns a negative zero product into +0, so "-0" never appears.
  const long double value = static_cast<long double>(total) * factor + 0.0L;
  // |int32 × 0.3| < 1e15 and a non-zero product is at least 0.01, so the
  // general format never switches to an exponent here.
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::array<std::string, kNutrients> DailyFigureTexts(const NutrientTotals& totals) {
  std::array<std::string, kNutrients> texts;
  for (int k = 0; k < kNutrients; ++k) {
    const std::int32_t total = totals.value[k];
    const long double factor = kDailyFigures[k].factor;
    texts[k] = factor == 0 ? std::to_string(total) : FigureText(total, factor);
  }
  return texts;
}

}  // namespace eiyou
