#include "nutrition/dish_line.h"

#include <algorithm>

#include "nutrition/food_entry.h"
#include "tables/cp932.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {

// Cuts at the first comma; without one the piece and the rest are both empty.
std::string CutAtComma(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    rest = {};
    return {};
  }
  std::string piece(rest.substr(0, comma));
  rest.remove_prefix(comma + 1);
  return piece;
}

// Full-width colon (U+FF1A) in CP932.
constexpr std::string_view kEntryColon = "\x81\x46";

}  // namespace

DishLineParts SplitDishLine(std::string_view line) {
  DishLineParts parts;
  parts.cuisine = CutAtComma(line);
  parts.category = CutAtComma(line);
  const std::size_t comma = line.find(',');
  parts.name = std::string(line.substr(0, comma));
  if (comma != std::string_view::npos) {
    parts.hasFoods = true;
    parts.foods = std::string(line.substr(comma + 1));
  }
  return parts;
}

std::string_view DishLineFoodText(std::string_view line) {
  // A missing comma ends the split early, so foods follow only a third comma.
  std::size_t at = 0;
  for (int comma = 0; comma < 3; ++comma) {
    at = line.find(',', at);
    if (at == std::string_view::npos) return {};
    ++at;
  }
  return line.substr(at);
}

std::vector<std::string> DishFoods(std::string_view line) {
  const DishLineParts dish = SplitDishLine(line);
  if (!dish.hasFoods) return {};
  return SplitAtCommas(dish.foods);
}

std::size_t InsertInListOrder(std::vector<std::string>& texts, std::string text) {
  // std::string compares bytes as unsigned char: CP932 byte order.
  const auto row = static_cast<std::size_t>(
      std::upper_bound(texts.begin(), texts.end(), text) - texts.begin());
  texts.insert(texts.begin() + static_cast<std::ptrdiff_t>(row), std::move(text));
  return row;
}

void SortInListOrder(std::vector<std::string>& texts) { std::stable_sort(texts.begin(), texts.end()); }

void TypedText::Take(std::string_view utf8) {
  shown = std::string(utf8);
  encodable = Utf8ToCp932(utf8, bytes);
  if (!encodable) bytes.clear();
}

DishLineResult ComposeDishLine(const TypedText& cuisine, const TypedText& category,
                               std::string_view name, const std::vector<std::string>& foods,
                               int dishesListed) {
  DishLineResult result;
  for (const TypedText* choice : {&cuisine, &category})
    if (!choice->encodable) {
      result.outcome = DishRegistration::UnencodableText;
      result.offending = choice->shown;
      return result;
    }
  std::string nameBytes;
  if (!Utf8ToCp932(name, nameBytes)) {
    result.outcome = DishRegistration::UnencodableText;
    result.offending = std::string(name);
    return result;
  }
  // A comma would shift every later field of the line when it is read back.
  for (std::string_view text : {std::string_view(cuisine.bytes), std::string_view(category.bytes),
                                std::string_view(nameBytes)})
    if (text.find(',') != std::string_view::npos) {
      result.outcome = DishRegistration::CommaInText;
      return result;
    }
  if (BreaksTheLine(cuisine.bytes) || BreaksTheLine(category.bytes) || BreaksTheLine(nameBytes)) {
    result.outcome = DishRegistration::LineBreakInText;
    return result;
  }
  if (dishesListed >= kDishLimit) {
    result.outcome = DishRegistration::ListFull;
    return result;
  }
  result.line = cuisine.bytes + "," + category.bytes + "," + nameBytes;
  for (const std::string& food : foods) result.line.append(",").append(food);
  return result;
}

std::string MealEntryText(const DishLineParts& dish) {
  std::string entry = dish.cuisine;
  entry.append(kEntryColon).append(dish.category).append(kEntryColon).append(dish.name);
  return entry;
}

}  // namespace eiyou
