// The dish file reader over a real file, the splitting of its lines into
// DishLine parts and comma pieces, and a save and reload of what was read.
//
// The input is the file 献立.TXT itself.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "tables/file_io.h"
#include "nutrition/dish_line.h"
#include "nutrition/food_entry.h"
#include "tables/cp932.h"
#include "tables/dish_file.h"
#include "tables/text_fields.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

// Registering the line's pieces again as typed texts gives a line that splits
// back into them; a refusal names a real fault of the pieces.
void CheckComposition(const std::vector<std::string>& pieces) {
  TypedText cuisine, category;
  cuisine.Take(Cp932ToUtf8(pieces[0]));
  category.Take(Cp932ToUtf8(pieces.size() > 1 ? pieces[1] : std::string()));
  const std::string name = Cp932ToUtf8(pieces.size() > 2 ? pieces[2] : std::string());
  const std::vector<std::string> foods(pieces.size() > 3 ? pieces.begin() + 3 : pieces.end(),
                                       pieces.end());
  const DishLineResult dish = ComposeDishLine(cuisine, category, name, foods, 0);
  if (dish.outcome == DishRegistration::Registered) {
    const DishLineParts parts = SplitDishLine(dish.line);
    FUZZ_CHECK(parts.cuisine == cuisine.bytes && parts.category == category.bytes);
    std::string nameBytes;
    FUZZ_CHECK(Utf8ToCp932(name, nameBytes) && parts.name == nameBytes);
    FUZZ_CHECK(DishFoods(dish.line) == foods);
  } else {
    FUZZ_CHECK(dish.outcome != DishRegistration::ListFull && dish.line.empty());
    if (dish.outcome == DishRegistration::UnencodableText) FUZZ_CHECK(!dish.offending.empty());
  }

  // A food piece picked again with a typed weight keeps its row and gets that weight.
  for (const std::string& food : foods) {
    const FoodPickResult pick = ComposeFoodEntry(food, "12.5");
    if (BreaksTheLine(food)) {
      FUZZ_CHECK(pick.outcome == FoodPick::LineBreakInFood);
      continue;
    }
    FUZZ_CHECK(pick.outcome == FoodPick::Added && pick.entry == food + "= 12.5g");
    FUZZ_CHECK(FoodEntryRowText(pick.entry) == FoodEntryRowText(food));
    if (food.find('=') == std::string::npos) FUZZ_CHECK(FoodEntryWeightText(pick.entry) == " 12.5");
  }
}

void CheckLine(const std::string& line) {
  FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);

  const std::vector<std::string> pieces = SplitAtCommas(line);
  const std::size_t commas = CountByte(line, ',');
  FUZZ_CHECK(pieces.size() == commas + 1);
  FUZZ_CHECK(Join(pieces, 0, pieces.size(), ',') == line);

  // Cuisine and category end at the first two commas, the name at the third or
  // the line's end; a missing comma empties that piece and all after it.
  const DishLineParts parts = SplitDishLine(line);
  FUZZ_CHECK(parts.hasFoods == (commas >= 3));
  if (commas >= 3) {
    FUZZ_CHECK(parts.cuisine == pieces[0] && parts.category == pieces[1] &&
               parts.name == pieces[2]);
    FUZZ_CHECK(parts.foods == Join(pieces, 3, pieces.size(), ','));
    // Every FoodEntry of the line, and nothing else, is one piece of the foods.
    FUZZ_CHECK(SplitAtCommas(parts.foods).size() == pieces.size() - 3);
  } else if (commas == 2) {
    FUZZ_CHECK(parts.cuisine == pieces[0] && parts.category == pieces[1] &&
               parts.name == pieces[2] && parts.foods.empty());
  } else if (commas == 1) {
    FUZZ_CHECK(parts.cuisine == pieces[0] && parts.category.empty() && parts.name.empty() &&
               parts.foods.empty());
  } else {
    FUZZ_CHECK(parts.cuisine.empty() && parts.category.empty() && parts.name.empty() &&
               parts.foods.empty());
  }
  CheckComposition(pieces);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchDir() + "/dish.txt";
  static const std::string savedPath = ScratchDir() + "/saved.txt";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteFileOrDie(path, data, size);

  bool hidden = false;
  const std::vector<std::string> lines = ReadDishFile(path, &hidden);
  FUZZ_CHECK(lines == SplitDishText(bytes));
  FUZZ_CHECK(lines == ModelDishLines(bytes));
  // Dishes are hidden when anything but NULs and line ends follows the first NUL.
  bool expectHidden = false;
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) {
    for (std::size_t i = nul; i < bytes.size() && !expectHidden; ++i)
      expectHidden = bytes[i] != '\0' && bytes[i] != '\r' && bytes[i] != '\n';
  }
  FUZZ_CHECK(hidden == expectHidden);
  for (const std::string& line : lines) CheckLine(line);

  // A save writes each line and CR LF; reading that back gives the same list.
  // A save costs a dozen system calls, so only one input in four (chosen by its
  // size, so that a reproducer repeats it) is saved.
  if (size % 4 != 0) return 0;
  WriteDishFile(savedPath, lines);
  std::string expected;
  for (const std::string& line : lines) expected += line + "\r\n";
  FUZZ_CHECK(ReadWholeFile(savedPath) == expected);
  FUZZ_CHECK(ReadDishFile(savedPath) == lines);
  return 0;
}
