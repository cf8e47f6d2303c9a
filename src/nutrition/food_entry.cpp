#include "nutrition/food_entry.h"

#include "tables/cp932.h"
#include "tables/numbers.h"

namespace eiyou {

std::string FoodChoiceText(const FoodTable& table, int row) {
  std::string text = "[" + std::to_string(row) + "]";
  text += table.Cell(1, row);
  text += ':';
  text += table.Cell(2, row);
  return text;
}

bool BreaksTheLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

FoodPickResult ComposeFoodEntry(std::string_view choice, std::string_view typedWeight) {
  FoodPickResult result;
  // The number ends at the first non-ASCII byte, so reading the typed UTF-8
  // gives the same value as reading its CP932 form.
  if (ParseRealLenient(typedWeight) == 0) {
    result.outcome = FoodPick::ZeroWeight;
    return result;
  }
  if (typedWeight.find(',') != std::string_view::npos) {
    result.outcome = FoodPick::CommaInWeight;
    return result;
  }
  std::string weight;
  if (!Utf8ToCp932(typedWeight, weight)) {
    result.outcome = FoodPick::UnencodableWeight;
    return result;
  }
  if (BreaksTheLine(weight)) {
    result.outcome = FoodPick::LineBreakInWeight;
    return result;
  }
  if (BreaksTheLine(choice)) {
    result.outcome = FoodPick::LineBreakInFood;
    return result;
  }
  result.outcome = FoodPick::Added;
  result.entry.reserve(choice.size() + weight.size() + 3);
  result.entry.append(choice).append("= ").append(weight).append("g");
  return result;
}

std::string_view FoodEntryRowText(std::string_view entry) {
  const std::size_t close = entry.find(']');
  if (close == std::string_view::npos || close < 1) return {};
  return entry.substr(1, close - 1);
}

std::string_view FoodEntryWeightText(std::string_view entry) {
  const std::size_t equals = entry.find('=');
  if (equals == std::string_view::npos) return {};
  const std::size_t from = equals + 1;
  const std::size_t end = entry.size() - 1;  // not empty: it holds the "="
  if (from >= end) return {};
  return entry.substr(from, end - from);
}

}  // namespace eiyou
