// The text of a dish: cuisine, cooking category and dish name, then one
// FoodEntry per food, all separated by single commas, with no quoting. The
// same text is an item of the dish lists and a line of the dish file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// A DishLine as the windows take it apart. Cuisine and category end at the
// first and second comma; a missing comma empties that piece and everything
// after it (as the table splitter does). The name runs up to the third comma
// or the end of the line; the foods are the FoodEntry texts after that comma.
struct DishLineParts {
  std::string cuisine;
  std::string category;
  std::string name;
  std::string foods;      // the FoodEntry texts joined by ","
  bool hasFoods = false;  // a comma follows the name (foods may still be empty)
};
DishLineParts SplitDishLine(std::string_view line);

// The text after a DishLine's third comma, SplitDishLine's `foods`, without
// copying the line apart: empty for a line without foods.
std::string_view DishLineFoodText(std::string_view line);

// The FoodEntry texts of a dish: every piece after its third comma, an empty
// one included; none for a line without foods.
std::vector<std::string> DishFoods(std::string_view line);

// The order of the dish window's sorted lists (the dish list, the foods of
// the dish being composed): CP932 byte order, a text after every equal one.
// Inserts `text` in its place and returns that place.
std::size_t InsertInListOrder(std::vector<std::string>& texts, std::string text);
// The same order for a whole list at once, as inserting its texts one by one
// would give: inserting one at a time moves every later text, which grows
// with the square of a long file.
void SortInListOrder(std::vector<std::string>& texts);

// A text typed into a choice box, kept as typed even when it has no CP932 code,
// so that registration can tell the user then rather than at every keystroke.
struct TypedText {
  std::string shown;  // UTF-8, as typed
  std::string bytes;  // its CP932 form; empty when it has none
  bool encodable = true;
  void Take(std::string_view utf8);
};

// The most dishes a dish list registers.
inline constexpr int kDishLimit = 300;

// What registering a dish comes to, in the order the checks run.
enum class DishRegistration {
  Registered,       // `line` holds the DishLine
  UnencodableText,  // `offending` (UTF-8) has a character without a CP932 code
  CommaInText,      // a comma in the name, cuisine or category
  LineBreakInText,  // a line end or NUL in one of them
  ListFull,         // the list holds kDishLimit dishes already
};

struct DishLineResult {
  DishRegistration outcome = DishRegistration::Registered;
  std::string line;
  std::string offending;
};

// `name` is the typed dish name (UTF-8); `foods` the FoodEntry texts in list
// order; `dishesListed` how many dishes the list holds now.
DishLineResult ComposeDishLine(const TypedText& cuisine, const TypedText& category,
                               std::string_view name, const std::vector<std::string>& foods,
                               int dishesListed);

// A dish's label in a meal: cuisine, category and name joined by a full-width colon.
std::string MealEntryText(const DishLineParts& dish);

}  // namespace eiyou
