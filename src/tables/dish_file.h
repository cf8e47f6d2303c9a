// The dish file KONDATE/献立.TXT: one DishLine per line, CP932, CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// Full paths in the current data directory (UTF-8, joined with "/").
std::string DishDirectoryPath();
std::string DishFilePath();

// Splits a whole file's bytes into lines: CR LF, lone CR or lone LF end a line,
// a last line without an end counts, a NUL byte ends the text.
// `*textAfterNul` (when given) tells whether anything but NULs and line ends
// follows that NUL: dishes the lists will not show.
std::vector<std::string> SplitDishText(const std::string& bytes, bool* textAfterNul = nullptr);

// Every comma-separated piece of a text, empty ones included; an empty text is
// one empty piece. DishLines have no quoting or escaping.
std::vector<std::string> SplitAtCommas(std::string_view text);

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

// Reads the file whole. Throws IoError when it exists but cannot be read.
std::vector<std::string> ReadDishFile(const std::string& path, bool* textAfterNul = nullptr);

// Shown by the dish window when a NUL byte hides dishes: saving would drop them.
inline constexpr const char* kDishesAfterNulMessage =
    "献立ファイルの途中に文字コード0のバイトがあり、その後ろの献立は読み込みませんでした。"
    "保存するとそれらの献立は失われます！";

// Writes every line followed by CR LF, replacing the file atomically (a new file
// beside it, then rename), so a failure leaves the old file as it was. Throws
// IoError("ﾌｧｲﾙ <path> を作成できません。") when it cannot be created.
void WriteDishFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace eiyou
