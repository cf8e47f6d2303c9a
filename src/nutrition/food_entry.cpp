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

std::string HalfWidthWeightText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    // U+FF0B..U+FF19 is EF BC 8B..99 in UTF-8: ＋，－．／ and the digits.
    if (i + 2 < utf8.size() && utf8[i] == '\xEF' && utf8[i + 1] == '\xBC') {
      const auto third = static_cast<unsigned char>(utf8[i + 2]);
      const bool wanted = third == 0x8B || third == 0x8D || third == 0x8E ||
                          (third >= 0x90 && third <= 0x99);
      if (wanted) {
        out += static_cast<char>(third - 0x8B + '+');  // U+FF0B - U+FEE0 = '+'
        i += 2;
        continue;
      }
    }
    out += utf8[i];
  }
  return out;
}

}  // namespace eiyou
