// The two texts of a food in a dish: the FoodChoice that a food list shows,
// "[row]number:name", and the FoodEntry that a dish keeps, that choice followed
// by "= ", the weight as typed and "g". Texts are CP932 bytes.
#pragma once

#include <string>
#include <string_view>

#include "tables/food_table.h"

namespace eiyou {

// "[" row "]" + the row's food number + ":" + its name, nothing trimmed.
std::string FoodChoiceText(const FoodTable& table, int row);

// What picking a food with a typed weight comes to, in the order the checks run.
enum class FoodPick {
  Added,              // `entry` holds the FoodEntry
  ZeroWeight,         // the weight reads as 0: ignored without a word
  CommaInWeight,      // a comma would split the dish line
  UnencodableWeight,  // a character without a CP932 code
  LineBreakInWeight,  // a line end or NUL would split the line or end the file
  LineBreakInFood,    // the same in the food's number or name (a damaged table)
};

struct FoodPickResult {
  FoodPick outcome = FoodPick::ZeroWeight;
  std::string entry;
};

// `choice` is the picked FoodChoice (CP932), `typedWeight` the weight field's
// text (UTF-8, as typed).
FoodPickResult ComposeFoodEntry(std::string_view choice, std::string_view typedWeight);

// The weight as people type it with a Japanese input method on: full-width
// digits, "．", "＋" and "－" in `utf8` become their half-width forms, one
// character for one, so a cursor keeps its place. Everything else stays.
std::string HalfWidthWeightText(std::string_view utf8);

// The parts of a FoodEntry that the totals read. The row: from the 2nd byte up
// to, not including, the first "]" (empty without one). The weight: after the
// first "=" up to, not including, the entry's last byte, its "g" (empty
// without an "=").
std::string_view FoodEntryRowText(std::string_view entry);
std::string_view FoodEntryWeightText(std::string_view entry);

// True when a text holds a line end or a NUL byte: in a dish line it would
// split the line when the file is read back, or end the file's text there.
bool BreaksTheLine(std::string_view text);

}  // namespace eiyou
